// A press on a key of the grapheme keyboard: the key is greyed, its grapheme
// spoken and looked up in the word; a hit reveals every occurrence and scores,
// a miss costs a try, and with no try left the keyboard locks.
#include "app/modulo1.h"
#include "game/con_obj.h"
#include "game/grapheme_search.h"
#include "game/image_control.h"
#include "game/keyboard_table.h"
#include "media/animation_player.h"
#include "media/media_files.h"
#include "media/sound_player.h"

#include <QLineEdit>

namespace korivanta {

void ConObj::Image10_Click(int index)
{
    if (index < 0 || index >= int(kKeyboard.size()))
        return;
    const KeyRow &key = kKeyboard[index];
    const QString g = QString::fromUtf16(key.grapheme);
    const std::int16_t hitBonus = 50;

    m_image41[key.overlay]->show();
    m_sndDevil1.PlaySoundFile(QString::fromUtf16(kKeyboardSoundFolder) + g + QStringLiteral(".wav"));

    const QList<qsizetype> found = graphemeOccurrences(m_palabra.toString(), g);
    if (!found.isEmpty()) {
        m_image73->show();
        Modulo1::puntaje = Modulo1::puntaje + Variant(hitBonus);
        m_marchoso1->setVisible(true);
        m_marchoso1->setAnimationFile(QString::fromUtf16(kHandAnimation));
        m_text3->setText(Modulo1::puntaje.toString());
        for (qsizetype pos : found) {
            Modulo1::puntaje = Modulo1::puntaje + Variant(double(hitBonus) / 2);
            m_text3->setText(Modulo1::puntaje.toString());
            m_mascara.replace(pos, g.size(), g);
        }
    } else {
        // Tries never go below 0: at the end of a record set the last word's
        // tries are kept, and a miss there must still lock the keyboard.
        if (Modulo1::vidas.toDouble() > 0)
            Modulo1::vidas = Modulo1::vidas - Variant(std::int16_t(1));
        m_text4->setText(Modulo1::vidas.toString());
        m_image74->show();
        if (Modulo1::vidas.toDouble() <= 0) {
            m_image7->show();
            for (ImageControl *cover : m_image41)
                cover->show();
        }
    }

    QPalette p = m_text5->palette();
    p.setColor(QPalette::Base, QColor(192, 255, 192));
    m_text5->setPalette(p);
    setMaskBox(m_mascara);
}

} // namespace korivanta
