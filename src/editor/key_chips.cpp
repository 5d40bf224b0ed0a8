#include "editor/key_chips.h"

#include "game/grapheme_search.h"
#include "game/keyboard_table.h"

namespace korivanta::editor {

QList<KeyChip> splitIntoKeys(const QString &word)
{
    QList<KeyChip> chips;
    for (const WordKey &piece : wordKeys(word))
        chips.append({word.mid(piece.start, piece.length), piece.key});
    return chips;
}

QColor chipColour(int key)
{
    if (key < 0 || key >= int(kKeyboard.size()))
        return QColor(200, 200, 200);
    switch (kKeyboard[key].keyClass) {
    case KeyClass::Simple: return QColor(64, 170, 64);
    case KeyClass::Aspirated: return QColor(230, 180, 30);
    case KeyClass::Glottalized: return QColor(210, 50, 40);
    }
    return QColor(200, 200, 200);
}

} // namespace korivanta::editor
