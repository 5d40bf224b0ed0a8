// Files that are not what the game expects: a words database that is missing,
// empty, cut short, not a database, read only or held by another program, and
// pictures and media folders that are missing or broken. A database the game
// cannot read is one untrapped error with a Spanish description; a picture or
// a sound it cannot use is a warning, and the game plays on. No file is ever
// changed.
#include "app/modulo1.h"
#include "game/data_control.h"
#include "game/image_control.h"
#include "media/media.h"
#include "menu/form1.h"
#include "support/game_fixture.h"
#include "support/keys.h"
#include "support/media_fixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QTest>
#include <QUuid>

#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korivanta;

namespace {

const QString kPicture = QStringLiteral("c:\\Trab_zumel\\dibujos\\uta.bmp");

QList<WordRow> words(const QVariant &picture = {})
{
    return {{"uta", "casa", "hogar", picture, {}}, {"anu", "perro", "animal", {}, {}}};
}

// Makes the file again as a database of the given statements.
void remake(const QString &path, const QStringList &statements)
{
    QFile::remove(path);
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot make %s", qPrintable(path));
        for (const QString &sql : statements)
            if (!QSqlQuery(db).exec(sql))
                qFatal("cannot run %s", qPrintable(sql));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// Everything written to the standard error stream while it lives.
class StderrCapture {
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

// A second connection to the words database, as another program would have.
class OtherConnection {
public:
    explicit OtherConnection(const QString &path) : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open the second connection");
    }
    ~OtherConnection() { QSqlDatabase::removeDatabase(m_name); }
    bool exec(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name));
        if (!q.exec(sql))
            qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return q.isActive();
    }
    void close() { QSqlDatabase::database(m_name).close(); }

private:
    QString m_name;
};

enum class Damage { Missing, Empty, Truncated, HalfMissing, NotSqlite, FakeAccess, Folder, NoTable, NoField };

} // namespace

Q_DECLARE_METATYPE(Damage)

class TestBrokenFiles : public QObject {
    Q_OBJECT
private slots:
    void brokenDatabaseIsOneSpanishError_data()
    {
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("saying");
        QTest::addRow("missing") << Damage::Missing << 3024 << "No se encuentra";
        QTest::addRow("a folder in its place") << Damage::Folder << 3051 << "hay una carpeta";
        QTest::addRow("empty, 0 bytes") << Damage::Empty << 3078 << "no tiene la tabla";
        QTest::addRow("first 1000 bytes") << Damage::Truncated << 3343 << "dañado";
        QTest::addRow("first half") << Damage::HalfMissing << 3343 << "dañado";
        QTest::addRow("not SQLite") << Damage::NotSqlite << 3343 << "no es una base de datos";
        QTest::addRow("an Access file") << Damage::FakeAccess << 3343 << "no es una base de datos";
        QTest::addRow("no table nominal") << Damage::NoTable << 3078 << "no tiene la tabla";
        QTest::addRow("no field dibujo") << Damage::NoField << 3265 << "no tiene el campo";
    }
    void brokenDatabaseIsOneSpanishError()
    {
        QFETCH(Damage, damage);
        QFETCH(int, number);
        QFETCH(QString, saying);

        QList<WordRow> rows;
        for (int i = 0; i < 500; ++i)
            rows << WordRow{QStringLiteral("uta%1").arg(i), "casa", "hogar", {}, {}};
        GameFixture f(rows);
        const QString path = f.databasePath();
        const QByteArray real = fileBytes(path);
        QVERIFY(real.size() > 8192);
        switch (damage) {
        case Damage::Missing: QFile::remove(path); break;
        case Damage::Folder: QFile::remove(path), QDir().mkpath(path); break;
        case Damage::Empty: writeFile(path, {}); break;
        case Damage::Truncated: writeFile(path, real.left(1000)); break;
        case Damage::HalfMissing: writeFile(path, real.left(real.size() / 2)); break;
        case Damage::NotSqlite: writeFile(path, QByteArray("nom_ay,nom_esp\nuta,casa\n").repeated(100)); break;
        case Damage::FakeAccess:
            writeFile(path, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(4076, '\x5a'));
            break;
        case Damage::NoTable:
        case Damage::NoField: break;
        }
        if (damage == Damage::NoTable)
            remake(path, {QStringLiteral("CREATE TABLE palabras (nom_ay TEXT, nom_esp TEXT, categoria TEXT, "
                                         "dibujo TEXT, sonido TEXT)"),
                          QStringLiteral("INSERT INTO palabras VALUES ('uta', 'casa', 'persona', NULL, NULL)")});
        if (damage == Damage::NoField)
            remake(path, {QStringLiteral("CREATE TABLE nominal (nom_ay TEXT, nom_esp TEXT, categoria TEXT, "
                                         "sonido TEXT, dibujos TEXT)"),
                          QStringLiteral("INSERT INTO nominal VALUES ('uta', 'casa', 'persona', NULL, NULL)")});
        const bool existed = QFileInfo::exists(path);
        const QByteArray before = QFileInfo(path).isFile() ? fileBytes(path) : QByteArray();

        f.choose(5);
        runHandler([&] { f.form1().Command1_Click(); });
        // More handlers after the error do nothing: the program is ending.
        if (ConObj *game = f.flow().conObj())
            runHandler([&] { game->Image6_Click(); });
        runHandler([&] { f.form1().Command1_Click(); });

        QCOMPARE(f.errors.size(), 1);
        QVERIFY2(f.errors.first().startsWith(QStringLiteral("%1: ").arg(number)), qPrintable(f.errors.first()));
        QVERIFY2(f.errors.first().contains(saying), qPrintable(f.errors.first()));
        QVERIFY(programIsEnding());
        QCOMPARE(QFileInfo::exists(path), existed);
        if (QFileInfo(path).isFile())
            QCOMPARE(fileBytes(path), before);
        // Nothing new beside it (no journal, no lock file).
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::NoDotAndDotDot),
                 QFileInfo(path).isFile() ? QStringList{QStringLiteral("diccionario.mdb")} : QStringList{});
    }

    // A database the file system gives read only: the game only reads, so it
    // plays as usual. (As root the mode bits do not stop a writer; the test
    // still shows that the game needs no write access and keeps the mode.)
    void readOnlyDatabasePlays()
    {
        GameFixture f(words());
        const QString path = f.databasePath();
        const QString folder = QFileInfo(path).absolutePath();
        const QByteArray before = fileBytes(path);
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                                  QFile::ReadOther | QFile::ExeOther));
        f.choose(2); // Animales
        ConObj &game = f.aceptar();
        QCOMPARE(game.palabra().toString(), QStringLiteral("anu"));
        runHandler([&] { game.Image10_Click(keyFor("a")); });
        runHandler([&] { game.Image6_Click(); });
        runHandler([&] { game.Image40_Click(); });
        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0444));
        QCOMPARE(fileBytes(path), before);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Another program holds the database for writing. The game waits a moment
    // for it (3 s), then stops with the "bloqueada" error; it never hangs.
    void exclusivelyLockedDatabaseIsLockedError()
    {
        GameFixture f(words());
        const QByteArray before = fileBytes(f.databasePath());
        OtherConnection other(f.databasePath());
        QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        f.choose(2);
        QElapsedTimer clock;
        clock.start();
        runHandler([&] { f.form1().Command1_Click(); });
        const qint64 waited = clock.elapsed();
        QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
        other.close();

        QCOMPARE(f.errors.size(), 1);
        QVERIFY2(f.errors.first().startsWith(QStringLiteral("3045: ")), qPrintable(f.errors.first()));
        QVERIFY2(f.errors.first().contains(QStringLiteral("bloqueada")), qPrintable(f.errors.first()));
        QVERIFY2(waited >= 2500 && waited < 10000, qPrintable(QString::number(waited)));
        QCOMPARE(fileBytes(f.databasePath()), before);
    }

    // A writer that has only reserved the file (its change not yet written)
    // does not keep readers out: the game reads the words as they were.
    void reservedDatabaseIsRead()
    {
        GameFixture f(words());
        const QByteArray before = fileBytes(f.databasePath());
        OtherConnection other(f.databasePath());
        QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        QVERIFY(other.exec(QStringLiteral("UPDATE nominal SET nom_ay = 'mal' WHERE nom_ay = 'anu'")));
        f.choose(2);
        ConObj &game = f.aceptar();
        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        QCOMPARE(game.palabra().toString(), QStringLiteral("anu"));
        QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
        other.close();
        QCOMPARE(fileBytes(f.databasePath()), before);
    }

    // A writer that lets go within the wait: the game reads after it.
    void shortLockIsWaitedFor()
    {
        GameFixture f(words());
        const QString path = f.databasePath();
        const QByteArray before = fileBytes(path);
        std::atomic<bool> locked = false;
        std::thread writer([&] {
            {
                OtherConnection other(path);
                other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
                locked = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(700));
                other.exec(QStringLiteral("ROLLBACK"));
                other.close();
            }
        });
        while (!locked)
            std::this_thread::yield();
        f.choose(2);
        ConObj *game = nullptr;
        runHandler([&] { game = &f.aceptar(); });
        writer.join();
        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        QVERIFY(game);
        QCOMPARE(game->palabra().toString(), QStringLiteral("anu"));
        QCOMPARE(fileBytes(path), before);
    }

    // Pictures that cannot be read: a warning naming the file, an empty
    // picture frame, and the rest of the word set up and playable.
    void brokenPicturePlaysOn_data()
    {
        QTest::addColumn<QString>("dibujo");
        QTest::addColumn<QByteArray>("content"); // written at the path; empty: no file
        QTest::addColumn<bool>("loads");

        QByteArray bmp;
        {
            QTemporaryDir dir;
            writePicture(dir.filePath("p.bmp"), 40, 30, Qt::green);
            bmp = fileBytes(dir.filePath("p.bmp"));
        }
        QTest::addRow("missing") << kPicture << QByteArray() << false;
        QTest::addRow("empty file") << kPicture << QByteArray("") << false;
        QTest::addRow("header only") << kPicture << bmp.left(54) << false;
        QTest::addRow("first 20 bytes") << kPicture << bmp.left(20) << false;
        QTest::addRow("text named .bmp") << kPicture << QByteArray("no soy un dibujo\n") << false;
        QTest::addRow("GIF header only") << kPicture << QByteArray("GIF89a\x10\x00\x10\x00", 10) << false;
        QTest::addRow("folder missing") << QStringLiteral("c:\\Trab_zumel\\no_existe\\uta.bmp") << QByteArray()
                                        << false;
        QTest::addRow("another drive") << QStringLiteral("d:\\dibujos\\uta.bmp") << QByteArray() << false;
        QTest::addRow("only separators") << QStringLiteral("\\\\//") << QByteArray() << false;
        QTest::addRow("a folder") << QStringLiteral("c:\\Trab_zumel") << QByteArray() << false;
        // "." and ".." go by name, as on Windows: never above the drive's root,
        // and through folders that do not exist.
        QTest::addRow("above the root") << QStringLiteral("c:\\..\\..\\Trab_zumel\\.\\dibujos\\uta.bmp") << bmp << true;
        QTest::addRow("through a missing folder")
            << QStringLiteral("c:\\Trab_zumel\\no_existe\\..\\dibujos\\uta.bmp") << bmp << true;
        QTest::addRow("whole picture, other case") << QStringLiteral("C:\\TRAB_ZUMEL\\DIBUJOS\\UTA.BMP") << bmp << true;
    }
    void brokenPicturePlaysOn()
    {
        QFETCH(QString, dibujo);
        QFETCH(QByteArray, content);
        QFETCH(bool, loads);
        GameFixture f(words(dibujo));
        if (!content.isNull())
            writeFile(f.driveC() + QStringLiteral("/Trab_zumel/dibujos/uta.bmp"), content);
        const QByteArray pictureBefore = fileBytes(f.driveC() + QStringLiteral("/Trab_zumel/dibujos/uta.bmp"));

        StderrCapture err;
        ConObj &game = f.aceptar(); // no category: the whole table, "uta" first
        const QString warnings = err.text();
        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        QCOMPARE(game.palabra().toString(), QStringLiteral("uta"));
        QCOMPARE(f.text("Text4"), QStringLiteral("3"));
        const QPixmap picture = f.control<ImageControl>(QStringLiteral("Image4"))->picture();
        QCOMPARE(!picture.isNull(), loads);
        if (loads) {
            QVERIFY(!warnings.contains(QStringLiteral("aviso")));
        } else {
            QVERIFY2(warnings.contains(QStringLiteral("aviso")) && warnings.contains(dibujo), qPrintable(warnings));
        }
        for (const QString &g : {QStringLiteral("u"), QStringLiteral("t"), QStringLiteral("a")})
            runHandler([&] { game.Image10_Click(keyFor(g)); });
        f.marchoso(1).fireAnimationEnd();
        QVERIFY(f.shown("Picture1"));
        runHandler([&] { game.Image6_Click(); });
        QCOMPARE(game.palabra().toString(), QStringLiteral("anu"));
        QVERIFY(f.errors.isEmpty());
        QCOMPARE(fileBytes(f.driveC() + QStringLiteral("/Trab_zumel/dibujos/uta.bmp")), pictureBefore);
    }

    // Pictures that must not be read as they are: a named pipe (opening it
    // would wait for a writer forever), a link to an endless device, and a
    // 1 KB GIF whose canvas alone is 100 MB decoded. Each is a warning and an
    // empty picture frame, as for a missing file; the word plays on.
    void hostilePictureIsNotRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("named pipe") << "fifo";
        QTest::newRow("link to /dev/zero") << "zero";
        QTest::newRow("5000 x 5000 GIF") << "huge";
    }
    void hostilePictureIsNotRead()
    {
        QFETCH(QString, kind);
        GameFixture f(words(kPicture));
        const QString file = f.driveC() + QStringLiteral("/Trab_zumel/dibujos/uta.bmp");
        QDir().mkpath(QFileInfo(file).absolutePath());
        if (kind == QLatin1String("fifo"))
            QVERIFY(::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
        else if (kind == QLatin1String("zero"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
        else
            writeFile(file, bigCanvasGifBytes(5000, 5000, 50));

        StderrCapture err;
        ConObj &game = f.aceptar();
        const QString warnings = err.text();
        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        QCOMPARE(game.palabra().toString(), QStringLiteral("uta"));
        QVERIFY(f.control<ImageControl>(QStringLiteral("Image4"))->picture().isNull());
        // One warning for each time the word is set up (three on the way in).
        QVERIFY2(warnings.contains(kPicture), qPrintable(warnings));
        QCOMPARE(warnings.count(QStringLiteral("aviso")), warnings.count(kPicture));
        runHandler([&] { game.Image6_Click(); });
        QCOMPARE(game.palabra().toString(), QStringLiteral("anu"));
    }

    // The real players over a drive C that holds only the words database:
    // no sounds, no animations, no pictures. Everything plays on.
    void mediaFoldersMissingPlayOn()
    {
        QTemporaryDir driveC;
        const QString db =
            makeWordsDatabase(driveC.path(), {{"uta", "casa", "hogar", "c:\\Trab_zumel\\dibujos\\uta.bmp",
                                               "c:\\Trab_zumel\\sonido\\palabras\\uta.wav"}});
        const QByteArray before = fileBytes(db);
        QStringList errors;
        Modulo1::reset();
        resetProgramEnding();
        setUntrappedErrorReporter([&](const UntrappedError &e) { errors << e.what(); });
        {
            ScreenFlow flow(Media::real(driveC.path()));
            flow.start();
            runHandler([&] { flow.form1().Command1_Click(); });
            QVERIFY(flow.conObj());
            ConObj &game = *flow.conObj();
            QVERIFY(game.isVisible());
            for (int key = 0; key < 32; ++key)
                runHandler([&] { game.Image10_Click(key); });
            runHandler([&] { game.Image2_Click(); });
            runHandler([&] { game.Image5_Click(); });
            for (int area = 0; area < 32; ++area)
                runHandler([&] { game.Image75_Click(area); });
            runHandler([&] { game.Command38_Click(); });
            QTest::qWait(50); // let the players report what they could not open
            runHandler([&] { game.Image6_Click(); });
            runHandler([&] { game.Image40_Click(); });
            QVERIFY(flow.form1().isVisible());
        }
        setUntrappedErrorReporter(nullptr);
        resetProgramEnding();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(fileBytes(db), before);
        QCOMPARE(QDir(driveC.path() + "/Trab_zumel").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("diccionario.mdb")});
    }
};

QTEST_MAIN(TestBrokenFiles)
#include "tst_broken_files.moc"
