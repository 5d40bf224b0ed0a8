// The animated-picture player of the game window (Marchoso1, Marchoso2): a
// widget with Visible (QWidget's own), AnimationFile and a back colour, that
// raises AnimationEnd once after each AnimationFile setting, when one pass of
// the frames has played. A setting made while the previous one's pass is still
// playing replaces it: the interrupted setting raises no AnimationEnd, the new
// one raises exactly one after its own pass.
#pragma once

#include <QColor>
#include <QWidget>

namespace korivanta {

class AnimationPlayer : public QWidget {
    Q_OBJECT
public:
    explicit AnimationPlayer(QWidget *parent = nullptr) : QWidget(parent) {}

    // Shows that GIF and plays it from its first frame, also when it is the
    // same file as before. AnimationEnd follows later, from the event loop,
    // unless a newer setting comes before this one's pass has ended.
    virtual void setAnimationFile(const QString &path) = 0;
    virtual QString animationFile() const = 0;

    virtual void setBackColor(const QColor &color) = 0;

signals:
    // The argument carries nothing the game needs.
    void AnimationEnd(int reserved);
};

} // namespace korivanta
