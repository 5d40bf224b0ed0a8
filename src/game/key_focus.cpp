#include "game/key_focus.h"

#include "app/focus_mark.h"
#include "app/untrapped_error.h"
#include "game/con_obj.h"
#include "game/image_control.h"
#include "game/keyboard_table.h"
#include "graphemes/chart_table.h"
#include "media/animation_player.h"

#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>
#include <limits>

namespace korivanta {

namespace {

template <class Table> std::array<QRect, 32> rectsOf(const Table &table)
{
    std::array<QRect, 32> rects;
    for (std::size_t i = 0; i < table.size(); ++i)
        rects[i] = QRect(table[i].left, table[i].top, table[i].width, table[i].height);
    return rects;
}

const std::array<QRect, 32> kKeyRects = rectsOf(kKeyboard);
const std::array<QRect, 32> kChartRects = rectsOf(kChart);

int chartIndexOf(QStringView grapheme)
{
    for (int i = 0; i < int(kChart.size()); ++i)
        if (grapheme == QStringView(kChart[i].grapheme))
            return i;
    return -1;
}

} // namespace

std::span<const QRect> keyRects()
{
    return kKeyRects;
}

std::span<const QRect> chartRects()
{
    return kChartRects;
}

int neighbourInDirection(std::span<const QRect> rects, int from, Direction d, Sector sector)
{
    const QPoint origin = rects[from].center();
    int best = from;
    int bestScore = std::numeric_limits<int>::max();
    for (int i = 0; i < int(rects.size()); ++i) {
        if (i == from)
            continue;
        const QPoint delta = rects[i].center() - origin;
        int along = 0, across = 0;
        switch (d) {
        case Direction::Right: along = delta.x(), across = std::abs(delta.y()); break;
        case Direction::Left: along = -delta.x(), across = std::abs(delta.y()); break;
        case Direction::Down: along = delta.y(), across = std::abs(delta.x()); break;
        case Direction::Up: along = -delta.y(), across = std::abs(delta.x()); break;
        }
        if (along <= 0 || (sector == Sector::Quarter && across > along))
            continue;
        const int score = along + 2 * across;
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

KeyFocus::KeyFocus(ConObj &game)
    : QObject(&game), m_game(game), m_typing([this](int key) { pressTyped(key); },
                                             [this](int key) { return chartShown() || reaches(m_game.m_image10[key]); })
{
    setObjectName(QStringLiteral("keyFocus"));
    m_clock.start();
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        m_typing.expire(m_clock.elapsed());
        typingChanged();
    });
    m_ring = new FocusMark(&m_game, QColor(255, 255, 0));
    m_pendingRing = new FocusMark(&m_game, QColor(255, 255, 255));
    m_current = m_game.m_image10[m_key];
    qApp->installEventFilter(this);
}

KeyFocus::~KeyFocus()
{
    qApp->removeEventFilter(this);
}

QWidget *KeyFocus::current() const
{
    return m_current;
}

bool KeyFocus::chartShown() const
{
    return !m_game.m_frame2->isHidden();
}

// A click at the centre of w reaches w unless w is hidden or disabled or
// another control lies in front of it there (a grey cover over a used key,
// the chart over the keyboard, the completion panel over Siguiente).
bool KeyFocus::reaches(QWidget *w) const
{
    if (!w || w->isHidden() || !w->isEnabled())
        return false;
    QWidget *hit = m_game.childAt(w->mapTo(&m_game, w->rect().center()));
    return hit && (hit == w || w->isAncestorOf(hit));
}

bool KeyFocus::press(QWidget *w)
{
    startUsingKeyboard();
    if (!reaches(w))
        return false;
    if (auto *control = qobject_cast<ImageControl *>(w)) {
        // The pointer passes over a key before it clicks it.
        if (std::find(m_game.m_image10.begin(), m_game.m_image10.end(), control) != m_game.m_image10.end())
            emit control->mouseMoved(0, 0);
        emit control->clicked();
    } else if (auto *button = qobject_cast<QPushButton *>(w)) {
        button->click();
    } else {
        return false;
    }
    // A button that the press hid or covered (Siguiente, wali, the chart's
    // Volver), or a letter of the chart just closed, hands the keyboard back
    // to the keys (or to the chart's letters). A key stays current when
    // greyed.
    if (!m_game.isHidden() && m_current) {
        const auto &group = chartShown() ? m_game.m_image75 : m_game.m_image10;
        const bool inGroup = std::find(group.begin(), group.end(), m_current.data()) != group.end();
        if (!inGroup && !reaches(m_current))
            setCurrent(chartShown() ? m_game.m_image75[m_area] : m_game.m_image10[m_key]);
    }
    updateRings();
    return true;
}

// The stops of Tab: with the chart shown, the chart and its Volver;
// otherwise the buttons a click could reach now, in their fixed order (a
// hidden or covered one is skipped). The grapheme keys are not among them:
// Tab from the keys goes to the buttons, and Tab among the buttons stays
// among them, so a Tab never lands on a key by accident. Escape (or a typed
// letter) goes back to the keys.
QList<QWidget *> KeyFocus::stops() const
{
    QList<QWidget *> list;
    if (chartShown()) {
        list << m_game.m_image75[m_area] << m_game.m_command38;
        return list;
    }
    for (QWidget *w : std::initializer_list<QWidget *>{m_game.m_image2, m_game.m_image5, m_game.m_image6,
                                                       m_game.m_image7, m_game.m_image40, m_game.m_command1})
        if (reaches(w))
            list << w;
    return list;
}

bool KeyFocus::onKeys() const
{
    return !chartShown() && !stops().contains(m_current.data());
}

void KeyFocus::moveStop(int step)
{
    const QList<QWidget *> list = stops();
    if (list.isEmpty())
        return;
    int at = int(list.indexOf(m_current.data()));
    if (at < 0)
        at = step > 0 ? int(list.size()) - 1 : 0;
    setCurrent(list[(at + step + list.size()) % list.size()]);
}

void KeyFocus::goBackToKeys()
{
    setCurrent(m_game.m_image10[m_key]);
}

// "Next": the completion panel gives way, then Siguiente is pressed if a
// click could reach it, or else Respuesta; with neither, nothing happens (a
// grapheme key is never pressed).
bool KeyFocus::goOn()
{
    startUsingKeyboard();
    if (chartShown())
        return false;
    if (!m_game.m_picture1->isHidden())
        press(m_game.m_command1);
    for (QWidget *w : {static_cast<QWidget *>(m_game.m_image6), static_cast<QWidget *>(m_game.m_image7)})
        if (reaches(w))
            return press(w);
    return false;
}

void KeyFocus::moveArrow(Direction d)
{
    if (chartShown()) {
        if (m_current == m_game.m_image75[m_area])
            m_area = neighbourInDirection(kChartRects, m_area, d, Sector::Half);
        setCurrent(m_game.m_image75[m_area]);
    } else if (onKeys()) {
        if (m_current == m_game.m_image10[m_key])
            m_key = neighbourInDirection(kKeyRects, m_key, d);
        setCurrent(m_game.m_image10[m_key]);
    } else {
        moveStop(d == Direction::Left || d == Direction::Up ? -1 : 1);
    }
}

void KeyFocus::setCurrent(QWidget *w)
{
    m_current = w;
    updateRings();
    if (w && QAccessible::isActive()) {
        QAccessibleEvent focus(w, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
    emit currentChanged(w);
}

void KeyFocus::pressTyped(int key)
{
    if (chartShown()) {
        const int area = chartIndexOf(kKeyboard[key].grapheme);
        m_area = area;
        setCurrent(m_game.m_image75[area]);
        press(m_game.m_image75[area]);
    } else {
        m_key = key;
        setCurrent(m_game.m_image10[key]);
        press(m_game.m_image10[key]);
    }
}

void KeyFocus::typingChanged()
{
    const qint64 deadline = m_typing.deadline();
    if (deadline >= 0)
        m_pause.start(int(std::max<qint64>(0, deadline - m_clock.elapsed())));
    else
        m_pause.stop();
    updateRings();
}

// The instructions play over Sonido and Grafemario until the pointer comes
// into the play area; the keyboard comes into it with its first key.
void KeyFocus::startUsingKeyboard()
{
    if (!m_keyboardInUse) {
        m_keyboardInUse = true;
        if (!m_game.m_marchoso2->isHidden()) {
            const QRect key = m_game.m_image10[m_key]->geometry();
            runHandler([&] { m_game.Form_MouseMove(float(key.center().x() * 15), float(key.center().y() * 15)); });
        }
    }
}

void KeyFocus::updateRings()
{
    if (!m_keyboardInUse) {
        m_ring->hide();
        m_pendingRing->hide();
        return;
    }
    m_ring->surround(m_current && !m_current->isHidden() ? m_current.data() : nullptr);
    const int pending = m_typing.pendingKey();
    QWidget *pendingWidget = nullptr;
    if (pending >= 0)
        pendingWidget =
            chartShown() ? m_game.m_image75[chartIndexOf(kKeyboard[pending].grapheme)] : m_game.m_image10[pending];
    m_pendingRing->surround(pendingWidget);
}

void KeyFocus::reset()
{
    m_typing.cancel();
    m_pause.stop();
    m_keyboardInUse = false;
    m_current = m_game.m_image10[m_key];
    updateRings();
}

bool KeyFocus::handleKey(int key, const QString &text)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        startUsingKeyboard();
        m_typing.commit();
        moveStop(key == Qt::Key_Tab ? 1 : -1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        startUsingKeyboard();
        m_typing.commit();
        moveArrow(key == Qt::Key_Left    ? Direction::Left
                  : key == Qt::Key_Right ? Direction::Right
                  : key == Qt::Key_Up    ? Direction::Up
                                         : Direction::Down);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        startUsingKeyboard();
        if (m_typing.commit())
            break;
        // On the completion panel Enter and Space go on to the next word.
        if (!m_game.m_picture1->isHidden() && !chartShown())
            goOn();
        else if (m_current)
            press(m_current);
        break;
    case Qt::Key_PageDown:
        m_typing.commit();
        goOn();
        break;
    case Qt::Key_Escape:
        startUsingKeyboard();
        if (m_typing.cancel())
            break;
        if (chartShown())
            press(m_game.m_command38);
        else if (!m_game.m_picture1->isHidden())
            press(m_game.m_command1);
        else if (!onKeys())
            goBackToKeys();
        break;
    case Qt::Key_Backspace:
        startUsingKeyboard();
        m_typing.cancel();
        break;
    case Qt::Key_Dead_Diaeresis:
        startUsingKeyboard();
        m_typing.type(QChar(0x00A8), m_clock.elapsed());
        break;
    case Qt::Key_Dead_Tilde:
        startUsingKeyboard();
        m_typing.type(QChar(0x02DC), m_clock.elapsed());
        break;
    default: {
        bool used = false;
        for (QChar c : text)
            if (c.isPrint()) {
                startUsingKeyboard();
                used = m_typing.type(c, m_clock.elapsed()) || used;
            }
        typingChanged();
        return used;
    }
    }
    typingChanged();
    return true;
}

bool KeyFocus::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *w = qobject_cast<QWidget *>(watched);
        if (!w || w->window() != &m_game || !m_game.isVisible())
            break;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            break;
        if (handleKey(key->key(), key->text()))
            return true;
        break;
    }
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
        if (m_keyboardInUse) {
            auto *w = qobject_cast<QWidget *>(watched);
            if (w && w->window() == &m_game) {
                m_keyboardInUse = false;
                updateRings();
            }
        }
        break;
    case QEvent::Show:
        if (watched == &m_game)
            reset();
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korivanta
