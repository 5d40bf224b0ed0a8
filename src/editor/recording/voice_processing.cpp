#include "editor/recording/voice_processing.h"

#include "wordstore/disk_files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace korivanta::recording {

namespace {

std::vector<float> mixToMono(const std::vector<std::int16_t> &interleaved, int channels)
{
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    std::vector<float> mono(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        float sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += interleaved[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
        mono[f] = sum / (32768.0f * static_cast<float>(channels));
    }
    return mono;
}

std::vector<float> resample(const std::vector<float> &in, int fromRate, int toRate)
{
    if (fromRate == toRate || in.empty())
        return in;
    const double step = static_cast<double>(fromRate) / toRate;
    // Going down, a moving average as wide as the step keeps the tones above
    // the new Nyquist frequency from folding back into the voice.
    std::vector<float> source = in;
    if (step > 1.0) {
        const int width = static_cast<int>(std::ceil(step));
        double sum = 0;
        for (std::size_t i = 0; i < in.size(); ++i) {
            sum += in[i];
            if (i >= static_cast<std::size_t>(width))
                sum -= in[i - static_cast<std::size_t>(width)];
            const double count = std::min<double>(static_cast<double>(i + 1), width);
            source[i] = static_cast<float>(sum / count);
        }
    }
    const auto outCount = static_cast<std::size_t>(std::floor((in.size() - 1) / step)) + 1;
    std::vector<float> out(outCount);
    for (std::size_t i = 0; i < outCount; ++i) {
        const double position = static_cast<double>(i) * step;
        const auto left = static_cast<std::size_t>(position);
        const std::size_t right = std::min(left + 1, source.size() - 1);
        const double t = position - static_cast<double>(left);
        out[i] = static_cast<float>(source[left] * (1.0 - t) + source[right] * t);
    }
    return out;
}

} // namespace

ProcessedVoice processVoice(const std::vector<std::int16_t> &interleaved, int sampleRate, int channels,
                            const VoiceProcessingSettings &settings)
{
    ProcessedVoice result;
    if (channels < 1 || sampleRate < 1) {
        result.error = QStringLiteral("El formato de la grabación no es válido.");
        return result;
    }
    const std::vector<float> voice = resample(mixToMono(interleaved, channels), sampleRate, kVoiceSampleRate);

    float peak = 0;
    for (float s : voice)
        peak = std::max(peak, std::fabs(s));
    if (peak < settings.silenceFloor) {
        result.error = QStringLiteral("La grabación está en silencio: acérquese al micrófono y grabe de nuevo.");
        return result;
    }

    const double threshold = std::max(settings.silenceFloor, settings.silenceFraction * peak);
    const auto loud = [threshold](float s) { return std::fabs(s) >= threshold; };
    const auto first = static_cast<std::size_t>(std::find_if(voice.begin(), voice.end(), loud) - voice.begin());
    const auto last =
        voice.size() - 1 - static_cast<std::size_t>(std::find_if(voice.rbegin(), voice.rend(), loud) - voice.rbegin());
    const auto margin = static_cast<std::size_t>(std::lround(settings.marginSeconds * kVoiceSampleRate));
    const std::size_t begin = first > margin ? first - margin : 0;
    const std::size_t end = std::min(voice.size(), last + 1 + margin);

    const double gain = settings.peakTarget / peak;
    result.samples.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i) {
        const double value = std::clamp(std::lround(voice[i] * gain * 32767.0), -32768L, 32767L);
        result.samples.push_back(static_cast<std::int16_t>(value));
    }
    return result;
}

QString writeVoiceWav(const QString &path, const std::vector<std::int16_t> &samples)
{
    if (samples.empty())
        return QStringLiteral("No hay sonido que guardar.");
    const QFileInfo target(path);
    QTemporaryFile temporary(target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!temporary.open())
        return QStringLiteral("No se pudo guardar el sonido en %1: %2")
            .arg(target.absolutePath(), temporary.errorString());
    // The game and the other users of the computer read the words' sounds.
    temporary.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

    SF_INFO info{};
    info.samplerate = kVoiceSampleRate;
    info.channels = kVoiceChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open_fd(temporary.handle(), SFM_WRITE, &info, SF_FALSE);
    if (!file)
        return QStringLiteral("No se pudo escribir el sonido: %1").arg(QString::fromLocal8Bit(sf_strerror(nullptr)));
    const auto count = static_cast<sf_count_t>(samples.size());
    const sf_count_t written = sf_write_short(file, samples.data(), count);
    const QString writeError = QString::fromLocal8Bit(sf_strerror(file));
    if (sf_close(file) != 0 || written != count)
        return QStringLiteral("No se pudo escribir el sonido: %1").arg(writeError);
    if (::fsync(temporary.handle()) != 0)
        return QStringLiteral("No se pudo escribir el sonido: %1").arg(diskfiles::errorText(errno));
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return QStringLiteral("No se pudo guardar el sonido en %1: %2").arg(path, diskfiles::errorText(errno));
    temporary.setAutoRemove(false);
    diskfiles::syncPath(target.absolutePath(), true);
    return {};
}

} // namespace korivanta::recording
