// Setting up a word: the window's load, each activation, and every change of
// the data source's position.
#include "app/modulo1.h"
#include "game/category_queries.h"
#include "game/con_obj.h"
#include "game/data_control.h"
#include "game/image_control.h"
#include "media/animation_player.h"
#include "media/media_files.h"
#include "media/picture_loader.h"
#include "media/sound_player.h"

#include <QLabel>
#include <QLineEdit>

#include <cstdio>

namespace korivanta {

namespace {

QString repeated(QChar c, qsizetype n)
{
    return QString(n, c);
}

} // namespace

void ConObj::Data1_Reposition()
{
    m_palabra = m_text2->text();
    m_label11->setText(m_text1->text());
    m_label12->setText(m_palabra.toString());
    m_mascara = repeated(QLatin1Char('.'), m_palabra.toString().size());
    setMaskBox(m_mascara);
    Modulo1::sonidoPalabra = QString();

    Recordset &words = m_data1->recordset();
    if (words.eof()) {
        m_image6->setEnabled(false);
    } else {
        const QString dibujo = words.fieldValue(QStringLiteral("dibujo")).toString();
        if (!dibujo.isEmpty()) {
            // A word whose picture cannot be read still plays; an old picture
            // would show the wrong thing, so the frame is left empty.
            if (const auto picture = m_media.pictures->load(dibujo)) {
                m_image4->setPicture(*picture);
            } else {
                std::fprintf(stderr, "korivanta: aviso: no se puede cargar el dibujo «%s»\n", qUtf8Printable(dibujo));
                m_image4->setPicture(QPixmap());
            }
        }
        const QString sonido = words.fieldValue(QStringLiteral("sonido")).toString();
        if (!sonido.isEmpty())
            Modulo1::sonidoPalabra = sonido;
        Modulo1::vidas = std::int32_t(m_palabra.toString().size());
        m_text4->setText(Modulo1::vidas.toString());
        // A new category after one that ran out makes "Siguiente" usable again.
        m_image6->setEnabled(true);
    }

    for (ImageControl *cover : m_image41)
        cover->hide();
    m_image6->hide();
}

void ConObj::Form_Load()
{
    m_data1->Refresh();
    m_marchoso2->setVisible(true);
    m_marchoso2->setAnimationFile(QString::fromUtf16(kInstructionAnimation));
    m_sndDevil1.PlaySoundFile(QString::fromUtf16(kInstructionSound));
    runCategoryQuery(false);
    m_text4->setText(Modulo1::vidas.toString());
    Modulo1::puntaje = std::int16_t(0);
    m_text3->setText(Modulo1::puntaje.toString());
    m_palabra = m_text2->text();
    m_mascara = repeated(QLatin1Char('_'), m_palabra.toString().size());
    setMaskBox(m_mascara);
    m_text1->setText(QString());
    m_text2->setText(QString());
    m_text3->setText(QStringLiteral("0"));
    m_text4->setText(QString());
    m_image6->hide();
}

void ConObj::Form_Activate()
{
    m_label11->setText(m_text1->text());
    m_label12->setText(m_text2->text());
    m_frame2->hide();
    runCategoryQuery(true);
}

void ConObj::runCategoryQuery(bool setBoardTitle)
{
    const auto category = categoryQueryFor(Modulo1::categoriaActual);
    if (!category)
        return;
    m_data1->setRecordset(m_data1->database().OpenRecordset(QString::fromUtf16(category->query)));
    if (setBoardTitle && category->boardTitle)
        m_label3->setText(QString::fromUtf16(category->boardTitle));
}

} // namespace korivanta
