// The words data source: record sets, positions, bound controls and the
// reposition handler, the errors of a broken database, and no writing.
#include "app/untrapped_error.h"
#include "game/data_control.h"
#include "media/media_paths.h"
#include "support/exclusive_holder.h"
#include "support/stderr_capture.h"
#include "support/words_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>

using namespace korivanta;

namespace {

const QString kDb = QStringLiteral("C:\\Trab_zumel\\diccionario.mdb");

QList<WordRow> sampleWords()
{
    return {
        {"inti", "sol", "naturaleza", {}, {}},
        {"anu", "perro", "animal", {}, {}},
        {"phisi", "gato", "animal", {}, {}},
        {"uma", "agua", "naturaleza", {}, {}},
    };
}

// Watches a data source: what the bound control showed and when the
// reposition handler ran.
struct Watch {
    explicit Watch(DataControl &data)
    {
        data.bind(QStringLiteral("nom_ay"), [this](const QString &v) {
            bound = v;
            log << QStringLiteral("bound:") + v;
        });
        data.setRepositionHandler([this] { log << QStringLiteral("reposition:") + bound; });
    }
    QString bound;
    QStringList log;
};

// A data source over a words database made for the test, watched.
struct Source {
    explicit Source(const QList<WordRow> &rows) : paths(dir.path()) { file = makeWordsDatabase(dir.path(), rows); }
    QTemporaryDir dir;
    QString file;
    MediaPaths paths;
    DataControl data{paths, kDb, QStringLiteral("nominal")};
    Watch watch{data};
};

int errorNumber(const std::function<void()> &f)
{
    try {
        f();
    } catch (const UntrappedError &e) {
        return e.number();
    }
    return 0;
}

// Runs statements on a connection of its own to the file, which is kept in
// write-ahead-log mode and never checkpointed; `whileOpen` runs before the
// connection closes (which moves the log into the file and removes it).
void writeWithLog(const QString &file, const QStringList &statements, const std::function<void()> &whileOpen)
{
    const QString name = QStringLiteral("log writer");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(file));
        QSqlQuery q(db);
        for (const QString &s :
             QStringList{QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("PRAGMA wal_autocheckpoint=0")} +
                 statements)
            if (!q.exec(s))
                qFatal("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
        q.finish();
        whileOpen();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TestDataControl : public QObject {
    Q_OBJECT
private slots:
    void refreshStandsOnFirstRecordOfTheTable()
    {
        Source source(sampleWords());
        DataControl &data = source.data;
        Watch &watch = source.watch;
        data.Refresh();
        QCOMPARE(watch.log, (QStringList{"bound:inti", "reposition:inti"}));
        QVERIFY(!data.recordset().eof());
    }

    void categoryRecordsetMovesToItsEnd()
    {
        Source source(sampleWords());
        DataControl &data = source.data;
        Watch &watch = source.watch;
        data.Refresh();
        watch.log.clear();
        data.setRecordset(
            data.database().OpenRecordset(QStringLiteral("SELECT * from nominal where categoria='animal';")));
        data.recordset().MoveNext();
        QVERIFY(!data.recordset().eof());
        data.recordset().MoveNext();
        QVERIFY(data.recordset().eof());
        // Bound controls first, then the handler, once per position; the
        // end is a position too, where bound controls show nothing.
        QCOMPARE(watch.log, (QStringList{"bound:anu", "reposition:anu", "bound:phisi", "reposition:phisi",
                                         "bound:", "reposition:"}));
        QVERIFY(data.recordset().fieldValue(QStringLiteral("dibujo")).isNull());
    }

    void queryTextsAsWrittenAreAccepted()
    {
        Source source(sampleWords());
        DataControl &data = source.data;
        Watch &watch = source.watch;
        data.setRecordset(data.database().OpenRecordset(QStringLiteral("SELECT * from nominal ;")));
        QCOMPARE(watch.bound, QStringLiteral("inti"));
    }

    void emptyCategoryIsAtItsEndAtOnce()
    {
        Source source(sampleWords());
        DataControl &data = source.data;
        Watch &watch = source.watch;
        data.setRecordset(
            data.database().OpenRecordset(QStringLiteral("SELECT * from nominal where categoria='hogar';")));
        QVERIFY(data.recordset().eof());
        QCOMPARE(watch.log, (QStringList{"bound:", "reposition:"}));
    }

    void fieldsAreTextOrNull()
    {
        Source source({{"inti", {}, "naturaleza", "", "c:\\x.wav"}});
        DataControl &data = source.data;
        data.Refresh();
        QVERIFY(data.recordset().fieldValue(QStringLiteral("nom_esp")).isNull());
        QCOMPARE(data.recordset().fieldValue(QStringLiteral("dibujo")).toString(), QString());
        QCOMPARE(data.recordset().fieldValue(QStringLiteral("sonido")).toString(), QStringLiteral("c:\\x.wav"));
    }

    void decomposedWordIsReadPrecomposed()
    {
        Source source({{QStringLiteral("ja\u0308"), "x", "naturaleza", {}, {}}});
        DataControl &data = source.data;
        Watch &watch = source.watch;
        data.Refresh();
        QCOMPARE(watch.bound, QStringLiteral("j\u00E4"));
    }

    void brokenDatabases_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("number");
        QTest::addRow("missing file") << "missing" << int(ErrorNumber::DatabaseNotFound);
        QTest::addRow("no table nominal") << "notable" << int(ErrorNumber::TableNotFound);
        QTest::addRow("empty file") << "empty" << int(ErrorNumber::TableNotFound);
        QTest::addRow("not a database") << "text" << int(ErrorNumber::UnrecognizedDatabase);
        QTest::addRow("missing field") << "nofield" << int(ErrorNumber::FieldNotFound);
        QTest::addRow("damaged table") << "damaged" << int(ErrorNumber::UnrecognizedDatabase);
        QTest::addRow("locked by another program") << "locked" << int(ErrorNumber::DatabaseLocked);
    }
    void brokenDatabases()
    {
        QFETCH(QString, kind);
        QFETCH(int, number);
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/Trab_zumel/diccionario.mdb");
        if (kind == QLatin1String("notable")) {
            makeWordsDatabase(dir.path(), {}, QStringLiteral("CREATE TABLE palabras (nom_ay TEXT)"));
        } else if (kind == QLatin1String("nofield") || kind == QLatin1String("locked")) {
            makeWordsDatabase(dir.path(), sampleWords());
        } else if (kind == QLatin1String("damaged")) {
            // The table's first page (the file's second) overwritten.
            makeWordsDatabase(dir.path(), sampleWords());
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(4096));
            f.write(QByteArray(512, '\x7f'));
        } else if (kind != QLatin1String("missing")) {
            QDir().mkpath(dir.path() + QStringLiteral("/Trab_zumel"));
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == QLatin1String("text"))
                f.write(QByteArray("nom_ay,nom_esp\ninti,sol\n").repeated(200));
        }
        const QByteArray before = fileBytes(file);
        // Another program holding the exclusive lock for as long as the game waits.
        std::optional<ExclusiveHolder> holder;
        if (kind == QLatin1String("locked"))
            holder.emplace(file);
        auto release = [&] { holder.reset(); };
        const auto releaseOnFailure = qScopeGuard(release);
        MediaPaths paths(dir.path());
        DataControl data(paths, kDb, QStringLiteral("nominal"));
        if (kind == QLatin1String("nofield")) {
            data.bind(QStringLiteral("nom_aymara"), [](const QString &) {});
            QCOMPARE(errorNumber([&] {
                         data.setRecordset(data.database().OpenRecordset(QStringLiteral("SELECT * from nominal ;")));
                     }),
                     number);
        } else {
            QCOMPARE(errorNumber([&] { data.Refresh(); }), number);
        }
        release();
        QCOMPARE(fileBytes(file), before);
        if (kind == QLatin1String("missing"))
            QVERIFY(!QFile::exists(file)); // opening read-only creates nothing
    }

    // SQLite's result code decides the kind of error; its English message
    // text, here chosen to mislead, only goes into the description.
    void errorKindsFromResultCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("atOpen");
        QTest::addColumn<bool>("tableMissing");
        QTest::addColumn<int>("number");
        QTest::addRow("busy") << "5"
                              << "no such table: nominal" << false << false << int(ErrorNumber::DatabaseLocked);
        QTest::addRow("locked") << "6"
                                << "file is not a database" << false << false << int(ErrorNumber::DatabaseLocked);
        QTest::addRow("busy, extended code") << "517"
                                             << "" << false << false << int(ErrorNumber::DatabaseLocked);
        QTest::addRow("not a database") << "26"
                                        << "database is locked" << true << false
                                        << int(ErrorNumber::UnrecognizedDatabase);
        QTest::addRow("damaged") << "11"
                                 << "busy" << false << false << int(ErrorNumber::UnrecognizedDatabase);
        QTest::addRow("stopped for running too long") << "9"
                                                      << "" << false << false << int(ErrorNumber::UnrecognizedDatabase);
        QTest::addRow("stopped for running too long, at open")
            << "9"
            << "" << true << false << int(ErrorNumber::UnrecognizedDatabase);
        QTest::addRow("generic error, no such table")
            << "1"
            << "database disk image is malformed" << false << true << int(ErrorNumber::TableNotFound);
        QTest::addRow("generic error, table present")
            << "1"
            << "no such table: nominal" << false << false << int(ErrorNumber::QueryRejected);
        QTest::addRow("a query that writes")
            << "8"
            << "database is locked" << false << false << int(ErrorNumber::QueryRejected);
        QTest::addRow("hot journal, extended code")
            << "776"
            << "attempt to write a readonly database" << false << false << int(ErrorNumber::CannotOpenFile);
        QTest::addRow("read only at open") << "8"
                                           << "" << true << false << int(ErrorNumber::CannotOpenFile);
        QTest::addRow("cannot open") << "14"
                                     << "no such table: x" << true << false << int(ErrorNumber::CannotOpenFile);
        QTest::addRow("disk error, extended code") << "266"
                                                   << "" << false << false << int(ErrorNumber::CannotOpenFile);
        QTest::addRow("no code, at open") << ""
                                          << "locked" << true << false << int(ErrorNumber::CannotOpenFile);
        QTest::addRow("no code, in a query") << ""
                                             << "locked" << false << false << int(ErrorNumber::QueryRejected);
    }
    void errorKindsFromResultCodes()
    {
        QFETCH(QString, code);
        QFETCH(QString, text);
        QFETCH(bool, atOpen);
        QFETCH(bool, tableMissing);
        QFETCH(int, number);
        const QSqlError error(QStringLiteral("Unable to execute statement"), text, QSqlError::StatementError, code);
        const UntrappedError e = databaseError(error, atOpen ? DatabaseStep::Open : DatabaseStep::Query, kDb,
                                               QStringLiteral("SELECT * from nominal ;"), tableMissing);
        QCOMPARE(e.number(), number);
        if (!text.isEmpty())
            QVERIFY2(e.description().contains(text), qPrintable(e.description()));
    }

    // What lies at the database's path is told as what it is.
    void whatLiesAtThePath_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("says");
        QTest::addRow("nothing") << "missing" << int(ErrorNumber::DatabaseNotFound) << "No se encuentra";
        QTest::addRow("a symlink to nothing") << "dangling" << int(ErrorNumber::DatabaseNotFound) << "No se encuentra";
        QTest::addRow("a folder") << "folder" << int(ErrorNumber::CannotOpenFile) << "hay una carpeta";
        QTest::addRow("a FIFO") << "fifo" << int(ErrorNumber::CannotOpenFile) << "FIFO";
        QTest::addRow("a symlink loop") << "loop" << int(ErrorNumber::InvalidPath) << "bucle";
        QTest::addRow("a file that is no database")
            << "text" << int(ErrorNumber::UnrecognizedDatabase) << "existe, pero no es una base de datos";
    }
    void whatLiesAtThePath()
    {
        QFETCH(QString, kind);
        QFETCH(int, number);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/Trab_zumel");
        const QString file = folder + QStringLiteral("/diccionario.mdb");
        QVERIFY(QDir().mkpath(folder));
        const QByteArray path = QFile::encodeName(file);
        if (kind == QLatin1String("dangling"))
            QVERIFY(QFile::link(folder + QStringLiteral("/nada.mdb"), file));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(file));
        else if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(path.constData(), 0644), 0);
        else if (kind == QLatin1String("loop"))
            QCOMPARE(::symlink(path.constData(), path.constData()), 0);
        if (kind == QLatin1String("text")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("nom_ay,nom_esp\ninti,sol\n").repeated(200));
        }
        const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
        MediaPaths paths(dir.path());
        DataControl data(paths, kDb, QStringLiteral("nominal"));
        try {
            data.Refresh();
            QFAIL("no error");
        } catch (const UntrappedError &e) {
            QCOMPARE(e.number(), number);
            QVERIFY2(e.description().contains(says), qPrintable(e.description()));
        }
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
    }

    void missingDatabaseMessageNamesTheFile()
    {
        QTemporaryDir dir;
        MediaPaths paths(dir.path());
        DataControl data(paths, kDb, QStringLiteral("nominal"));
        try {
            data.Refresh();
            QFAIL("no error");
        } catch (const UntrappedError &e) {
            QVERIFY2(e.description().contains(kDb), qPrintable(e.description()));
            QVERIFY2(e.description().contains(dir.path()), qPrintable(e.description()));
        }
    }

    // Another program commits a write at every position a record set can
    // stand on between two handlers.
    void anotherProgramCanWriteBetweenMoves()
    {
        Source source(sampleWords());
        DataControl &data = source.data;
        auto write = [&] {
            return writeAsAnotherProgram(
                source.file, {QStringLiteral("INSERT INTO nominal VALUES ('uru', 'día', 'tiempo', '', '')")});
        };
        data.Refresh();
        QCOMPARE(write(), QString());
        data.setRecordset(
            data.database().OpenRecordset(QStringLiteral("SELECT * from nominal where categoria='animal';")));
        QCOMPARE(write(), QString());
        data.recordset().MoveNext();
        QCOMPARE(source.watch.bound, QStringLiteral("phisi"));
        QCOMPARE(write(), QString());
        data.recordset().MoveNext();
        QVERIFY(data.recordset().eof());
        QCOMPARE(write(), QString());
    }

    // A category longer than what is read at a time comes whole and in the
    // table's order, also when other programs write while it is walked.
    void longCategoryKeepsItsOrder()
    {
        QList<WordRow> rows;
        QStringList animals;
        for (int i = 0; i < 300; ++i) {
            const QString word = QStringLiteral("w%1").arg(i);
            const bool animal = i % 3 != 1;
            rows.append({word, QStringLiteral("x"), animal ? "animal" : "ave", {}, {}});
            if (animal)
                animals << word;
        }
        Source source(rows);
        DataControl &data = source.data;
        data.setRecordset(
            data.database().OpenRecordset(QStringLiteral("SELECT * from nominal where categoria='animal';")));
        QStringList seen;
        while (!data.recordset().eof()) {
            seen << source.watch.bound;
            if (seen.size() % 50 == 0)
                QCOMPARE(writeAsAnotherProgram(source.file, {QStringLiteral("UPDATE nominal SET nom_esp='y'")}),
                         QString());
            data.recordset().MoveNext();
        }
        QCOMPARE(seen, animals);
        QVERIFY(data.recordset().fieldValue(QStringLiteral("nom_ay")).isNull());
    }

    // A table without rowids is read in the engine's own order (its key's).
    void tableWithoutRowidsIsReadInTheEnginesOrder()
    {
        QTemporaryDir dir;
        makeWordsDatabase(dir.path(), {{"phisi", "gato", "animal", {}, {}}, {"anu", "perro", "animal", {}, {}}},
                          QStringLiteral("CREATE TABLE nominal (nom_ay TEXT PRIMARY KEY, nom_esp TEXT, categoria "
                                         "TEXT, dibujo TEXT, sonido TEXT) WITHOUT ROWID"));
        MediaPaths paths(dir.path());
        DataControl data(paths, kDb, QStringLiteral("nominal"));
        Watch watch(data);
        data.setRecordset(
            data.database().OpenRecordset(QStringLiteral("SELECT * from nominal where categoria='animal';")));
        data.recordset().MoveNext();
        data.recordset().MoveNext();
        QCOMPARE(watch.log, (QStringList{"bound:anu", "reposition:anu", "bound:phisi", "reposition:phisi",
                                         "bound:", "reposition:"}));
    }

    // A database kept in write-ahead-log mode is read without a "-wal" or
    // "-shm" file made beside it, also in a folder that cannot be written.
    void writeAheadLogDatabase_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::addColumn<QString>("words"); // the first words read, or empty when refused
        for (bool readOnly : {false, true}) {
            const char *where = readOnly ? ", read-only folder" : "";
            QTest::addRow("log moved into the file%s", where) << "checkpointed" << readOnly << "inti anu uru";
            QTest::addRow("changes in the log, its index there%s", where) << "crashed" << readOnly << "inti anu uru";
            QTest::addRow("changes in the log, no index%s", where) << "noindex" << readOnly << "";
        }
    }
    void writeAheadLogDatabase()
    {
        QFETCH(QString, kind);
        QFETCH(bool, readOnlyFolder);
        QFETCH(QString, words);
        QTemporaryDir dir;
        QTemporaryDir writer;
        const QString file = dir.path() + QStringLiteral("/Trab_zumel/diccionario.mdb");
        makeWordsDatabase(dir.path(), sampleWords());
        const QStringList insert{QStringLiteral("INSERT INTO nominal VALUES ('uru', 'día', 'animal', '', '')")};
        if (kind == QLatin1String("checkpointed")) {
            writeWithLog(file, insert, [] {});
        } else {
            // The files as a writer that stopped without closing left them.
            const QString original = makeWordsDatabase(writer.path(), sampleWords());
            writeWithLog(original, insert, [&] {
                QVERIFY(QFile::remove(file));
                QStringList parts{QString(), QStringLiteral("-wal")};
                if (kind == QLatin1String("crashed"))
                    parts << QStringLiteral("-shm");
                for (const QString &part : parts)
                    QVERIFY(QFile::copy(original + part, file + part));
            });
        }
        const QString folder = QFileInfo(file).absolutePath();
        const QStringList before = filesIn(folder);
        QVERIFY(QFileInfo(file + QStringLiteral("-wal")).size() > 0 || kind == QLatin1String("checkpointed"));
        if (readOnlyFolder)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        auto restore =
            qScopeGuard([&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        {
            MediaPaths paths(dir.path());
            DataControl data(paths, kDb, QStringLiteral("nominal"));
            Watch watch(data);
            QStringList read;
            try {
                data.setRecordset(data.database().OpenRecordset(
                    QStringLiteral("SELECT * from nominal where categoria='naturaleza';")));
                read << watch.bound;
                data.setRecordset(
                    data.database().OpenRecordset(QStringLiteral("SELECT * from nominal where categoria='animal';")));
                for (; !data.recordset().eof(); data.recordset().MoveNext())
                    if (watch.bound != QLatin1String("phisi"))
                        read << watch.bound;
                QCOMPARE(read.join(QLatin1Char(' ')), words);
            } catch (const UntrappedError &e) {
                QVERIFY2(words.isEmpty(), qPrintable(e.description()));
                QCOMPARE(e.number(), int(ErrorNumber::CannotOpenFile));
                QVERIFY2(e.description().contains(QStringLiteral("diccionario.mdb-wal")), qPrintable(e.description()));
            }
        }
        QCOMPARE(filesIn(folder), before);
    }

    // A journal left by a writer that stopped half-way ("hot") would need a
    // write before the file can be read: the message says so, and names no
    // query that the game did not send.
    void hotJournalIsToldAsSuch_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::addRow("writable folder") << false;
        QTest::addRow("read-only folder") << true;
    }
    void hotJournalIsToldAsSuch()
    {
        QFETCH(bool, readOnlyFolder);
        QTemporaryDir dir;
        const QString file = makeWordsDatabase(dir.path(), sampleWords());
        {
            QTemporaryDir writer;
            const QString original = makeWordsDatabase(writer.path(), sampleWords());
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("journal writer"));
            db.setDatabaseName(original);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA cache_size=1")));
            QVERIFY(q.exec(QStringLiteral("BEGIN")));
            for (int i = 0; i < 200; ++i)
                QVERIFY(q.exec(QStringLiteral("INSERT INTO nominal VALUES ('%1', 'x', 'ave', '', '')")
                                   .arg(QString(400, QLatin1Char('a' + i % 26)))));
            QVERIFY(QFile::exists(original + QStringLiteral("-journal")));
            QVERIFY(QFile::remove(file));
            QVERIFY(QFile::copy(original, file));
            QVERIFY(QFile::copy(original + QStringLiteral("-journal"), file + QStringLiteral("-journal")));
            q.exec(QStringLiteral("ROLLBACK"));
            q.finish();
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("journal writer"));
        }
        const QByteArray before = fileBytes(file);
        const QByteArray journal = fileBytes(file + QStringLiteral("-journal"));
        const QString folder = QFileInfo(file).absolutePath();
        if (readOnlyFolder)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        auto restore =
            qScopeGuard([&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        MediaPaths paths(dir.path());
        DataControl data(paths, kDb, QStringLiteral("nominal"));
        try {
            data.Refresh();
            QFAIL("no error");
        } catch (const UntrappedError &e) {
            QCOMPARE(e.number(), int(ErrorNumber::CannotOpenFile));
            QVERIFY2(!e.description().contains(QStringLiteral("SELECT")), qPrintable(e.description()));
            QVERIFY2(e.description().contains(QStringLiteral("medio escribir")), qPrintable(e.description()));
        }
        QCOMPARE(fileBytes(file), before);
        QCOMPARE(fileBytes(file + QStringLiteral("-journal")), journal);
    }

    // A words database whose query never ends, or would take days, is a
    // broken one: the game stops the query and says the file is damaged, as
    // for any other damage. Tables and ordinary views read as they always did.
    void runawayQueries_data()
    {
        QTest::addColumn<QStringList>("setup"); // run on the sample words' database
        QTest::addColumn<QString>("query");     // empty: the whole table, as Refresh reads it
        QTest::addColumn<QString>("words");     // the words walked through, when no error
        QTest::addColumn<int>("number");
        const QStringList view{QStringLiteral("ALTER TABLE nominal RENAME TO palabras"),
                               QStringLiteral("CREATE VIEW nominal AS SELECT * FROM palabras")};
        const QStringList endless = runawayNominal(Runaway::RecursiveView);
        const QStringList crossJoin = runawayNominal(Runaway::CrossJoin);
        const QString animals = QStringLiteral("SELECT * from nominal where categoria='animal';");
        const int damaged = ErrorNumber::UnrecognizedDatabase;
        QTest::addRow("table, every word") << QStringList() << QString() << "inti anu phisi uma" << 0;
        QTest::addRow("table, a category") << QStringList() << animals << "anu phisi" << 0;
        // A view's rows have no rowid (SQLite gives NULL), so the page after
        // the first finds nothing: the game has always read a view's first
        // row only.
        QTest::addRow("ordinary view, every word") << view << QString() << "inti" << 0;
        QTest::addRow("ordinary view, a category") << view << animals << "anu" << 0;
        QTest::addRow("recursive view, every word") << endless << QString() << "" << damaged;
        QTest::addRow("recursive view, its category")
            << endless << QStringLiteral("SELECT * from nominal where categoria='naturaleza';") << "" << damaged;
        // SQLite sees that the view never gives this category: no work, no rows.
        QTest::addRow("recursive view, a category it never gives") << endless << animals << "" << 0;
        QTest::addRow("cross join of a table with itself") << crossJoin << QString() << "" << damaged;
    }
    void runawayQueries()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, query);
        QFETCH(QString, words);
        QFETCH(int, number);
        Source source(sampleWords());
        if (!setup.isEmpty())
            QCOMPARE(writeAsAnotherProgram(source.file, setup), QString());
        const QByteArray before = fileBytes(source.file);
        DataControl &data = source.data;
        QStringList read;
        try {
            if (query.isEmpty())
                data.Refresh();
            else
                data.setRecordset(data.database().OpenRecordset(query));
            for (int i = 0; i < 100 && !data.recordset().eof(); ++i, data.recordset().MoveNext())
                read << source.watch.bound;
            QCOMPARE(number, 0);
            QCOMPARE(read.join(QLatin1Char(' ')), words);
        } catch (const UntrappedError &e) {
            QCOMPARE(e.number(), number);
            QVERIFY2(e.description().contains(QStringLiteral("está dañado")), qPrintable(e.description()));
            QVERIFY2(e.description().contains(QStringLiteral("no llegaba nunca a su fin")),
                     qPrintable(e.description()));
        }
        QCOMPARE(fileBytes(source.file), before);
    }

    // A file put in place of the database is used only when it can be read
    // whole; until then the game reads on from the one it had open, and the
    // log says so once, however often the game looks.
    void replacementIsUsedOnlyWhenWhole_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says"); // in the warning
        QTest::addRow("half copied") << "half"
                                     << "está dañado";
        QTest::addRow("0 bytes") << "empty"
                                 << "no tiene la tabla";
        QTest::addRow("another table") << "notable"
                                       << "no tiene la tabla";
        // Its schema and first rows read well: only a check of every page
        // finds the damage.
        QTest::addRow("last page overwritten") << "lastpage"
                                               << "está dañado";
        QTest::addRow("not a database") << "text"
                                        << "no es una base de datos";
    }
    void replacementIsUsedOnlyWhenWhole()
    {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        QList<WordRow> rows = sampleWords();
        for (int i = 0; i < 300; ++i)
            rows.append({QStringLiteral("uta%1").arg(i), QString(40, QLatin1Char('x')), "hogar", {}, {}});
        Source source(rows);
        DataControl &data = source.data;
        const QString animals = QStringLiteral("SELECT * from nominal where categoria='animal';");
        data.setRecordset(data.database().OpenRecordset(animals));
        QCOMPARE(source.watch.bound, QStringLiteral("anu"));

        QTemporaryDir other;
        QList<WordRow> fresh{{"wank'u", "cuy", "animal", {}, {}}};
        for (int i = 0; i < 300; ++i)
            fresh.append({QStringLiteral("uta%1").arg(i), QString(40, QLatin1Char('x')), "hogar", {}, {}});
        const QString whole = makeWordsDatabase(other.path(), fresh);
        const QByteArray bytes = fileBytes(whole);
        QByteArray broken;
        if (kind == QLatin1String("half"))
            broken = bytes.left(bytes.size() / 2);
        else if (kind == QLatin1String("notable"))
            broken = fileBytes(makeWordsDatabase(other.path() + QStringLiteral("/t"), {},
                                                 QStringLiteral("CREATE TABLE palabras (nom_ay TEXT)")));
        else if (kind == QLatin1String("lastpage"))
            broken = bytes.left(bytes.size() - 4096) + QByteArray(4096, '\x7f');
        else if (kind == QLatin1String("text"))
            broken = QByteArray("nom_ay,nom_esp\ninti,sol\n").repeated(200);
        QVERIFY(bytes.size() > 4 * 4096);

        auto putInPlace = [&](const QByteArray &content) {
            const QString part = source.file + QStringLiteral(".part");
            QFile f(part);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(content), content.size());
            f.close();
            QCOMPARE(std::rename(QFile::encodeName(part).constData(), QFile::encodeName(source.file).constData()), 0);
        };
        putInPlace(broken);
        StderrCapture log;
        for (int i = 0; i < 3; ++i) {
            data.setRecordset(data.database().OpenRecordset(animals));
            QCOMPARE(source.watch.bound, QStringLiteral("anu"));
        }
        const QStringList warnings = StderrCapture::warnings(log.finish());
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().contains(QStringLiteral("cambió en el disco")), qPrintable(warnings.first()));
        QVERIFY2(warnings.first().contains(says), qPrintable(warnings.first()));

        // The copy finished: the new words are read.
        putInPlace(bytes);
        data.setRecordset(data.database().OpenRecordset(animals));
        QCOMPARE(source.watch.bound, QStringLiteral("wank'u"));
    }

    // After words were read, a category that cannot be read is at its end at
    // once and the log says why; the game goes on. A query that would write
    // is still the program's own fault.
    void unreadableCategoryAfterWordsWereRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::addColumn<int>("deleteError"); // what a DELETE gives then
        // With the table gone there is nothing to write to: the DELETE is
        // one more query that cannot be read.
        QTest::addRow("table dropped") << "drop"
                                       << "no tiene la tabla" << 0;
        QTest::addRow("locked by another program") << "locked"
                                                   << "bloqueada" << int(ErrorNumber::QueryRejected);
    }
    void unreadableCategoryAfterWordsWereRead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        QFETCH(int, deleteError);
        Source source(sampleWords());
        DataControl &data = source.data;
        data.Refresh();
        std::optional<ExclusiveHolder> holder;
        if (kind == QLatin1String("drop"))
            QCOMPARE(writeAsAnotherProgram(source.file, {QStringLiteral("DROP TABLE nominal")}), QString());
        else
            holder.emplace(source.file);
        source.watch.log.clear();
        StderrCapture log;
        QCOMPARE(errorNumber([&] {
                     data.setRecordset(data.database().OpenRecordset(
                         QStringLiteral("SELECT * from nominal where categoria='animal';")));
                 }),
                 0);
        const QStringList warnings = StderrCapture::warnings(log.finish());
        QVERIFY(data.recordset().eof());
        QCOMPARE(source.watch.log, (QStringList{"bound:", "reposition:"}));
        QVERIFY(data.recordset().fieldValue(QStringLiteral("dibujo")).isNull());
        QVERIFY2(warnings.join('\n').contains(says), qPrintable(warnings.join('\n')));
        QCOMPARE(errorNumber([&] { data.database().OpenRecordset(QStringLiteral("DELETE FROM nominal")); }),
                 deleteError);
    }

    // A table far larger than any real one is read on by pages past the rows
    // read at the start; a page that cannot be read then ends the category as
    // at its last word read.
    void pagePastTheStartThatCannotBeReadEndsTheCategory()
    {
        QList<WordRow> rows;
        const int count = int(kSnapshotRows) + 100;
        rows.reserve(count);
        for (int i = 0; i < count; ++i)
            rows.append({QStringLiteral("w%1").arg(i), "x", "animal", {}, {}});
        Source source(rows);
        DataControl &data = source.data;
        data.setRecordset(
            data.database().OpenRecordset(QStringLiteral("SELECT * from nominal where categoria='animal';")));
        QCOMPARE(writeAsAnotherProgram(source.file, {QStringLiteral("DROP TABLE nominal")}), QString());
        StderrCapture log;
        int walked = 0;
        QString last;
        for (; !data.recordset().eof() && walked < count; ++walked) {
            last = source.watch.bound;
            data.recordset().MoveNext();
        }
        const QStringList warnings = StderrCapture::warnings(log.finish());
        QVERIFY2(walked >= int(kSnapshotRows) && walked < count, qPrintable(QString::number(walked)));
        QCOMPARE(last, QStringLiteral("w%1").arg(walked - 1));
        QCOMPARE(source.watch.bound, QString());
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().contains(QStringLiteral("termina")), qPrintable(warnings.first()));
    }

    void databaseIsNeverWritten()
    {
        QTemporaryDir dir;
        const QString file = makeWordsDatabase(dir.path(), sampleWords());
        const QByteArray before = fileBytes(file);
        {
            MediaPaths paths(dir.path());
            DataControl data(paths, kDb, QStringLiteral("nominal"));
            data.bind(QStringLiteral("nom_ay"), [](const QString &) {});
            data.Refresh();
            for (int i = 0; i < 3; ++i) {
                data.setRecordset(
                    data.database().OpenRecordset(QStringLiteral("SELECT * from nominal where categoria='animal';")));
                while (!data.recordset().eof())
                    data.recordset().MoveNext();
            }
            QCOMPARE(errorNumber([&] { data.database().OpenRecordset(QStringLiteral("DELETE FROM nominal")); }),
                     int(ErrorNumber::QueryRejected));
        }
        QCOMPARE(fileBytes(file), before);
        QVERIFY(!QFile::exists(file + QStringLiteral("-journal")));
    }
};

QTEST_GUILESS_MAIN(TestDataControl)
#include "tst_data_control.moc"
