#include "game/image_control.h"

#include "app/twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace korivanta {

ImageControl::ImageControl(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void ImageControl::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void ImageControl::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull() && !m_border)
        return;
    QPainter p(this);
    // Drawn 1:1 at scale 1 and 2; only a fractional scale factor resamples.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_picture.isNull()) {
        if (m_stretch) {
            p.drawPixmap(rect(), m_picture);
        } else {
            p.drawPixmap(0, 0, m_picture);
        }
    }
    if (m_border) {
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// A click is a press and a release of the left button over the control.
void ImageControl::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ImageControl::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

// The second press of a double-click arrives as a double-click, not as a
// press: the double-click was one click (its first press and release), and
// the release that follows makes no second one. No control has a handler for
// the double-click itself.
void ImageControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_pressed = false;
    event->accept();
}

void ImageControl::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    emit mouseMoved(toTwips(event->position().x()), toTwips(event->position().y()));
}

} // namespace korivanta
