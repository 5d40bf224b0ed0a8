// The hotspots that move through the game: Sonido, Siguiente, Respuesta, Volver.
#include "app/modulo1.h"
#include "app/screen_flow.h"
#include "game/con_obj.h"
#include "game/data_control.h"
#include "game/image_control.h"
#include "media/sound_player.h"

#include <QLineEdit>

namespace korivanta {

void ConObj::Image2_Click()
{
    m_sndDevil1.PlaySoundFile(Modulo1::sonidoPalabra.toString());
}

void ConObj::Image6_Click()
{
    Recordset &words = m_data1->recordset();
    if (words.eof())
        m_image6->setEnabled(false);
    else
        words.MoveNext();
    m_image6->setVisible(false);
    m_image7->setVisible(false);
}

void ConObj::Image7_Click()
{
    setMaskBox(m_text2->text());
    // A word whose tries ran out can never be completed: the learner goes on
    // from its answer to the next word.
    m_image6->show();
}

void ConObj::Image40_Click()
{
    m_data1->Refresh();
    m_text3->setText(QStringLiteral("0"));
    Modulo1::puntaje = std::int16_t(0);
    hide();
    m_flow.showForm1();
}

} // namespace korivanta
