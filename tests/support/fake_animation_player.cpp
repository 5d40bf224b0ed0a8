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
    m_endOwed = true; // replaces an end still owed to an earlier setting
    calls.append(QStringLiteral("AnimationFile=") + path);
}

bool FakeAnimationPlayer::fireAnimationEnd()
{
    if (!m_endOwed)
        return false;
    m_endOwed = false;
    emit AnimationEnd(0);
    return true;
}

} // namespace korivanta
