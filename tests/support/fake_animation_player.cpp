#include "support/fake_animation_player.h"

namespace korivanta {

void FakeAnimationPlayer::setVisible(bool visible)
{
    calls.append(QStringLiteral("Visible=%1").arg(visible ? "true" : "false"));
    AnimationPlayer::setVisible(visible);
}

void FakeAnimationPlayer::setAnimationFile(const QString &path)
{
    m_file = path;
    calls.append(QStringLiteral("AnimationFile=") + path);
}

} // namespace korivanta
