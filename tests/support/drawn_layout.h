// The windows as they were drawn, for tests that check the program against
// them: twips to pixels at 15 twips a pixel (to the nearest), written out
// here on their own rather than taken from the program, and what a widget
// shows at a point.
#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

namespace korivanta {

inline int px(int twips)
{
    return (twips + 7) / 15;
}

inline QRect pxRect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

inline QPoint pxPoint(int x, int y)
{
    return {px(x), px(y)};
}

inline QColor pixelOf(QWidget *w, QPoint p)
{
    return QColor(w->grab().toImage().pixel(p));
}

} // namespace korivanta
