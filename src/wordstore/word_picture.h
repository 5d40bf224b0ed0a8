// A word's picture as the game shows it: in the frame of the picture control
// Image4, which stretches whatever it is given to its own shape. A picture of
// another shape is therefore fitted inside a canvas of the frame's shape, its
// proportions kept and the rest a plain white background, so that the game's
// stretching no longer distorts it.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

namespace korivanta::wordpicture {

// The frame's size in pixels (Image4's rectangle at 15 twips per pixel).
QSize frameSize();

struct Fitted {
    QByteArray bytes; // what to store
    QString suffix;   // the stored file's ending: the source's, or "png" for a GIF that had to be redrawn
    QString error;    // why the picture cannot be used, in Spanish; empty when it can
    bool redrawn = false;
    // The copy for screens with twice the pixels: exactly twice the stored
    // picture's size, same format, drawn from the source. Empty when the source
    // is smaller than twice the frame each way (once in the frame's shape).
    QByteArray sharpBytes;
};

// The picture of `file` ready to be stored: its own bytes when it already has
// the frame's shape, else redrawn in the frame's shape (at most four times the
// frame's size), in a format the game loads; with its copy at twice the size
// when the source has the pixels for it.
Fitted fit(const QString &file);

} // namespace korivanta::wordpicture
