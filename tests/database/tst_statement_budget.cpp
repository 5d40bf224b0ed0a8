// The bound on a statement's work: a statement that would run for ever stops
// with SQLITE_INTERRUPT once it has run its budget of instructions and rows,
// whatever makes it long (a recursive view, a join, the rows it hands over,
// the triggers it fires); every run of a statement gets the whole budget
// again, so any number of statements that each stay within it run to their
// end.
#include "database/statement_budget.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <QTest>
#include <QUuid>

#include <sqlite3.h>

using namespace korivanta;

namespace {

// A test's own budget: small, so that a runaway stops at once.
constexpr qint64 kSmallBudget = 1'000'000;
// SQLite calls the budget's handler once every this many instructions.
constexpr qint64 kTick = 1000;

// An in-memory SQLite database of its own, with the statements run on it
// before the budget is put on the connection.
class Scratch {
public:
    explicit Scratch(const QStringList &setup) : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (!db.open())
            qFatal("cannot open an in-memory database: %s", qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        for (const QString &s : setup)
            if (!q.exec(s))
                qFatal("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
    }
    ~Scratch()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

// The instructions SQLite ran for the query's statement, over all its runs.
qint64 instructionsRun(const QSqlQuery &q)
{
    const QVariant handle = q.result()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        qFatal("not an SQLite statement: %s", handle.typeName());
    auto *statement = *static_cast<sqlite3_stmt *const *>(handle.constData());
    return sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_VM_STEP, 0);
}

// Runs the statement and reads all its rows; its error, if any, and in
// `rows` how many rows it gave.
QSqlError runToTheEnd(QSqlQuery &q, const QString &statement = QString(), qint64 *rows = nullptr)
{
    q.setForwardOnly(true);
    if (!(statement.isEmpty() ? q.exec() : q.exec(statement)))
        return q.lastError();
    qint64 n = 0;
    while (q.next())
        ++n;
    if (rows)
        *rows = n;
    return q.lastError();
}

// What a run spent from its budget: its instructions, and its rows.
qint64 spent(const QSqlQuery &q, qint64 rows)
{
    return instructionsRun(q) + rows * database::kRowCost;
}

// SQLite looks at the budget once every 1000 instructions: a stopped
// statement may run that much more, and pay for the rows made meanwhile.
constexpr qint64 kOverrun = 2 * kTick + kTick * database::kRowCost;

const QString kEndlessView =
    QStringLiteral("CREATE VIEW nominal AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                   "SELECT 'inti' nom_ay, 'sol' nom_esp, 'naturaleza' categoria, '' dibujo, '' sonido FROM c");

// `n` rows in table t, numbered from 1.
QString numbers(int n)
{
    return QStringLiteral("INSERT INTO t WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x < %1) "
                          "SELECT x FROM c")
        .arg(n);
}

} // namespace

class TestStatementBudget : public QObject {
    Q_OBJECT
private slots:
    // Whatever makes a statement run long, it stops just past its budget
    // with SQLite's "interrupted", and the next statement runs as usual.
    void runawayStopsAtItsBudget_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<qint64>("budget"); // 0: the programs' own
        const QStringList endless{kEndlessView};
        QTest::addRow("recursive view, read row by row")
            << endless << QStringLiteral("SELECT * FROM nominal") << kSmallBudget;
        QTest::addRow("recursive view, sorted for its first row")
            << endless << QStringLiteral("SELECT rowid, * FROM nominal WHERE 1 ORDER BY rowid LIMIT 1") << kSmallBudget;
        QTest::addRow("recursive view, the programs' budget")
            << endless << QStringLiteral("SELECT rowid, * FROM nominal WHERE 1 ORDER BY rowid LIMIT 1") << qint64(0);
        // 720,000 instructions, within the budget, but 120,000 rows handed
        // over: the rows are what costs.
        QTest::addRow("many rows, each made at once")
            << QStringList{QStringLiteral("CREATE TABLE t (x)"), numbers(120000)} << QStringLiteral("SELECT x FROM t")
            << kSmallBudget;
        QTest::addRow("table joined with itself")
            << QStringList{QStringLiteral("CREATE TABLE t (x)"), numbers(200)}
            << QStringLiteral("SELECT count(*) FROM t a, t b, t c, t d") << kSmallBudget;
        // Each of 1,000 inserted rows fires a trigger that spends a tenth of
        // the budget: the triggers are the statement's work and share its
        // budget, however many of them start.
        QTest::addRow("triggers of one statement")
            << QStringList{QStringLiteral("CREATE TABLE t (x)"), QStringLiteral("CREATE TABLE u (x)"),
                           QStringLiteral("CREATE TRIGGER spend AFTER INSERT ON t BEGIN "
                                          "INSERT INTO u SELECT count(*) FROM (WITH RECURSIVE c(x) AS "
                                          "(SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x < 10000) SELECT x FROM c); "
                                          "END")}
            << numbers(1000) << kSmallBudget;
    }
    void runawayStopsAtItsBudget()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, statement);
        QFETCH(qint64, budget);
        Scratch scratch(setup);
        QSqlDatabase db = scratch.db();
        if (budget == 0) {
            QVERIFY(database::limitStatementWork(db));
            budget = database::kStatementBudget;
        } else {
            QVERIFY(database::limitStatementWork(db, budget));
        }
        QSqlQuery q(db);
        qint64 rows = 0;
        const QSqlError error = runToTheEnd(q, statement, &rows);
        QCOMPARE(error.nativeErrorCode(), QString::number(database::kInterrupted));
        const qint64 run = spent(q, rows);
        QVERIFY2(run > budget && run <= budget + kOverrun, qPrintable(QString::number(run)));
        q.finish();

        QSqlQuery next(db);
        QVERIFY2(next.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && next.next(),
                 qPrintable(next.lastError().text()));
    }

    // Statements that each take most of the budget, one after another on
    // one connection, and one prepared statement run again and again, as the
    // game runs its pages: every run gets the whole budget.
    void everyRunGetsTheWholeBudget_data()
    {
        QTest::addColumn<bool>("samePreparedStatement");
        QTest::addRow("new statements") << false;
        QTest::addRow("one prepared statement run again") << true;
    }
    void everyRunGetsTheWholeBudget()
    {
        QFETCH(bool, samePreparedStatement);
        Scratch scratch({QStringLiteral("CREATE TABLE t (x)"), numbers(120000)});
        QSqlDatabase db = scratch.db();
        QVERIFY(database::limitStatementWork(db, kSmallBudget));
        const QString statement = QStringLiteral("SELECT sum(x * 2) FROM t WHERE x > ?");
        QSqlQuery prepared(db);
        QVERIFY(prepared.prepare(statement));
        qint64 total = 0;
        for (int i = 0; i < 5; ++i) {
            QSqlQuery fresh(db);
            QSqlQuery &q = samePreparedStatement ? prepared : fresh;
            if (!samePreparedStatement)
                QVERIFY(q.prepare(statement));
            q.addBindValue(0);
            qint64 rows = 0;
            const QSqlError error = runToTheEnd(q, QString(), &rows);
            QVERIFY2(!error.isValid(), qPrintable(error.text()));
            const qint64 run = spent(q, rows) - (samePreparedStatement ? total : 0);
            total += run;
            // Most of the budget, so that two runs would overdraw one budget.
            QVERIFY2(run > kSmallBudget / 2 && run < kSmallBudget, qPrintable(QString::number(run)));
            q.finish();
        }
    }

    // A value that one instruction makes huge is refused at once, not made.
    void hugeValuesAreRefused_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("printf of 100 MB") << "SELECT printf('%.*c', 100000000, 'x')";
        QTest::newRow("zeroblob of 900 MB") << "SELECT zeroblob(900000000) || 'x'";
        QTest::newRow("a view of huge names") << "SELECT * FROM grande";
    }
    void hugeValuesAreRefused()
    {
        QFETCH(QString, statement);
        Scratch scratch({});
        QSqlDatabase db = scratch.db();
        QSqlQuery make(db);
        QVERIFY(make.exec(QStringLiteral("CREATE VIEW grande AS SELECT printf('%.*c', 50000000, 'x') nom_ay")));
        QVERIFY(database::limitStatementWork(db));
        QSqlQuery q(db);
        q.setForwardOnly(true);
        // Either SQLite refuses it (SQLITE_TOOBIG) or the value comes empty:
        // never the huge value.
        if (q.exec(statement)) {
            while (q.next())
                QVERIFY(q.value(0).toByteArray().size() <= database::kMostValueBytes);
        }
        if (q.lastError().isValid())
            QCOMPARE(q.lastError().nativeErrorCode(), QStringLiteral("18"));
        // A word's value of ordinary length is read as before.
        QVERIFY(q.exec(QStringLiteral("SELECT printf('%.*c', 1000, 'x')")) && q.next());
        QCOMPARE(q.value(0).toString().size(), 1000);
    }

    // A connection closed and opened again is a new SQLite connection: it is
    // bounded once it is guarded again.
    void reopenedConnectionIsGuardedAgain()
    {
        Scratch scratch({});
        QSqlDatabase db = scratch.db();
        QVERIFY(database::limitStatementWork(db, kSmallBudget));
        db.close();
        QVERIFY(!database::limitStatementWork(db, kSmallBudget)); // nothing to guard while closed
        QVERIFY(db.open());
        QVERIFY(database::limitStatementWork(db, kSmallBudget));
        QSqlQuery q(db);
        QVERIFY(q.exec(kEndlessView));
        qint64 rows = 0;
        const QSqlError error = runToTheEnd(q, QStringLiteral("SELECT * FROM nominal"), &rows);
        QCOMPARE(error.nativeErrorCode(), QString::number(database::kInterrupted));
        QVERIFY(spent(q, rows) <= kSmallBudget + kOverrun);
    }
};

QTEST_GUILESS_MAIN(TestStatementBudget)
#include "tst_statement_budget.moc"
