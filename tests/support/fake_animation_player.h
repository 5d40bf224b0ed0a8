// An animation player that records the calls made on it, in order, and whose
// pass a test ends by hand. It keeps the real player's rule: each
// AnimationFile setting owes one AnimationEnd, and a newer setting replaces
// one whose pass has not ended yet, so that only the newest setting ends.
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

    // The pass now playing has been seen to its end: raises the AnimationEnd
    // that the latest setting still owes, and nothing when it owes none (no
    // setting yet, or its end already raised). Returns whether it raised one.
    bool fireAnimationEnd();

    QStringList calls; // "Visible=true", "Visible=false", "AnimationFile=<path>"
    QColor backColor;

private:
    QString m_file;
    bool m_endOwed = false;
};

} // namespace korivanta
