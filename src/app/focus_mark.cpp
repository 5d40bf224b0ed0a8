#include "app/focus_mark.h"

#include <QPainter>

namespace korivanta {

namespace {

// A frame `width` pixels wide just inside r.
void fillFrame(QPainter &p, const QRect &r, int width, const QColor &colour)
{
    p.fillRect(QRect(r.left(), r.top(), r.width(), width), colour);
    p.fillRect(QRect(r.left(), r.bottom() - width + 1, r.width(), width), colour);
    p.fillRect(QRect(r.left(), r.top() + width, width, r.height() - 2 * width), colour);
    p.fillRect(QRect(r.right() - width + 1, r.top() + width, width, r.height() - 2 * width), colour);
}

} // namespace

FocusMark::FocusMark(QWidget *parent, QColor colour) : QWidget(parent), m_colour(colour)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setObjectName(QStringLiteral("qt_focus_ring"));
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void FocusMark::surround(QWidget *target)
{
    if (!target) {
        hide();
        return;
    }
    const QRect r(target->mapTo(parentWidget(), QPoint(0, 0)), target->size());
    setGeometry(r.adjusted(-kWidth, -kWidth, kWidth, kWidth));
    raise();
    show();
    update();
}

void FocusMark::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    fillFrame(p, rect(), kOuterLine, Qt::black);
    fillFrame(p, rect().adjusted(kOuterLine, kOuterLine, -kOuterLine, -kOuterLine), kColourBand, m_colour);
    const int in = kOuterLine + kColourBand;
    fillFrame(p, rect().adjusted(in, in, -in, -in), kInnerBand, Qt::black);
}

} // namespace korivanta
