// Data1: the game window's data source over the words database. It holds one
// record set and a position in it (a record, or the end); the bound controls
// show the current record, and every change of position is reported, bound
// controls first, then the reposition handler, before the call returns.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace korivanta {

class MediaPaths;

// A forward-only record set over the rows of one query.
class Recordset {
public:
    bool eof() const { return m_atEnd; }
    void MoveNext();
    // The named field of the current record: a text, or a null QVariant when
    // the field holds nothing. An unknown field name is an untrapped error.
    QVariant fieldValue(const QString &name) const;

private:
    friend class Database;
    friend class DataControl;
    explicit Recordset(QSqlQuery query);
    void fetch();

    QSqlQuery m_query;
    bool m_atEnd = true;
    std::function<void()> m_moved; // set while the record set belongs to a data source
};

// The open words database.
class Database {
public:
    explicit Database(QSqlDatabase db) : m_db(std::move(db)) {}
    // A new record set with the rows of the query, on its first row. A query the
    // engine rejects is an untrapped error.
    std::shared_ptr<Recordset> OpenRecordset(const QString &query);

private:
    QSqlDatabase m_db;
};

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
    Database &database(); // the open database (after the first Refresh)
    void setRecordset(std::shared_ptr<Recordset> recordset);
    Recordset &recordset();

    const QString &databaseName() const { return m_databaseName; }

private:
    void open();
    void repositioned();

    const MediaPaths &m_paths;
    QString m_databaseName;
    QString m_recordSource;
    QString m_connectionName;
    std::unique_ptr<Database> m_database;
    std::shared_ptr<Recordset> m_recordset;
    std::vector<std::pair<QString, std::function<void(const QString &)>>> m_bindings;
    std::function<void()> m_reposition;
};

} // namespace korivanta
