// A word's voice as it was stored, read back through libsndfile: its format
// and all its samples, for the recording tests to check.
#pragma once

#include <QFile>
#include <QString>

#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace korivanta {

struct StoredVoice {
    int sampleRate = 0;
    int channels = 0;
    int format = 0; // libsndfile's SF_FORMAT_* bits
    std::vector<std::int16_t> samples;

    // 16-bit PCM WAV, mono, 22050 Hz: the game's words.
    bool inGameFormat() const
    {
        return sampleRate == 22050 && channels == 1 && format == (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    }
    QString formatText() const
    {
        return QStringLiteral("%1 Hz, %2 canal(es), formato 0x%3").arg(sampleRate).arg(channels).arg(format, 0, 16);
    }
    double seconds() const { return sampleRate && channels ? double(samples.size()) / channels / sampleRate : 0.0; }
};

// The file's format and every sample; nothing when libsndfile cannot open it
// or reads fewer samples than the file says it holds.
inline std::optional<StoredVoice> readStoredVoice(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return std::nullopt;
    StoredVoice voice{info.samplerate, info.channels, info.format,
                      std::vector<std::int16_t>(static_cast<std::size_t>(info.frames * info.channels))};
    const sf_count_t read = sf_read_short(file, voice.samples.data(), static_cast<sf_count_t>(voice.samples.size()));
    sf_close(file);
    if (read != static_cast<sf_count_t>(voice.samples.size()))
        return std::nullopt;
    return voice;
}

} // namespace korivanta
