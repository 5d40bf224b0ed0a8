// A small words database made by a test, in a drive C folder of its own.
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace korivanta {

struct WordRow {
    QVariant nom_ay, nom_esp, categoria, dibujo, sonido; // a null QVariant stores NULL
};

// Writes <driveC>/Trab_zumel/diccionario.mdb with table nominal holding the
// rows in order. `columns` replaces the table's column list when given.
QString makeWordsDatabase(const QString &driveC, const QList<WordRow> &rows, const QString &createTable = QString());

// A 24-bit BMP of the given size and colour, at a path under driveC.
void writePicture(const QString &file, int width, int height, Qt::GlobalColor color);

QByteArray fileBytes(const QString &path);

// Runs the statements in one write transaction (BEGIN IMMEDIATE ... COMMIT) on
// a connection of its own that does not wait for a lock, as another program
// writing to the words database would. Gives SQLite's error, or the empty
// text when the transaction was committed.
QString writeAsAnotherProgram(const QString &file, const QStringList &statements);

// What makes reading table nominal of a words database run for ever.
enum class Runaway {
    RecursiveView, // a view whose rows never end
    CrossJoin,     // a view of a thousand rows joined three times with itself: no rows, and days of work
};
// The statements that make table nominal of a words database (as
// makeWordsDatabase writes it) such a view, for writeAsAnotherProgram.
QStringList runawayNominal(Runaway kind);

// Two words of a package's words database (inti, anu) with their standard
// picture and sound paths.
QList<WordRow> packageSampleWords();

// Every file and folder under `root` with its bytes (folders: "<dir>"), so that
// a test sees any change at all.
QMap<QString, QByteArray> folderSnapshot(const QString &root);

} // namespace korivanta
