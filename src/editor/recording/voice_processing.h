// Turning what the microphone gave into the voice of a word, as the game plays
// it: 16-bit PCM, mono, 22050 Hz, without the silence before and after the
// word, at one loudness for every word.
//
// Pure functions: samples in, samples out (or a WAV file out), no audio device.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace korivanta::recording {

// The format of the game's words.
inline constexpr int kVoiceSampleRate = 22050;
inline constexpr int kVoiceChannels = 1;

struct VoiceProcessingSettings {
    // A sample counts as sound when its magnitude reaches this fraction of the
    // recording's peak (0.1 = -20 dB below the peak)...
    double silenceFraction = 0.1;
    // ...and at least this absolute level (about -46 dBFS), so that the hiss
    // of a quiet room is never taken for a word.
    double silenceFloor = 0.005;
    // Silence kept before the first and after the last sound, in seconds, so
    // the word's soft start and end are not cut.
    double marginSeconds = 0.1;
    // Loudness: the peak is brought to this level (-1 dBFS), quiet or loud.
    // The peak, not an average, because a word is short and must never clip.
    double peakTarget = 0.891250938; // 10^(-1/20)
};

struct ProcessedVoice {
    std::vector<std::int16_t> samples; // mono, kVoiceSampleRate
    QString error;                     // Spanish; empty when samples hold the word
    bool ok() const { return error.isEmpty(); }
};

// Processes interleaved 16-bit samples of `channels` channels at `sampleRate`:
// mixes them to mono, resamples to 22050 Hz (linear interpolation after an
// averaging low-pass when going down), trims the leading and trailing silence
// keeping the margin, and normalises the peak. A recording with nothing above
// the floor (silence, or no samples) gives an error and no samples.
ProcessedVoice processVoice(const std::vector<std::int16_t> &interleaved, int sampleRate, int channels,
                            const VoiceProcessingSettings &settings = {});

// Writes mono 22050 Hz samples as a 16-bit PCM WAV file at `path`, through a
// temporary file in the same folder renamed over `path` once complete and
// synced, so `path` holds either its old content or the whole new file.
// Returns why it failed (Spanish), or empty.
QString writeVoiceWav(const QString &path, const std::vector<std::int16_t> &samples);

} // namespace korivanta::recording
