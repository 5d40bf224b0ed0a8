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

// One piece of a word split into the keys that write it.
struct WordKey {
    qsizetype start = 0;  // where the piece starts in the word
    qsizetype length = 0; // its length in characters
    int key = -1;         // the keyboard table's key that writes it, or -1
};

// Splits `word` from the left, each time taking the longest grapheme of a key
// that the word continues with ("ch'" before "ch", so ch'iyara is ch', i, y,
// a, r, a); a character that starts no key's grapheme is a piece of its own
// with key -1. This is how a word is spelled key by key; the hit search above
// stays as it is (a "p" is found inside a "ph").
QList<WordKey> wordKeys(QStringView word);

} // namespace korivanta
