#include "wordstore/word_sound.h"

#include "media/media_file_checks.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <unistd.h>

namespace korivanta::wordsound {

namespace {

struct SndFileCloser {
    void operator()(SNDFILE *f) const { sf_close(f); }
};
using SndFile = std::unique_ptr<SNDFILE, SndFileCloser>;

struct SoxrDeleter {
    void operator()(soxr_t s) const { soxr_delete(s); }
};
using Resampler = std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDeleter>;

// What a libsndfile error means for a teacher: its own texts are English.
QString readError(int code)
{
    switch (code) {
    case SF_ERR_UNRECOGNISED_FORMAT:
        return QStringLiteral("no es un archivo de sonido que se pueda leer (se aceptan WAV, FLAC, OGG, AIFF y MP3, "
                              "entre otros)");
    case SF_ERR_SYSTEM: return QStringLiteral("no se puede leer: el sistema no deja abrir el archivo");
    case SF_ERR_MALFORMED_FILE: return QStringLiteral("está dañado: su encabezado no es válido");
    case SF_ERR_UNSUPPORTED_ENCODING:
        return QStringLiteral("usa una codificación de sonido que este programa no sabe leer; guárdelo como WAV "
                              "desde el programa con el que se grabó");
    default: return QStringLiteral("está dañado o incompleto (error %1 al leerlo)").arg(code);
    }
}

QString durationText(double seconds)
{
    if (seconds < 120)
        return QStringLiteral("%1 segundos").arg(qRound(seconds));
    if (seconds < 7200)
        return QStringLiteral("%1 minutos").arg(qRound(seconds / 60));
    return QStringLiteral("%1 horas").arg(qRound(seconds / 3600));
}

// A WAV whose data chunk claims more bytes than the file holds has lost its
// end (a copy or a recording broken off): the word would be cut, so it is
// refused. A size of 0 or 0xFFFFFFFF is a recorder that never came back to
// write it, and says nothing.
QString cutWavProblem(QFile &in)
{
    char riff[12];
    if (!in.seek(0) || in.read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return {};
    const qint64 fileSize = in.size();
    for (;;) {
        char header[8];
        if (in.read(header, 8) != 8)
            return {};
        const quint32 size = qFromLittleEndian<quint32>(header + 4);
        const qint64 body = in.pos();
        if (std::memcmp(header, "data", 4) == 0) {
            if (size != 0 && size != 0xffffffffu && qint64(size) > fileSize - body)
                return QStringLiteral("está cortado: anuncia %1 bytes de sonido y solo trae %2; vuelva a copiarlo o a "
                                      "grabarlo")
                    .arg(size)
                    .arg(qMax<qint64>(0, fileSize - body));
            return {};
        }
        if (!in.seek(body + size + (size & 1)))
            return {};
    }
}

// Whether the game plays the file as it is: a plain WAV of 16-bit PCM with
// one or two channels at a rate it plays, which passes the game's check.
bool playedAsItIs(const SF_INFO &info, const QString &source)
{
    return (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
           (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 && info.channels <= media_checks::kMaxChannels &&
           info.samplerate >= int(media_checks::kMinSampleRate) &&
           info.samplerate <= int(media_checks::kMaxSampleRate) && media_checks::wavProblem(source).isEmpty();
}

// Copies the source's bytes from its own descriptor (libsndfile has moved
// its offset; pread needs none).
QString copyBytes(QFile &in, QFile &out)
{
    char buffer[64 * 1024];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(in.handle(), buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return QStringLiteral("no se puede leer");
        if (n == 0)
            return {};
        if (out.write(buffer, n) != n)
            return QStringLiteral("no se puede guardar la copia (%1)").arg(out.errorString());
        at += n;
    }
}

// Decodes `reader` in blocks, mixes its channels to one, resamples it when
// `outRate` differs from its rate, and writes it as 16-bit PCM to `out`.
QString decodeInto(SNDFILE *reader, const SF_INFO &info, int outRate, QFile &out)
{
    SF_INFO outInfo{};
    outInfo.samplerate = outRate;
    outInfo.channels = 1;
    outInfo.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SndFile writer(sf_open_fd(out.handle(), SFM_WRITE, &outInfo, SF_FALSE));
    if (!writer)
        return QStringLiteral("no se puede guardar la copia convertida");
    // Loud float files go beyond full scale: they are clipped, not wrapped.
    sf_command(writer.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    Resampler resampler;
    if (outRate != info.samplerate) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        resampler.reset(soxr_create(info.samplerate, outRate, 1, &error, &io, &quality, nullptr));
        if (error || !resampler)
            return QStringLiteral("no se puede cambiar su frecuencia de muestreo");
    }

    const auto channels = std::size_t(info.channels);
    std::vector<float> block(std::size_t(kBlockFrames) * channels);
    std::vector<float> mono(kBlockFrames);
    const std::size_t room = std::size_t(double(kBlockFrames) * outRate / info.samplerate) + 256;
    std::vector<float> resampled(room);
    QString problem;
    const auto write = [&](const float *samples, std::size_t count) {
        if (problem.isEmpty() && sf_writef_float(writer.get(), samples, sf_count_t(count)) != sf_count_t(count))
            problem = QStringLiteral("no se puede guardar la copia convertida");
    };
    // Feeds `count` mono frames (none: the end) through the resampler.
    const auto resample = [&](const float *samples, std::size_t count) {
        std::size_t at = 0;
        for (;;) {
            std::size_t used = 0, made = 0;
            if (soxr_process(resampler.get(), samples ? samples + at : nullptr, count - at, &used, resampled.data(),
                             resampled.size(), &made) != nullptr) {
                problem = QStringLiteral("no se puede cambiar su frecuencia de muestreo");
                return;
            }
            at += used;
            write(resampled.data(), made);
            if (!problem.isEmpty() || (at >= count && made < resampled.size()) || (used == 0 && made == 0))
                return;
        }
    };

    const sf_count_t mostFrames = sf_count_t(kMaxSeconds) * info.samplerate;
    sf_count_t total = 0;
    while (problem.isEmpty()) {
        const sf_count_t n = sf_readf_float(reader, block.data(), kBlockFrames);
        if (n <= 0)
            break;
        total += n;
        // The header may undercount (a compressed stream): the bound holds all the same.
        if (total > mostFrames)
            return QStringLiteral("dura más de %1 segundos, y el sonido de una palabra dura como mucho %1 segundos")
                .arg(kMaxSeconds);
        for (sf_count_t f = 0; f < n; ++f) {
            float sum = 0;
            for (std::size_t c = 0; c < channels; ++c)
                sum += block[std::size_t(f) * channels + c];
            mono[std::size_t(f)] = sum / float(channels);
        }
        if (resampler)
            resample(mono.data(), std::size_t(n));
        else
            write(mono.data(), std::size_t(n));
    }
    if (!problem.isEmpty())
        return problem;
    if (sf_error(reader) != SF_ERR_NO_ERROR)
        return readError(sf_error(reader));
    if (total == 0)
        return QStringLiteral("no tiene sonido");
    if (resampler)
        resample(nullptr, 0);
    return problem;
}

} // namespace

QString convertToFile(const QString &source, const QString &destination)
{
    // A regular file only, opened without waiting (a named pipe would hang).
    QFile in;
    if (QString problem = media_checks::openRegularFile(in, source, std::numeric_limits<qint64>::max());
        !problem.isEmpty())
        return QStringLiteral("no se puede usar: %1").arg(problem);
    if (in.size() == 0)
        return QStringLiteral("está vacío");
    const QString cut = cutWavProblem(in);
    if (!in.seek(0) || ::lseek(in.handle(), 0, SEEK_SET) != 0)
        return QStringLiteral("no se puede leer");

    SF_INFO info{};
    SndFile reader(sf_open_fd(in.handle(), SFM_READ, &info, SF_FALSE));
    if (!reader)
        return readError(sf_error(nullptr));
    if (info.channels < 1 || info.samplerate < 1)
        return QStringLiteral("está dañado: su encabezado no dice cuántos canales ni qué frecuencia tiene");
    // The length from the header, before anything is decoded.
    if (info.frames > sf_count_t(kMaxSeconds) * info.samplerate)
        return QStringLiteral("dura %1, y el sonido de una palabra dura como mucho %2 segundos")
            .arg(durationText(double(info.frames) / info.samplerate))
            .arg(kMaxSeconds);
    if (info.samplerate < kLowestSourceRate)
        return QStringLiteral("tiene una frecuencia de muestreo de %1 Hz, demasiado baja para oír una voz (como "
                              "mínimo %2 Hz)")
            .arg(info.samplerate)
            .arg(kLowestSourceRate);
    if (!cut.isEmpty())
        return cut;
    if (info.frames == 0)
        return QStringLiteral("no tiene sonido");

    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("no se puede guardar la copia convertida (%1)").arg(out.errorString());
    QString problem;
    if (playedAsItIs(info, source)) {
        reader.reset();
        problem = copyBytes(in, out);
    } else {
        const int outRate = info.samplerate < int(media_checks::kMinSampleRate)   ? kRaisedRate
                            : info.samplerate > int(media_checks::kMaxSampleRate) ? kLoweredRate
                                                                                  : info.samplerate;
        problem = decodeInto(reader.get(), info, outRate, out);
    }
    out.close();
    if (problem.isEmpty() && out.error() != QFileDevice::NoError)
        problem = QStringLiteral("no se puede guardar la copia convertida (%1)").arg(out.errorString());
    if (!problem.isEmpty())
        return problem;
    // What is stored is what the game plays: the game's own check decides.
    if (const QString refused = media_checks::wavProblem(destination); !refused.isEmpty())
        return QStringLiteral("no se pudo convertir a un sonido que el juego reproduzca (%1)").arg(refused);
    return {};
}

Converted convert(const QString &source, bool keepBytes)
{
    Converted result;
    QTemporaryDir own;
    if (!own.isValid()) {
        result.problem =
            QStringLiteral("no se puede convertir: no se puede crear una carpeta temporal (%1)").arg(own.errorString());
        return result;
    }
    const QString converted = own.filePath(QStringLiteral("sonido.wav"));
    result.problem = convertToFile(source, converted);
    if (!result.problem.isEmpty())
        return result;
    result.digest = fileDigest(converted);
    if (keepBytes) {
        if (const QString problem = media_checks::readRegularFile(converted, media_checks::kMaxSoundBytes, result.wav);
            !problem.isEmpty())
            result.problem = QStringLiteral("no se puede leer la copia convertida (%1)").arg(problem);
    }
    if (result.digest.isEmpty() && result.problem.isEmpty())
        result.problem = QStringLiteral("no se puede leer la copia convertida");
    return result;
}

QByteArray fileDigest(const QString &file)
{
    QFile f;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!media_checks::openRegularFile(f, file, media_checks::kMaxSoundBytes).isEmpty() || !hash.addData(&f))
        return {};
    return hash.result();
}

} // namespace korivanta::wordsound
