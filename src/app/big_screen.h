// The big-screen start ("korivanta --pantalla-grande", the desktop entry's
// "Pantalla grande" action) for classroom projectors and low-vision learners:
// the whole program scaled by Qt's scale factor, as large as the screen holds
// the game window, each window in the middle of the screen. It is the
// program's only command-line option.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

class QWidget;

namespace korivanta {

inline constexpr char kBigScreenOption[] = "--pantalla-grande";

// The scale factor that fits the game window, whose client area of `window`
// logical pixels lies `offset` pixels from the screen's corner, with room for
// its title bar, into the `available` logical pixels of the screen: a
// multiple of 0.25, at least 1.
double bigScreenFactor(QSize available, QSize window, QSize offset);

// The program's own arguments without the option; `found` tells whether it was there.
QStringList withoutBigScreenOption(const QStringList &arguments, bool *found);

// When the arguments hold the option (and QT_SCALE_FACTOR is not set already),
// starts the program again in place of this process with the factor for the
// primary screen in QT_SCALE_FACTOR and without the option. The application
// object must exist; returns only when there is nothing to do or exec fails.
void restartScaledForBigScreen();

// Whether this run is the big-screen start (after its restart).
bool isBigScreenRun();

// Where the client area of a window of `client` logical pixels goes so that
// the window, its frame included, sits in the middle of the `available` area
// of its screen (never above or left of it).
QPoint centredPlace(QRect available, QSize client);

// In the big-screen start, moves a top-level window to the middle of its
// screen (a projector shows the game in the middle of the wall, not in a
// corner); otherwise leaves it where it is.
void centreForBigScreen(QWidget &window);

} // namespace korivanta
