// Word packs: a set of words with their pictures and sounds in one file
// (".korivanta", a zip archive), to carry a class's words to the other
// computers of a lab. Inside: "palabras.csv" (UTF-8, the word tool's columns
// nom_ay,nom_esp,categoria,dibujo,sonido, the files named relative to the
// archive's root) and the files it names. A pack is imported by unpacking it
// into an empty folder and importing that CSV file, so it meets exactly the
// checks of a CSV import.
#pragma once

#include "wordstore/words_db.h"

#include <QList>
#include <QString>

#include <functional>

namespace korivanta::wordstore {

// Turns a word's program path into the local file to pack (empty: none).
using LocalFile = std::function<QString(const QString &programPath)>;

// Writes the words and the files they name into a new pack at `packPath`,
// replacing it in one step. Returns why it failed (Spanish), or empty.
QString exportPack(const QList<wordsdb::Word> &words, const LocalFile &localFile, const QString &packPath);

struct Unpacked {
    QString csvPath; // the pack's word list in `folder`
    QString error;   // why the pack cannot be read (Spanish), or empty
};
// Unpacks a pack into the empty folder `folder`, refusing entries that would
// land outside it, links, and sizes beyond reason.
Unpacked unpackPack(const QString &packPath, const QString &folder);

} // namespace korivanta::wordstore
