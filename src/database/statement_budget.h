// A bound on the work of every statement run on a words database connection.
//
// A words database can be made by anyone who can write the file: a `nominal`
// that is a recursive view with no end, or a join of a big table with itself,
// would keep SQLite busy for ever, and whoever asked for the rows (the game
// after "Aceptar", the word tool under the package manager) with it. Each run
// of a statement on a guarded connection may take so many of SQLite's virtual
// machine instructions, a row it hands over counting as some of them; past
// them it stops with SQLITE_INTERRUPT, which the caller sees as the
// statement's error (QSqlError::nativeErrorCode "9").
//
// Every program that opens a words database guards the connection right after
// opening it, and again after each reopening.
#pragma once

#include <QString>
#include <QtGlobal>

class QSqlDatabase;

namespace korivanta::database {

// SQLite's result code for a statement stopped by its budget.
inline constexpr int kInterrupted = 9;

// Instructions one run of a statement may take, counted from the moment it
// starts (its first step after a prepare or a reset) to the moment it is
// reset or finalized, the triggers it fires included; each row it hands to
// the program costs kRowCost more.
//
// Measured on the 2-core build machine (SQLite 3.40.1, under the load of
// other builds), in processor time: a runaway runs 80 to 200 million
// instructions a second (a recursive view sorted for the game's first page
// 121 M/s, sorted by rowid for the word tool 81 M/s, read row by row 123 M/s,
// a 732-row table joined three times with itself 102 to 200 M/s), so 100
// million stop it within 0.5 to 1.5 s: the game shows its message 0.5 to
// 0.9 s after the query starts, the word tool ends 0.3 to 1.9 s after it
// starts. The legitimate statements stay far below: a page of a category of
// a 1,000,000-row words table as the game reads it (the index gives the rows
// in order) takes under 1,000 and 64 rows, PRAGMA integrity_check of that
// file 12 million (0.45 s). A statement that hands over every row of a table
// stops past about 480,000 rows (8 instructions and kRowCost a row); real
// words databases hold a few thousand words.
inline constexpr qint64 kStatementBudget = 100'000'000;

// What a row handed to the program costs from the budget, in instructions.
// SQLite makes a row of a view in about 20 instructions; the program then
// makes a value of each field and keeps them (1.4 µs a row in the word
// tool's listing, some 150 instructions' time). Without this, a view whose
// rows never end would hand over 5 million rows, and the listing hold 1.3 GB
// of them, before its statement stops; with it, 0.5 million and 140 MB.
inline constexpr qint64 kRowCost = 200;

// The longest text or blob a guarded statement may make or read. One
// instruction can make a huge value (printf('%.*c', 100000000, 'x'), a
// zeroblob) in seconds and hundreds of megabytes, which no count of
// instructions stops; a word, a name or a file name is a few dozen bytes.
inline constexpr int kMostValueBytes = 1 << 20;

// Puts the budget and kMostValueBytes on `db`, an open QSQLITE connection;
// `budget` is for tests.
// It lasts as long as the connection stays open. False (and nothing changed)
// when `db` is not an open SQLite connection.
bool limitStatementWork(const QSqlDatabase &db, qint64 budget = kStatementBudget);

// What the error of a statement stopped by its budget means, in Spanish, for
// the messages of the programs that read the database.
QString runawayStatementText();

} // namespace korivanta::database
