#include "media/media_file_checks.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korivanta::media_checks {

namespace {

QString sizeText(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
}

} // namespace

QString openRegularFile(QFile &file, const QString &localFile, qint64 maxBytes)
{
    if (localFile.isEmpty())
        return QStringLiteral("el archivo no existe");
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a
    // writer forever. The type is then taken from the open descriptor itself,
    // so nothing can be swapped in between.
    const int fd = ::open(QFile::encodeName(localFile).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return QStringLiteral("el archivo no existe");
        if (error == ELOOP)
            return QStringLiteral("el enlace simbólico da vueltas sin llegar a ningún archivo");
        return QStringLiteral("no se puede leer el archivo (%1)").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
    struct stat st {};
    QString problem;
    if (::fstat(fd, &st) != 0)
        problem = QStringLiteral("no se puede leer el archivo (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
    else if (S_ISDIR(st.st_mode))
        problem = QStringLiteral("es una carpeta, no un archivo");
    else if (S_ISFIFO(st.st_mode))
        problem = QStringLiteral("es una tubería con nombre, no un archivo");
    else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        problem = QStringLiteral("es un dispositivo, no un archivo");
    else if (!S_ISREG(st.st_mode))
        problem = QStringLiteral("no es un archivo normal");
    else if (st.st_size > maxBytes)
        problem = QStringLiteral("el archivo es demasiado grande (más de %1)").arg(sizeText(maxBytes));
    if (!problem.isEmpty()) {
        ::close(fd);
        return problem;
    }
    // A regular file never blocks; reads go back to the usual mode.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QStringLiteral("no se puede leer el archivo (%1)").arg(file.errorString());
    }
    return {};
}

QString readRegularFile(const QString &localFile, qint64 maxBytes, QByteArray &bytes)
{
    QFile file;
    if (QString problem = openRegularFile(file, localFile, maxBytes); !problem.isEmpty())
        return problem;
    // At most one byte more than allowed: a file that grew since the check is
    // caught without reading all of it.
    bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        bytes.clear();
        return QStringLiteral("el archivo es demasiado grande (más de %1)").arg(sizeText(maxBytes));
    }
    return {};
}

// Reads the RIFF chunk headers of a WAV file: PCM of 8, 16 or 32 bits or
// 32-bit float (also in the extensible layout), a sample rate and channel
// count within bounds, and a data chunk the file holds whole.
QString wavProblem(const QString &localFile, qint64 *lengthMs)
{
    QFile f;
    if (QString problem = openRegularFile(f, localFile, kMaxSoundBytes); !problem.isEmpty())
        return problem;
    const qint64 fileSize = f.size();

    char riff[12];
    if (f.read(riff, 12) != 12 || memcmp(riff, "RIFF", 4) != 0 || memcmp(riff + 8, "WAVE", 4) != 0)
        return QStringLiteral("no es un archivo WAV");

    quint32 frameBytes = 0; // bytes of one sample of every channel; 0 until the format is known
    quint32 frameRate = 0;
    while (true) {
        char header[8];
        if (f.read(header, 8) != 8)
            return frameBytes ? QStringLiteral("el WAV no tiene datos de sonido")
                              : QStringLiteral("el WAV no tiene bloque de formato");
        const quint32 size = qFromLittleEndian<quint32>(header + 4);
        const qint64 body = f.pos();
        if (memcmp(header, "fmt ", 4) == 0) {
            char fmt[40] = {};
            const qint64 got = f.read(fmt, qMin<qint64>(size, qint64(sizeof fmt)));
            if (got < 16)
                return QStringLiteral("el bloque de formato del WAV está incompleto");
            quint16 tag = qFromLittleEndian<quint16>(fmt);
            const quint16 channels = qFromLittleEndian<quint16>(fmt + 2);
            const quint32 rate = qFromLittleEndian<quint32>(fmt + 4);
            const quint16 bits = qFromLittleEndian<quint16>(fmt + 14);
            if (tag == 0xfffe && got >= 26)
                tag = qFromLittleEndian<quint16>(fmt + 24); // the sub-format's first two bytes: the plain tag
            const bool supported = (tag == 1 && (bits == 8 || bits == 16 || bits == 32)) || (tag == 3 && bits == 32);
            if (!supported || channels < 1 || channels > kMaxChannels || rate < kMinSampleRate || rate > kMaxSampleRate)
                return QStringLiteral(
                           "formato de WAV que no se puede reproducir (formato %1, %2 bits, %3 canales, %4 Hz)")
                    .arg(tag)
                    .arg(bits)
                    .arg(channels)
                    .arg(rate);
            frameBytes = quint32(channels) * bits / 8;
            frameRate = rate;
        } else if (memcmp(header, "data", 4) == 0) {
            if (!frameBytes)
                return QStringLiteral("el WAV no tiene bloque de formato");
            if (qint64(size) > fileSize - body)
                return QStringLiteral("el WAV está cortado: anuncia %1 bytes de sonido y el archivo tiene %2")
                    .arg(size)
                    .arg(qMax<qint64>(0, fileSize - body));
            if (size < frameBytes)
                return QStringLiteral("el WAV no tiene datos de sonido");
            if (lengthMs) {
                const qint64 frames = size / frameBytes;
                *lengthMs = (frames * 1000 + frameRate - 1) / frameRate;
            }
            return {};
        }
        // Chunks are padded to an even size.
        if (body + size + (size & 1) > fileSize || !f.seek(body + size + (size & 1)))
            return QStringLiteral("el WAV está incompleto");
    }
}

// Walks the blocks of a GIF up to its trailer without decoding any image.
// Qt's decoder plays whatever part of a cut-short file it can read, and loops
// over it; a file that stops before its trailer is treated as unreadable here.
QString gifProblem(const QByteArray &gif)
{
    const auto *b = reinterpret_cast<const uchar *>(gif.constData());
    const qsizetype size = gif.size();
    if (size < 13 || !(gif.startsWith("GIF87a") || gif.startsWith("GIF89a")))
        return QStringLiteral("no es un archivo GIF");
    const auto colourTable = [](uchar packed) { return (packed & 0x80) ? 3 * (2 << (packed & 7)) : 0; };
    const QString cut = QStringLiteral("el GIF está cortado antes de su final");
    const auto tooLarge = [](qint64 w, qint64 h) {
        return QStringLiteral("el GIF es demasiado grande (%1 x %2 píxeles; como mucho %3 x %3)")
            .arg(w)
            .arg(h)
            .arg(kMaxAnimationSide);
    };

    // The canvas: the logical screen, grown to every frame's extent, as the
    // decoder does.
    qint64 width = qFromLittleEndian<quint16>(b + 6);
    qint64 height = qFromLittleEndian<quint16>(b + 8);
    if (width > kMaxAnimationSide || height > kMaxAnimationSide)
        return tooLarge(width, height);

    qsizetype at = 13 + colourTable(b[10]);
    // Skips a run of data sub-blocks; false when the file ends inside it.
    const auto skipSubBlocks = [&] {
        while (at < size) {
            const uchar length = b[at++];
            if (length == 0)
                return true;
            at += length;
        }
        return false;
    };
    qint64 images = 0;
    while (at < size) {
        switch (b[at++]) {
        case 0x3b: // trailer
            if (images == 0)
                return QStringLiteral("el GIF no contiene ninguna imagen");
            if (width * height * images > kMaxAnimationPixels)
                return QStringLiteral("el GIF tiene demasiados cuadros para su tamaño (%1 cuadros de %2 x %3 píxeles)")
                    .arg(images)
                    .arg(width)
                    .arg(height);
            return {};
        case 0x21: // extension: label, then sub-blocks
            if (++at > size || !skipSubBlocks())
                return cut;
            break;
        case 0x2c: { // image: descriptor, local colour table, LZW code size, sub-blocks
            if (at + 9 > size)
                return cut;
            width = qMax<qint64>(width,
                                 qint64(qFromLittleEndian<quint16>(b + at)) + qFromLittleEndian<quint16>(b + at + 4));
            height = qMax<qint64>(height, qint64(qFromLittleEndian<quint16>(b + at + 2)) +
                                              qFromLittleEndian<quint16>(b + at + 6));
            if (width > kMaxAnimationSide || height > kMaxAnimationSide)
                return tooLarge(width, height);
            if (++images > kMaxAnimationFrames)
                return QStringLiteral("el GIF tiene demasiados cuadros (más de %1)").arg(kMaxAnimationFrames);
            at += 9 + colourTable(b[at + 8]) + 1;
            if (at > size || !skipSubBlocks())
                return cut;
            break;
        }
        default: return QStringLiteral("el GIF tiene un bloque desconocido en el byte %1").arg(at - 1);
        }
    }
    return cut;
}

QString pictureSizeProblem(QSize size)
{
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        return QStringLiteral("el dibujo es demasiado grande (%1 x %2 píxeles; como mucho %3 x %3)")
            .arg(size.width())
            .arg(size.height())
            .arg(kMaxPictureSide);
    return {};
}

void limitImageAllocation()
{
    QImageReader::setAllocationLimit(kImageAllocationLimitMb);
}

} // namespace korivanta::media_checks
