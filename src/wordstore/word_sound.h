// A word's sound as the game will play it, made from the sound file a teacher
// brings (an import's row, a pack, the editor's chosen file or voice).
//
// Whatever libsndfile reads (WAV of any encoding, FLAC, OGG, AIFF, MP3, ...)
// becomes the game's format: a WAV of 16-bit PCM, mono, at the file's own
// rate when the game plays it (8,000 to 192,000 Hz), else resampled with
// libsoxr. A WAV the game already plays as it is (16-bit PCM, one or two
// channels, a rate it plays) is kept byte for byte.
//
// The file is read and written in blocks, so memory stays the same whatever
// its size, and a file longer than a word's sound is refused from its header
// before any of it is decoded. What comes out is checked with the game's own
// check (media_checks::wavProblem): a result the game would not play is
// refused, never stored.
//
// Every problem is a Spanish phrase that reads after «el sonido «X» »:
// "dura 2 horas; ...", "no es un archivo de sonido ...".
#pragma once

#include <QByteArray>
#include <QString>

namespace korivanta::wordsound {

// A spoken word lasts a few seconds; 30 leave room for a slow speaker and
// the silence around the word, and keep a stored sound under 12 MB even at
// the highest rate the game plays.
inline constexpr int kMaxSeconds = 30;
// Below this rate nothing of a voice is left to hear (a telephone uses 8,000).
inline constexpr int kLowestSourceRate = 4000;
// The rates a sound is resampled to when the game does not play its own:
// a lower one is raised to the rate of the game's words, a higher one
// brought down to a CD's.
inline constexpr int kRaisedRate = 22050;
inline constexpr int kLoweredRate = 44100;
// Frames decoded, converted and written at a time.
inline constexpr int kBlockFrames = 4096;

// Converts `source` into the game's WAV at `destination` (created, or
// emptied first). Returns the problem, or an empty string.
QString convertToFile(const QString &source, const QString &destination);

struct Converted {
    QString problem;   // empty: converted
    QByteArray wav;    // the game's WAV, when the bytes were asked for
    QByteArray digest; // SHA-256 of the game's WAV
};

// Converts `source` in a temporary folder of its own and gives the digest of
// the result, and its bytes when `keepBytes` (one word's sound: a few MB at
// most).
Converted convert(const QString &source, bool keepBytes);

// The SHA-256 of a regular file of at most a sound's size (the game's bound),
// read in blocks; empty when it cannot be read.
QByteArray fileDigest(const QString &file);

} // namespace korivanta::wordsound
