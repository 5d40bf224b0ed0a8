// How the game finds a grapheme in the word: an exact, case-sensitive search
// from the first character, each next search starting one character after the
// start of the previous occurrence (so overlapping occurrences are all found).
#pragma once

#include <QList>
#include <QString>

namespace korivanta {

// 0-based start of every occurrence of `grapheme` in `word`.
QList<qsizetype> graphemeOccurrences(const QString &word, const QString &grapheme);

// True when every character of `word` lies inside an occurrence of one of
// the keyboard's graphemes, i.e. the word can be spelled out with the keys.
bool spellableWithKeyboard(const QString &word);

// For each character of `word`, whether some key's grapheme covers it.
QList<bool> keyboardCoverage(const QString &word);

} // namespace korivanta
