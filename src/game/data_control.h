// Data1: the game window's data source over the words database. It holds one
// record set and a position in it (a record, or the end); the bound controls
// show the current record, and every change of position is reported, bound
// controls first, then the reposition handler, before the call returns.
//
// A record set holds the rows its query gave when it was opened: they are
// read whole at once (a category has tens of words), so what another program
// does to the file while a category is played (a write, a lock held for
// seconds, a file put in its place, the table emptied or dropped) changes
// nothing in it. The database is only read, and no read keeps SQLite's lock
// past the call that made it.
//
// Once the words were read, a change to the database never ends the game: a
// category that cannot be read is at its end at once, a file put in place
// that cannot be read whole is not used, and the teacher finds why in the
// log (stderr).
#pragma once

#include "app/untrapped_error.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace korivanta {

class MediaPaths;
class Connection;

// The rows a record set reads when it is opened. A category has tens of
// words and a whole words database a few thousand; only a table far larger
// than any real one is read on, page by page, as it is walked.
inline constexpr std::size_t kSnapshotRows = 20'000;

// A forward-only record set over the rows of one query, as they were when it
// was opened. Only a query with more than kSnapshotRows rows reads the rest
// page by page as it is walked; a page that cannot be read then ends it as at
// its last row read, and the error goes to the log.
class Recordset {
public:
    ~Recordset();
    bool eof() const { return m_atEnd; }
    void MoveNext();
    // The named field of the current record: a text, or a null QVariant when
    // the field holds nothing. An unknown field name is an untrapped error.
    QVariant fieldValue(const QString &name) const;

private:
    friend class Database;
    friend class DataControl;
    Recordset(std::shared_ptr<Connection> connection, QString query);
    // Appends the rows of one statement to those held.
    QSqlError readPage(const QString &statement, bool paged, bool afterLastRowid);
    // Reads pages until every row is held or kSnapshotRows are; then lets go
    // of the connection when nothing is left to read.
    QSqlError readSnapshot();

    std::shared_ptr<Connection> m_connection; // while rows are left to read
    QString m_databaseName;
    QString m_query;    // the query text as given, for messages
    QString m_nextPage; // the rows after a rowid; empty once every row was read
    QSqlRecord m_fields;
    bool m_unread = false;            // the query could not be read: no rows, and no fields known
    std::vector<QVariantList> m_rows; // the rows being walked
    std::size_t m_row = 0;
    qint64 m_lastRowid = 0;
    int m_pageRows; // rows the next page reads
    bool m_atEnd = true;
    std::function<void()> m_moved; // set while the record set belongs to a data source
};

// The open words database.
class Database {
public:
    // `wordsWereRead`: words were read before, from this file or from the one
    // it takes the place of.
    explicit Database(std::shared_ptr<Connection> connection, bool wordsWereRead = false)
        : m_connection(std::move(connection)), m_wordsWereRead(wordsWereRead)
    {
    }
    // A new record set with the rows of the query, on its first row. Until
    // words were read, a query the engine rejects or cannot read is an
    // untrapped error; after that, a query that cannot be read (the database
    // changed since) gives a record set at its end and a line in the log, and
    // only a query that would write is an error.
    std::shared_ptr<Recordset> OpenRecordset(const QString &query);

private:
    std::shared_ptr<Connection> m_connection;
    bool m_wordsWereRead;
};

// Where SQLite reported an error: while opening the database or in a query.
enum class DatabaseStep { Open, Query };

// The untrapped error for an error that SQLite reported, told apart by SQLite's
// result code (QSqlError::nativeErrorCode; an extended code counts by its
// primary code, its low byte). `tableMissing`: the table the query reads is
// not in the database. SQLite's own message only goes into the description.
UntrappedError databaseError(const QSqlError &error, DatabaseStep step, const QString &databaseName,
                             const QString &query = QString(), bool tableMissing = false);

class DataControl {
public:
    DataControl(const MediaPaths &paths, QString databaseName, QString recordSource);
    ~DataControl();
    DataControl(const DataControl &) = delete;
    DataControl &operator=(const DataControl &) = delete;

    // A control that shows a field of the current record (empty at the end).
    void bind(const QString &field, std::function<void(const QString &)> show);
    // The handler run after every change of position.
    void setRepositionHandler(std::function<void()> handler) { m_reposition = std::move(handler); }

    // Opens the database the first time, then builds a new record set of the
    // whole record source and stands on its first record.
    void Refresh();
    // The open database (opened on first use). When the file on disk has been
    // replaced or changed since it was opened, it is opened afresh here, so a
    // new record set sees the new words; the current record set keeps its
    // rows. A new file that cannot be read whole (half copied, damaged, without
    // the table) is not used: the one open stays, and the log says why, once
    // for each state of the file.
    Database &database();
    void setRecordset(std::shared_ptr<Recordset> recordset);
    Recordset &recordset();

    const QString &databaseName() const { return m_databaseName; }

private:
    void open();
    void openReplacement(const QString &file, const QByteArray &identity);
    std::shared_ptr<Connection> connect(const QString &file);
    void repositioned();

    const MediaPaths &m_paths;
    QString m_databaseName;
    QString m_recordSource;
    QByteArray m_openedAs;  // what the file (and its write-ahead log) looked like when opened
    QByteArray m_refusedAs; // what a new file that could not be read whole looked like
    std::unique_ptr<Database> m_database;
    std::shared_ptr<Recordset> m_recordset;
    std::vector<std::pair<QString, std::function<void(const QString &)>>> m_bindings;
    std::function<void()> m_reposition;
};

} // namespace korivanta
