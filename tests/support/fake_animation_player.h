// An animation player that records the calls made on it, in order, and whose
// AnimationEnd a test fires by hand.
#pragma once

#include "media/animation_player.h"

#include <QStringList>

namespace korivanta {

class FakeAnimationPlayer : public AnimationPlayer {
    Q_OBJECT
public:
    explicit FakeAnimationPlayer(QWidget *parent = nullptr) : AnimationPlayer(parent) {}

    void setVisible(bool visible) override;
    void setAnimationFile(const QString &path) override;
    QString animationFile() const override { return m_file; }
    void setBackColor(const QColor &color) override { backColor = color; }

    void fireAnimationEnd() { emit AnimationEnd(0); }

    QStringList calls; // "Visible=true", "Visible=false", "AnimationFile=<path>"
    QColor backColor;

private:
    QString m_file;
};

} // namespace korivanta
