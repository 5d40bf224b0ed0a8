// The mark drawn around the control the keyboard is on: bands of two
// contrasting colours, so that it shows on any background (a yellow button,
// the dark window, a white panel): from the outside in, a black line, a band
// of the mark's colour and a black band next to the control. It lies around
// the control, never over it, takes no pointer input and is not part of what
// assistive technology sees.
#pragma once

#include <QColor>
#include <QWidget>

namespace korivanta {

class FocusMark : public QWidget {
public:
    static constexpr int kOuterLine = 1; // black
    static constexpr int kColourBand = 2;
    static constexpr int kInnerBand = 2; // black, next to the control
    static constexpr int kWidth = kOuterLine + kColourBand + kInnerBand;

    FocusMark(QWidget *parent, QColor colour);

    // Around `target` (any widget inside the parent's window), raised above
    // the parent's other children; hidden for nullptr.
    void surround(QWidget *target);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_colour;
};

} // namespace korivanta
