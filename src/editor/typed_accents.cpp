#include "editor/typed_accents.h"

#include "wordstore/words_db.h"

namespace korivanta::editor {

namespace {

// The combining accent a typed mark stands for, or a null character.
QChar accentOf(QChar mark)
{
    if (mark == u':' || mark == u'"' || mark == QChar(0x00A8))
        return QChar(0x0308); // diaeresis
    if (mark == u'~' || mark == QChar(0x02DC))
        return QChar(0x0303); // tilde
    return {};
}

} // namespace

QString composeTypedAccents(const QString &text, int *cursor)
{
    QString out;
    out.reserve(text.size());
    int moved = cursor ? *cursor : 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar accent = accentOf(text.at(i));
        if (!accent.isNull() && i + 1 < text.size()) {
            const QString letter = (QString(text.at(i + 1)) + accent).normalized(QString::NormalizationForm_C);
            // A letter of the game's keys: one character that the keys spell.
            if (letter.size() == 1 && wordsdb::spellingProblem(letter).isEmpty()) {
                out += letter;
                if (cursor && *cursor > i)
                    --moved;
                ++i;
                continue;
            }
        }
        out += text.at(i);
    }
    if (cursor)
        *cursor = moved;
    return out;
}

} // namespace korivanta::editor
