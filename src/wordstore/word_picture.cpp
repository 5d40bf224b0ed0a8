#include "wordstore/word_picture.h"

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
// The largest picture read at all (a phone's photo has 50 million pixels),
// and the memory a picture may take while it is decoded.
constexpr qint64 kMostPixels = 100'000'000;
constexpr int kAllocationLimitMB = 1024;

// Whether a source whose canvas in the frame's shape has this size has the
// pixels for a copy at twice the frame's size.
bool hasSharpPixels(const QSize &canvas, const QSize &frame)
{
    return canvas.width() >= 2 * frame.width() && canvas.height() >= 2 * frame.height();
}

// Whether pictures can be written in the format of this file ending (Qt reads
// GIF but does not write it).
bool writable(const QString &suffix)
{
    return QImageWriter::supportedImageFormats().contains(suffix.toLatin1()) && suffix != QLatin1String("gif");
}

// `picture` scaled by `scale` and centred on a white canvas of size `area`.
QImage onCanvas(const QImage &picture, const QSizeF &area, double scale)
{
    QImage out(QSize(qRound(area.width()), qRound(area.height())), QImage::Format_RGB32);
    out.fill(Qt::white);
    {
        QPainter painter(&out);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF drawn = QSizeF(picture.size()) * scale;
        painter.drawImage(
            QRectF(QPointF((area.width() - drawn.width()) / 2, (area.height() - drawn.height()) / 2), drawn), picture);
    }
    return out;
}

// The picture in the format of `suffix`; empty, with the reason in `error`, when it cannot be written.
QByteArray encode(const QImage &picture, const QString &suffix, QString *error)
{
    QBuffer written;
    written.open(QIODevice::WriteOnly);
    QImageWriter writer(&written, suffix.toLatin1());
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        writer.setQuality(90);
    if (!writer.write(picture)) {
        if (error)
            *error = writer.errorString();
        return {};
    }
    return written.data();
}

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
    const QSize frame = frameSize();
    // What the bytes are, whatever the file's name says.
    const QByteArray format = reader.format();
    const QSize stored = reader.size();
    if (format.isEmpty() || !stored.isValid()) {
        f.error = QStringLiteral("el dibujo «%1» no se puede abrir como imagen: no es una imagen que se pueda leer, o "
                                 "está dañada")
                      .arg(file);
        return f;
    }
    if (qint64(stored.width()) * stored.height() > kMostPixels) {
        f.error = QStringLiteral("el dibujo «%1» es demasiado grande (%2 × %3 píxeles; como mucho %4 millones de "
                                 "píxeles)")
                      .arg(file)
                      .arg(stored.width())
                      .arg(stored.height())
                      .arg(kMostPixels / 1000000);
        return f;
    }
    // A large photo is decoded already scaled down to what is kept.
    const QSize most = frame * kMostFrames;
    const bool scaledDown = stored.width() > most.width() || stored.height() > most.height();
    if (scaledDown)
        reader.setScaledSize(stored.scaled(most, Qt::KeepAspectRatio));
    reader.setAllocationLimit(kAllocationLimitMB);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        f.error = QStringLiteral("el dibujo «%1» no se puede abrir como imagen: está dañado o incompleto").arg(file);
        return f;
    }
    f.suffix = QString::fromLatin1(format == "jpeg" ? QByteArray("jpg") : format);
    const bool keptAsItIs =
        QStringList{QStringLiteral("bmp"), QStringLiteral("gif"), QStringLiteral("jpg"), QStringLiteral("png")}
            .contains(f.suffix);
    const double frameShape = double(frame.width()) / frame.height();
    const double shape = double(picture.width()) / picture.height();
    const bool turned = reader.transformation() != QImageIOHandler::TransformationNone;
    if (std::abs(shape / frameShape - 1.0) <= kShapeTolerance && !turned && !scaledDown && keptAsItIs &&
        picture.width() <= kMostFrames * frame.width()) {
        f.bytes = original;
        if (hasSharpPixels(picture.size(), frame) && writable(f.suffix))
            f.sharpBytes = encode(picture.scaled(picture.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                                  f.suffix, nullptr);
        return f;
    }

    // The canvas: the frame's shape around the picture, no larger than needed.
    const QSizeF canvas = shape > frameShape ? QSizeF(picture.width(), picture.width() / frameShape)
                                             : QSizeF(picture.height() * frameShape, picture.height());
    const double scale = std::min(1.0, kMostFrames * frame.width() / canvas.width());
    const QImage out = onCanvas(picture, canvas * scale, scale);
    // Redrawn in the same format when the game reads it and it can be
    // written (a GIF cannot), else as PNG.
    if (!keptAsItIs || !writable(f.suffix))
        f.suffix = QStringLiteral("png");
    QString error;
    f.bytes = encode(out, f.suffix, &error);
    if (f.bytes.isEmpty()) {
        f.error = QStringLiteral("no se puede convertir el dibujo «%1» (%2)").arg(file, error);
        return f;
    }
    f.redrawn = true;
    if (hasSharpPixels(canvas.toSize(), frame)) {
        // Twice the stored picture each way, drawn from the source itself.
        const QSizeF sharp = QSizeF(out.size()) * 2;
        f.sharpBytes =
            encode(onCanvas(picture, sharp, std::min(sharp.width() / canvas.width(), sharp.height() / canvas.height())),
                   f.suffix, nullptr);
    }
    return f;
}

} // namespace korivanta::wordpicture
