// Typing on a physical keyboard: the characters typed are composed into the
// graphemes of the on-screen keyboard, the way an input method composes
// letters. "c" "h" "h" gives chh, "t" "'" gives t'. A typed sequence that is a
// whole grapheme but could still grow (k, p, q, t, l, ch) waits: it is pressed
// when the next character cannot extend it, on Enter or Space, or after a
// short pause. Upper case counts as lower case. ä, ï, ü and ñ come typed as
// they are (dead keys included) or, on a layout without them, as ":" (or the
// double quote) followed by the vowel and "~" followed by "n".
//
// The class knows no widget and no clock: the caller passes the time of each
// call in milliseconds and calls expire() when the pause has passed.
#pragma once

#include <QString>

#include <functional>

namespace korivanta {

class TypedGraphemes {
public:
    // How long a grapheme that could still grow waits for the next character.
    static constexpr qint64 kPauseMs = 1200;

    // press(key): the Image10 key whose grapheme was typed. usable(key):
    // whether the key can be pressed now (a greyed key cannot).
    TypedGraphemes(std::function<void(int)> press, std::function<bool(int)> usable);

    // One typed character. Returns false when it has nothing to do with the
    // graphemes (the caller may then use it for something else).
    bool type(QChar c, qint64 nowMs);
    // Enter or Space: presses what is pending. Returns whether anything was.
    bool commit();
    // Escape or Backspace: drops what is pending. Returns whether anything was.
    bool cancel();
    // The pause has passed: presses what is pending if its time has come.
    void expire(qint64 nowMs);

    bool pending() const { return !m_pending.isEmpty() || m_accent != Accent::None; }
    // The key of the whole grapheme typed so far, or -1.
    int pendingKey() const;
    // When expire() will press what is pending, or -1 when nothing waits.
    qint64 deadline() const { return pending() ? m_deadline : -1; }

private:
    enum class Accent { None, Diaeresis, Tilde };

    void start(QChar c, qint64 nowMs);
    void pressPending();

    std::function<void(int)> m_press;
    std::function<bool(int)> m_usable;
    QString m_pending;
    Accent m_accent = Accent::None;
    qint64 m_deadline = -1;
};

// The key whose grapheme is g, or -1.
int keyOfGrapheme(QStringView g);

} // namespace korivanta
