// The school's own words, kept apart from the package's: what the game reads
// is the package's words and then the school's, composed anew after every
// change; a change is all or nothing; the school's files never hide the
// package's; the files are written for a group that shares the folder.
#include "game/data_control.h"
#include "media/media_files.h"
#include "media/media_paths.h"
#include "support/media_fixtures.h"
#include "support/stored_words.h"
#include "support/words_fixture.h"
#include "wordstore/import_counts.h"
#include "wordstore/school_store.h"
#include "wordstore/words_db.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace korivanta;
using namespace korivanta::wordstore;

namespace {

// A short 16-bit mono WAV the game plays as it is (a sound with no samples
// is refused).
QByteArray wav()
{
    QByteArray w = QByteArray("RIFF") + QByteArray::fromHex("64000000") + "WAVEfmt " + QByteArray::fromHex("10000000");
    w += QByteArray::fromHex("0100010022560000"
                             "44ac000002001000") +
         "data" + QByteArray::fromHex("40000000") + QByteArray(64, 'a');
    return w;
}

int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

class TestSchoolStore : public QObject {
    Q_OBJECT

private slots:
    void init();

    void composesPackageWordsThenSchoolWords();
    void aNewPackageVersionsWordAppearsAfterCompose();
    void nothingIsComposedWhileTheSchoolHasNoWords();
    void aBrokenPackageDatabaseLeavesTheComposedOneAlone_data();
    void aBrokenPackageDatabaseLeavesTheComposedOneAlone();
    void aSchoolDatabaseThatNeverEndsIsRefused_data();
    void aSchoolDatabaseThatNeverEndsIsRefused();
    void saveEditAndRemoveCarryTheirMedia();
    void draftsAreCheckedAgainstBothLayers_data();
    void draftsAreCheckedAgainstBothLayers();
    void schoolFilesNeverHidePackageFiles();
    void aFailedSaveLeavesTheStoreAsItWas_data();
    void aFailedSaveLeavesTheStoreAsItWas();
    void anImportIntoTheStoreIsComposed();
    void importingAListAgainUpdatesItsWords_data();
    void importingAListAgainUpdatesItsWords();
    void rowsAreReadAsTeachersWriteThem_data();
    void rowsAreReadAsTeachersWriteThem();
    void aBadRowStillRefusesTheWholeUpdate();
    void leftoversOfAKilledChangeAreRemoved_data();
    void leftoversOfAKilledChangeAreRemoved();
    void filesAreWrittenForTheGroup();
    void theGameReopensTheComposedDatabase();
    void storePathsFollowTheProgramsPlace();

private:
    StorePaths paths() const { return {m_package->path(), m_dir->path() + QStringLiteral("/escuela")}; }
    WordDraft draft(const QString &ay, const QString &esp, const QString &cat) const
    {
        WordDraft d;
        d.nomAy = ay;
        d.nomEsp = esp;
        d.categoria = cat;
        return d;
    }

    std::unique_ptr<QTemporaryDir> m_dir;     // the test's own files and the school's folder
    std::unique_ptr<QTemporaryDir> m_package; // the package's drive C
};

void TestSchoolStore::init()
{
    // Fresh folders for every test function.
    m_dir = std::make_unique<QTemporaryDir>();
    m_package = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_package->isValid());
    makeWordsDatabase(m_package->path(), packageSampleWords());
    writePicture(m_package->path() + QStringLiteral("/Trab_zumel/dibujos/inti.bmp"), 8, 8, Qt::yellow);
    ::umask(022);
}

void TestSchoolStore::composesPackageWordsThenSchoolWords()
{
    SchoolStore store(paths());
    qint64 wawa = 0;
    QCOMPARE(store.save(draft("wawa", "bebé", "persona"), &wawa), QString());
    QVERIFY(wawa != 0);
    QCOMPARE(store.save(draft("uta", "casa", "hogar")), QString());
    QCOMPARE(wordsOf(paths().composedDatabase()),
             (QStringList{"inti/naturaleza", "anu/animal", "wawa/persona", "uta/hogar"}));
    const QList<SchoolWord> school = store.schoolWords(nullptr);
    QCOMPARE(school.size(), 2);
    QCOMPARE(school[0].id, wawa);
    QCOMPARE(school[0].word.nomEsp, QStringLiteral("bebé"));
    // The package's database is never written.
    QCOMPARE(wordsOf(paths().packageDatabase()), (QStringList{"inti/naturaleza", "anu/animal"}));

    // A school word that a new package version brings too is the package's.
    makeWordsDatabase(m_package->path(), packageSampleWords() + QList<WordRow>{{"wawa", "niño", "persona", "", ""}});
    QCOMPARE(store.compose(), QString());
    QCOMPARE(wordsOf(paths().composedDatabase()),
             (QStringList{"inti/naturaleza", "anu/animal", "wawa/persona", "uta/hogar"}));
    QList<wordsdb::Word> composed;
    QString error;
    QVERIFY(wordsdb::readWords(paths().composedDatabase(), &composed, &error));
    QCOMPARE(composed[2].nomEsp, QStringLiteral("niño"));
    QCOMPARE(wordsdb::integrityProblem(paths().composedDatabase()), QString());
}

void TestSchoolStore::aNewPackageVersionsWordAppearsAfterCompose()
{
    SchoolStore store(paths());
    QCOMPARE(store.save(draft("wawa", "bebé", "persona")), QString());
    makeWordsDatabase(m_package->path(), packageSampleWords() + QList<WordRow>{{"phisi", "gato", "animal", "", ""}});
    QCOMPARE(wordsOf(paths().composedDatabase()), (QStringList{"inti/naturaleza", "anu/animal", "wawa/persona"}));
    QCOMPARE(store.compose(), QString());
    QCOMPARE(wordsOf(paths().composedDatabase()),
             (QStringList{"inti/naturaleza", "anu/animal", "phisi/animal", "wawa/persona"}));
}

void TestSchoolStore::nothingIsComposedWhileTheSchoolHasNoWords()
{
    SchoolStore store(paths());
    QCOMPARE(store.compose(), QString());
    QVERIFY(!QFileInfo::exists(paths().composedDatabase()));
    QVERIFY(!QFileInfo::exists(paths().schoolDir));

    // Once the school had a word, removing its last one leaves the package's words.
    qint64 id = 0;
    QCOMPARE(store.save(draft("wawa", "bebé", "persona"), &id), QString());
    QCOMPARE(store.remove(id), QString());
    QCOMPARE(wordsOf(paths().composedDatabase()), (QStringList{"inti/naturaleza", "anu/animal"}));
}

void TestSchoolStore::aBrokenPackageDatabaseLeavesTheComposedOneAlone_data()
{
    QTest::addColumn<QByteArray>("packageBytes"); // empty: the file is gone
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a database") << QByteArray("this is no SQLite file at all, just words and words");
    QTest::newRow("truncated") << QByteArray("truncate");
    QTest::newRow("damaged page") << QByteArray("damage");
}

void TestSchoolStore::aBrokenPackageDatabaseLeavesTheComposedOneAlone()
{
    QFETCH(QByteArray, packageBytes);
    SchoolStore store(paths());
    QCOMPARE(store.save(draft("wawa", "bebé", "persona")), QString());
    const QByteArray composedBefore = fileBytes(paths().composedDatabase());
    const auto before = folderSnapshot(paths().schoolDir);

    const QString package = paths().packageDatabase();
    if (packageBytes.isEmpty()) {
        QVERIFY(QFile::remove(package));
    } else if (packageBytes == "truncate") {
        QVERIFY(QFile::resize(package, 1024 + 100));
    } else if (packageBytes == "damage") {
        // The table's page (page 2) overwritten with noise.
        QByteArray bytes = fileBytes(package);
        QVERIFY(bytes.size() >= 2 * 4096);
        for (qsizetype i = 4096; i < 2 * 4096; ++i)
            bytes[i] = char(i * 7 + 3);
        writeFile(package, bytes);
    } else {
        writeFile(package, packageBytes);
    }
    QVERIFY(!store.compose().isEmpty());
    QCOMPARE(fileBytes(paths().composedDatabase()), composedBefore);
    // A save fails before it changes anything either.
    QVERIFY(!store.save(draft("uta", "casa", "hogar")).isEmpty());
    QCOMPARE(folderSnapshot(paths().schoolDir), before);
}

// The school's database, which the teachers' group can write, made so that
// reading its words never ends: reading, composing and saving each stop with
// the reason in Spanish, and nothing changes.
void TestSchoolStore::aSchoolDatabaseThatNeverEndsIsRefused_data()
{
    QTest::addColumn<int>("kind"); // Runaway
    QTest::newRow("a recursive view") << int(Runaway::RecursiveView);
    QTest::newRow("a table joined with itself") << int(Runaway::CrossJoin);
}

void TestSchoolStore::aSchoolDatabaseThatNeverEndsIsRefused()
{
    QFETCH(int, kind);
    SchoolStore store(paths());
    QCOMPARE(store.save(draft("wawa", "bebé", "persona")), QString());
    QCOMPARE(writeAsAnotherProgram(paths().schoolDatabase(), runawayNominal(Runaway(kind))), QString());
    const auto before = folderSnapshot(paths().schoolDir);
    const QString says = QStringLiteral("no llegaba nunca a su fin");

    QString error;
    QVERIFY(store.schoolWords(&error).isEmpty());
    QVERIFY2(error.contains(says) && error.contains(paths().schoolDatabase()), qPrintable(error));
    error = store.compose();
    QVERIFY2(error.contains(says), qPrintable(error));
    error = store.save(draft("uta", "casa", "hogar"));
    QVERIFY2(error.contains(says), qPrintable(error));
    QCOMPARE(folderSnapshot(paths().schoolDir), before);
}

void TestSchoolStore::saveEditAndRemoveCarryTheirMedia()
{
    SchoolStore store(paths());
    const QString picture = m_dir->filePath(QStringLiteral("wawa.png"));
    const QString sound = m_dir->filePath(QStringLiteral("wawa.wav"));
    QImage(80, 60, QImage::Format_RGB32).save(picture);
    writeFile(sound, wav());

    WordDraft d = draft("wawa", "bebé", "persona");
    d.pictureFile = picture;
    d.soundFile = sound;
    qint64 id = 0;
    QCOMPARE(store.save(d, &id), QString());
    SchoolWord saved = store.schoolWords(nullptr).value(0);
    QCOMPARE(saved.id, id);
    const QString pictureFile = store.localFile(saved.word.dibujo);
    const QString soundFile = store.localFile(saved.word.sonido);
    QVERIFY2(pictureFile.startsWith(paths().schoolDriveC() + QLatin1Char('/')), qPrintable(pictureFile));
    QVERIFY(QFileInfo(pictureFile).isFile());
    QCOMPARE(fileBytes(soundFile), wav());
    // A word without files of its own keeps the standard names, found in the package.
    QCOMPARE(store.localFile(wordsdb::standardPicture("inti")),
             m_package->path() + QStringLiteral("/Trab_zumel/dibujos/inti.bmp"));

    // A new picture replaces the old one, whose file goes.
    d.id = id;
    d.nomEsp = QStringLiteral("guagua");
    d.soundFile.clear();
    QImage(60, 80, QImage::Format_RGB32).save(picture);
    QCOMPARE(store.save(d), QString());
    const SchoolWord edited = store.schoolWords(nullptr).value(0);
    QCOMPARE(edited.id, id);
    QCOMPARE(edited.word.nomEsp, QStringLiteral("guagua"));
    QCOMPARE(edited.word.sonido, saved.word.sonido);
    QVERIFY(QFileInfo(store.localFile(edited.word.dibujo)).isFile());
    QVERIFY(edited.word.dibujo != saved.word.dibujo);
    QVERIFY(!QFileInfo::exists(pictureFile));
    QCOMPARE(wordsOf(paths().composedDatabase()), (QStringList{"inti/naturaleza", "anu/animal", "wawa/persona"}));

    QCOMPARE(store.remove(id), QString());
    QVERIFY(store.schoolWords(nullptr).isEmpty());
    QVERIFY(!QFileInfo::exists(store.localFile(edited.word.dibujo)));
    QVERIFY(!QFileInfo::exists(soundFile));
    QCOMPARE(wordsOf(paths().composedDatabase()), (QStringList{"inti/naturaleza", "anu/animal"}));
    QVERIFY(!store.remove(id).isEmpty());
}

void TestSchoolStore::draftsAreCheckedAgainstBothLayers_data()
{
    QTest::addColumn<QString>("nomAy");
    QTest::addColumn<QString>("categoria");
    QTest::addColumn<QString>("problemField");
    QTest::newRow("a package word") << "anu"
                                    << "animal"
                                    << "nomAy";
    QTest::newRow("a school word") << "wawa"
                                   << "persona"
                                   << "nomAy";
    QTest::newRow("unspellable") << "huevo"
                                 << "animal"
                                 << "nomAy";
    QTest::newRow("unknown category") << "uta"
                                      << "casas"
                                      << "categoria";
    QTest::newRow("same word, other category") << "anu"
                                               << "persona"
                                               << "";
}

void TestSchoolStore::draftsAreCheckedAgainstBothLayers()
{
    QFETCH(QString, nomAy);
    QFETCH(QString, categoria);
    QFETCH(QString, problemField);
    SchoolStore store(paths());
    QCOMPARE(store.save(draft("wawa", "bebé", "persona")), QString());
    const DraftProblems p = store.check(draft(nomAy, "algo", categoria));
    QCOMPARE(!p.nomAy.isEmpty(), problemField == "nomAy");
    QCOMPARE(!p.categoria.isEmpty(), problemField == "categoria");
    QCOMPARE(p.ok(), problemField.isEmpty());
    if (!p.ok())
        QVERIFY(!store.save(draft(nomAy, "algo", categoria)).isEmpty());
}

void TestSchoolStore::schoolFilesNeverHidePackageFiles()
{
    // The package has files at the names the school's would take first.
    const QString taken = m_package->path() + QStringLiteral("/Trab_zumel/escuela/dibujos/wawa.png");
    writePicture(taken, 8, 8, Qt::red);
    const QByteArray packageBytes = fileBytes(taken);
    const QString picture = m_dir->filePath(QStringLiteral("foto.png"));
    QImage(80, 60, QImage::Format_RGB32).save(picture);
    const QString csv = m_dir->filePath(QStringLiteral("palabras.csv"));
    writeFile(csv, "nom_ay,nom_esp,categoria,dibujo\nwawa,bebé,persona,foto.png\n");

    SchoolStore store(paths());
    const wordtool::ImportResult result = store.importCsv(csv);
    QVERIFY2(result.ok(), qPrintable(result.errors.join('\n')));
    WordDraft d = draft("wawa", "bebé", "animal");
    d.pictureFile = picture;
    QCOMPARE(store.save(d), QString());

    QCOMPARE(fileBytes(taken), packageBytes);
    // No file of the school's has a twin in the package's drive.
    const auto school = folderSnapshot(paths().schoolDriveC());
    const auto package = folderSnapshot(m_package->path());
    QStringList packageNames;
    for (auto it = package.cbegin(); it != package.cend(); ++it)
        if (it.value() != "<dir>")
            packageNames << it.key().toCaseFolded();
    for (auto it = school.cbegin(); it != school.cend(); ++it) {
        if (it.value() == "<dir>" || it.key().endsWith(QLatin1String("diccionario.mdb")))
            continue;
        QVERIFY2(!packageNames.contains(it.key().toCaseFolded()), qPrintable(it.key()));
    }
    for (const SchoolWord &s : store.schoolWords(nullptr))
        QVERIFY2(store.localFile(s.word.dibujo).startsWith(paths().schoolDriveC()), qPrintable(s.word.dibujo));
}

void TestSchoolStore::aFailedSaveLeavesTheStoreAsItWas_data()
{
    QTest::addColumn<QString>("blocked"); // a file put where the school needs a folder
    QTest::newRow("pictures' folder") << "drive_c/Trab_zumel/escuela";
    QTest::newRow("sounds' folder, after the picture") << "drive_c/Trab_zumel/escuela/sonido";
}

void TestSchoolStore::aFailedSaveLeavesTheStoreAsItWas()
{
    QFETCH(QString, blocked);
    SchoolStore store(paths());
    QCOMPARE(store.save(draft("uta", "casa", "hogar")), QString());
    const QString blocker = paths().schoolDir + QLatin1Char('/') + blocked;
    QDir().mkpath(QFileInfo(blocker).absolutePath());
    writeFile(blocker, "in the way");
    const auto before = folderSnapshot(paths().schoolDir);

    const QString picture = m_dir->filePath(QStringLiteral("wawa.png"));
    QImage(80, 60, QImage::Format_RGB32).save(picture);
    const QString sound = m_dir->filePath(QStringLiteral("wawa.wav"));
    writeFile(sound, wav());
    WordDraft d = draft("wawa", "bebé", "persona");
    d.pictureFile = picture;
    d.soundFile = sound;
    QVERIFY(!store.save(d).isEmpty());
    QCOMPARE(folderSnapshot(paths().schoolDir), before);

    const QString csv = m_dir->filePath(QStringLiteral("palabras.csv"));
    writeFile(csv, "nom_ay,nom_esp,categoria,dibujo,sonido\nwawa,bebé,persona,wawa.png,wawa.wav\n");
    QVERIFY(!store.importCsv(csv).ok());
    QCOMPARE(folderSnapshot(paths().schoolDir), before);
}

void TestSchoolStore::leftoversOfAKilledChangeAreRemoved_data()
{
    QTest::addColumn<QString>("file"); // below drive_c/Trab_zumel/escuela, or the school's folder for "../"
    QTest::addColumn<bool>("removed");
    QTest::newRow("a hidden temporary picture") << "dibujos/.kusa.jpg.nuevo-123456" << true;
    QTest::newRow("a picture no word names") << "dibujos/kusa.jpg" << true;
    QTest::newRow("its sharp copy") << "dibujos/kusa@2x.jpg" << true;
    QTest::newRow("a sound no word names") << "sonido/kusa.wav" << true;
    QTest::newRow("a copy of the school's database") << "../../../.palabras-escuela.db.importando-AbC123" << true;
    QTest::newRow("the word's own picture") << "dibujos/wawa.png" << false;
    QTest::newRow("a file outside the media folders") << "nota.txt" << false;
}

void TestSchoolStore::leftoversOfAKilledChangeAreRemoved()
{
    QFETCH(QString, file);
    QFETCH(bool, removed);
    SchoolStore store(paths());
    const QString picture = m_dir->filePath(QStringLiteral("wawa.png"));
    QVERIFY(QImage(80, 60, QImage::Format_RGB32).save(picture));
    WordDraft d = draft("wawa", "bebé", "persona");
    d.pictureFile = picture;
    QCOMPARE(store.save(d), QString());
    const QString path = QDir::cleanPath(paths().schoolDriveC() + QStringLiteral("/Trab_zumel/escuela/") + file);
    if (!QFileInfo::exists(path))
        writeFile(path, "dejado por un programa que se cortó");
    QCOMPARE(store.compose(), QString());
    QCOMPARE(QFileInfo::exists(path), !removed);
    QVERIFY(QFileInfo::exists(store.localFile(store.schoolWords(nullptr).value(0).word.dibujo)));
}

void TestSchoolStore::anImportIntoTheStoreIsComposed()
{
    const QString csv = m_dir->filePath(QStringLiteral("palabras.csv"));
    writeFile(csv, "nom_ay,nom_esp,categoria\nwawa,bebé,persona\nanu,perro,animal\n");
    SchoolStore store(paths());
    wordtool::ImportResult result = store.importCsv(csv);
    // anu is the package's: left as it is, with a note, never copied to the school's words.
    QVERIFY2(result.ok(), qPrintable(result.errors.join('\n')));
    QCOMPARE(result.added, 1);
    QCOMPARE(result.unchanged, 1);
    QVERIFY2(result.notes.join('\n').contains(QStringLiteral("«anu»")), qPrintable(result.notes.join('\n')));
    QCOMPARE(wordsOf(paths().schoolDatabase()), QStringList{"wawa/persona"});
    QCOMPARE(wordsOf(paths().packageDatabase()), (QStringList{"inti/naturaleza", "anu/animal"}));

    writeFile(csv, "nom_ay,nom_esp,categoria\nwawa,bebé,persona\nuta,casa,hogar\n");
    result = store.importCsv(csv);
    QVERIFY2(result.ok(), qPrintable(result.errors.join('\n')));
    QCOMPARE(result.added, 1);
    QCOMPARE(result.unchanged, 1);
    // A word without a picture is named, never a folder of the store's.
    const QString warnings = result.warnings.join('\n');
    QVERIFY2(warnings.contains(QStringLiteral("no hay dibujo de «uta»")), qPrintable(warnings));
    QVERIFY2(!warnings.contains(paths().schoolDir) && !warnings.contains(m_package->path()), qPrintable(warnings));
    QCOMPARE(wordsOf(paths().composedDatabase()),
             (QStringList{"inti/naturaleza", "anu/animal", "wawa/persona", "uta/hogar"}));
    QCOMPARE(wordsOf(paths().schoolDatabase()), (QStringList{"wawa/persona", "uta/hogar"}));
}

void TestSchoolStore::importingAListAgainUpdatesItsWords_data()
{
    QTest::addColumn<QByteArray>("again"); // the list imported the second time
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("updated");
    QTest::addColumn<int>("unchanged");
    QTest::addColumn<QStringList>("words"); // the school's words afterwards
    QTest::addColumn<QString>("picture");   // wawa's picture afterwards: "same", "new" or "other" (a.png or b.png)
    QTest::addColumn<QString>("counts");    // what the import says it did
    // The first list, every time: wawa with a.png and its sound, uta without files.
    const QByteArray first =
        "nom_ay,nom_esp,categoria,dibujo,sonido\nwawa,bebé,persona,a.png,a.wav\nuta,casa,hogar,,\n";
    const QStringList same{"wawa/bebé/persona", "uta/casa/hogar"};
    QTest::newRow("the same list") << first << 0 << 0 << 2 << same << "same"
                                   << "2 palabras quedaron como estaban";
    QTest::newRow("a changed picture")
        << QByteArray("nom_ay,nom_esp,categoria,dibujo,sonido\nwawa,bebé,persona,b.png,a.wav\nuta,casa,hogar,,\n") << 0
        << 1 << 1 << same << "new"
        << "se actualizó 1 palabra y 1 quedó como estaba";
    QTest::newRow("a changed Spanish word")
        << QByteArray("nom_ay,nom_esp,categoria,dibujo,sonido\nwawa,niño,persona,a.png,a.wav\nuta,casa,hogar,,\n") << 0
        << 1 << 1 << QStringList{"wawa/niño/persona", "uta/casa/hogar"} << "same"
        << "se actualizó 1 palabra y 1 quedó como estaba";
    QTest::newRow("rows without files keep the words' files")
        << QByteArray("nom_ay,nom_esp,categoria\nwawa,bebé,persona\nuta,casa,hogar\n") << 0 << 0 << 2 << same << "same"
        << "2 palabras quedaron como estaban";
    QTest::newRow("new words beside old ones")
        << QByteArray("nom_ay,nom_esp,categoria\nqarwa,llama,animal\nwawa,bebé,persona\nkusi,alegre,persona\n") << 2
        << 0 << 1 << QStringList{"wawa/bebé/persona", "uta/casa/hogar", "qarwa/llama/animal", "kusi/alegre/persona"}
        << "same"
        << "se agregaron 2 palabras y 1 quedó como estaba";
    QTest::newRow("a package word in the list")
        << QByteArray("nom_ay,nom_esp,categoria\nanu,can,animal\nuta,hogar,hogar\n") << 0 << 1 << 1
        << QStringList{"wawa/bebé/persona", "uta/hogar/hogar"} << "same"
        << "se actualizó 1 palabra y 1 quedó como estaba";
    QTest::newRow("Spanish headings and the menu's labels")
        << QByteArray("Palabra;Castellano;Categoría;Imagen\r\nwawa;bebé;Personas;b.png\r\nuta;casa;HOGAR;\r\n") << 0
        << 1 << 1 << same << "new"
        << "se actualizó 1 palabra y 1 quedó como estaba";
}

void TestSchoolStore::importingAListAgainUpdatesItsWords()
{
    QFETCH(QByteArray, again);
    QFETCH(int, added);
    QFETCH(int, updated);
    QFETCH(int, unchanged);
    QFETCH(QStringList, words);
    QFETCH(QString, picture);
    QFETCH(QString, counts);
    writePicture(m_dir->filePath(QStringLiteral("a.png")), 80, 60, Qt::red);
    writePicture(m_dir->filePath(QStringLiteral("b.png")), 80, 60, Qt::blue);
    writeFile(m_dir->filePath(QStringLiteral("a.wav")), wav());
    const QString csv = m_dir->filePath(QStringLiteral("palabras.csv"));
    writeFile(csv, "nom_ay,nom_esp,categoria,dibujo,sonido\nwawa,bebé,persona,a.png,a.wav\nuta,casa,hogar,,\n");
    SchoolStore store(paths());
    wordtool::ImportResult result = store.importCsv(csv);
    QVERIFY2(result.ok(), qPrintable(result.errors.join('\n')));
    QCOMPARE(result.added, 2);
    const SchoolWord before = store.schoolWords(nullptr).value(0);
    const QString oldPicture = store.localFile(before.word.dibujo);
    QVERIFY(oldPicture.startsWith(paths().schoolDir));
    const auto schoolBefore = folderSnapshot(paths().schoolDir);

    writeFile(csv, again);
    result = store.importCsv(csv);
    QVERIFY2(result.ok(), qPrintable(result.errors.join('\n')));
    QCOMPARE(result.added, added);
    QCOMPARE(result.updated, updated);
    QCOMPARE(result.unchanged, unchanged);
    QCOMPARE(wordtool::importCounts(result.added, result.updated, result.unchanged), counts);
    QCOMPARE(wordsOf(paths().schoolDatabase(), WordFields::AymaraSpanishAndCategory), words);

    const SchoolWord after = store.schoolWords(nullptr).value(0);
    QCOMPARE(after.id, before.id);
    QCOMPARE(after.word.sonido, before.word.sonido); // the same sound again changes nothing
    QVERIFY(QFileInfo::exists(store.localFile(after.word.sonido)));
    const QString newPicture = store.localFile(after.word.dibujo);
    QVERIFY(QFileInfo::exists(newPicture));
    if (picture == "same") {
        QCOMPARE(after.word.dibujo, before.word.dibujo);
    } else {
        // The new picture is in place and the old one, which no word names, is gone.
        QVERIFY(after.word.dibujo != before.word.dibujo);
        QVERIFY2(!QFileInfo::exists(oldPicture), qPrintable(oldPicture));
        QCOMPARE(QImage(newPicture).pixelColor(40, 30), QColor(Qt::blue));
    }
    if (added == 0 && updated == 0)
        QCOMPARE(folderSnapshot(paths().schoolDir), schoolBefore);
    // The game reads the updated words.
    QCOMPARE(wordsOf(paths().composedDatabase(), WordFields::AymaraSpanishAndCategory).mid(2), words);
}

void TestSchoolStore::rowsAreReadAsTeachersWriteThem_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QStringList>("words"); // nom_ay/categoria of the school's words, or the error expected
    QTest::addColumn<QString>("error");
    QTest::newRow("blank rows of a spreadsheet")
        << QByteArray("nom_ay;nom_esp;categoria;dibujo;sonido\n;;;;\nwawa;bebé;persona;;\n ; ;  ;;\n;;;;\n")
        << QStringList{"wawa/persona"} << QString();
    QTest::newRow("the menu's label") << QByteArray("nom_ay,nom_esp,categoria\nqarwa,llama,Animales\n")
                                      << QStringList{"qarwa/animal"} << QString();
    QTest::newRow("a label in the singular") << QByteArray("nom_ay,nom_esp,categoria\nk'isimira,hormiga,Insecto\n")
                                             << QStringList{"k'isimira/insecto"} << QString();
    QTest::newRow("a key in capitals and plural, accents")
        << QByteArray("nom_ay,nom_esp,categoria\nqarwa,llama,ANIMAL\nchuxña,verde,cólores\nmama,señora,Personas\n"
                      "quta,lago,Naturaleza\nchiwchi,pollito,aves\n")
        << QStringList{"qarwa/animal", "chuxña/color", "mama/persona", "quta/naturaleza", "chiwchi/ave"} << QString();
    QTest::newRow("Spanish headings") << QByteArray("Palabra;Castellano;Categoría\nwawa;bebé;persona\n")
                                      << QStringList{"wawa/persona"} << QString();
    QTest::newRow("long Spanish headings with accents, any case")
        << QByteArray("PALABRA EN AYMARA,Palabra en castellano,CATEGORIA,imagen,Voz\nwawa,bebé,persona,,\n")
        << QStringList{"wawa/persona"} << QString();
    QTest::newRow("español and audio") << QByteArray("aymara,Español,categoría,Dibujo,audio\nwawa,bebé,persona,,\n")
                                       << QStringList{"wawa/persona"} << QString();
    QTest::newRow("an unknown category") << QByteArray("nom_ay,nom_esp,categoria\nqarwa,llama,Animalitos\n")
                                         << QStringList{} << "tiene una categoría desconocida «Animalitos»";
    QTest::newRow("only blank rows") << QByteArray("nom_ay,nom_esp,categoria\n,,\n") << QStringList{}
                                     << "no hay palabras que importar";
}

void TestSchoolStore::rowsAreReadAsTeachersWriteThem()
{
    QFETCH(QByteArray, list);
    QFETCH(QStringList, words);
    QFETCH(QString, error);
    const QString csv = m_dir->filePath(QStringLiteral("palabras.csv"));
    writeFile(csv, list);
    SchoolStore store(paths());
    const wordtool::ImportResult result = store.importCsv(csv);
    const QString errors = result.errors.join('\n');
    if (!error.isEmpty()) {
        QVERIFY2(errors.contains(error), qPrintable(errors));
        QCOMPARE(result.errors.size(), 1);
        return;
    }
    QVERIFY2(result.ok(), qPrintable(errors));
    QCOMPARE(result.added, words.size());
    QCOMPARE(wordsOf(paths().schoolDatabase()), words);
}

void TestSchoolStore::aBadRowStillRefusesTheWholeUpdate()
{
    writePicture(m_dir->filePath(QStringLiteral("a.png")), 80, 60, Qt::red);
    writePicture(m_dir->filePath(QStringLiteral("b.png")), 80, 60, Qt::blue);
    const QString csv = m_dir->filePath(QStringLiteral("palabras.csv"));
    writeFile(csv, "nom_ay,nom_esp,categoria,dibujo\nwawa,bebé,persona,a.png\n");
    SchoolStore store(paths());
    QVERIFY(store.importCsv(csv).ok());
    const auto before = folderSnapshot(paths().schoolDir);
    // wawa would change, but the next row cannot be imported: nothing changes.
    writeFile(csv, "nom_ay,nom_esp,categoria,dibujo\nwawa,niño,persona,b.png\nHola,hola,persona,\n");
    const wordtool::ImportResult result = store.importCsv(csv);
    QVERIFY(!result.ok());
    QCOMPARE(result.updated, 0);
    QCOMPARE(folderSnapshot(paths().schoolDir), before);
}

void TestSchoolStore::filesAreWrittenForTheGroup()
{
    const QString picture = m_dir->filePath(QStringLiteral("wawa.png"));
    QImage(80, 60, QImage::Format_RGB32).save(picture);
    const QString csv = m_dir->filePath(QStringLiteral("palabras.csv"));
    writeFile(csv, "nom_ay,nom_esp,categoria,dibujo\nwawa,bebé,persona,wawa.png\n");
    SchoolStore store(paths());
    QVERIFY(store.importCsv(csv).ok());
    WordDraft d = draft("uta", "casa", "hogar");
    d.pictureFile = picture;
    QCOMPARE(store.save(d), QString());

    QDirIterator it(paths().schoolDir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        const bool dir = QFileInfo(path).isDir();
        QCOMPARE(modeOf(path), dir ? 02775 : 0664);
        files += !dir;
    }
    QCOMPARE(files, 4); // the two databases and two pictures
    QCOMPARE(modeOf(paths().schoolDir), 02775);
}

void TestSchoolStore::theGameReopensTheComposedDatabase()
{
    SchoolStore store(paths());
    QCOMPARE(store.save(draft("wawa", "bebé", "persona")), QString());
    const MediaPaths layers(paths().schoolDriveC(), paths().packageDriveC);
    DataControl data(layers, QString::fromUtf16(kDatabasePath), QStringLiteral("nominal"));
    const auto count = [&] {
        int n = 0;
        for (auto rs = data.database().OpenRecordset(QStringLiteral("SELECT * FROM nominal")); !rs->eof();
             rs->MoveNext())
            ++n;
        return n;
    };
    QCOMPARE(count(), 3);
    QCOMPARE(store.save(draft("uta", "casa", "hogar")), QString());
    QCOMPARE(count(), 4);
}

void TestSchoolStore::storePathsFollowTheProgramsPlace()
{
    qunsetenv("KORIVANTA_ESCUELA");
    const QString build = m_dir->filePath(QStringLiteral("build/bin"));
    QDir().mkpath(build + QStringLiteral("/drive_c"));
    QCOMPARE(StorePaths::locate(build).schoolDir, build + QStringLiteral("/escuela"));
    QCOMPARE(StorePaths::locate(build).packageDriveC, build + QStringLiteral("/drive_c"));

    const QString usr = m_dir->filePath(QStringLiteral("usr"));
    QDir().mkpath(usr + QStringLiteral("/bin"));
    QDir().mkpath(usr + QStringLiteral("/share/korivanta/drive_c"));
    QCOMPARE(StorePaths::locate(usr + QStringLiteral("/bin")).schoolDir, QStringLiteral("/var/lib/korivanta"));

    qputenv("KORIVANTA_ESCUELA", m_dir->filePath(QStringLiteral("otra")).toLocal8Bit());
    QCOMPARE(StorePaths::locate(usr + QStringLiteral("/bin")).schoolDir, m_dir->filePath(QStringLiteral("otra")));
    qunsetenv("KORIVANTA_ESCUELA");
}

QTEST_MAIN(TestSchoolStore)
#include "tst_school_store.moc"
