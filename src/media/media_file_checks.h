// Checks every media file passes before Qt decodes it, shared by the sound
// player, the animation player and the picture loader. A file that fails a
// check is treated as a missing one: the caller warns once, with the reason
// given here (a Spanish phrase), and plays or shows nothing.
//
// - Only a regular file is opened, and opening never waits: a named pipe, a
//   device (also through a symbolic link) or a folder is refused without a
//   single byte read.
// - A file is never read whole beyond a size bound.
// - WAV: PCM (integer 8, 16 or 32 bits, or 32-bit float), 8,000 to 192,000
//   samples per second, one or two channels, and a data chunk that the file
//   really holds. Qt's decoder divides by numbers taken from the header and
//   waits for data a header promises, so a header outside these bounds must
//   never reach it.
// - GIF and pictures: canvas and frame count within bounds that fit the game's
//   frames with a wide margin, and every decoding under Qt's allocation limit.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class QFile;

namespace korivanta::media_checks {

// WAV files.
inline constexpr qint64 kMaxSoundBytes = 64 * 1024 * 1024;
inline constexpr quint32 kMinSampleRate = 8000;
inline constexpr quint32 kMaxSampleRate = 192000;
inline constexpr int kMaxChannels = 2;

// Animated GIFs. The players are at most 225 x 168 pixels; every frame is kept
// decoded (4 bytes a pixel), so the whole animation is bounded as well.
inline constexpr qint64 kMaxAnimationBytes = 16 * 1024 * 1024;
inline constexpr int kMaxAnimationSide = 1024;
inline constexpr int kMaxAnimationFrames = 1000;
inline constexpr qint64 kMaxAnimationPixels = 32 * 1024 * 1024; // canvas x frames

// Pictures (shown stretched in a 169 x 129 frame).
inline constexpr qint64 kMaxPictureBytes = 64 * 1024 * 1024;
inline constexpr int kMaxPictureSide = 4096;

// Qt's limit for one decoded image, in megabytes: a 4096 x 4096 picture.
inline constexpr int kImageAllocationLimitMb = 64;

// Opens a local file for reading if it is a regular file of at most maxBytes,
// without ever waiting (named pipes and devices are refused before a read).
// Returns the problem, or an empty string with `file` open.
QString openRegularFile(QFile &file, const QString &localFile, qint64 maxBytes);

// Reads a regular file of at most maxBytes whole. Returns the problem, or an
// empty string with the bytes in `bytes`.
QString readRegularFile(const QString &localFile, qint64 maxBytes, QByteArray &bytes);

// What keeps a WAV file from being played safely, or an empty string. For a
// playable file, `lengthMs` (when given) receives how long its sound lasts,
// rounded up to a whole millisecond.
QString wavProblem(const QString &localFile, qint64 *lengthMs = nullptr);

// What keeps a GIF (its bytes) from being shown safely: not a GIF, cut short
// before its trailer, without any image, or beyond the bounds above.
QString gifProblem(const QByteArray &gif);

// What keeps a picture of this size (as its header gives it) from being shown:
// a side beyond the bound.
QString pictureSizeProblem(QSize size);

// Sets Qt's allocation limit for every image decoded from now on (QMovie's
// frames included). Called by each player before it decodes.
void limitImageAllocation();

} // namespace korivanta::media_checks
