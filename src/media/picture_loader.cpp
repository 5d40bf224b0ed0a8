#include "media/picture_loader.h"

#include "media/media_file_checks.h"
#include "media/media_paths.h"
#include "media/sharp_pictures.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

namespace korivanta {

namespace {

// Only a regular file of bounded size is read, and only a picture whose
// header gives a size within bounds is decoded, under Qt's allocation limit.
// Whatever fails comes back as a null image.
QImage readPicture(const QString &file)
{
    QByteArray bytes;
    if (!media_checks::readRegularFile(file, media_checks::kMaxPictureBytes, bytes).isEmpty())
        return {};
    media_checks::limitImageAllocation();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // The name's ending helps with formats that carry no signature.
    QImageReader reader(&buffer, QFileInfo(file).suffix().toLower().toLatin1());
    // A format that cannot tell its size before decoding is held by the
    // allocation limit alone.
    if (const QSize size = reader.size(); size.isValid() && !media_checks::pictureSizeProblem(size).isEmpty())
        return {};
    return reader.read();
}

} // namespace

std::optional<QPixmap> FilePictureLoader::load(const QString &path)
{
    const QString file = m_paths.resolve(path);
    // On a HiDPI screen the copy at twice the size, when it reads.
    if (const QString sharp = sharperFile(file); sharp != file) {
        QImage image = readPicture(sharp);
        if (!image.isNull()) {
            image.setDevicePixelRatio(kSharpRatio);
            return QPixmap::fromImage(image);
        }
    }
    const QImage image = readPicture(file);
    if (image.isNull())
        return std::nullopt;
    return QPixmap::fromImage(image);
}

} // namespace korivanta
