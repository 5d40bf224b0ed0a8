#include "database/statement_budget.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

// The handle that Qt's QSQLITE driver gives is used with this program's own
// libsqlite3: on Debian the driver is linked against the same shared library
// (`ldd libqsqlite.so` shows libsqlite3.so.0), so both are one library with
// one connection object. A driver with an SQLite of its own built in would
// need its handle used through that copy instead.

namespace korivanta::database {

namespace {

// SQLite calls the progress handler once every this many instructions.
constexpr int kInstructionsPerTick = 1000;

// The budget of one connection, kept beside its driver: the driver closes the
// SQLite connection before its children go, so SQLite never calls into a
// budget that is gone.
class StatementBudget : public QObject {
    Q_OBJECT
public:
    explicit StatementBudget(QObject *driver) : QObject(driver) {}
    qint64 perRun = 0;
    qint64 left = 0; // of the statement running now
};

int onProgress(void *context)
{
    auto *budget = static_cast<StatementBudget *>(context);
    budget->left -= kInstructionsPerTick;
    // Non-zero stops the running statement with SQLITE_INTERRUPT.
    return budget->left < 0 ? 1 : 0;
}

// Called as a statement starts to run (with its text), as each trigger it
// fires and each statement of the trigger start (with a comment: "--
// TRIGGER name" and the like), and for each row the statement gives. Only
// the statement itself starts a run; a row is paid for here and stops the
// statement at the next tick once the budget is spent.
int onTrace(unsigned type, void *context, void *statement, void *text)
{
    auto *budget = static_cast<StatementBudget *>(context);
    if (type == SQLITE_TRACE_ROW) {
        budget->left -= kRowCost;
        return 0;
    }
    if (type != SQLITE_TRACE_STMT || !statement || !text)
        return 0;
    const char *sql = sqlite3_sql(static_cast<sqlite3_stmt *>(statement));
    if (sql && std::strcmp(static_cast<const char *>(text), sql) == 0)
        budget->left = budget->perRun;
    return 0;
}

} // namespace

bool limitStatementWork(const QSqlDatabase &db, qint64 budget)
{
    QSqlDriver *driver = db.driver();
    if (!driver || !db.isOpen())
        return false;
    const QVariant handle = driver->handle();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (!connection)
        return false;
    // One budget per driver, kept when the connection is opened again.
    auto *state = driver->findChild<StatementBudget *>(QString(), Qt::FindDirectChildrenOnly);
    if (!state)
        state = new StatementBudget(driver);
    state->perRun = std::max<qint64>(0, budget);
    state->left = state->perRun;
    sqlite3_trace_v2(connection, SQLITE_TRACE_STMT | SQLITE_TRACE_ROW, onTrace, state);
    sqlite3_progress_handler(connection, kInstructionsPerTick, onProgress, state);
    sqlite3_limit(connection, SQLITE_LIMIT_LENGTH, kMostValueBytes);
    return true;
}

QString runawayStatementText()
{
    return QStringLiteral("una consulta no llegaba nunca a su fin y se detuvo");
}

} // namespace korivanta::database

#include "statement_budget.moc"
