// Playing the game window from the keyboard. Typed letters press the keys of
// their graphemes (TypedGraphemes); Tab goes from the keyboard to the round
// buttons shown and then cycles among them (Escape goes back to the keys);
// the arrows move between the keys by where they lie; Enter and Space press;
// Page Down, and Enter or Space on the completion panel, go on to the next
// word (Siguiente, or Respuesta for a word lost); Escape closes the chart or
// the completion panel. A
// press ends in the handler a click runs, and only where a click at the
// control's centre would reach it. A focus ring is drawn only while the
// keyboard is in use: a mouse player sees the window as before.
#pragma once

#include "game/typed_graphemes.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <span>

class QWidget;

namespace korivanta {

class ConObj;
class FocusMark;

enum class Direction { Left, Right, Up, Down };

// Where the candidates of an arrow may lie: within 45 degrees of its
// direction (the keyboard's rows), or anywhere ahead of the start (the chart,
// whose letters stand in scattered groups).
enum class Sector { Quarter, Half };

// The rectangle, among `rects`, that the arrow `d` moves to from rects[from]:
// the nearest by centre among those in the sector ahead, the distance across
// the direction counting twice. `from` itself when none.
int neighbourInDirection(std::span<const QRect> rects, int from, Direction d, Sector sector = Sector::Quarter);

// The keys' and the chart areas' rectangles, in twips, in table order.
std::span<const QRect> keyRects();
std::span<const QRect> chartRects();

class KeyFocus : public QObject {
    Q_OBJECT
public:
    explicit KeyFocus(ConObj &game);
    ~KeyFocus() override;

    // What a click at the centre of w would do, if it would reach w: the
    // handler of the control runs. Returns whether it did.
    bool press(QWidget *w);

    // The control the keyboard is on (a key, a chart area or a button).
    QWidget *current() const;
    bool keyboardInUse() const { return m_keyboardInUse; }
    TypedGraphemes &typing() { return m_typing; }

    // A key pressed on the keyboard; returns whether it was used.
    bool handleKey(int key, const QString &text);

    // "Next" (Page Down): Siguiente when a click could reach it, else
    // Respuesta, else nothing. Returns whether a button was pressed.
    bool goOn();

signals:
    void currentChanged(QWidget *w);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QWidget *> stops() const;
    void moveStop(int step);
    bool onKeys() const;
    void goBackToKeys();
    void moveArrow(Direction d);
    void setCurrent(QWidget *w);
    void pressTyped(int key);
    void typingChanged();
    void startUsingKeyboard();
    void updateRings();
    bool chartShown() const;
    bool reaches(QWidget *w) const;
    void reset();

    ConObj &m_game;
    TypedGraphemes m_typing;
    QElapsedTimer m_clock;
    QTimer m_pause;
    int m_key = 1;   // the key the keyboard is on (Image10 index)
    int m_area = 26; // the chart area it is on (Image75 index)
    QPointer<QWidget> m_current;
    bool m_keyboardInUse = false;
    FocusMark *m_ring;
    FocusMark *m_pendingRing;
};

} // namespace korivanta
