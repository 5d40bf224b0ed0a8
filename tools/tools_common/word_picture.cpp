#include "tools_common/word_picture.h"

#include "game/con_obj_layout.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <cmath>

namespace korivanta::wordpicture {

namespace {

constexpr int kTwipsPerPixel = 15;
// A picture whose shape is this close to the frame's is stored as it is.
constexpr double kShapeTolerance = 0.02;
constexpr int kMostFrames = 4;

} // namespace

QSize frameSize()
{
    const ControlRect &r = controlRect("Image4");
    return {r.width / kTwipsPerPixel, r.height / kTwipsPerPixel};
}

Fitted fit(const QString &file)
{
    Fitted f;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        f.error = QStringLiteral("no se puede leer el dibujo «%1»").arg(file);
        return f;
    }
    const QByteArray original = in.readAll();
    QBuffer buffer;
    buffer.setData(original);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true); // a camera's portrait photo is stored turned
    const QImage picture = reader.read();
    if (picture.isNull()) {
        f.error = QStringLiteral("el dibujo «%1» no se puede abrir como imagen (%2)").arg(file, reader.errorString());
        return f;
    }
    f.suffix = QFileInfo(file).suffix().toLower();
    const QSize frame = frameSize();
    const double frameShape = double(frame.width()) / frame.height();
    const double shape = double(picture.width()) / picture.height();
    const bool turned = reader.transformation() != QImageIOHandler::TransformationNone;
    if (std::abs(shape / frameShape - 1.0) <= kShapeTolerance && !turned &&
        picture.width() <= kMostFrames * frame.width()) {
        f.bytes = original;
        return f;
    }

    // The canvas: the frame's shape around the picture, no larger than needed.
    QSizeF canvas = shape > frameShape ? QSizeF(picture.width(), picture.width() / frameShape)
                                       : QSizeF(picture.height() * frameShape, picture.height());
    const double scale = std::min(1.0, kMostFrames * frame.width() / canvas.width());
    canvas *= scale;
    QImage out(QSize(qRound(canvas.width()), qRound(canvas.height())), QImage::Format_RGB32);
    out.fill(Qt::white);
    {
        QPainter painter(&out);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF drawn = QSizeF(picture.size()) * scale;
        painter.drawImage(
            QRectF(QPointF((canvas.width() - drawn.width()) / 2, (canvas.height() - drawn.height()) / 2), drawn),
            picture);
    }
    if (!QImageWriter::supportedImageFormats().contains(f.suffix.toLatin1()) || f.suffix == QLatin1String("gif"))
        f.suffix = QStringLiteral("png");
    QBuffer written;
    written.open(QIODevice::WriteOnly);
    QImageWriter writer(&written, f.suffix.toLatin1());
    if (f.suffix == QLatin1String("jpg") || f.suffix == QLatin1String("jpeg"))
        writer.setQuality(90);
    if (!writer.write(out)) {
        f.error = QStringLiteral("no se puede convertir el dibujo «%1» (%2)").arg(file, writer.errorString());
        return f;
    }
    f.bytes = written.data();
    f.redrawn = true;
    return f;
}

} // namespace korivanta::wordpicture
