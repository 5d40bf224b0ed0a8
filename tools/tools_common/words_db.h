// The words database as the tools write it: table nominal with its index on
// categoria, the rules a new word must meet before it goes in, and the picture
// and sound names a word gets under the media root.
#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace korivanta::wordsdb {

// One row of table nominal.
struct Word {
    QString nomAy, nomEsp, categoria, dibujo, sonido;
};

// The nine category keys, in the order of their codes (1 to 9), as the game's
// category queries name them.
QStringList categoryKeys();
// The title the menu and the board give a category key; empty when the menu
// has no option for it.
QString categoryTitle(const QString &key);

// Why a word cannot go into the database, in Spanish ("la palabra «x» no se
// puede escribir con el teclado"); empty when it can. The texts are compared
// as given: callers bring them to the precomposed form first.
QString checkWord(const QString &nomAy, const QString &nomEsp, const QString &categoria);

// The program paths of a word's picture and sound when the word list names no
// files of its own: "c:\Trab_zumel\dibujos\<word>.bmp" and
// "c:\Trab_zumel\sonido\palabras\<word>.wav".
QString standardPicture(const QString &nomAy);
QString standardSound(const QString &nomAy);

// Creates table nominal and its index in an empty database.
bool createTable(QSqlDatabase &db, QString *error);
// Appends the words, in order, in one transaction: all of them or none.
bool insertWords(QSqlDatabase &db, const QList<Word> &words, QString *error);

} // namespace korivanta::wordsdb
