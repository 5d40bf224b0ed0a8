// Whether a words database that another program put in place of the one being
// read can be used: a file copied half-way, damaged, or without the words
// table opens as any other, and only fails when a category is read.
#pragma once

#include "app/untrapped_error.h"

#include <QString>

#include <optional>

class QSqlDatabase;

namespace korivanta {

// What keeps the open database `db` from being read whole, as the error the
// game would have met; nothing when SQLite finds every page of it sound
// (PRAGMA quick_check, under the statement budget of the connection) and
// `table` is there and gives its first row. `databaseName` names the file in
// the message.
std::optional<UntrappedError> wholeDatabaseProblem(const QSqlDatabase &db, const QString &databaseName,
                                                   const QString &table);

} // namespace korivanta
