// Small media files made by tests and benchmarks: a sine-tone WAV and animated
// GIFs of solid-colour frames, written byte by byte (Qt reads GIF but cannot
// write it).
#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

#include <optional>

namespace korivanta {

// 16-bit mono PCM at 22050 Hz.
QByteArray wavBytes(int milliseconds, double frequency = 440.0);

struct GifFrame {
    QColor color; // the whole frame is this colour
    int delayMs;  // stored in hundredths of a second
};

// Every frame is width x height. loopCount: nothing writes no loop extension
// (the GIF plays once); 0 loops forever; N asks for N repetitions.
QByteArray gifBytes(int width, int height, const QList<GifFrame> &frames, std::optional<int> loopCount);

// A tiny GIF whose canvas is width x height but whose `frames` frames are one
// pixel each: about 20 bytes a frame, however large the canvas.
QByteArray bigCanvasGifBytes(int width, int height, int frames);

// Writes the bytes, making the folders on the way; aborts the test program
// when the file cannot be written.
void writeFile(const QString &path, const QByteArray &bytes);

} // namespace korivanta
