// The end of the hand animation checks the word; pointer movements take away
// the short-lived feedback (signs, completion panel, instructions).
#include "game/con_obj.h"
#include "game/image_control.h"
#include "media/animation_player.h"
#include "media/media_files.h"
#include "media/sound_player.h"

#include <QLineEdit>

namespace korivanta {

void ConObj::Marchoso1_AnimationEnd(int)
{
    m_marchoso1->setVisible(false);
    const QString shown = m_text5->text();
    if (m_palabra.toString() == shown) {
        m_picture1->show();
        m_sndDevil1.PlaySoundFile(QString::fromUtf16(kPraiseSound));
        m_image6->show();
    }
}

void ConObj::Command1_Click()
{
    m_picture1->hide();
}

void ConObj::Image1_MouseMove()
{
    m_picture1->hide();
}

void ConObj::Image10_MouseMove(int)
{
    m_image73->hide();
    m_image74->hide();
}

void ConObj::Form_MouseMove(float x, float y)
{
    if (x > 800.0f && x < 7900.0f && y > 2640.0f && y < 8000.0f)
        m_marchoso2->setVisible(false);
}

} // namespace korivanta
