// Data1: the game window's data source over the words database. It holds one
// record set and a position in it (a record, or the end); the bound controls
// show the current record, and every change of position is reported, bound
// controls first, then the reposition handler, before the call returns.
//
// The database is only read, and no read keeps SQLite's lock past the call
// that made it: a record set reads its rows a page at a time, in rowid order,
// and every statement is finished before the call returns, so another program
// can write to the database while the game shows a word.
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

// A forward-only record set over the rows of one query.
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
    QSqlError readPage(const QString &statement, bool paged, bool afterLastRowid);

    std::shared_ptr<Connection> m_connection;
    QString m_query;    // the query text as given, for messages
    QString m_nextPage; // the rows after a rowid; empty once every row was read
    QSqlRecord m_fields;
    std::vector<QVariantList> m_rows; // the page of rows being walked
    std::size_t m_row = 0;
    qint64 m_lastRowid = 0;
    int m_pageRows; // rows the next page reads
    bool m_atEnd = true;
    std::function<void()> m_moved; // set while the record set belongs to a data source
};

// The open words database.
class Database {
public:
    explicit Database(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {}
    // A new record set with the rows of the query, on its first row. A query the
    // engine rejects is an untrapped error.
    std::shared_ptr<Recordset> OpenRecordset(const QString &query);

private:
    std::shared_ptr<Connection> m_connection;
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
    // new record set sees the new words; the current record set reads on from
    // the file it was opened on.
    Database &database();
    void setRecordset(std::shared_ptr<Recordset> recordset);
    Recordset &recordset();

    const QString &databaseName() const { return m_databaseName; }

private:
    void open();
    void repositioned();

    const MediaPaths &m_paths;
    QString m_databaseName;
    QString m_recordSource;
    QByteArray m_openedAs; // what the file (and its write-ahead log) looked like when opened
    std::unique_ptr<Database> m_database;
    std::shared_ptr<Recordset> m_recordset;
    std::vector<std::pair<QString, std::function<void(const QString &)>>> m_bindings;
    std::function<void()> m_reposition;
};

} // namespace korivanta
