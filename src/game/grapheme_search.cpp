#include "game/grapheme_search.h"

#include "game/keyboard_table.h"

namespace korivanta {

QList<qsizetype> graphemeOccurrences(const QString &word, const QString &grapheme)
{
    QList<qsizetype> found;
    if (grapheme.isEmpty())
        return found;
    for (qsizetype pos = word.indexOf(grapheme, 0, Qt::CaseSensitive); pos >= 0;
         pos = word.indexOf(grapheme, pos + 1, Qt::CaseSensitive))
        found.append(pos);
    return found;
}

QList<bool> keyboardCoverage(const QString &word)
{
    QList<bool> covered(word.size(), false);
    for (const KeyRow &key : kKeyboard) {
        const QString g = QString::fromUtf16(key.grapheme);
        for (qsizetype pos : graphemeOccurrences(word, g))
            for (qsizetype i = pos; i < pos + g.size(); ++i)
                covered[i] = true;
    }
    return covered;
}

QList<WordKey> wordKeys(QStringView word)
{
    QList<WordKey> pieces;
    for (qsizetype at = 0; at < word.size();) {
        WordKey piece{at, 1, -1};
        for (int key = 0; key < int(kKeyboard.size()); ++key) {
            const QStringView grapheme(kKeyboard[key].grapheme);
            if (grapheme.size() > (piece.key < 0 ? 0 : piece.length) && word.sliced(at).startsWith(grapheme)) {
                piece.key = key;
                piece.length = grapheme.size();
            }
        }
        pieces.append(piece);
        at += piece.length;
    }
    return pieces;
}

bool spellableWithKeyboard(const QString &word)
{
    return !keyboardCoverage(word).contains(false);
}

} // namespace korivanta
