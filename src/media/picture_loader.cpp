#include "media/picture_loader.h"

#include "media/media_paths.h"
#include "media/sharp_pictures.h"

#include <QImageReader>

namespace korivanta {

std::optional<QPixmap> FilePictureLoader::load(const QString &path)
{
    const QString file = m_paths.resolve(path);
    // On a HiDPI screen the copy at twice the size, when it reads.
    if (const QString sharp = sharperFile(file); sharp != file) {
        QImage image = QImageReader(sharp).read();
        image.setDevicePixelRatio(kSharpRatio);
        if (!image.isNull())
            return QPixmap::fromImage(image);
    }
    QImageReader reader(file);
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return QPixmap::fromImage(image);
}

} // namespace korivanta
