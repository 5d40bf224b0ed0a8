#include "game/data_control.h"

#include "app/untrapped_error.h"

#include "database/statement_budget.h"
#include "game/whole_database.h"
#include "media/media_paths.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUrl>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

namespace korivanta {

// One open connection to the words database. The data source and every record
// set read from it share it; the last one to let go closes it.
class Connection {
public:
    Connection(const QString &name, QSqlDatabase db, QString databaseName)
        : m_name(name), m_db(std::move(db)), m_databaseName(std::move(databaseName))
    {
    }
    ~Connection()
    {
        m_statements.clear();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    const QSqlDatabase &db() const { return m_db; }
    bool open() { return m_db.open(); }
    const QString &databaseName() const { return m_databaseName; }

    // A statement prepared once and kept, reset between uses; nullptr, with
    // SQLite's error, when SQLite refuses it.
    QSqlQuery *statement(const QString &text, QSqlError *error)
    {
        auto found = m_statements.find(text);
        if (found == m_statements.end()) {
            QSqlQuery q(m_db);
            q.setForwardOnly(true);
            if (!q.prepare(text)) {
                *error = q.lastError();
                return nullptr;
            }
            found = m_statements.emplace(text, std::move(q)).first;
        }
        return &found->second;
    }

private:
    std::map<QString, QSqlQuery> m_statements;
    QString m_name;
    QSqlDatabase m_db;
    QString m_databaseName;
};

namespace {

int s_connections = 0;

// Rows read at a time by a record set: one at first, then twice as many at
// each page. (A view's rows have no rowid, so the page after the first finds
// nothing: the game has always read a view's first row only.)
constexpr int kFirstPageRows = 1;
constexpr int kMostPageRows = 64;

// SQLite's primary result codes that the game tells apart.
namespace ResultCode {
constexpr int Error = 1;
constexpr int Perm = 3;
constexpr int Busy = 5;
constexpr int Locked = 6;
constexpr int ReadOnly = 8;
constexpr int Interrupt = database::kInterrupted;
constexpr int IoErr = 10;
constexpr int Corrupt = 11;
constexpr int CantOpen = 14;
constexpr int Auth = 23;
constexpr int NotADb = 26;
} // namespace ResultCode

// A query "SELECT * from <table> [where <condition>] [;]" read page by page:
// the first page, and the page after a rowid. The rows come in rowid order,
// the order in which SQLite gives a plain query over one table of rowids.
struct PagedQuery {
    QString table;
    QString first;
    QString next;
};

std::optional<PagedQuery> pagedForm(const QString &query)
{
    static const QRegularExpression select(
        QStringLiteral(R"(^\s*SELECT\s+\*\s+FROM\s+("(?:[^"]|"")+"|\[[^\]]+\]|`[^`]+`|[A-Za-z_][A-Za-z0-9_]*))"
                       R"((?:\s+WHERE\s+(.+?))?\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = select.match(query);
    if (!m.hasMatch())
        return std::nullopt;
    const QString table = m.captured(1);
    const QString condition = m.captured(2);
    const QString head = QStringLiteral("SELECT rowid, * FROM %1 WHERE ").arg(table);
    const QString tail = QStringLiteral(" ORDER BY rowid LIMIT ?");
    const QString where = condition.isEmpty() ? QString() : QStringLiteral("(%1) AND ").arg(condition);
    QString bare = table;
    if (bare.size() > 1 && QStringLiteral("\"[`").contains(bare.front()))
        bare = bare.mid(1, bare.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    return PagedQuery{bare, head + where + QStringLiteral("1") + tail,
                      head + where + QStringLiteral("rowid > ?") + tail};
}

int resultCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code : -1;
}

bool tableExists(const QSqlDatabase &db, const QString &table)
{
    const QStringList tables = db.tables(QSql::AllTables);
    return tables.contains(table, Qt::CaseInsensitive);
}

// What the file and its write-ahead log look like: device, inode, size and
// times. A replaced or rewritten file looks different.
QByteArray fileIdentity(const QString &file)
{
    QByteArray identity;
    for (const QString &name : {file, file + QStringLiteral("-wal")}) {
        struct stat st {};
        if (::stat(QFile::encodeName(name).constData(), &st) != 0) {
            identity += "-;";
            continue;
        }
        identity += QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) + ':' +
                    QByteArray::number(qint64(st.st_size)) + ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
                    QByteArray::number(qint64(st.st_mtim.tv_nsec)) + ':' +
                    QByteArray::number(qint64(st.st_ctim.tv_sec)) + '.' +
                    QByteArray::number(qint64(st.st_ctim.tv_nsec)) + ';';
    }
    return identity;
}

// Refuses what lies at the database's path unless it is a regular file (a
// FIFO would block the open forever), saying what it is.
void checkIsFile(const QString &file, const QString &databaseName)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(QFile::encodeName(file).toStdString()), ec);
    const QString where = QFileInfo(file).absoluteFilePath();
    auto refuse = [&](int number, const QString &what) { throw UntrappedError(number, what.arg(databaseName, where)); };
    if (ec == std::errc::too_many_symbolic_link_levels)
        refuse(ErrorNumber::InvalidPath,
               QStringLiteral("La ruta de la base de datos de palabras «%1» («%2») no lleva a ningún archivo: "
                              "sus enlaces simbólicos forman un bucle."));
    if (ec == std::errc::permission_denied)
        refuse(ErrorNumber::CannotOpenFile,
               QStringLiteral("No hay permiso para llegar a la base de datos de palabras «%1» («%2»)."));
    if (ec == std::errc::not_a_directory)
        refuse(ErrorNumber::InvalidPath, QStringLiteral("La ruta de la base de datos de palabras «%1» («%2») no "
                                                        "es válida: una de sus carpetas es un archivo."));
    switch (status.type()) {
    case fs::file_type::regular: return;
    case fs::file_type::not_found:
        refuse(ErrorNumber::DatabaseNotFound,
               QStringLiteral("No se encuentra el archivo de la base de datos de palabras «%1» (se buscó en «%2»)."));
        break;
    case fs::file_type::directory:
        refuse(ErrorNumber::CannotOpenFile,
               QStringLiteral("En lugar del archivo de la base de datos de palabras «%1» hay una carpeta («%2»)."));
        break;
    case fs::file_type::fifo:
        refuse(ErrorNumber::CannotOpenFile, QStringLiteral("En lugar del archivo de la base de datos de palabras "
                                                           "«%1» hay una tubería con nombre, FIFO («%2»)."));
        break;
    case fs::file_type::socket:
        refuse(ErrorNumber::CannotOpenFile,
               QStringLiteral("En lugar del archivo de la base de datos de palabras «%1» hay un socket («%2»)."));
        break;
    case fs::file_type::block:
    case fs::file_type::character:
        refuse(ErrorNumber::CannotOpenFile,
               QStringLiteral("En lugar del archivo de la base de datos de palabras «%1» hay un dispositivo («%2»)."));
        break;
    default:
        refuse(ErrorNumber::CannotOpenFile,
               QStringLiteral("No se puede llegar a la base de datos de palabras «%1» («%2»): ") +
                   (ec ? QString::fromLocal8Bit(ec.message()) : QStringLiteral("tipo de archivo desconocido")) +
                   QLatin1Char('.'));
    }
}

// Whether the file's header says it is kept in write-ahead-log mode.
bool isWalMode(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = f.read(20);
    return header.size() == 20 && header.startsWith(QByteArrayLiteral("SQLite format 3\0")) &&
           (header.at(18) == 2 || header.at(19) == 2);
}

bool nonEmptyFile(const QString &file)
{
    const QFileInfo info(file);
    return info.exists() && info.size() > 0;
}

// A line for the teacher's log: what went wrong with the words database while
// the game went on.
void logWarning(const QString &text)
{
    std::fprintf(stderr, "korivanta: aviso: %s\n", qUtf8Printable(text));
    std::fflush(stderr);
}

QString errorLine(const UntrappedError &error)
{
    return QStringLiteral("Error %1: %2").arg(error.number()).arg(error.description());
}

// Whether the query itself is at fault and not the database: the engine
// refused it as a write (plain SQLITE_READONLY; an extended code means the
// file needs a write before it can be read).
bool queryWouldWrite(const QSqlError &error)
{
    return resultCode(error) == ResultCode::ReadOnly;
}

} // namespace

UntrappedError databaseError(const QSqlError &error, DatabaseStep step, const QString &databaseName,
                             const QString &query, bool tableMissing)
{
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const int code = resultCode(error);
    const bool extended = code > 0xff;
    switch (code & 0xff) {
    case ResultCode::Busy:
    case ResultCode::Locked:
        return {ErrorNumber::DatabaseLocked,
                QStringLiteral("La base de datos de palabras «%1» está bloqueada por otro programa (%2).")
                    .arg(databaseName, detail)};
    case ResultCode::NotADb:
        return {ErrorNumber::UnrecognizedDatabase,
                QStringLiteral("El archivo «%1» existe, pero no es una base de datos de palabras (%2).")
                    .arg(databaseName, detail)};
    case ResultCode::Corrupt:
        return {ErrorNumber::UnrecognizedDatabase,
                QStringLiteral("El archivo de la base de datos de palabras «%1» está dañado (%2).")
                    .arg(databaseName, detail)};
    case ResultCode::Interrupt:
        // A statement that ran out of its budget: no sound words database
        // makes one, only a file made to hang whoever reads it.
        return {ErrorNumber::UnrecognizedDatabase,
                QStringLiteral("El archivo de la base de datos de palabras «%1» está dañado (%2).")
                    .arg(databaseName, database::runawayStatementText())};
    case ResultCode::ReadOnly:
        // The game only reads: a plain "read only" answer to a query means the
        // query wanted to write. Anything else means the file itself needs a
        // write before it can be read (a hot journal left by a writer that
        // stopped half-way, a log to recover), which the game never makes.
        if (step == DatabaseStep::Query && !extended)
            break;
        return {ErrorNumber::CannotOpenFile,
                QStringLiteral("La base de datos de palabras «%1» quedó a medio escribir por otro programa y el "
                               "juego, que solo la lee, no puede terminar esa escritura. Ábrala con el programa de "
                               "palabras para repararla (%2).")
                    .arg(databaseName, detail)};
    case ResultCode::CantOpen:
    case ResultCode::Perm:
    case ResultCode::Auth:
    case ResultCode::IoErr:
        return {ErrorNumber::CannotOpenFile,
                QStringLiteral("No se puede leer la base de datos de palabras «%1» (%2).").arg(databaseName, detail)};
    case ResultCode::Error:
        if (tableMissing)
            return {ErrorNumber::TableNotFound,
                    QStringLiteral("La base de datos de palabras no tiene la tabla que pide la consulta «%1» (%2).")
                        .arg(query, detail)};
        break;
    default: break;
    }
    if (step == DatabaseStep::Open)
        return {ErrorNumber::CannotOpenFile,
                QStringLiteral("No se puede abrir la base de datos de palabras «%1» (%2).").arg(databaseName, detail)};
    return {ErrorNumber::QueryRejected,
            QStringLiteral("La base de datos de palabras no acepta la consulta «%1» (%2).").arg(query, detail)};
}

Recordset::Recordset(std::shared_ptr<Connection> connection, QString query)
    : m_connection(std::move(connection)), m_databaseName(m_connection->databaseName()), m_query(std::move(query)),
      m_pageRows(kFirstPageRows)
{
}

Recordset::~Recordset() = default;

// Reads the rows of one statement to its end and finishes it, so that no
// lock outlives the call. A paged statement gives the rowid first and, after
// the first page, takes the last rowid read. On an error the rows held stay
// as they were.
QSqlError Recordset::readPage(const QString &statement, bool paged, bool afterLastRowid)
{
    QSqlError error;
    QSqlQuery *found = m_connection->statement(statement, &error);
    if (!found)
        return error;
    QSqlQuery &q = *found;
    int parameter = 0;
    if (afterLastRowid)
        q.bindValue(parameter++, m_lastRowid);
    if (paged)
        q.bindValue(parameter++, m_pageRows);
    if (!q.exec()) {
        error = q.lastError();
        q.finish();
        return error;
    }
    if (m_fields.isEmpty()) {
        m_fields = q.record();
        if (paged)
            m_fields.remove(0);
    }
    const int first = paged ? 1 : 0;
    const int columns = m_fields.count();
    std::vector<QVariantList> rows;
    qint64 lastRowid = m_lastRowid;
    while (q.next()) {
        if (paged)
            lastRowid = q.value(0).toLongLong();
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(q.value(first + i));
        rows.push_back(std::move(row));
    }
    error = q.lastError();
    q.finish();
    if (error.isValid())
        return error;
    if (!paged || rows.size() < std::size_t(m_pageRows))
        m_nextPage.clear();
    m_pageRows = std::min(2 * m_pageRows, kMostPageRows);
    m_lastRowid = lastRowid;
    std::move(rows.begin(), rows.end(), std::back_inserter(m_rows));
    return {};
}

QSqlError Recordset::readSnapshot()
{
    while (!m_nextPage.isEmpty() && m_rows.size() < kSnapshotRows) {
        const QSqlError error = readPage(m_nextPage, true, true);
        if (error.isValid())
            return error;
    }
    if (m_nextPage.isEmpty())
        m_connection.reset();
    m_atEnd = m_rows.empty();
    return {};
}

void Recordset::MoveNext()
{
    if (m_atEnd)
        return;
    ++m_row;
    if (m_row >= m_rows.size() && !m_nextPage.isEmpty()) {
        // Past the rows read at the start: the rows walked are let go.
        m_rows.clear();
        m_row = 0;
        const QSqlError error = readPage(m_nextPage, true, true);
        if (error.isValid()) {
            m_nextPage.clear();
            m_connection.reset();
            logWarning(errorLine(databaseError(error, DatabaseStep::Query, m_databaseName, m_query)) +
                       QStringLiteral(" La categoría termina en la última palabra leída."));
        }
    }
    m_atEnd = m_row >= m_rows.size();
    if (m_moved)
        m_moved();
}

QVariant Recordset::fieldValue(const QString &name) const
{
    const int index = m_fields.indexOf(name);
    if (index < 0 && m_unread)
        return {};
    if (index < 0)
        throw UntrappedError(ErrorNumber::FieldNotFound,
                             QStringLiteral("La tabla de palabras no tiene el campo «%1».").arg(name));
    if (m_atEnd)
        return {};
    const QVariant value = m_rows[m_row].value(index);
    if (value.isNull())
        return {};
    // Words typed on another system may come decomposed; the keyboard and the
    // media files use precomposed letters.
    return value.toString().normalized(QString::NormalizationForm_C);
}

std::shared_ptr<Recordset> Database::OpenRecordset(const QString &query)
{
    const QString &name = m_connection->databaseName();
    auto fail = [&](const QSqlError &error, bool tableMissing = false) {
        const UntrappedError e = databaseError(error, DatabaseStep::Query, name, query, tableMissing);
        if (!m_wordsWereRead || queryWouldWrite(error))
            throw e;
        // The words were read before: the file changed since, and the game
        // goes on without these rows.
        logWarning(errorLine(e) + QStringLiteral(" La categoría queda sin palabras."));
        std::shared_ptr<Recordset> none(new Recordset(m_connection, query));
        none->m_connection.reset();
        none->m_unread = true;
        return none;
    };
    auto read = [&](std::shared_ptr<Recordset> recordset) {
        m_wordsWereRead = true;
        return recordset;
    };
    std::shared_ptr<Recordset> recordset(new Recordset(m_connection, query));
    const std::optional<PagedQuery> paged = pagedForm(query);
    if (paged) {
        recordset->m_nextPage = paged->next;
        QSqlError error = recordset->readPage(paged->first, true, false);
        if (!error.isValid()) {
            error = recordset->readSnapshot();
            return error.isValid() ? fail(error) : read(recordset);
        }
        if (resultCode(error) != ResultCode::Error)
            return fail(error);
        if (!tableExists(m_connection->db(), paged->table))
            return fail(error, true);
        // A table without rowids, or a view, cannot be read by pages: it is
        // read whole below, as any other query.
        recordset.reset(new Recordset(m_connection, query));
    }
    QSqlError error = recordset->readPage(query, false, false);
    if (!error.isValid())
        error = recordset->readSnapshot();
    return error.isValid() ? fail(error) : read(recordset);
}

DataControl::DataControl(const MediaPaths &paths, QString databaseName, QString recordSource)
    : m_paths(paths), m_databaseName(std::move(databaseName)), m_recordSource(std::move(recordSource))
{
}

DataControl::~DataControl()
{
    m_recordset.reset();
    m_database.reset();
}

void DataControl::bind(const QString &field, std::function<void(const QString &)> show)
{
    m_bindings.emplace_back(field, std::move(show));
}

std::shared_ptr<Connection> DataControl::connect(const QString &file)
{
    checkIsFile(file, m_databaseName);

    // Read only, and nothing written beside the file either: a database kept
    // in write-ahead-log mode would get a "-wal" and a "-shm" file from a
    // plain open. While both are there (another program has it open), they
    // are used as they are; with no log, or an empty one, the file alone holds
    // every word and is read as it stands; a log with changes but no index
    // beside it can only be read by writing one, so it is refused.
    QString options = QStringLiteral("mode=ro");
    if (isWalMode(file)) {
        const bool log = nonEmptyFile(file + QStringLiteral("-wal"));
        const bool index = QFileInfo::exists(file + QStringLiteral("-shm"));
        if (!log)
            options += QStringLiteral("&immutable=1");
        else if (!index)
            throw UntrappedError(
                ErrorNumber::CannotOpenFile,
                QStringLiteral("La base de datos de palabras «%1» tiene cambios que aún no pasaron al archivo (están "
                               "en «%2-wal») y el juego, que no escribe nada, no puede leerlos. Ábrala una vez con el "
                               "programa de palabras para guardarlos en el archivo.")
                    .arg(m_databaseName, QFileInfo(file).fileName()));
    }

    const QString name = QStringLiteral("Data1-%1").arg(++s_connections);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    QUrl uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    uri.setQuery(options);
    db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    // Shared and read only: the game never writes, and waits a moment for a
    // writer that holds the file.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=3000"));
    auto connection = std::make_shared<Connection>(name, db, m_databaseName);
    db = QSqlDatabase();
    if (!connection->open())
        throw databaseError(connection->db().lastError(), DatabaseStep::Open, m_databaseName);
    // Every statement on it stops after a bounded amount of work: a file made
    // with a query that never ends must not hang the game.
    if (!database::limitStatementWork(connection->db()))
        throw UntrappedError(ErrorNumber::CannotOpenFile,
                             QStringLiteral("No se puede abrir la base de datos de palabras «%1»: el controlador de "
                                            "SQLite no da acceso a su conexión.")
                                 .arg(m_databaseName));
    {
        // SQLite reads the file at the first statement: read its schema now, so
        // that a file that is no database, or one that cannot be read without
        // writing, is told as such and not as a fault of a query.
        QSqlQuery probe(connection->db());
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !probe.next()) {
            const QSqlError error = probe.lastError();
            probe.finish();
            throw databaseError(error, DatabaseStep::Open, m_databaseName);
        }
    }
    return connection;
}

void DataControl::open()
{
    const QString file = m_paths.resolve(m_databaseName);
    const QByteArray identity = fileIdentity(file);
    m_database = std::make_unique<Database>(connect(file));
    m_openedAs = identity;
}

void DataControl::openReplacement(const QString &file, const QByteArray &identity)
{
    try {
        std::shared_ptr<Connection> connection = connect(file);
        if (const auto problem = wholeDatabaseProblem(connection->db(), m_databaseName, m_recordSource))
            throw *problem;
        m_database = std::make_unique<Database>(std::move(connection), true);
        m_openedAs = identity;
        m_refusedAs.clear();
    } catch (const UntrappedError &e) {
        // Told once: the same file is not tried again until it changes (a copy
        // that goes on being written is tried again when it is whole).
        m_refusedAs = identity;
        logWarning(QStringLiteral("La base de datos de palabras «%1» cambió en el disco, pero la nueva no se puede "
                                  "leer entera; el juego sigue con las palabras de la que tenía abierta. %2")
                       .arg(m_databaseName, errorLine(e)));
    }
}

void DataControl::Refresh()
{
    if (!m_database)
        open();
    setRecordset(m_database->OpenRecordset(QStringLiteral("SELECT * FROM \"%1\"").arg(m_recordSource)));
}

Database &DataControl::database()
{
    if (!m_database) {
        open();
    } else {
        // A file that is gone leaves the open one in use.
        const QString file = m_paths.resolve(m_databaseName);
        const QByteArray identity = fileIdentity(file);
        if (identity != m_openedAs && identity != m_refusedAs && QFileInfo::exists(file))
            openReplacement(file, identity);
    }
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
