#include "game/data_control.h"

#include "app/untrapped_error.h"
#include "media/media_paths.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>

namespace korivanta {

namespace {

int s_connections = 0;

UntrappedError queryError(const QSqlError &error, const QString &query)
{
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (detail.contains(QLatin1String("no such table")))
        return {ErrorNumber::TableNotFound,
                QStringLiteral("La base de datos de palabras no tiene la tabla que pide la consulta «%1» (%2).")
                    .arg(query, detail)};
    if (detail.contains(QLatin1String("not a database")) || detail.contains(QLatin1String("malformed")))
        return {ErrorNumber::UnrecognizedDatabase,
                QStringLiteral("El archivo de la base de datos de palabras está dañado o no es una base de datos (%1).")
                    .arg(detail)};
    if (detail.contains(QLatin1String("locked")) || detail.contains(QLatin1String("busy")))
        return {ErrorNumber::DatabaseLocked,
                QStringLiteral("La base de datos de palabras está bloqueada por otro programa (%1).").arg(detail)};
    return {ErrorNumber::QueryRejected,
            QStringLiteral("La base de datos de palabras no acepta la consulta «%1» (%2).").arg(query, detail)};
}

} // namespace

Recordset::Recordset(QSqlQuery query) : m_query(std::move(query))
{
    fetch();
}

void Recordset::fetch()
{
    m_atEnd = !m_query.next();
}

void Recordset::MoveNext()
{
    if (m_atEnd)
        return;
    fetch();
    if (m_atEnd && m_query.lastError().isValid())
        throw queryError(m_query.lastError(), m_query.lastQuery());
    if (m_moved)
        m_moved();
}

QVariant Recordset::fieldValue(const QString &name) const
{
    const int index = m_query.record().indexOf(name);
    if (index < 0)
        throw UntrappedError(ErrorNumber::FieldNotFound,
                             QStringLiteral("La tabla de palabras no tiene el campo «%1».").arg(name));
    if (m_atEnd)
        return {};
    const QVariant value = m_query.value(index);
    if (value.isNull())
        return {};
    // Words typed on another system may come decomposed; the keyboard and the
    // media files use precomposed letters.
    return value.toString().normalized(QString::NormalizationForm_C);
}

std::shared_ptr<Recordset> Database::OpenRecordset(const QString &query)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(query))
        throw queryError(q.lastError(), query);
    return std::shared_ptr<Recordset>(new Recordset(std::move(q)));
}

DataControl::DataControl(const MediaPaths &paths, QString databaseName, QString recordSource)
    : m_paths(paths), m_databaseName(std::move(databaseName)), m_recordSource(std::move(recordSource)),
      m_connectionName(QStringLiteral("Data1-%1").arg(++s_connections))
{
}

DataControl::~DataControl()
{
    m_recordset.reset();
    const bool opened = m_database != nullptr;
    m_database.reset();
    if (opened)
        QSqlDatabase::removeDatabase(m_connectionName);
}

void DataControl::bind(const QString &field, std::function<void(const QString &)> show)
{
    m_bindings.emplace_back(field, std::move(show));
}

void DataControl::open()
{
    const QString file = m_paths.resolve(m_databaseName);
    if (!QFileInfo(file).isFile())
        throw UntrappedError(ErrorNumber::DatabaseNotFound,
                             QStringLiteral("No se encuentra el archivo de la base de datos de palabras «%1» "
                                            "(se buscó en «%2»).")
                                 .arg(m_databaseName, QFileInfo(file).absoluteFilePath()));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(file);
    // Shared and read only: the game never writes, and waits a moment for a
    // writer that holds the file.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
    if (!db.open()) {
        const QString detail = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw UntrappedError(
            ErrorNumber::UnrecognizedDatabase,
            QStringLiteral("No se puede abrir la base de datos de palabras «%1» (%2).").arg(m_databaseName, detail));
    }
    m_database = std::make_unique<Database>(db);
}

void DataControl::Refresh()
{
    if (!m_database)
        open();
    setRecordset(m_database->OpenRecordset(QStringLiteral("SELECT * FROM \"%1\"").arg(m_recordSource)));
}

Database &DataControl::database()
{
    if (!m_database)
        open();
    return *m_database;
}

void DataControl::setRecordset(std::shared_ptr<Recordset> recordset)
{
    if (m_recordset)
        m_recordset->m_moved = nullptr;
    m_recordset = std::move(recordset);
    m_recordset->m_moved = [this] { repositioned(); };
    repositioned();
}

Recordset &DataControl::recordset()
{
    if (!m_recordset)
        Refresh();
    return *m_recordset;
}

void DataControl::repositioned()
{
    for (const auto &[field, show] : m_bindings)
        show(m_recordset->fieldValue(field).toString());
    if (m_reposition)
        m_reposition();
}

} // namespace korivanta
