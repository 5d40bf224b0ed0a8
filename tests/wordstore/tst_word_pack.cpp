// Word packs: a school's words with their pictures and sounds carried in one
// zip file to another computer, where they are imported as a CSV file is; a
// pack made to harm the computer that opens it (names leading out of the
// folder, links, huge files, damaged archives) is refused and leaves nothing.
#include "support/media_fixtures.h"
#include "support/words_fixture.h"
#include "wordstore/school_store.h"
#include "wordstore/word_pack.h"
#include "wordstore/words_db.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <zip.h>

using namespace korivanta;
using namespace korivanta::wordstore;

namespace {

// A short mono 16-bit WAV whose samples are `tone`, so two sounds differ.
QByteArray wav(char tone)
{
    const QByteArray samples(64, tone);
    QByteArray w = QByteArray("RIFF") + QByteArray::fromHex("64000000") + "WAVEfmt " + QByteArray::fromHex("10000000");
    w += QByteArray::fromHex("0100010022560000"
                             "44ac000002001000") +
         "data" + QByteArray::fromHex("40000000") + samples;
    return w;
}

// One entry of a pack made by a test.
struct ZipEntry {
    QByteArray name;
    QByteArray bytes;
    quint32 unixMode = 0; // type and permissions for the external attributes; 0: libzip's default
};

// Writes a zip with the entries as they are given, stored uncompressed
// unless `deflate`.
void makeZip(const QString &path, const QList<ZipEntry> &entries, bool deflate = false)
{
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    QVERIFY(archive);
    for (const ZipEntry &e : entries) {
        zip_source_t *source = zip_source_buffer(archive, e.bytes.constData(), zip_uint64_t(e.bytes.size()), 0);
        QVERIFY(source);
        const zip_int64_t index = zip_file_add(archive, e.name.constData(), source, ZIP_FL_ENC_UTF_8);
        QVERIFY2(index >= 0, zip_strerror(archive));
        zip_set_file_compression(archive, zip_uint64_t(index), deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
        if (e.unixMode)
            QCOMPARE(
                zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, e.unixMode << 16), 0);
    }
    QVERIFY2(zip_close(archive) == 0, zip_strerror(archive));
}

void replaceBytes(const QString &path, const QByteArray &from, const QByteArray &to)
{
    QByteArray bytes = fileBytes(path);
    QVERIFY(bytes.contains(from));
    writeFile(path, bytes.replace(from, to));
}

const QByteArray kList = "nom_ay,nom_esp,categoria\nuta,casa,hogar\n";

QList<WordRow> packageRows()
{
    return {{"inti", "sol", "naturaleza", "c:\\Trab_zumel\\dibujos\\inti.bmp",
             "c:\\Trab_zumel\\sonido\\palabras\\inti.wav"}};
}

} // namespace

Q_DECLARE_METATYPE(ZipEntry)

class TestWordPack : public QObject {
    Q_OBJECT

private slots:
    // Words exported from one school come out on another exactly: the rows,
    // and the pictures' and sounds' bytes.
    void roundTripCarriesWordsAndFiles()
    {
        QTemporaryDir dir;
        const QString driveC = dir.filePath(QStringLiteral("paquete/drive_c"));
        makeWordsDatabase(driveC, packageRows());
        SchoolStore first({driveC, dir.filePath(QStringLiteral("escuela1"))});
        // Fields with a comma, quotes and an apostrophe, a picture shared by
        // two words, a word with its own sound and one without.
        writePicture(dir.filePath(QStringLiteral("maestra/casa.bmp")), 169, 129, Qt::darkGreen);
        writePicture(dir.filePath(QStringLiteral("maestra/q.bmp")), 169, 129, Qt::red);
        writeFile(dir.filePath(QStringLiteral("maestra/uta.wav")), wav('\x11'));
        writeFile(dir.filePath(QStringLiteral("maestra/q.wav")), wav('\x22'));
        writeFile(dir.filePath(QStringLiteral("maestra/w.csv")), "nom_ay,nom_esp,categoria,dibujo,sonido\n"
                                                                 "uta,\"casa, \"\"grande\"\"\",hogar,casa.bmp,uta.wav\n"
                                                                 "uta,casa,naturaleza,casa.bmp,\n"
                                                                 "q'ara,pelado,persona,q.bmp,q.wav\n");
        const wordtool::ImportResult added = first.importCsv(dir.filePath(QStringLiteral("maestra/w.csv")));
        QVERIFY2(added.ok(), qPrintable(added.errors.join('\n')));
        QList<wordsdb::Word> words;
        for (const SchoolWord &s : first.schoolWords(nullptr))
            words << s.word;
        QCOMPARE(words.size(), 3);

        const QString pack = dir.filePath(QStringLiteral("clase.korivanta"));
        const QString error = exportPack(
            words, [&](const QString &p) { return first.localFile(p); }, pack);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral(".clase*")}, QDir::Hidden | QDir::Files), QStringList());

        const QString folder = dir.filePath(QStringLiteral("abierto"));
        QDir().mkpath(folder);
        const Unpacked u = unpackPack(pack, folder);
        QVERIFY2(u.error.isEmpty(), qPrintable(u.error));
        QCOMPARE(u.csvPath, QDir(folder).absoluteFilePath(QStringLiteral("palabras.csv")));

        SchoolStore second({driveC, dir.filePath(QStringLiteral("escuela2"))});
        const wordtool::ImportResult imported = second.importCsv(u.csvPath);
        QVERIFY2(imported.ok(), qPrintable(imported.errors.join('\n')));
        const QList<SchoolWord> copied = second.schoolWords(nullptr);
        QCOMPARE(copied.size(), words.size());
        for (qsizetype i = 0; i < words.size(); ++i) {
            const wordsdb::Word &a = words[i], &b = copied[i].word;
            QCOMPARE(b.nomAy, a.nomAy);
            QCOMPARE(b.nomEsp, a.nomEsp);
            QCOMPARE(b.categoria, a.categoria);
            QCOMPARE(fileBytes(second.localFile(b.dibujo)), fileBytes(first.localFile(a.dibujo)));
            QVERIFY(!fileBytes(second.localFile(b.dibujo)).isEmpty());
            QCOMPARE(QFileInfo::exists(second.localFile(b.sonido)), QFileInfo::exists(first.localFile(a.sonido)));
            if (QFileInfo::exists(first.localFile(a.sonido)))
                QCOMPARE(fileBytes(second.localFile(b.sonido)), fileBytes(first.localFile(a.sonido)));
        }
        QCOMPARE(copied[0].word.nomEsp, QStringLiteral("casa, \"grande\""));
        QCOMPARE(copied[2].word.nomAy, QStringLiteral("q'ara"));
        // The shared picture travels once.
        QCOMPARE(QDir(folder + QStringLiteral("/dibujos")).entryList(QDir::Files).size(), 2);
    }

    // A pack that cannot be written leaves the place as it was: no half pack,
    // no temporary file.
    void failedExportLeavesNothing()
    {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("clase.korivanta")));
        const QMap<QString, QByteArray> before = folderSnapshot(dir.path());
        const QString error =
            exportPack({{"uta", "casa", "hogar", {}, {}}}, {}, dir.filePath(QStringLiteral("clase.korivanta")));
        QVERIFY(!error.isEmpty());
        QCOMPARE(folderSnapshot(dir.path()), before);
        // An existing pack is replaced whole.
        const QString pack = dir.filePath(QStringLiteral("otro.korivanta"));
        writeFile(pack, "old");
        QCOMPARE(exportPack({{"uta", "casa", "hogar", {}, {}}}, {}, pack), QString());
        QDir().mkpath(dir.filePath(QStringLiteral("u")));
        const Unpacked u = unpackPack(pack, dir.filePath(QStringLiteral("u")));
        QVERIFY2(u.error.isEmpty(), qPrintable(u.error));
        QCOMPARE(fileBytes(u.csvPath), QByteArray("nom_ay,nom_esp,categoria,dibujo,sonido\nuta,casa,hogar,,\n"));
    }

    void hostilePacksAreRefused_data()
    {
        QTest::addColumn<QList<ZipEntry>>("entries");
        QTest::addColumn<QString>("damage"); // how the written zip is then spoiled
        QTest::addColumn<QString>("reason");
        const ZipEntry list{"palabras.csv", kList};
        const QString none;
        QTest::newRow("zip-slip ../") << QList<ZipEntry>{list, {"../fuera.txt", "x"}} << none
                                      << "apunta fuera de su carpeta";
        QTest::newRow("zip-slip inside a folder")
            << QList<ZipEntry>{list, {"dibujos/../../fuera.txt", "x"}} << none << "apunta fuera de su carpeta";
        QTest::newRow("absolute path") << QList<ZipEntry>{list, {"/tmp/korivanta-fuera.txt", "x"}} << none
                                       << "apunta fuera de su carpeta";
        QTest::newRow("backslash path") << QList<ZipEntry>{list, {"..\\fuera.txt", "x"}} << none
                                        << "apunta fuera de su carpeta";
        QTest::newRow("symlink entry") << QList<ZipEntry>{{"dibujos", "/etc", S_IFLNK | 0777}, list} << none
                                       << "enlace simbólico";
        QTest::newRow("folder stored as a file")
            << QList<ZipEntry>{list, {"dibujos", "", S_IFDIR | 0755}} << none << "carpeta guardada como archivo";
        QTest::newRow("file and folder of one name")
            << QList<ZipEntry>{list, {"dibujos", "x"}, {"dibujos/uta.bmp", "x"}} << none
            << "a la vez un archivo y una carpeta";
        QTest::newRow("device entry") << QList<ZipEntry>{list, {"tty", "", S_IFCHR | 0666}} << none
                                      << "no es un archivo común";
        QTest::newRow("oversize entry") << QList<ZipEntry>{list, {"sonido/grande.wav", QByteArray(51 << 20, '\0')}}
                                        << "deflate"
                                        << "ocupa más de 50 MB";
        // The archive says 1000 bytes; inflated, the entry is 51 MB.
        QTest::newRow("oversize entry with a lying size")
            << QList<ZipEntry>{list, {"sonido/grande.wav", QByteArray(51 << 20, '\0')}} << "lie"
            << "ocupa más de 50 MB";
        // The word list has its own bound, far below a file's.
        QTest::newRow("word list beyond its bound")
            << QList<ZipEntry>{{"palabras.csv", kList + QByteArray(11 << 20, '\n')}} << "deflate"
            << "«palabras.csv» ocupa más de 10 MB";
        QTest::newRow("word list beyond its bound, with a lying size")
            << QList<ZipEntry>{{"palabras.csv", QByteArray(11 << 20, '\n')}} << "lie about 11 MB"
            << "«palabras.csv» ocupa más de 10 MB";
        QTest::newRow("no palabras.csv") << QList<ZipEntry>{{"lista.csv", kList}} << none << "no trae la lista";
        QTest::newRow("csv in a folder only")
            << QList<ZipEntry>{{"clase/palabras.csv", kList}} << none << "no trae la lista";
        QTest::newRow("duplicate entry") << QList<ZipEntry>{list, {"palabras.csX", "otra"}} << "duplicate"
                                         << "dos veces";
        QTest::newRow("duplicate in another case")
            << QList<ZipEntry>{list, {"dibujos/Uta.bmp", "a"}, {"dibujos/uta.bmp", "b"}} << none << "dos veces";
        QTest::newRow("truncated file") << QList<ZipEntry>{list, {"dibujos/uta.bmp", QByteArray(4000, 'x')}}
                                        << "truncate"
                                        << "dañado o incompleto";
        QTest::newRow("damaged data") << QList<ZipEntry>{list, {"dibujos/uta.bmp", QByteArray(4000, 'x')}} << "flip"
                                      << "dañado o incompleto";
        QTest::newRow("empty file") << QList<ZipEntry>{list} << "empty"
                                    << "el archivo está vacío";
        QTest::newRow("not a zip") << QList<ZipEntry>{list} << "text"
                                   << "no es un archivo zip";
    }

    void hostilePacksAreRefused()
    {
        QFETCH(QList<ZipEntry>, entries);
        QFETCH(QString, damage);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString pack = dir.filePath(QStringLiteral("hostil.korivanta"));
        makeZip(pack, entries, damage == QLatin1String("deflate") || damage.startsWith(QLatin1String("lie")));
        if (damage == QLatin1String("lie"))
            replaceBytes(pack, QByteArray::fromHex("00003003"), QByteArray::fromHex("e8030000"));
        else if (damage == QLatin1String("lie about 11 MB"))
            replaceBytes(pack, QByteArray::fromHex("0000b000"), QByteArray::fromHex("e8030000"));
        else if (damage == QLatin1String("duplicate"))
            replaceBytes(pack, "palabras.csX", "palabras.csv");
        else if (damage == QLatin1String("truncate"))
            writeFile(pack, fileBytes(pack).left(fileBytes(pack).size() / 2));
        else if (damage == QLatin1String("flip"))
            replaceBytes(pack, QByteArray(4000, 'x'), QByteArray(1000, 'x') + 'y' + QByteArray(2999, 'x'));
        else if (damage == QLatin1String("empty"))
            writeFile(pack, {});
        else if (damage == QLatin1String("text"))
            writeFile(pack, kList);

        const QString folder = dir.filePath(QStringLiteral("a/b/abierto"));
        QDir().mkpath(folder);
        const QMap<QString, QByteArray> before = folderSnapshot(dir.path());
        const Unpacked u = unpackPack(pack, folder);
        QVERIFY2(u.error.contains(reason), qPrintable(u.error));
        QVERIFY2(u.error.contains(QStringLiteral("hostil.korivanta")), qPrintable(u.error));
        // Spanish only: none of libzip's English texts reaches the teacher.
        for (const char *english : {"Not a zip", "CRC error", "not supported", "Premature", "inconsistent",
                                    "Read error", "Zlib error", "Unknown"})
            QVERIFY2(!u.error.contains(QLatin1String(english)), qPrintable(u.error));
        QVERIFY(u.csvPath.isEmpty());
        // Nothing written, inside the folder or out of it.
        QCOMPARE(folderSnapshot(dir.path()), before);
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/korivanta-fuera.txt")));
    }

    // A pack's list may only name the pack's own files: a field that names a
    // file of the importing computer (an absolute path, a climb out of the
    // pack, a drive letter) refuses the whole import, and nothing is copied.
    void aPackNamesOnlyItsOwnFiles_data()
    {
        QTest::addColumn<QByteArray>("field"); // the dibujo or sonido field ("@" stands for the outside file)
        QTest::addColumn<bool>("sound");
        QTest::newRow("absolute picture") << QByteArray("@") << false;
        QTest::newRow("absolute sound") << QByteArray("@") << true;
        QTest::newRow("climbing out") << QByteArray("../../../../../../../../..@") << false;
        QTest::newRow("climbing out inside a folder")
            << QByteArray("dibujos/../../../../../../../fuera/foto.png") << false;
        QTest::newRow("drive letter") << QByteArray("C:\\fuera\\foto.png") << false;
        QTest::newRow("backslash") << QByteArray("dibujos\\foto.png") << false;
        QTest::newRow("a folder of the pack") << QByteArray("dibujos") << false;
    }
    void aPackNamesOnlyItsOwnFiles()
    {
        QFETCH(QByteArray, field);
        QFETCH(bool, sound);
        QTemporaryDir dir;
        const QString driveC = dir.filePath(QStringLiteral("paquete/drive_c"));
        makeWordsDatabase(driveC, packageRows());
        // A photo and a recording elsewhere on the importing computer.
        const QString photo = dir.filePath(QStringLiteral("fuera/foto.png"));
        writePicture(photo, 169, 129, Qt::blue);
        writeFile(dir.filePath(QStringLiteral("fuera/voz.wav")), wav('\x33'));
        const QString outside = sound ? dir.filePath(QStringLiteral("fuera/voz.wav")) : photo;
        field.replace("@", QFile::encodeName(outside));
        const QByteArray list = "nom_ay,nom_esp,categoria,dibujo,sonido\nuta,casa,hogar," +
                                (sound ? QByteArray(",") + field : field + ",") + "\n";
        const QString pack = dir.filePath(QStringLiteral("clase.korivanta"));
        makeZip(pack, {{"palabras.csv", list}, {"dibujos/uta.bmp", fileBytes(photo)}});
        const QString folder = dir.filePath(QStringLiteral("paquete/abierto/a/b/c/d"));
        QDir().mkpath(folder);
        const Unpacked u = unpackPack(pack, folder);
        QVERIFY2(u.error.isEmpty(), qPrintable(u.error));
        // The pack's picture folder is there, so "dibujos" names a folder.
        QVERIFY(QFileInfo(folder + QStringLiteral("/dibujos")).isDir());

        SchoolStore store({driveC, dir.filePath(QStringLiteral("escuela"))});
        const wordtool::ImportResult r = store.importCsv(u.csvPath, {}, true);
        QVERIFY(!r.ok());
        QVERIFY2(r.errors.join('\n').contains(QStringLiteral("no es un archivo del paquete")),
                 qPrintable(r.errors.join('\n')));
        QCOMPARE(store.schoolWords(nullptr).size(), 0);
        QDirIterator it(dir.filePath(QStringLiteral("escuela")), QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            QVERIFY2(fileBytes(f) != fileBytes(outside), qPrintable(f));
        }
        // The same list as a teacher's own CSV may name files anywhere.
        if (!field.contains(':') && !field.contains('\\') && field != "dibujos") {
            const wordtool::ImportResult own = store.importCsv(u.csvPath);
            QVERIFY2(own.ok(), qPrintable(own.errors.join('\n')));
        }
    }

    // What an import of a pack says names the pack and the files inside it,
    // never the folder it was unpacked into.
    void messagesNameThePackNotItsFolder_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("said"); // an error, or a warning when the import goes through
        QTest::newRow("a bad row") << QByteArray("nom_ay,nom_esp,categoria\nuta,casa,cosas\n") << false
                                   << "paquete clase.korivanta, línea 2: la palabra «uta» tiene una categoría "
                                      "desconocida «cosas»";
        QTest::newRow("a picture that is no picture")
            << QByteArray("nom_ay,nom_esp,categoria,dibujo\nuta,casa,hogar,dibujos/roto.png\n") << false
            << "paquete clase.korivanta, línea 2: el dibujo «dibujos/roto.png» no se puede abrir como imagen";
        QTest::newRow("a word without sound")
            << QByteArray("nom_ay,nom_esp,categoria\nuta,casa,hogar\n") << true
            << "paquete clase.korivanta, línea 2: «uta» no tiene sonido: el juego la mostrará sin voz";
    }
    void messagesNameThePackNotItsFolder()
    {
        QFETCH(QByteArray, list);
        QFETCH(bool, ok);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString driveC = dir.filePath(QStringLiteral("paquete/drive_c"));
        makeWordsDatabase(driveC, packageRows());
        const QString pack = dir.filePath(QStringLiteral("clase.korivanta"));
        makeZip(pack, {{"palabras.csv", list}, {"dibujos/roto.png", "no es un dibujo"}});
        QTemporaryDir folder;
        const Unpacked u = unpackPack(pack, folder.path());
        QVERIFY2(u.error.isEmpty(), qPrintable(u.error));

        SchoolStore store({driveC, dir.filePath(QStringLiteral("escuela"))});
        const wordtool::ImportResult r =
            store.importCsv(u.csvPath, {}, true, QStringLiteral("paquete clase.korivanta"));
        QCOMPARE(r.ok(), ok);
        const QString all = (r.errors + r.warnings + r.notes).join('\n');
        QVERIFY2(all.contains(said), qPrintable(all));
        QVERIFY2(!all.contains(folder.path()) && !all.contains(QStringLiteral("palabras.csv")), qPrintable(all));
        QVERIFY2(!all.contains(QStringLiteral("--generar-voz")), qPrintable(all));
    }

    // Only an empty folder takes a pack: its own files could be overwritten
    // or mistaken for the pack's.
    void unpacksOnlyIntoAnEmptyFolder()
    {
        QTemporaryDir dir;
        const QString pack = dir.filePath(QStringLiteral("p.korivanta"));
        makeZip(pack, {{"palabras.csv", kList}});
        const QString folder = dir.filePath(QStringLiteral("lleno"));
        writeFile(folder + QStringLiteral("/palabras.csv"), "mine");
        const Unpacked u = unpackPack(pack, folder);
        QVERIFY2(u.error.contains(QStringLiteral("no está vacía")), qPrintable(u.error));
        QCOMPARE(fileBytes(folder + QStringLiteral("/palabras.csv")), QByteArray("mine"));
    }
};

QTEST_GUILESS_MAIN(TestWordPack)
#include "tst_word_pack.moc"
