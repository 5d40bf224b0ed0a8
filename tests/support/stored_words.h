// The rows of a words database as short texts, read through the word tools'
// own reader, so that a test compares whole lists in one QCOMPARE.
#pragma once

#include "wordstore/words_db.h"

#include <QLatin1Char>
#include <QList>
#include <QString>
#include <QStringList>

namespace korivanta {

enum class WordFields { AymaraAndCategory, AymaraSpanishAndCategory };

// "nom_ay/categoria" (or "nom_ay/nom_esp/categoria") of each row, in order;
// a database that cannot be read gives the single text "error: <why>".
inline QStringList wordsOf(const QString &db, WordFields fields = WordFields::AymaraAndCategory)
{
    QList<wordsdb::Word> words;
    QString error;
    if (!wordsdb::readWords(db, &words, &error))
        return {QStringLiteral("error: ") + error};
    QStringList out;
    for (const wordsdb::Word &w : words)
        out << (fields == WordFields::AymaraAndCategory ? QStringList{w.nomAy, w.categoria}
                                                        : QStringList{w.nomAy, w.nomEsp, w.categoria})
                   .join(QLatin1Char('/'));
    return out;
}

} // namespace korivanta
