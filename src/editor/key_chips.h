// How the editor shows an Aymara word: split into the game's keys, each piece
// in its key's colour, and the characters that no key gives marked apart.
#pragma once

#include <QColor>
#include <QList>
#include <QString>

namespace korivanta::editor {

struct KeyChip {
    QString text; // the grapheme a key enters, or a character no key gives
    int key = -1; // index in the keyboard table, or -1 when no key gives it
};

// Splits `word` from the left, each time taking the longest grapheme of a key
// that the word continues with ("chh" before "ch'" before "ch"); a character
// that starts no key's grapheme becomes a chip of its own with key -1.
QList<KeyChip> splitIntoKeys(const QString &word);

// The colour of a key's oval (green, gold or red), from its class in the
// keyboard table; a soft grey for a chip without a key.
QColor chipColour(int key);

} // namespace korivanta::editor
