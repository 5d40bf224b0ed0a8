// The grapheme panel: the chart of all graphemes, each area playing its sound.
#include "game/con_obj.h"
#include "graphemes/chart_table.h"
#include "media/sound_player.h"

#include <QFrame>

namespace korivanta {

void ConObj::Image5_Click()
{
    m_frame2->setVisible(true);
}

void ConObj::Command38_Click()
{
    m_frame2->setVisible(false);
}

void ConObj::Image75_Click(int index)
{
    if (index < 0 || index >= int(kChart.size()))
        return;
    m_sndDevil1.PlaySoundFile(QString::fromUtf16(kChart[index].soundPath));
}

} // namespace korivanta
