#include "media/picture_loader.h"

#include "media/media_paths.h"

#include <QImageReader>

namespace korivanta {

std::optional<QPixmap> FilePictureLoader::load(const QString &path)
{
    QImageReader reader(m_paths.resolve(path));
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return QPixmap::fromImage(image);
}

} // namespace korivanta
