// An image control: an optional picture (natural size or stretched, with an
// optional thin border), a tooltip and a mouse pointer; it reports clicks and
// pointer movements, also without a picture (a hotspot draws nothing at all).
#pragma once

#include <QPixmap>
#include <QWidget>

namespace korivanta {

class ImageControl : public QWidget {
    Q_OBJECT
public:
    explicit ImageControl(QWidget *parent = nullptr);

    void setPicture(const QPixmap &picture);
    const QPixmap &picture() const { return m_picture; }
    void setStretch(bool stretch) { m_stretch = stretch; }
    void setBorder(bool border) { m_border = border; }

signals:
    void clicked();
    void mouseMoved(float xTwips, float yTwips);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPixmap m_picture;
    bool m_stretch = false;
    bool m_border = false;
    bool m_pressed = false;
};

} // namespace korivanta
