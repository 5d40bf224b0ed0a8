#include "media/picture_loader.h"

#include "media/media_file_checks.h"
#include "media/media_paths.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

namespace korivanta {

std::optional<QPixmap> FilePictureLoader::load(const QString &path)
{
    // Only a regular file of bounded size is read, and only a picture whose
    // header gives a size within bounds is decoded, under Qt's allocation
    // limit. Whatever fails is, for the caller, a picture that is not there.
    const QString file = m_paths.resolve(path);
    QByteArray bytes;
    if (!media_checks::readRegularFile(file, media_checks::kMaxPictureBytes, bytes).isEmpty())
        return std::nullopt;
    media_checks::limitImageAllocation();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // The name's ending helps with formats that carry no signature.
    QImageReader reader(&buffer, QFileInfo(file).suffix().toLower().toLatin1());
    // A format that cannot tell its size before decoding is held by the
    // allocation limit alone.
    if (const QSize size = reader.size(); size.isValid() && !media_checks::pictureSizeProblem(size).isEmpty())
        return std::nullopt;
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return QPixmap::fromImage(image);
}

} // namespace korivanta
