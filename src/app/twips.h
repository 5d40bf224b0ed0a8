// The windows are laid out in twips, drawn at 15 twips per pixel. Every
// conversion to Qt's device-independent pixels goes through here, so a
// different scale is one factor; Qt's own high-DPI scaling maps these pixels
// to the screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace korivanta {

inline constexpr int kTwipsPerPixel = 15;

constexpr int pixels(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect fromTwips(int left, int top, int width, int height)
{
    return {pixels(left), pixels(top), pixels(width), pixels(height)};
}

inline QSize sizeFromTwips(int width, int height)
{
    return {pixels(width), pixels(height)};
}

// Pointer positions are reported back in twips, as single-precision numbers.
inline float toTwips(double pixelsValue)
{
    return float(pixelsValue * kTwipsPerPixel);
}

} // namespace korivanta
