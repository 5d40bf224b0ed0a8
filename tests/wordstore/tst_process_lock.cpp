// The lock that keeps two imports or two changes of the school's words apart:
// held while its holder lives, gone the moment the holder dies however it
// dies, and never blocked by a file a killed holder left behind.
#include "support/media_fixtures.h"
#include "support/words_fixture.h"
#include "wordstore/process_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace korivanta;
using namespace korivanta::wordstore;

class TestProcessLock : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(QStringLiteral(".diccionario.mdb.bloqueo"));
    }

    // What a holder killed at any moment can leave at the path: the next one
    // takes the lock at once.
    void leftoverFileDoesNotBlock_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty: killed between creating and writing it") << QByteArray();
        QTest::newRow("an older version's lock naming a live process")
            << QByteArray::number(QCoreApplication::applicationPid()) + "\nkorivanta-palabras\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n";
    }
    void leftoverFileDoesNotBlock()
    {
        QFETCH(QByteArray, contents);
        writeFile(m_path, contents);
        ProcessLock lock(m_path);
        QCOMPARE(lock.tryLock(0), ProcessLock::Result::Taken);
        lock.unlock();
        QVERIFY(!QFile::exists(m_path));
    }

    void heldByAnotherProcessUntilItIsKilled()
    {
        // A shell that takes the lock on the same file and then waits, as a
        // long import would; SIGKILL gives it no chance to let go itself.
        QProcess holder;
        startHolder(holder, "exec sleep 60");
        if (QTest::currentTestFailed())
            return;

        ProcessLock lock(m_path);
        QCOMPARE(lock.tryLock(300), ProcessLock::Result::Busy);
        holder.kill();
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(lock.tryLock(0), ProcessLock::Result::Taken);
    }

    // Two holders in one program are kept apart as two programs are; the file
    // exists while the lock is held and goes when it is let go.
    void oneHolderAtATime()
    {
        ProcessLock first(m_path);
        ProcessLock second(m_path);
        QCOMPARE(first.tryLock(0), ProcessLock::Result::Taken);
        QVERIFY(QFile::exists(m_path));
        QCOMPARE(second.tryLock(200), ProcessLock::Result::Busy);
        first.unlock();
        QVERIFY(!QFile::exists(m_path));
        QCOMPARE(second.tryLock(0), ProcessLock::Result::Taken);
        QVERIFY(QFile::exists(m_path));
        ProcessLock third(m_path);
        QCOMPARE(third.tryLock(0), ProcessLock::Result::Busy);
    }

    // A waiter is let in when the other program ends, within its time.
    void waiterTakesItWhenTheHolderEnds()
    {
        // It holds the lock until its input closes, then a moment more.
        QProcess holder;
        startHolder(holder, "read line; sleep 0.3");
        if (QTest::currentTestFailed())
            return;
        ProcessLock lock(m_path);
        QCOMPARE(lock.tryLock(0), ProcessLock::Result::Busy);
        holder.closeWriteChannel();
        QCOMPARE(lock.tryLock(10000), ProcessLock::Result::Taken);
        QVERIFY(holder.waitForFinished(10000));
    }

    void groupWritableWhateverTheUmask()
    {
        const mode_t old = ::umask(077);
        ProcessLock lock(m_path, true);
        const ProcessLock::Result r = lock.tryLock(0);
        ::umask(old);
        QCOMPARE(r, ProcessLock::Result::Taken);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0664);
    }

    // In a shared folder someone may put a link or a FIFO where the lock
    // goes: it is never opened through, created through nor changed, and the
    // file a link leads to keeps its mode and bytes.
    void plantedEntryIsNotALock_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::newRow("link to a file") << "file";
        QTest::newRow("link to a missing path") << "missing";
        QTest::newRow("FIFO") << "fifo";
    }
    void plantedEntryIsNotALock()
    {
        QFETCH(QString, planted);
        const QString target = m_dir->filePath(planted == QLatin1String("missing") ? "nuevo" : "canario");
        if (planted == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(m_path).constData(), 0664), 0);
        } else {
            if (planted == QLatin1String("file")) {
                writeFile(target, "ajeno");
                QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0600), 0);
            }
            QVERIFY(QFile::link(target, m_path));
        }
        ProcessLock lock(m_path, true);
        QCOMPARE(lock.tryLock(0), ProcessLock::Result::NotAFile);
        struct stat st {};
        if (planted == QLatin1String("file")) {
            QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
            QCOMPARE(int(st.st_mode & 07777), 0600);
            QCOMPARE(fileBytes(target), QByteArray("ajeno"));
        } else if (planted == QLatin1String("missing")) {
            QVERIFY(!QFileInfo::exists(target));
        }
        QCOMPARE(::lstat(QFile::encodeName(m_path).constData(), &st), 0); // left where it was
    }

    // Only a lock file this program makes gets its mode set: one that is
    // there already keeps its own.
    void anExistingFileKeepsItsMode()
    {
        writeFile(m_path, {});
        QCOMPARE(::chmod(QFile::encodeName(m_path).constData(), 0600), 0);
        ProcessLock lock(m_path, true);
        QCOMPARE(lock.tryLock(0), ProcessLock::Result::Taken);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), 0600);
    }

    void missingFolderIsNoPermission()
    {
        ProcessLock lock(m_dir->filePath(QStringLiteral("no-such-folder/.bloqueo")));
        QCOMPARE(lock.tryLock(0), ProcessLock::Result::NoPermission);
    }

private:
    // Starts a shell that takes the lock on the same file as another program
    // would, says so, then runs `then` still holding it.
    void startHolder(QProcess &holder, const char *then)
    {
        holder.start(QStringLiteral("sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("exec 9>\"$0\" && flock 9 && echo held && ") + QLatin1String(then), m_path});
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readAll().trimmed(), QByteArray("held"));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestProcessLock)
#include "tst_process_lock.moc"
