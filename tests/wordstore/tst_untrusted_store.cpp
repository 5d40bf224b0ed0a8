// The school's folder is shared by a group: whatever a member puts there — a
// link in place of the lock, of a folder or of the words database, a FIFO —
// is never followed, opened through or changed. The change is refused, said
// in Spanish, and nothing outside the folder is written, changed or deleted.
#include "support/media_fixtures.h"
#include "support/words_fixture.h"
#include "wordstore/disk_files.h"
#include "wordstore/school_store.h"
#include "wordstore/word_import.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace korivanta;
using namespace korivanta::wordstore;

namespace {

int modeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

class TestUntrustedStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void plantedEntriesAreNeverFollowed_data();
    void plantedEntriesAreNeverFollowed();
    void theVoiceIsMadeInAPrivateFolder();
    void filesBelowTheTopAreReachedWithoutLinks_data();
    void filesBelowTheTopAreReachedWithoutLinks();

private:
    StorePaths paths() const { return {m_package->path(), m_dir->path() + QStringLiteral("/escuela")}; }
    QString trabZumel() const { return paths().schoolDriveC() + QStringLiteral("/Trab_zumel"); }
    QString outside() const { return m_dir->filePath(QStringLiteral("fuera")); }
    QString canary() const { return outside() + QStringLiteral("/canario"); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_package;
};

void TestUntrustedStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_package = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_package->isValid());
    makeWordsDatabase(m_package->path(), packageSampleWords());
    ::umask(022);
    // A school with a word of its own and its picture, so every folder is there.
    const QString picture = m_dir->filePath(QStringLiteral("wawa.png"));
    QVERIFY(QImage(80, 60, QImage::Format_RGB32).save(picture));
    WordDraft d;
    d.nomAy = QStringLiteral("wawa");
    d.nomEsp = QStringLiteral("bebé");
    d.categoria = QStringLiteral("persona");
    d.pictureFile = picture;
    SchoolStore store(paths());
    QCOMPARE(store.save(d), QString());
    QVERIFY(QFileInfo(trabZumel() + QStringLiteral("/escuela/dibujos")).isDir());
    // Outside the store: a file only its owner may read, as root's would be.
    writeFile(canary(), "no para otros");
    QVERIFY(QFile::setPermissions(canary(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

void TestUntrustedStore::plantedEntriesAreNeverFollowed_data()
{
    QTest::addColumn<QString>("planted"); // below the school's folder
    QTest::addColumn<QString>("target");  // what the link leads to ("fifo": a FIFO instead)
    QTest::addColumn<QString>("action");

    QTest::newRow("lock linked to a file, compose") << ".palabras-escuela.bloqueo"
                                                    << "canario"
                                                    << "compose";
    QTest::newRow("lock linked to a missing path, compose") << ".palabras-escuela.bloqueo"
                                                            << "nuevo"
                                                            << "compose";
    QTest::newRow("lock linked to a file, save") << ".palabras-escuela.bloqueo"
                                                 << "canario"
                                                 << "save";
    QTest::newRow("lock is a FIFO") << ".palabras-escuela.bloqueo"
                                    << "fifo"
                                    << "compose";
    QTest::newRow("Trab_zumel linked outside, compose") << "drive_c/Trab_zumel"
                                                        << "."
                                                        << "compose";
    QTest::newRow("composed database linked to a file") << "drive_c/Trab_zumel/diccionario.mdb"
                                                        << "canario"
                                                        << "compose";
    QTest::newRow("pictures folder linked outside, save") << "drive_c/Trab_zumel/escuela/dibujos"
                                                          << "."
                                                          << "save";
    QTest::newRow("pictures folder linked outside, import") << "drive_c/Trab_zumel/escuela/dibujos"
                                                            << "."
                                                            << "import";
    QTest::newRow("a sound linked to a file, remove") << "drive_c/Trab_zumel/escuela/sonido/x.wav"
                                                      << "canario"
                                                      << "remove";
    QTest::newRow("a FIFO among the sounds, import") << "drive_c/Trab_zumel/escuela/sonido/y.wav"
                                                     << "fifo"
                                                     << "import";
}

void TestUntrustedStore::plantedEntriesAreNeverFollowed()
{
    QFETCH(QString, planted);
    QFETCH(QString, target);
    QFETCH(QString, action);
    const QString at = paths().schoolDir + QLatin1Char('/') + planted;
    QDir().mkpath(QFileInfo(at).absolutePath());
    if (QFileInfo(at).isDir() && !QFileInfo(at).isSymLink())
        QVERIFY(QDir().rename(at, at + QStringLiteral(".real")));
    else
        QFile::remove(at);
    if (target == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(at).constData(), 0664), 0);
    else
        QVERIFY(QFile::link(QDir(outside()).filePath(target), at));
    const auto outsideBefore = folderSnapshot(outside());
    const int canaryMode = modeOf(canary());

    SchoolStore store(paths());
    QString error;
    if (action == QLatin1String("compose")) {
        error = store.compose();
    } else if (action == QLatin1String("save") || action == QLatin1String("import")) {
        const QString picture = m_dir->filePath(QStringLiteral("qhatu.png"));
        QVERIFY(QImage(80, 60, QImage::Format_RGB32).save(picture));
        if (action == QLatin1String("save")) {
            WordDraft d;
            d.nomAy = QStringLiteral("qhatu");
            d.nomEsp = QStringLiteral("mercado");
            d.categoria = QStringLiteral("hogar");
            d.pictureFile = picture;
            error = store.save(d);
        } else {
            const QString csv = m_dir->filePath(QStringLiteral("lista.csv"));
            writeFile(csv, "nom_ay,nom_esp,categoria,dibujo\nqhatu,mercado,hogar,qhatu.png\n");
            error = store.importCsv(csv).errors.join(QLatin1Char('\n'));
        }
    } else {
        error = store.remove(store.schoolWords(nullptr).value(0).id);
    }
    QVERIFY2(!error.isEmpty(), "the change went through what was planted");
    QVERIFY2(error.contains(planted.section(QLatin1Char('/'), -1)) || error.contains(QStringLiteral("enlace")),
             qPrintable(error));
    // Nothing outside changed, nothing appeared there, nothing was deleted.
    QCOMPARE(folderSnapshot(outside()), outsideBefore);
    QCOMPARE(modeOf(canary()), canaryMode);
    QVERIFY(!QFileInfo::exists(outside() + QStringLiteral("/nuevo")));
    QVERIFY(!QFileInfo::exists(outside() + QStringLiteral("/qhatu.png")));
    QVERIFY(!QFileInfo::exists(outside() + QStringLiteral("/diccionario.mdb")));
    // What was planted is left where it was, for whoever looks into it.
    QVERIFY(QFileInfo(at).isSymLink() || QFileInfo(at).exists());
}

void TestUntrustedStore::theVoiceIsMadeInAPrivateFolder()
{
    const QString csv = m_dir->filePath(QStringLiteral("lista.csv"));
    writeFile(csv, "nom_ay,nom_esp,categoria\nyapu,chacra,naturaleza\n");
    QString madeAt;
    int folderMode = -1;
    const QByteArray voice = wavBytes(200);
    SchoolStore store(paths());
    const wordtool::ImportResult result = store.importCsv(csv, [&](const QString &, const QString &wav) {
        madeAt = wav;
        folderMode = modeOf(QFileInfo(wav).absolutePath());
        writeFile(wav, voice);
        return QString();
    });
    QVERIFY2(result.ok(), qPrintable(result.errors.join(QLatin1Char('\n'))));
    QVERIFY(!madeAt.isEmpty());
    QVERIFY2(!madeAt.startsWith(paths().schoolDir), qPrintable(madeAt));
    QCOMPARE(folderMode, 0700);
    QVERIFY(!QFileInfo::exists(madeAt)); // the private folder is gone again
    QCOMPARE(fileBytes(trabZumel() + QStringLiteral("/escuela/sonido/yapu.wav")), voice);
    QCOMPARE(modeOf(trabZumel() + QStringLiteral("/escuela/sonido/yapu.wav")), 0664);
}

void TestUntrustedStore::filesBelowTheTopAreReachedWithoutLinks_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("write a new file") << "write";
    QTest::newRow("make a folder") << "folder";
    QTest::newRow("remove a file") << "remove";
    QTest::newRow("put a file in place") << "place";
}

void TestUntrustedStore::filesBelowTheTopAreReachedWithoutLinks()
{
    QFETCH(QString, operation);
    const QString top = m_dir->filePath(QStringLiteral("top"));
    QVERIFY(QDir().mkpath(top + QStringLiteral("/real")));
    QVERIFY(QFile::link(outside(), top + QStringLiteral("/linked")));
    writeFile(top + QStringLiteral("/real/canario"), "a salvo");
    const auto outsideBefore = folderSnapshot(outside());

    const QString viaLink = top + QStringLiteral("/linked/canario");
    const QString direct = top + QStringLiteral("/real/nuevo");
    if (operation == QLatin1String("write")) {
        QVERIFY(!diskfiles::writeNewFile(top + QStringLiteral("/linked/nuevo"), "x", true, top).isEmpty());
        QCOMPARE(diskfiles::writeNewFile(direct, "x", true, top), QString());
        QCOMPARE(fileBytes(direct), QByteArray("x"));
        // Without a top the path is taken as given, links and all.
        QCOMPARE(diskfiles::writeNewFile(top + QStringLiteral("/linked/nuevo"), "y"), QString());
        QVERIFY(QFile::remove(outside() + QStringLiteral("/nuevo")));
    } else if (operation == QLatin1String("folder")) {
        QVERIFY(!diskfiles::makeFolder(top + QStringLiteral("/linked/nueva"), true, top).isEmpty());
        QCOMPARE(diskfiles::makeFolder(top + QStringLiteral("/real/nueva"), true, top), QString());
        QCOMPARE(modeOf(top + QStringLiteral("/real/nueva")), 02775);
    } else if (operation == QLatin1String("place")) {
        const QString made = m_dir->filePath(QStringLiteral("hecho.db"));
        writeFile(made, "nuevo contenido");
        QVERIFY(!diskfiles::placeFile(made, viaLink, QStringLiteral(".x-"), 0664, top).isEmpty());
        // A link at the name itself is replaced, never written through.
        QVERIFY(QFile::link(canary(), top + QStringLiteral("/real/db")));
        QCOMPARE(diskfiles::placeFile(made, top + QStringLiteral("/real/db"), QStringLiteral(".x-"), 0664, top),
                 QString());
        QVERIFY(!QFileInfo(top + QStringLiteral("/real/db")).isSymLink());
        QCOMPARE(fileBytes(top + QStringLiteral("/real/db")), QByteArray("nuevo contenido"));
        QCOMPARE(modeOf(top + QStringLiteral("/real/db")), 0664);
        QCOMPARE(QDir(top + QStringLiteral("/real")).entryList(QDir::Files | QDir::Hidden).size(), 2);
    } else {
        QVERIFY(!diskfiles::removeFile(viaLink, top));
        QVERIFY(diskfiles::removeFile(top + QStringLiteral("/real/canario"), top));
    }
    QCOMPARE(folderSnapshot(outside()), outsideBefore);
    QCOMPARE(diskfiles::untrustedEntry(top + QStringLiteral("/real")), QString());
    QVERIFY(diskfiles::untrustedEntry(top).contains(QStringLiteral("linked")));
}

QTEST_GUILESS_MAIN(TestUntrustedStore)
#include "tst_untrusted_store.moc"
