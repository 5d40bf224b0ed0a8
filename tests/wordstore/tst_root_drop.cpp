// Root never works in a folder others may change: it becomes the school's
// user first, for good, and then reads only what that user may read. Root's
// own folders (a build tree, a test's temporary folder) it keeps working in.
// These tests need root: they change owners and give root up in a child.
#include "support/media_fixtures.h"
#include "wordstore/root_drop.h"
#include "wordstore/word_import.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace korivanta;
using namespace korivanta::wordstore;

namespace {

// A user without rights that every Debian system has.
constexpr char kTestUser[] = "nobody";

// Runs `body` in a child process (giving up root cannot be undone) and
// returns its exit status, or -1 when it did not exit.
int inChild(const std::function<int()> &body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

class TestRootDrop : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (::geteuid() != 0)
            QSKIP("changing owners and giving up root needs root");
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(::getpwnam(kTestUser));
    }

    void foldersOthersMayChange_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("otherOwner");
        QTest::addColumn<bool>("otherGroup");
        QTest::addColumn<QString>("below"); // the folder asked for, below the one made
        QTest::addColumn<bool>("shared");

        QTest::newRow("root's own, 0755") << 0755 << false << false << "" << false;
        QTest::newRow("root's, group root may write") << 02775 << false << false << "" << false;
        QTest::newRow("group korivanta may write") << 02775 << false << true << "" << true;
        QTest::newRow("another user's") << 0755 << true << false << "" << true;
        QTest::newRow("everyone may write") << 0777 << false << false << "" << true;
        QTest::newRow("sticky, root's folder below") << 01777 << false << false << "propia" << false;
        QTest::newRow("missing, below a shared one") << 02775 << false << true << "falta/aun" << true;
        QTest::newRow("below another user's") << 0755 << true << false << "propia" << true;
    }
    void foldersOthersMayChange()
    {
        QFETCH(int, mode);
        QFETCH(bool, otherOwner);
        QFETCH(bool, otherGroup);
        QFETCH(QString, below);
        QFETCH(bool, shared);
        const QString folder = m_dir->filePath(QStringLiteral("escuela"));
        QVERIFY(QDir().mkdir(folder));
        const struct passwd *pw = ::getpwnam(kTestUser);
        QCOMPARE(
            ::chown(QFile::encodeName(folder).constData(), otherOwner ? pw->pw_uid : 0, otherGroup ? pw->pw_gid : 0),
            0);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(mode)), 0);
        if (below == QLatin1String("propia"))
            QVERIFY(QDir().mkdir(folder + QStringLiteral("/propia")));
        const QString asked = below.isEmpty() ? folder : folder + QLatin1Char('/') + below;
        const QString reason = sharedFolderReason(asked);
        QVERIFY2(reason.isEmpty() != shared, qPrintable(reason));
    }

    void aLinkIsSharedWhateverItLeadsTo()
    {
        QVERIFY(QFile::link(QStringLiteral("/usr"), m_dir->filePath(QStringLiteral("enlace"))));
        QVERIFY(sharedFolderReason(m_dir->filePath(QStringLiteral("enlace"))).contains(QStringLiteral("enlace")));
    }

    // In a shared folder root becomes the user, and cannot become root again;
    // in its own folder it stays root; a missing user stops the program.
    void rootGivesItselfUpForGood_data()
    {
        QTest::addColumn<bool>("sharedFolder");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<int>("expected"); // DropResult
        QTest::newRow("shared folder") << true << QByteArray(kTestUser) << int(DropResult::Dropped);
        QTest::newRow("root's folder") << false << QByteArray(kTestUser) << int(DropResult::KeptRoot);
        QTest::newRow("no such user") << true << QByteArray("_korivanta_no_existe") << int(DropResult::Failed);
    }
    void rootGivesItselfUpForGood()
    {
        QFETCH(bool, sharedFolder);
        QFETCH(QByteArray, user);
        QFETCH(int, expected);
        const QString folder = m_dir->filePath(QStringLiteral("escuela"));
        QVERIFY(QDir().mkdir(folder));
        if (sharedFolder)
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
        const uid_t uid = ::getpwnam(kTestUser)->pw_uid;
        const int status = inChild([&] {
            QString error;
            const DropResult r = dropRootFor({folder}, &error, user.constData());
            if (int(r) != expected)
                return 10 + int(r);
            if (r == DropResult::Failed)
                return error.contains(QString::fromLatin1(user)) && error.contains(QStringLiteral("no existe")) ? 0
                                                                                                                : 20;
            if (r == DropResult::KeptRoot)
                return ::geteuid() == 0 ? 0 : 21;
            // Gone for good: no way back to root's user or group.
            if (::getuid() != uid || ::geteuid() != uid || ::getegid() == 0 || ::setuid(0) == 0 || ::seteuid(0) == 0 ||
                ::setgid(0) == 0 || ::getgroups(0, nullptr) < 0)
                return 22;
            gid_t groups[64];
            const int n = ::getgroups(64, groups);
            for (int i = 0; i < n; ++i)
                if (groups[i] == 0)
                    return 23;
            return 0;
        });
        QCOMPARE(status, 0);
    }

    // After giving root up, a file only root may read is refused by name,
    // not copied: the import's checks say which file and why.
    void aFileOnlyRootMayReadIsRefusedByName()
    {
        const QString picture = m_dir->filePath(QStringLiteral("secreto.png"));
        QVERIFY(QImage(80, 60, QImage::Format_RGB32).save(picture));
        QCOMPARE(::chmod(QFile::encodeName(picture).constData(), 0600), 0);
        QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
        const QString shared = m_dir->filePath(QStringLiteral("escuela"));
        QVERIFY(QDir().mkdir(shared));
        QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 0777), 0);
        const int status = inChild([&] {
            QString error;
            if (dropRootFor({shared}, &error, kTestUser) != DropResult::Dropped)
                return 10;
            wordpicture::Fitted fitted;
            const QString problem = wordtool::pictureProblem(picture, QStringLiteral("qhatu"), &fitted);
            return problem.contains(picture) && problem.contains(QString::fromLatin1(kTestUser)) &&
                           problem.contains(QStringLiteral("permiso"))
                       ? 0
                       : 11;
        });
        QCOMPARE(status, 0);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestRootDrop)
#include "tst_root_drop.moc"
