// The program's Windows paths reach the files under the drive C folder with
// any letter case, in either Unicode normal form; what is not there stays
// missing, and nothing outside the folder a name starts in is reached. A drive
// C in two layers takes a file from the upper one when it is there.
#include "media/media_paths.h"

#include "support/media_fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace korivanta;

namespace {

const QString kNfcU = QStringLiteral("\u00fc");  // ü as one character
const QString kNfdU = QStringLiteral("u\u0308"); // ü as u + combining diaeresis
const QString kNfdN = QStringLiteral("n\u0303"); // ñ as n + combining tilde
const QStringList kNfcGraphemes{QStringLiteral("\u00f1"), QStringLiteral("\u00e4"), QStringLiteral("\u00ef"),
                                QStringLiteral("ch'"),    QStringLiteral("p'"),     QStringLiteral("chh")};

} // namespace

class TestMediaPaths : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void existingFilesAreFound_data();
    void existingFilesAreFound();
    void missingFilesStayMissing_data();
    void missingFilesStayMissing();
    void valuesWithoutFolderAreUsedUnchanged_data();
    void valuesWithoutFolderAreUsedUnchanged();
    void driveCIsFoundBesideOrInstalled();
    void twoSpellingsOfOneFolderGiveOneFile_data();
    void twoSpellingsOfOneFolderGiveOneFile();
    void namesStayInsideTheirBase_data();
    void namesStayInsideTheirBase();
    void twoLayersOfDriveC_data();
    void twoLayersOfDriveC();

private:
    QString onDisk(const QString &relative) const { return m_driveC.path() + QLatin1Char('/') + relative; }

    QTemporaryDir m_driveC;
    QTemporaryDir m_workDir;
    QString m_previousWorkDir;
};

void TestMediaPaths::initTestCase()
{
    QVERIFY(m_driveC.isValid());
    writeFile(onDisk(QStringLiteral("Trab_zumel/sonido/bien.wav")), "x");
    writeFile(onDisk(QStringLiteral("Trab_zumel/sonido/instrucciones/adivinar_palabra.wav")), "x");
    writeFile(onDisk(QStringLiteral("Trab_zumel/diccionario.mdb")), "x");
    for (const QString &g : kNfcGraphemes)
        writeFile(onDisk(QStringLiteral("Trab_zumel/grafemario/") + g + QStringLiteral(".wav")), "x");
    // Stored decomposed, as some tools write names: found by a composed path.
    writeFile(onDisk(QStringLiteral("Trab_zumel/grafemario/") + kNfdU + QStringLiteral(".wav")), "x");

    // Values without a folder are looked up in the working directory.
    QVERIFY(m_workDir.isValid());
    writeFile(m_workDir.filePath(QStringLiteral("palabra.wav")), "x");
    m_previousWorkDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_workDir.path()));
}

void TestMediaPaths::cleanupTestCase()
{
    QDir::setCurrent(m_previousWorkDir);
}

void TestMediaPaths::existingFilesAreFound_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("file"); // relative to drive C

    const QString bien = QStringLiteral("Trab_zumel/sonido/bien.wav");
    QTest::newRow("as the program writes it") << QStringLiteral("c:\\Trab_zumel\\sonido\\bien.wav") << bien;
    QTest::newRow("all upper case") << QStringLiteral("C:\\TRAB_ZUMEL\\SONIDO\\BIEN.WAV") << bien;
    QTest::newRow("mixed case") << QStringLiteral("C:\\trab_ZUMEL\\Sonido\\BIEN.wav") << bien;
    QTest::newRow("forward slashes") << QStringLiteral("c:/Trab_zumel/sonido/bien.wav") << bien;
    QTest::newRow("doubled separator") << QStringLiteral("c:\\Trab_zumel\\\\sonido\\bien.wav") << bien;
    QTest::newRow("rooted without drive") << QStringLiteral("\\Trab_zumel\\sonido\\bien.wav") << bien;
    QTest::newRow("database") << QStringLiteral("C:\\Trab_zumel\\diccionario.mdb")
                              << QStringLiteral("Trab_zumel/diccionario.mdb");
    QTest::newRow("deeper folder") << QStringLiteral("c:\\Trab_zumel\\sonido\\instrucciones\\adivinar_palabra.wav")
                                   << QStringLiteral("Trab_zumel/sonido/instrucciones/adivinar_palabra.wav");

    for (const QString &g : kNfcGraphemes) {
        const QString file = QStringLiteral("Trab_zumel/grafemario/") + g + QStringLiteral(".wav");
        for (const QString &folder : {QStringLiteral("grafemario"), QStringLiteral("Grafemario")}) {
            QTest::addRow("%s %s", qPrintable(folder), qPrintable(g))
                << QStringLiteral("c:\\Trab_zumel\\") + folder + QLatin1Char('\\') + g + QStringLiteral(".wav") << file;
        }
    }
    const QString nfdFile = QStringLiteral("Trab_zumel/grafemario/") + kNfdU + QStringLiteral(".wav");
    QTest::newRow("composed path, decomposed name on disk")
        << QStringLiteral("c:\\Trab_zumel\\grafemario\\") + kNfcU + QStringLiteral(".wav") << nfdFile;
    QTest::newRow("composed path, decomposed name on disk, other case")
        << QStringLiteral("c:\\Trab_zumel\\Grafemario\\\u00dc.WAV") << nfdFile;
    QTest::newRow("decomposed path, composed name on disk")
        << QStringLiteral("c:\\Trab_zumel\\grafemario\\") + kNfdN + QStringLiteral(".wav")
        << QStringLiteral("Trab_zumel/grafemario/\u00f1.wav");
    QTest::newRow("upper-case letter with tilde") << QStringLiteral("c:\\Trab_zumel\\grafemario\\\u00d1.wav")
                                                  << QStringLiteral("Trab_zumel/grafemario/\u00f1.wav");
}

void TestMediaPaths::existingFilesAreFound()
{
    QFETCH(QString, programPath);
    QFETCH(QString, file);
    const QString resolved = MediaPaths(m_driveC.path()).resolve(programPath);
    QCOMPARE(resolved, onDisk(file));
    QVERIFY(QFileInfo(resolved).isFile());
}

void TestMediaPaths::missingFilesStayMissing_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::newRow("empty") << QString();
    QTest::newRow("missing file") << QStringLiteral("c:\\Trab_zumel\\sonido\\mal.wav");
    QTest::newRow("missing folder") << QStringLiteral("c:\\Trab_zumel\\ruidos\\bien.wav");
    QTest::newRow("file used as folder") << QStringLiteral("c:\\Trab_zumel\\sonido\\bien.wav\\x.wav");
    // The same tree exists on C, but only drive C is here.
    QTest::newRow("drive D") << QStringLiteral("D:\\Trab_zumel\\sonido\\bien.wav");
    QTest::newRow("drive d, missing") << QStringLiteral("d:\\nada\\nada.wav");
    QTest::newRow("almost the name") << QStringLiteral("c:\\Trab_zumel\\grafemario\\n.wav");
    QTest::newRow("apostrophe missing") << QStringLiteral("c:\\Trab_zumel\\grafemario\\ch.wav");
}

void TestMediaPaths::missingFilesStayMissing()
{
    QFETCH(QString, programPath);
    const QString resolved = MediaPaths(m_driveC.path()).resolve(programPath);
    QVERIFY2(!QFileInfo::exists(resolved), qPrintable(resolved));
}

void TestMediaPaths::valuesWithoutFolderAreUsedUnchanged_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("exists");
    QTest::newRow("in the working directory") << QStringLiteral("palabra.wav") << true;
    // bien.wav lies under drive C, but a value without folder does not go there.
    QTest::newRow("only under drive C") << QStringLiteral("bien.wav") << false;
    QTest::newRow("nowhere") << QStringLiteral("nada.wav") << false;
}

void TestMediaPaths::valuesWithoutFolderAreUsedUnchanged()
{
    QFETCH(QString, value);
    QFETCH(bool, exists);
    const QString resolved = MediaPaths(m_driveC.path()).resolve(value);
    QCOMPARE(resolved, value);
    QCOMPARE(QFileInfo(resolved).isFile(), exists);
}

void TestMediaPaths::driveCIsFoundBesideOrInstalled()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString bin = root.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    // Neither exists: the folder beside the program, which opens nothing.
    QCOMPARE(MediaPaths::locateDriveC(bin), QDir::cleanPath(bin + QStringLiteral("/drive_c")));

    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("share/korivanta/drive_c"))));
    QCOMPARE(MediaPaths::locateDriveC(bin), root.filePath(QStringLiteral("share/korivanta/drive_c")));

    QVERIFY(QDir().mkpath(bin + QStringLiteral("/drive_c")));
    QCOMPARE(MediaPaths::locateDriveC(bin), QDir::cleanPath(bin + QStringLiteral("/drive_c")));
}

// After a copy, "grafemario" and "Grafemario" both lie in one folder, each
// with its own files: every spelling asked for reaches the same entry, the
// one first in code-unit order ("Grafemario"), with the keyboard's and the
// panel's spelling alike, and also for a name stored in both normal forms.
void TestMediaPaths::twoSpellingsOfOneFolderGiveOneFile_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("file"); // relative to the drive C of the test

    const QString chosen = QStringLiteral("Trab_zumel/Grafemario/a.wav");
    QTest::newRow("keyboard's spelling") << QStringLiteral("c:\\Trab_zumel\\grafemario\\a.wav") << chosen;
    QTest::newRow("panel's spelling") << QStringLiteral("c:\\Trab_zumel\\Grafemario\\a.wav") << chosen;
    QTest::newRow("upper case") << QStringLiteral("C:\\TRAB_ZUMEL\\GRAFEMARIO\\A.WAV") << chosen;
    QTest::newRow("the folder itself") << QStringLiteral("c:\\Trab_zumel\\grafemario")
                                       << QStringLiteral("Trab_zumel/Grafemario");
    // Two files of one name in both normal forms: the decomposed one ("n"
    // and a combining tilde) comes first.
    const QString decomposed = QStringLiteral("Trab_zumel/Grafemario/") + kNfdN + QStringLiteral(".wav");
    QTest::newRow("composed asked") << QStringLiteral("c:\\Trab_zumel\\grafemario\\\u00f1.wav") << decomposed;
    QTest::newRow("decomposed asked") << QStringLiteral("c:\\Trab_zumel\\grafemario\\") + kNfdN + QStringLiteral(".wav")
                                      << decomposed;
}

void TestMediaPaths::twoSpellingsOfOneFolderGiveOneFile()
{
    QFETCH(QString, programPath);
    QFETCH(QString, file);
    QTemporaryDir driveC;
    QVERIFY(driveC.isValid());
    for (const QString &folder : {QStringLiteral("grafemario"), QStringLiteral("Grafemario")}) {
        const QString dir = driveC.filePath(QStringLiteral("Trab_zumel/") + folder + QLatin1Char('/'));
        writeFile(dir + QStringLiteral("a.wav"), folder.toUtf8());
        writeFile(dir + QStringLiteral("\u00f1.wav"), "composed");
        writeFile(dir + kNfdN + QStringLiteral(".wav"), "decomposed");
    }
    QCOMPARE(MediaPaths(driveC.path()).resolve(programPath), driveC.filePath(file));
}

// Names cannot leave the folder they start in: ".." stops at drive C's root
// or at the working folder, other drives are refused, and a link that leads
// out of the base is refused; a link that stays inside is followed.
void TestMediaPaths::namesStayInsideTheirBase_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("found"); // relative to the case's root; empty: nothing found
    QTest::addColumn<bool>("refused");

    // The case's root holds drive_c, drive_d, work (the working folder) and
    // fuera (outside both), each with a file.
    QTest::newRow("drive C, climbing") << QStringLiteral("c:\\..\\..\\fuera\\secreto.wav") << QString() << false;
    QTest::newRow("drive C, climbing to its own file")
        << QStringLiteral("c:\\..\\..\\Trab_zumel\\bien.wav") << QStringLiteral("drive_c/Trab_zumel/bien.wav") << false;
    QTest::newRow("relative, climbing") << QStringLiteral("..\\fuera\\secreto.wav") << QString() << false;
    QTest::newRow("relative, climbing far")
        << QStringLiteral("..\\..\\..\\..\\..\\..\\..\\..\\etc\\passwd") << QString() << false;
    QTest::newRow("relative, climbing through a folder")
        << QStringLiteral("sub\\..\\..\\fuera\\secreto.wav") << QString() << false;
    QTest::newRow("relative, climbing back in")
        << QStringLiteral("..\\..\\propio.wav") << QStringLiteral("work/propio.wav") << false;
    QTest::newRow("bare name") << QStringLiteral("propio.wav") << QStringLiteral("work/propio.wav") << false;
    // Qt would read a name starting with ':' from the program's own resources.
    QTest::newRow("resource-like name") << QStringLiteral(":/ventana.png") << QString() << false;
    QTest::newRow("drive D") << QStringLiteral("d:\\secreto.wav") << QString() << true;
    QTest::newRow("drive D, climbing") << QStringLiteral("D:\\..\\drive_d\\secreto.wav") << QString() << true;
    QTest::newRow("drive Z") << QStringLiteral("z:") << QString() << true;
    QTest::newRow("file linked out") << QStringLiteral("c:\\Trab_zumel\\enlace.wav") << QString() << true;
    QTest::newRow("folder linked out") << QStringLiteral("c:\\Trab_zumel\\Fuera\\secreto.wav") << QString() << true;
    QTest::newRow("folder linked out, missing file")
        << QStringLiteral("c:\\Trab_zumel\\fuera\\nada.wav") << QString() << true;
    QTest::newRow("link to a link out") << QStringLiteral("c:\\Trab_zumel\\doble.wav") << QString() << true;
    QTest::newRow("link to a device") << QStringLiteral("c:\\Trab_zumel\\cero.gif") << QString() << true;
    QTest::newRow("link leading nowhere") << QStringLiteral("c:\\Trab_zumel\\roto.wav") << QString() << true;
    QTest::newRow("working folder linked out") << QStringLiteral("afuera\\secreto.wav") << QString() << true;
    QTest::newRow("link inside drive C") << QStringLiteral("c:\\Trab_zumel\\otro_nombre.wav")
                                         << QStringLiteral("drive_c/Trab_zumel/bien.wav") << false;
    QTest::newRow("folder link inside drive C")
        << QStringLiteral("c:\\Trab_zumel\\atajo\\bien.wav") << QStringLiteral("drive_c/Trab_zumel/bien.wav") << false;
}

void TestMediaPaths::namesStayInsideTheirBase()
{
    QFETCH(QString, programPath);
    QFETCH(QString, found);
    QFETCH(bool, refused);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString c = root.filePath(QStringLiteral("drive_c"));
    writeFile(c + QStringLiteral("/Trab_zumel/bien.wav"), "c");
    writeFile(root.filePath(QStringLiteral("drive_d/secreto.wav")), "d");
    writeFile(root.filePath(QStringLiteral("fuera/secreto.wav")), "fuera");
    writeFile(root.filePath(QStringLiteral("work/propio.wav")), "work");
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("work/sub"))));
    const auto link = [&](const QString &target, const QString &name) { QVERIFY(QFile::link(target, name)); };
    link(root.filePath(QStringLiteral("fuera/secreto.wav")), c + QStringLiteral("/Trab_zumel/enlace.wav"));
    link(root.filePath(QStringLiteral("fuera")), c + QStringLiteral("/Trab_zumel/fuera"));
    link(QStringLiteral("enlace.wav"), c + QStringLiteral("/Trab_zumel/doble.wav"));
    link(QStringLiteral("/dev/zero"), c + QStringLiteral("/Trab_zumel/cero.gif"));
    link(root.filePath(QStringLiteral("nada.wav")), c + QStringLiteral("/Trab_zumel/roto.wav"));
    link(QStringLiteral("bien.wav"), c + QStringLiteral("/Trab_zumel/otro_nombre.wav"));
    link(QStringLiteral("."), c + QStringLiteral("/Trab_zumel/atajo"));
    link(QStringLiteral("../fuera"), root.filePath(QStringLiteral("work/afuera")));

    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.filePath(QStringLiteral("work"))));
    const MediaPaths::Location where = MediaPaths(c).locate(programPath);
    QDir::setCurrent(previous);

    QCOMPARE(!where.refusal.isEmpty(), refused);
    if (refused) {
        QVERIFY(where.file.isEmpty());
        return;
    }
    QVERIFY(!where.file.isEmpty());
    QVERIFY2(!where.file.startsWith(QLatin1Char(':')), qPrintable(where.file));
    const QString absolute =
        QDir::isAbsolutePath(where.file) ? where.file : root.filePath(QStringLiteral("work/")) + where.file;
    if (found.isEmpty()) {
        QVERIFY2(!QFileInfo::exists(absolute), qPrintable(absolute));
        // Relative results stay relative, below the working folder.
        QVERIFY2(!where.file.startsWith(QLatin1String("..")), qPrintable(where.file));
    } else {
        QCOMPARE(QFileInfo(absolute).canonicalFilePath(), QFileInfo(root.filePath(found)).canonicalFilePath());
    }
}

// The school's drive C over the package's: a name is taken from the upper
// layer when it is there (any spelling), else from the lower one; a link in
// either layer must stay inside its own layer, and a refusal in the upper
// layer is not passed over to the lower one.
void TestMediaPaths::twoLayersOfDriveC_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("found"); // relative to the case's root; empty: nothing found
    QTest::addColumn<bool>("refused");

    QTest::newRow("only below") << QStringLiteral("c:\\Trab_zumel\\sonido\\bien.wav")
                                << QStringLiteral("abajo/Trab_zumel/sonido/bien.wav") << false;
    QTest::newRow("in both: the upper one") << QStringLiteral("C:\\Trab_zumel\\diccionario.mdb")
                                            << QStringLiteral("arriba/Trab_zumel/diccionario.mdb") << false;
    QTest::newRow("in both, other case") << QStringLiteral("c:\\TRAB_ZUMEL\\DICCIONARIO.MDB")
                                         << QStringLiteral("arriba/Trab_zumel/diccionario.mdb") << false;
    QTest::newRow("only above") << QStringLiteral("c:\\Trab_zumel\\escuela\\dibujos\\wawa.png")
                                << QStringLiteral("arriba/Trab_zumel/escuela/dibujos/wawa.png") << false;
    QTest::newRow("a folder only above holds no lower file")
        << QStringLiteral("c:\\Trab_zumel\\escuela\\dibujos\\inti.bmp") << QString() << false;
    QTest::newRow("in neither") << QStringLiteral("c:\\Trab_zumel\\sonido\\mal.wav") << QString() << false;
    QTest::newRow("climbing out of the upper layer")
        << QStringLiteral("c:\\..\\abajo\\Trab_zumel\\sonido\\bien.wav") << QString() << false;
    QTest::newRow("upper link into the lower layer")
        << QStringLiteral("c:\\Trab_zumel\\prestado.wav") << QString() << true;
    QTest::newRow("lower link into the upper layer")
        << QStringLiteral("c:\\Trab_zumel\\sonido\\ajeno.wav") << QString() << true;
    QTest::newRow("link inside the lower layer") << QStringLiteral("c:\\Trab_zumel\\sonido\\alias.wav")
                                                 << QStringLiteral("abajo/Trab_zumel/sonido/bien.wav") << false;
    QTest::newRow("other drive") << QStringLiteral("d:\\Trab_zumel\\sonido\\bien.wav") << QString() << true;
}

void TestMediaPaths::twoLayersOfDriveC()
{
    QFETCH(QString, programPath);
    QFETCH(QString, found);
    QFETCH(bool, refused);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString upper = root.filePath(QStringLiteral("arriba"));
    const QString lower = root.filePath(QStringLiteral("abajo"));
    writeFile(lower + QStringLiteral("/Trab_zumel/sonido/bien.wav"), "abajo");
    writeFile(lower + QStringLiteral("/Trab_zumel/diccionario.mdb"), "abajo");
    writeFile(lower + QStringLiteral("/Trab_zumel/dibujos/inti.bmp"), "abajo");
    writeFile(upper + QStringLiteral("/Trab_zumel/diccionario.mdb"), "arriba");
    writeFile(upper + QStringLiteral("/Trab_zumel/escuela/dibujos/wawa.png"), "arriba");
    QVERIFY(QFile::link(lower + QStringLiteral("/Trab_zumel/sonido/bien.wav"),
                        upper + QStringLiteral("/Trab_zumel/prestado.wav")));
    QVERIFY(QFile::link(upper + QStringLiteral("/Trab_zumel/diccionario.mdb"),
                        lower + QStringLiteral("/Trab_zumel/sonido/ajeno.wav")));
    QVERIFY(QFile::link(QStringLiteral("bien.wav"), lower + QStringLiteral("/Trab_zumel/sonido/alias.wav")));

    const MediaPaths layers(upper, lower);
    QCOMPARE(layers.driveC(), upper);
    QCOMPARE(layers.lowerDriveC(), lower);
    const MediaPaths::Location where = layers.locate(programPath);
    QCOMPARE(!where.refusal.isEmpty(), refused);
    if (refused) {
        QVERIFY(where.file.isEmpty());
        return;
    }
    if (found.isEmpty()) {
        QVERIFY2(!QFileInfo::exists(where.file), qPrintable(where.file));
        QVERIFY2(where.file.startsWith(root.path()), qPrintable(where.file));
    } else {
        QCOMPARE(QFileInfo(where.file).canonicalFilePath(), QFileInfo(root.filePath(found)).canonicalFilePath());
    }
}

QTEST_GUILESS_MAIN(TestMediaPaths)
#include "tst_media_paths.moc"
