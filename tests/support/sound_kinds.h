// Sound files of the kinds a teacher may bring, made by the tests themselves:
// written with libsndfile in any of its encodings, cut short, with a header
// that claims hours, or no sound at all. Header only: the tests that include
// it link libsndfile.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <vector>

namespace korivanta {

// The ways a test file is made.
enum class SoundMaking {
    Tone,        // a 440 Hz tone written by libsndfile in `format`
    CutTone,     // the same, then its last 3,000 bytes cut off
    SparseHours, // a 16-bit WAV header for two hours, the file sparse to that size
    ShortHours,  // a 16-bit WAV header for two hours, with 0.1 s of sound after it
    EmptyWav,    // a 16-bit WAV with no sound in its data
    Text,        // not a sound at all
};

struct SoundKind {
    SoundMaking making = SoundMaking::Tone;
    int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    int rate = 22050;
    int channels = 1;
    double seconds = 0.5;
};

// A little-endian WAV header of 16-bit PCM announcing `dataBytes` of sound.
inline QByteArray wavHeader16(int rate, int channels, quint32 dataBytes)
{
    QByteArray h(44, '\0');
    char *b = h.data();
    std::memcpy(b, "RIFF", 4);
    qToLittleEndian<quint32>(36 + dataBytes, b + 4);
    std::memcpy(b + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, b + 16);
    qToLittleEndian<quint16>(1, b + 20);
    qToLittleEndian<quint16>(quint16(channels), b + 22);
    qToLittleEndian<quint32>(quint32(rate), b + 24);
    qToLittleEndian<quint32>(quint32(rate * channels * 2), b + 28);
    qToLittleEndian<quint16>(quint16(channels * 2), b + 32);
    qToLittleEndian<quint16>(16, b + 34);
    std::memcpy(b + 36, "data", 4);
    qToLittleEndian<quint32>(dataBytes, b + 40);
    return h;
}

// Writes a tone at half of full scale on every channel; false when libsndfile
// cannot write that format.
inline bool writeTone(const QString &path, const SoundKind &kind)
{
    SF_INFO info{};
    info.samplerate = kind.rate;
    info.channels = kind.channels;
    info.format = kind.format;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto frames = std::size_t(std::lround(kind.seconds * kind.rate));
    // Below the Nyquist frequency of the lowest rate written.
    const double frequency = std::min(440.0, kind.rate / 4.0);
    // Written in blocks: a long file needs no more memory than a short one.
    constexpr std::size_t block = 4096;
    std::vector<float> samples(block * std::size_t(kind.channels));
    bool ok = true;
    for (std::size_t at = 0; at < frames && ok; at += block) {
        const std::size_t n = std::min(block, frames - at);
        for (std::size_t f = 0; f < n; ++f)
            for (int c = 0; c < kind.channels; ++c)
                samples[f * std::size_t(kind.channels) + std::size_t(c)] =
                    float(0.5 * std::sin(2 * std::numbers::pi * frequency * double(at + f) / kind.rate));
        ok = sf_writef_float(file, samples.data(), sf_count_t(n)) == sf_count_t(n);
    }
    return sf_close(file) == 0 && ok;
}

// Makes the file of `kind` at `path`; false when it could not be made.
inline bool makeSound(const QString &path, const SoundKind &kind)
{
    QFile file(path);
    switch (kind.making) {
    case SoundMaking::Tone: return writeTone(path, kind);
    case SoundMaking::CutTone: return writeTone(path, kind) && file.resize(file.size() - 3000);
    case SoundMaking::SparseHours: {
        const quint32 data = quint32(kind.rate) * 2 * 7200;
        return file.open(QIODevice::WriteOnly) && file.write(wavHeader16(kind.rate, 1, data)) == 44 &&
               file.resize(44 + qint64(data));
    }
    case SoundMaking::ShortHours: {
        const QByteArray head = wavHeader16(kind.rate, 1, quint32(kind.rate) * 2 * 7200);
        return file.open(QIODevice::WriteOnly) && file.write(head + QByteArray(kind.rate / 10 * 2, '\x10')) > 0;
    }
    case SoundMaking::EmptyWav:
        return file.open(QIODevice::WriteOnly) && file.write(wavHeader16(kind.rate, 1, 0)) == 44;
    case SoundMaking::Text: return file.open(QIODevice::WriteOnly) && file.write("esto no es un sonido\n") > 0;
    }
    return false;
}

// What a stored sound holds, read back through libsndfile.
struct SoundReading {
    int format = 0, rate = 0, channels = 0;
    double seconds = 0;
    double peak = 0; // of every sample, 1.0 = full scale
};

inline std::optional<SoundReading> readSound(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return std::nullopt;
    SoundReading r{info.format, info.samplerate, info.channels, double(info.frames) / info.samplerate, 0};
    std::vector<float> block(4096 * std::size_t(info.channels));
    sf_count_t n = 0;
    while ((n = sf_readf_float(file, block.data(), 4096)) > 0)
        for (sf_count_t i = 0; i < n * info.channels; ++i)
            r.peak = std::max(r.peak, double(std::fabs(block[std::size_t(i)])));
    sf_close(file);
    return r;
}

} // namespace korivanta
