#include "editor/key_chips.h"

#include "game/keyboard_table.h"

namespace korivanta::editor {

QList<KeyChip> splitIntoKeys(const QString &word)
{
    QList<KeyChip> chips;
    for (qsizetype at = 0; at < word.size();) {
        int best = -1;
        qsizetype bestLength = 0;
        for (int key = 0; key < int(kKeyboard.size()); ++key) {
            const QStringView grapheme(kKeyboard[key].grapheme);
            if (grapheme.size() > bestLength && QStringView(word).sliced(at).startsWith(grapheme)) {
                best = key;
                bestLength = grapheme.size();
            }
        }
        if (best < 0) {
            chips.append({word.mid(at, 1), -1});
            ++at;
        } else {
            chips.append({word.mid(at, bestLength), best});
            at += bestLength;
        }
    }
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
