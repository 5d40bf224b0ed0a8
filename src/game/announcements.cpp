#include "game/announcements.h"

#include "app/modulo1.h"
#include "game/accessibility.h"
#include "game/con_obj.h"
#include "game/grapheme_search.h"
#include "game/image_control.h"
#include "game/keyboard_table.h"
#include "game/spoken_spelling.h"
#include "graphemes/chart_table.h"
#include "media/animation_player.h"

#include <QAccessible>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace korivanta {

namespace {

// How long a sentence's object outlives its showing.
constexpr int kKeepHiddenMs = 60000;

} // namespace

// The sentence is the object's name before it joins the window: a screen
// reader that looks at the object as soon as it appears never finds it
// nameless (and would say an empty "notification").
Announcer::Announcer(QWidget *parent, const QString &sentence)
{
    setObjectName(QStringLiteral("Anuncios"));
    setAccessibleName(sentence);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
    setParent(parent);
    hide();
}

void Announcer::say()
{
    show();
}

Announcements::Announcements(ConObj &game) : QObject(&game), m_game(game)
{
    setObjectName(QStringLiteral("announcements"));
    // Connected after the window's own handlers, so each sentence tells what
    // the handler did.
    for (int i = 0; i < int(kKeyboard.size()); ++i)
        if (auto *key = game.findChild<ImageControl *>(QStringLiteral("Image10_%1").arg(i)))
            connect(key, &ImageControl::clicked, this, [this, i] { keyPressed(i); });
    if (auto *answer = game.findChild<ImageControl *>(QStringLiteral("Image7")))
        connect(answer, &ImageControl::clicked, this,
                [this] { say(QStringLiteral("Respuesta: %1.").arg(spelledByKeys(shownText("Text5")))); });
    if (auto *chart = game.findChild<ImageControl *>(QStringLiteral("Image5")))
        connect(chart, &ImageControl::clicked, this, [this] {
            if (shown("Frame2"))
                say(QString::fromUtf16(kChartExplanation));
        });
    if (auto *next = game.findChild<ImageControl *>(QStringLiteral("Image6")))
        connect(next, &ImageControl::clicked, this, &Announcements::newWordOrEnd);
    if (auto *hand = game.findChild<AnimationPlayer *>(QStringLiteral("Marchoso1")))
        connect(hand, &AnimationPlayer::AnimationEnd, this, &Announcements::animationEnded);
    game.installEventFilter(this);
}

QString Announcements::number(int n)
{
    static const char *const words[] = {"cero",      "una",        "dos",     "tres",   "cuatro",    "cinco",
                                        "seis",      "siete",      "ocho",    "nueve",  "diez",      "once",
                                        "doce",      "trece",      "catorce", "quince", "dieciséis", "diecisiete",
                                        "dieciocho", "diecinueve", "veinte"};
    if (n >= 0 && n <= 20)
        return QString::fromUtf8(words[n]);
    return QString::number(n);
}

bool Announcements::eventFilter(QObject *watched, QEvent *event)
{
    // The window is set up for its category as it shows.
    if (watched == &m_game && event->type() == QEvent::Show && !event->spontaneous())
        QTimer::singleShot(0, this, &Announcements::newWordOrEnd);
    // A sentence said is not said again when the window shows again.
    if (watched == &m_game && event->type() == QEvent::Hide && !event->spontaneous())
        for (Announcer *a : {m_announcer.data(), m_previous.data()})
            if (a)
                a->hide();
    return QObject::eventFilter(watched, event);
}

void Announcements::say(const QString &sentence)
{
    if (sentence.trimmed().isEmpty())
        return;
    m_said << sentence;
    // Each sentence comes on an object of its own: a screen reader takes a
    // second showing of the same object for a repeat and keeps quiet. The
    // one before stays shown until the next sentence, and every object is
    // kept a while after it is hidden: a screen reader that falls behind
    // (while keys are typed fast) asks for a sentence's name well after it
    // came, and an object already gone would give it none.
    if (m_previous) {
        m_previous->hide();
        QTimer::singleShot(kKeepHiddenMs, m_previous.data(), &QObject::deleteLater);
    }
    m_previous = m_announcer;
    m_announcer = new Announcer(&m_game, sentence);
    m_announcer->say();
    emit announced(sentence);
}

bool Announcements::shown(const char *name) const
{
    const QWidget *w = m_game.findChild<QWidget *>(QString::fromLatin1(name));
    return w && !w->isHidden();
}

QString Announcements::shownText(const char *name) const
{
    const QString n = QString::fromLatin1(name);
    if (auto *edit = m_game.findChild<QLineEdit *>(n))
        return edit->text().trimmed();
    if (auto *label = m_game.findChild<QLabel *>(n))
        return label->text();
    return QString();
}

// The word as far as it is known, key by key.
QString Announcements::maskLetters() const
{
    return spelledMask(m_game.palabra().toString(), m_game.mascara());
}

void Announcements::keyPressed(int key)
{
    const QString g = QString::fromUtf16(kKeyboard[key].grapheme);
    const QString spoken = spokenGrapheme(key);
    const qsizetype found = graphemeOccurrences(m_game.palabra().toString(), g).size();
    if (found > 0) {
        say(QStringLiteral("Bien: %1, %2 %3. %4. Puntos: %5.")
                .arg(spoken, number(int(found)), found == 1 ? QStringLiteral("vez") : QStringLiteral("veces"),
                     maskLetters(), shownText("Text3")));
        return;
    }
    const int tries = int(Modulo1::vidas.toDouble());
    if (tries > 0)
        say(QStringLiteral("No está %1. %2 %3.")
                .arg(spoken,
                     tries == 1 ? QStringLiteral("Queda una vida") : QStringLiteral("Quedan %1").arg(number(tries)),
                     tries == 1 ? QString() : QStringLiteral("vidas"))
                .replace(QStringLiteral(" ."), QStringLiteral(".")));
    else
        say(QStringLiteral("No está %1. No quedan vidas. Pulsa Respuesta.").arg(spoken));
}

void Announcements::newWordOrEnd()
{
    if (m_game.isHidden())
        return;
    const auto *next = m_game.findChild<QWidget *>(QStringLiteral("Image6"));
    const QString word = m_game.palabra().toString();
    if ((next && !next->isEnabled()) || word.isEmpty()) {
        say(QStringLiteral("Fin de la categoría. Pulsa Volver."));
        return;
    }
    const QString sentence =
        QStringLiteral("Nueva palabra: %1. %2.").arg(shownText("Label1"), keyCountText(keyCount(word)));
    // The window may be shown twice over for one word (the menu's return).
    if (!m_said.isEmpty() && m_said.last() == sentence)
        return;
    say(sentence);
}

void Announcements::animationEnded()
{
    if (shown("Picture1"))
        say(QStringLiteral("¡Felicidades! La palabra %1 en aymara se escribe: %2. Pulsa Siguiente.")
                .arg(shownText("Label11"), spelledByKeys(shownText("Label12"))));
}

} // namespace korivanta
