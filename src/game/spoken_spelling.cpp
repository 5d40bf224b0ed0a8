#include "game/spoken_spelling.h"

#include "game/accessibility.h"
#include "game/announcements.h"
#include "game/grapheme_search.h"
#include "game/keyboard_table.h"

#include <QStringList>

namespace korivanta {

namespace {

QString spokenCharacter(QChar c)
{
    if (c == u'\'')
        return QStringLiteral("apóstrofo");
    return QString(c);
}

QString spokenPiece(QStringView word, const WordKey &piece)
{
    if (piece.key >= 0)
        return spokenGrapheme(piece.key);
    return spokenCharacter(word.at(piece.start));
}

} // namespace

QString spelledByKeys(QStringView word)
{
    QStringList names;
    for (const WordKey &piece : wordKeys(word))
        names << spokenPiece(word, piece);
    return names.join(QStringLiteral(", "));
}

QString spelledMask(QStringView word, QStringView mask)
{
    QStringList names;
    for (const WordKey &piece : wordKeys(word)) {
        QString shown;
        for (qsizetype i = piece.start; i < piece.start + piece.length; ++i)
            if (i < mask.size() && mask.at(i) == word.at(i))
                shown += word.at(i);
        if (shown.size() == piece.length)
            names << spokenPiece(word, piece);
        else if (shown.isEmpty())
            names << QStringLiteral("oculta");
        else
            names << spelledByKeys(shown);
    }
    return names.join(QStringLiteral(", "));
}

int keyCount(QStringView word)
{
    return int(wordKeys(word).size());
}

QString keyCountText(int keys)
{
    QString n = Announcements::number(keys);
    n[0] = n.at(0).toUpper();
    return n + (keys == 1 ? QStringLiteral(" tecla") : QStringLiteral(" teclas"));
}

QString keyKindDescription(int key)
{
    if (key < 0 || key >= int(kKeyboard.size()))
        return QString();
    const KeyRow &k = kKeyboard[key];
    if (k.keyClass != KeyClass::Simple || k.tooltip)
        return QString();
    const QString g = QString::fromUtf16(k.grapheme);
    if (g.normalized(QString::NormalizationForm_D).size() > g.size())
        return g == QStringLiteral("ñ") ? QStringLiteral("consonante simple") : QString(); // ä, ï, ü: "larga"
    static const QString vowels = QStringLiteral("aiu");
    return vowels.contains(g) ? QStringLiteral("vocal") : QStringLiteral("consonante simple");
}

} // namespace korivanta
