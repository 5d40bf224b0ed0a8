// A bound on the work of every statement run on a words database connection.
//
// A words database can be made by anyone who can write the file: a `nominal`
// that is a recursive view with no end, or a join of a big table with itself,
// would keep SQLite busy for ever, and whoever asked for the rows (the game
// after "Aceptar", the word tool under the package manager) with it. Each run
// of a statement on a guarded connection may take so many of SQLite's virtual
// machine instructions; past them it stops with SQLITE_INTERRUPT, which the
// caller sees as the statement's error (QSqlError::nativeErrorCode "9").
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
// reset or finalized, the triggers it fires included.
//
// Measured on the 2-core build machine (SQLite 3.40.1), in processor time: a
// runaway runs 69 to 118 million instructions a second (the game's first page
// of a recursive view 69 M/s, a 732-row table joined three times with itself
// 102 M/s, a recursive view read row by row 118 M/s), so 100 million stop it
// after 0.85 to 1.5 s. The heaviest legitimate statements stay far below:
// every row of a 1,000,000-row words table in one statement takes 8 million
// (0.1 s), PRAGMA integrity_check of that file 12 million (0.5 s), a page of
// a category of it as the game reads it (the index gives the rows in order)
// under 1,000. Real words databases hold a few thousand words at most.
inline constexpr qint64 kStatementBudget = 100'000'000;

// Puts the budget on `db`, an open QSQLITE connection; `budget` is for tests.
// It lasts as long as the connection stays open. False (and nothing changed)
// when `db` is not an open SQLite connection.
bool limitStatementWork(const QSqlDatabase &db, qint64 budget = kStatementBudget);

// What the error of a statement stopped by its budget means, in Spanish, for
// the messages of the programs that read the database.
QString runawayStatementText();

} // namespace korivanta::database
