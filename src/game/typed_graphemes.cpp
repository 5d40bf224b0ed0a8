#include "game/typed_graphemes.h"

#include "game/keyboard_table.h"

namespace korivanta {

namespace {

// Whether some grapheme of the keyboard begins with s.
bool startsSomeGrapheme(QStringView s)
{
    for (const KeyRow &k : kKeyboard)
        if (QStringView(k.grapheme).startsWith(s))
            return true;
    return false;
}

// Whether some grapheme longer than s begins with s.
bool canGrow(QStringView s)
{
    for (const KeyRow &k : kKeyboard) {
        const QStringView g(k.grapheme);
        if (g.size() > s.size() && g.startsWith(s))
            return true;
    }
    return false;
}

// The same character with a diaeresis or tilde, if the keyboard has it.
QChar accented(QChar base, bool diaeresis)
{
    const QString composed =
        (QString(base) + (diaeresis ? QChar(0x0308) : QChar(0x0303))).normalized(QString::NormalizationForm_C);
    if (composed.size() != 1 || keyOfGrapheme(composed) < 0)
        return QChar();
    return composed.at(0);
}

} // namespace

int keyOfGrapheme(QStringView g)
{
    for (int i = 0; i < int(kKeyboard.size()); ++i)
        if (g == QStringView(kKeyboard[i].grapheme))
            return i;
    return -1;
}

TypedGraphemes::TypedGraphemes(std::function<void(int)> press, std::function<bool(int)> usable)
    : m_press(std::move(press)), m_usable(std::move(usable))
{
}

int TypedGraphemes::pendingKey() const
{
    return m_pending.isEmpty() ? -1 : keyOfGrapheme(m_pending);
}

bool TypedGraphemes::type(QChar typed, qint64 nowMs)
{
    const QChar c = typed.toLower();

    // A diaeresis or a tilde typed before the letter (":" or "~" on a layout
    // without those letters, or a dead key that reached us on its own).
    const bool diaeresis = c == u':' || c == u'"' || c == QChar(0x00A8);
    const bool tilde = c == u'~' || c == QChar(0x02DC);
    if (diaeresis || tilde) {
        pressPending();
        m_accent = diaeresis ? Accent::Diaeresis : Accent::Tilde;
        m_deadline = nowMs + kPauseMs;
        return true;
    }
    if (m_accent != Accent::None) {
        const QChar withAccent = accented(c, m_accent == Accent::Diaeresis);
        m_accent = Accent::None;
        if (!withAccent.isNull()) {
            start(withAccent, nowMs);
            return true;
        }
    }

    if (!m_pending.isEmpty()) {
        const QString longer = m_pending + c;
        if (startsSomeGrapheme(longer)) {
            m_pending = longer;
            m_deadline = nowMs + kPauseMs;
            if (!canGrow(m_pending))
                pressPending();
            return true;
        }
        pressPending();
    }
    if (!startsSomeGrapheme(QStringView(&c, 1)))
        return false;
    start(c, nowMs);
    return true;
}

void TypedGraphemes::start(QChar c, qint64 nowMs)
{
    m_pending = QString(c);
    m_deadline = nowMs + kPauseMs;
    if (!canGrow(m_pending))
        pressPending();
}

bool TypedGraphemes::commit()
{
    const bool was = pending();
    pressPending();
    return was;
}

bool TypedGraphemes::cancel()
{
    const bool was = pending();
    m_pending.clear();
    m_accent = Accent::None;
    m_deadline = -1;
    return was;
}

void TypedGraphemes::expire(qint64 nowMs)
{
    if (pending() && nowMs >= m_deadline)
        pressPending();
}

// A sequence that is no whole grapheme ("c" alone) presses nothing; a greyed
// key does nothing, as a click on its grey cover does.
void TypedGraphemes::pressPending()
{
    const int key = pendingKey();
    m_pending.clear();
    m_accent = Accent::None;
    m_deadline = -1;
    if (key >= 0 && m_usable(key))
        m_press(key);
}

} // namespace korivanta
