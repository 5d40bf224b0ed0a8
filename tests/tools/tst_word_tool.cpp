// The teacher's word tool: importing a CSV file (rows appended where the game's
// category queries find them, media copied and named), refusing bad rows
// without touching the database, replacing the database in one step even when
// the tool is killed, listing the words, and speaking a word.
#include "game/category_queries.h"
#include "game/con_obj_layout.h"
#include "game/data_control.h"
#include "media/media_paths.h"
#include "media/sharp_pictures.h"
#include "support/media_fixtures.h"
#include "support/words_fixture.h"
#include "word_tool/word_tool.h"
#include "wordstore/school_store.h"
#include "wordstore/word_import.h"
#include "wordstore/word_pack.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cstring>
#include <unistd.h>

using namespace korivanta;

namespace {

const QString kDb = QStringLiteral("C:\\Trab_zumel\\diccionario.mdb");

QList<WordRow> sampleWords()
{
    return {
        {"inti", "sol", "naturaleza", "c:\\Trab_zumel\\dibujos\\inti.bmp",
         "c:\\Trab_zumel\\sonido\\palabras\\inti.wav"},
        {"anu", "perro", "animal", "c:\\Trab_zumel\\dibujos\\anu.bmp", "c:\\Trab_zumel\\sonido\\palabras\\anu.wav"},
        {"phisi", "gato", "animal", "c:\\Trab_zumel\\dibujos\\phisi.bmp",
         "c:\\Trab_zumel\\sonido\\palabras\\phisi.wav"},
        {"k'ita", "raro", "bicho", {}, {}}, // a key that only the query of all words finds
    };
}

// A 16-bit mono PCM WAV file holding `samples`.
QByteArray wavBytes(const QList<qint16> &samples)
{
    const auto le32 = [](quint32 v) {
        QByteArray b(4, 0);
        for (int i = 0; i < 4; ++i)
            b[i] = char((v >> (8 * i)) & 0xff);
        return b;
    };
    const quint32 data = quint32(samples.size() * 2);
    QByteArray w = "RIFF" + le32(36 + data) + "WAVEfmt " + le32(16);
    w += QByteArray::fromHex("01000100") + le32(22050) + le32(44100) + QByteArray::fromHex("02001000");
    w += "data" + le32(data);
    for (qint16 s : samples)
        w += char(s & 0xff), w += char((s >> 8) & 0xff);
    return w;
}

// The loudest sample and the length in seconds of a 16-bit PCM WAV file.
std::pair<int, double> wavLoudnessAndLength(const QByteArray &w)
{
    if (!w.startsWith("RIFF") || w.mid(8, 4) != "WAVE")
        return {-1, 0};
    int rate = 0, peak = 0;
    double seconds = 0;
    for (qsizetype at = 12; at + 8 <= w.size();) {
        const QByteArray id = w.mid(at, 4);
        quint32 size = 0;
        std::memcpy(&size, w.constData() + at + 4, 4);
        if (id == "fmt ")
            std::memcpy(&rate, w.constData() + at + 12, 4);
        if (id == "data") {
            const qsizetype n = std::min<qsizetype>(size, w.size() - at - 8) / 2;
            for (qsizetype i = 0; i < n; ++i) {
                qint16 s = 0;
                std::memcpy(&s, w.constData() + at + 8 + 2 * i, 2);
                peak = std::max(peak, std::abs(int(s)));
            }
            seconds = rate ? double(n) / rate : 0;
        }
        at += 8 + size + (size & 1);
    }
    return {peak, seconds};
}

struct Tool {
    int status = -1;
    QString out, err;
};

Tool runTool(const QStringList &args, const QString &executableDir = QString())
{
    Tool t;
    QTextStream out(&t.out), err(&t.err);
    t.status = wordtool::run(args, executableDir.isEmpty() ? QDir::tempPath() : executableDir, out, err);
    out.flush();
    err.flush();
    return t;
}

// A drive C with the sample words database and its media root.
struct Game {
    Game() { db = makeWordsDatabase(dir.path(), sampleWords()); }
    QString media() const { return dir.path() + QStringLiteral("/Trab_zumel"); }
    QString csv(const QByteArray &text)
    {
        const QString path = dir.path() + QStringLiteral("/maestra/palabras.csv");
        writeFile(path, text);
        return path;
    }
    Tool import(const QString &csvPath, const QStringList &more = {})
    {
        return runTool(QStringList{QStringLiteral("importar"), csvPath, QStringLiteral("--base"), db} + more);
    }
    QTemporaryDir dir;
    QString db;
};

// The rows the game's query for a category code gives, as "nom_ay|dibujo|sonido".
QStringList gameRows(const QString &driveC, const QString &lowerDriveC, int code)
{
    MediaPaths paths(driveC, lowerDriveC);
    DataControl data(paths, kDb, QStringLiteral("nominal"));
    data.Refresh();
    data.setRecordset(data.database().OpenRecordset(QString::fromUtf16(kCategoryQueries[code].query)));
    QStringList rows;
    for (Recordset &r = data.recordset(); !r.eof(); r.MoveNext())
        rows << QStringList{r.fieldValue(QStringLiteral("nom_ay")).toString(),
                            r.fieldValue(QStringLiteral("dibujo")).toString(),
                            r.fieldValue(QStringLiteral("sonido")).toString()}
                    .join(QLatin1Char('|'));
    return rows;
}

QStringList gameRows(const QString &driveC, int code)
{
    return gameRows(driveC, {}, code);
}

// Rows in table nominal, or -1 when the file is no sound words database.
int countRows(const QString &file)
{
    const QString name = QUuid::createUuid().toString();
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next() &&
                q.value(0).toString() == QLatin1String("ok") &&
                q.exec(QStringLiteral("SELECT COUNT(*) FROM nominal")) && q.next())
                count = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return count;
}

// The words of a category as "nom_ay|nom_esp", in table order.
QStringList spanishNames(const QString &file, const QString &categoria)
{
    const QString name = QUuid::createUuid().toString();
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT nom_ay, nom_esp FROM nominal WHERE categoria = ?"));
            q.addBindValue(categoria);
            if (q.exec())
                while (q.next())
                    rows << q.value(0).toString() + QLatin1Char('|') + q.value(1).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

// `n` different words the keyboard can spell: three syllables each.
QStringList spellableWords(int n)
{
    const QStringList consonants = {"p", "t", "k", "q", "ch", "s", "j", "l", "m", "n", "r", "w", "y", "th", "qh"};
    const QStringList vowels = {"a", "i", "u"};
    QStringList syllables;
    for (const QString &c : consonants)
        for (const QString &v : vowels)
            syllables << c + v;
    QStringList words;
    const qsizetype s = syllables.size();
    for (int i = 0; i < n; ++i)
        words << syllables[i % s] + syllables[(i / s) % s] + syllables[(i / s / s) % s];
    return words;
}

bool haveVoice()
{
    return !QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty() &&
           QFileInfo(QStringLiteral("/usr/bin/python3")).isExecutable();
}

} // namespace

class TestWordTool : public QObject {
    Q_OBJECT
    // The school's folder of every run of the tool here: never the system's.
    QTemporaryDir m_school;
private slots:
    void initTestCase() { qputenv("KORIVANTA_ESCUELA", QFile::encodeName(m_school.path())); }

    void goodCsvIsAppendedWhereTheGameFindsIt()
    {
        Game game;
        // The media folders exist with other letter case: the copies go into them.
        QDir().mkpath(game.media() + QStringLiteral("/Dibujos"));
        const QString teacherPicture = game.dir.path() + QStringLiteral("/maestra/fotos/Wallpa.PNG");
        QDir().mkpath(QFileInfo(teacherPicture).absolutePath());
        QImage frameShaped(169, 129, QImage::Format_RGB32);
        frameShaped.fill(Qt::green);
        QVERIFY(frameShaped.save(teacherPicture, "PNG"));
        const QByteArray picture = fileBytes(teacherPicture);
        const QByteArray sound = wavBytes({0, 1000, -1000, 0});
        writeFile(game.dir.path() + QStringLiteral("/maestra/voz/wallpa grabada.wav"), sound);
        const QString absolutePicture = game.dir.path() + QStringLiteral("/otra/qamaqi.png");
        QDir().mkpath(QFileInfo(absolutePicture).absolutePath());
        QVERIFY(frameShaped.save(absolutePicture, "PNG"));
        const QString csv = game.csv("nom_ay,nom_esp,categoria,dibujo,sonido\n"
                                     "wallpa,gallina,animal,fotos/Wallpa.PNG,voz/wallpa grabada.wav\n"
                                     "qamaqi,zorro,animal," +
                                     absolutePicture.toUtf8() +
                                     ",\n"
                                     "\n"
                                     " jach\xe2\x80\x99"
                                     "a ,\"grande, alto\",naturaleza,,\n"
                                     "anu,perro,persona,,\n"); // same word, other category
        const Tool t = game.import(csv);
        QVERIFY2(t.status == 0, qPrintable(t.err));
        QVERIFY2(t.out.contains(QStringLiteral("se agregaron 4 palabras")), qPrintable(t.out));

        const QString pictures = QStringLiteral("c:\\Trab_zumel\\dibujos\\");
        const QString sounds = QStringLiteral("c:\\Trab_zumel\\sonido\\palabras\\");
        QCOMPARE(gameRows(game.dir.path(), 4),
                 (QStringList{"anu|" + pictures + "anu.bmp|" + sounds + "anu.wav",
                              "phisi|" + pictures + "phisi.bmp|" + sounds + "phisi.wav",
                              "wallpa|" + pictures + "wallpa.png|" + sounds + "wallpa.wav",
                              "qamaqi|" + pictures + "qamaqi.png|" + sounds + "qamaqi.wav"}));
        // Trimmed, with the keyboard's apostrophe; no files named: the standard paths.
        QCOMPARE(gameRows(game.dir.path(), 1),
                 (QStringList{"inti|" + pictures + "inti.bmp|" + sounds + "inti.wav",
                              "jach'a|" + pictures + "jach'a.bmp|" + sounds + "jach'a.wav"}));
        QCOMPARE(gameRows(game.dir.path(), 2), (QStringList{"anu|" + pictures + "anu.bmp|" + sounds + "anu.wav"}));
        QCOMPARE(gameRows(game.dir.path(), 0).size(), sampleWords().size() + 4);

        // The files went where the game looks for them.
        MediaPaths paths(game.dir.path());
        QCOMPARE(paths.resolve(pictures + "wallpa.png"), game.media() + QStringLiteral("/Dibujos/wallpa.png"));
        QCOMPARE(fileBytes(paths.resolve(pictures + "wallpa.png")), picture);
        QCOMPARE(fileBytes(paths.resolve(sounds + "wallpa.wav")), sound);
        QCOMPARE(fileBytes(paths.resolve(pictures + "qamaqi.png")), picture);
        QVERIFY(!QFile::exists(paths.resolve(sounds + "qamaqi.wav")));
        // A word without its standard files is imported with a warning.
        QVERIFY2(!t.err.contains(QStringLiteral("no hay dibujo de «qamaqi»")), qPrintable(t.err));
        QVERIFY2(t.err.contains(QStringLiteral("no hay sonido de «qamaqi»; se puede generar con --generar-voz")),
                 qPrintable(t.err));
        QVERIFY2(!t.err.contains(QStringLiteral("error")), qPrintable(t.err));
        // Nothing left behind beside the database.
        const QStringList left = QDir(game.media()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{QStringLiteral("diccionario.mdb")});

        // The same list again changes nothing and says so; a changed Spanish
        // word is an update.
        const QByteArray database = fileBytes(game.db);
        const Tool again = game.import(csv);
        QVERIFY2(again.status == 0, qPrintable(again.err));
        QVERIFY2(again.out.contains(QStringLiteral(": 4 palabras quedaron como estaban.")), qPrintable(again.out));
        QCOMPARE(fileBytes(game.db), database);
        writeFile(csv, fileBytes(csv).replace("gallina", "gallo"));
        const Tool changed = game.import(csv);
        QVERIFY2(changed.status == 0, qPrintable(changed.err));
        QVERIFY2(changed.out.contains(QStringLiteral(": se actualizó 1 palabra y 3 quedaron como estaban.")),
                 qPrintable(changed.out));
        QCOMPARE(gameRows(game.dir.path(), 0).size(), sampleWords().size() + 4);
    }

    void badRowsImportNothing_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");
        // Line 2 of every file is a good word with a picture; `rows` start on line 3.
        const QByteArray good = "wallpa,gallina,animal,,\n";
        QTest::addRow("unspellable word") << good + "Hola,hola,animal,,\n"
                                          << 4 << "la palabra «Hola» no se puede escribir con el teclado";
        QTest::addRow("letter outside the keyboard") << good + "mesa,mesa,hogar,,\n"
                                                     << 4 << "la palabra «mesa» no se puede escribir con el teclado";
        QTest::addRow("unknown category") << good + "puti,caja,bicho,,\n"
                                          << 4 << "la palabra «puti» tiene una categoría desconocida «bicho»";
        QTest::addRow("category near a label") << good + "puti,caja,Animalitos,,\n"
                                               << 4 << "la palabra «puti» tiene una categoría desconocida «Animalitos»";
        QTest::addRow("missing picture") << good + "puti,caja,hogar,fotos/no_hay.bmp,\n"
                                         << 4 << "no se encuentra el dibujo «%1/fotos/no_hay.bmp» de la palabra «puti»";
        QTest::addRow("picture that is no picture")
            << good + "puti,caja,hogar,fotos/roto.png,\n"
            << 4 << "el dibujo «%1/fotos/roto.png» no se puede abrir como imagen";
        QTest::addRow("missing sound") << good + "puti,caja,hogar,,voz/no_hay.wav\n"
                                       << 4 << "no se encuentra el sonido «%1/voz/no_hay.wav» de la palabra «puti»";
        QTest::addRow("sound that is no WAV") << good + "puti,caja,hogar,,fotos/dibujo.bmp\n"
                                              << 4
                                              << "el sonido «%1/fotos/dibujo.bmp» de la palabra «puti» no es un "
                                                 "archivo de sonido que se pueda leer";
        QTest::addRow("duplicate decomposed") << QByteArray("ja\xcc\x88ja,x,ave,,\nj\xc3\xa4ja,y,ave,,\n") << 4
                                              << "la palabra «j\u00e4ja» de la categoría «ave» ya aparece en la "
                                                 "línea 3";
        QTest::addRow("duplicate within the file") << "\n" + good + "\nwallpa,gallo,animal,,\n"
                                                   << 6
                                                   << "la palabra «wallpa» de la categoría «animal» ya aparece en "
                                                      "la línea 4";
        QTest::addRow("empty word") << good + ",nada,animal,,\n" << 4 << "falta la palabra aymara (nom_ay)";
        QTest::addRow("empty Spanish word") << good + "puti,,hogar,,\n"
                                            << 4 << "falta la palabra en castellano (nom_esp) de «puti»";
        // Control characters are refused wherever they are, and shown, not
        // printed as they are.
        QTest::addRow("line break inside a quoted Spanish word")
            << good + "puti,\"caja\ngrande\",hogar,,\n"
            << 4 << "«caja\ufffdgrande» tiene caracteres de control (U+000A), que no se ven";
        QTest::addRow("ESC in the Spanish word") << good + "puti,caja\x1b[31m,hogar,,\n"
                                                 << 4 << "«caja\ufffd[31m» tiene caracteres de control (U+001B)";
        QTest::addRow("tab in a file name") << good + "puti,caja,hogar,\"fotos/dib\tujo.bmp\",\n"
                                            << 4
                                            << "el nombre de archivo «fotos/dib\ufffdujo.bmp» tiene caracteres de "
                                               "control (U+0009)";
        QTest::addRow("too many fields") << good + "uta,casa,grande,hogar,,\n"
                                         << 4 << "la fila tiene 6 campos y el encabezado 5";
    }
    void badRowsImportNothing()
    {
        QFETCH(QByteArray, rows);
        QFETCH(int, line);
        QFETCH(QString, message);
        Game game;
        writePicture(game.dir.path() + QStringLiteral("/maestra/fotos/dibujo.bmp"), 169, 129, Qt::blue);
        writeFile(game.dir.path() + QStringLiteral("/maestra/fotos/roto.png"), "no picture at all");
        const QString csv = game.csv("nom_ay,nom_esp,categoria,dibujo,sonido\n"
                                     "kusikusi,araña,insecto,fotos/dibujo.bmp,\n" +
                                     rows);
        const QByteArray before = fileBytes(game.db);
        const Tool t = game.import(csv);
        QCOMPARE(t.status, 1);
        const QString expected =
            QStringLiteral("%1, línea %2: %3")
                .arg(csv)
                .arg(line)
                .arg(message.contains(QLatin1String("%1")) ? message.arg(QFileInfo(csv).absolutePath()) : message);
        QVERIFY2(t.err.contains(expected), qPrintable(t.err + "\nexpected: " + expected));
        QCOMPARE(t.err.count(QStringLiteral("línea")), 1 + int(message.count(QStringLiteral("línea"))));
        QCOMPARE(fileBytes(game.db), before);
        // Not even the good row's picture was copied.
        QVERIFY(!QDir(game.media() + QStringLiteral("/dibujos")).exists());
        QCOMPARE(QDir(game.media()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("diccionario.mdb")});
    }

    void everyBadRowIsListed()
    {
        Game game;
        const QString csv = game.csv("nom_ay,nom_esp,categoria\n"
                                     "Hola,hola,animal\n"
                                     "wallpa,gallina,animal\n"
                                     "puti,caja,bicho\n"
                                     "anu,perro,animal\n"
                                     "uta,casa,hogar\n");
        const QByteArray before = fileBytes(game.db);
        const Tool t = game.import(csv);
        QCOMPARE(t.status, 1);
        // anu is in the database already: its row would update it, no error.
        for (int line : {2, 4})
            QVERIFY2(t.err.contains(QStringLiteral("línea %1:").arg(line)), qPrintable(t.err));
        for (int line : {3, 5, 6})
            QVERIFY2(!t.err.contains(QStringLiteral("línea %1:").arg(line)), qPrintable(t.err));
        QVERIFY2(t.err.contains(QStringLiteral("No se importó ninguna palabra")), qPrintable(t.err));
        QCOMPARE(fileBytes(game.db), before);
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("message");
        QTest::addRow("header without categoria")
            << QByteArray("nom_ay,nom_esp\nuta,casa\n") << "falta la columna «categoria»";
        QTest::addRow("unknown column") << QByteArray("nom_ay,nom_esp,categoria,foto\nuta,casa,hogar,x\n")
                                        << "columna desconocida «foto»";
        QTest::addRow("only the header") << QByteArray("nom_ay,nom_esp,categoria\n") << "no hay palabras que importar";
        QTest::addRow("empty file") << QByteArray() << "el archivo está vacío";
    }
    void badFiles()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, message);
        Game game;
        const QByteArray before = fileBytes(game.db);
        const Tool t = game.import(game.csv(csv));
        QCOMPARE(t.status, 1);
        QVERIFY2(t.err.contains(message), qPrintable(t.err));
        QCOMPARE(fileBytes(game.db), before);
    }

    void missingDatabaseIsNotCreated()
    {
        Game game;
        const QString csv = game.csv("nom_ay,nom_esp,categoria\nuta,casa,hogar\n");
        const QString missing = game.dir.path() + QStringLiteral("/nada/diccionario.mdb");
        const Tool t = runTool({QStringLiteral("importar"), csv, QStringLiteral("--base"), missing});
        QCOMPARE(t.status, 1);
        QVERIFY2(t.err.contains(QStringLiteral("no existe la base de datos de palabras «%1»").arg(missing)),
                 qPrintable(t.err));
        QVERIFY(!QFile::exists(missing));
    }

    // The real program importing into the school's words, with a picture and
    // a sound for every word, killed at several moments: whatever it left
    // (hidden temporary files, files no word names yet) is gone after the
    // next change, and every file in the school's folders is a word's.
    void killedSchoolImportLeavesNoOrphans()
    {
        QTemporaryDir dir;
        const QString school = dir.filePath(QStringLiteral("escuela"));
        QByteArray csv = "nom_ay,nom_esp,categoria,dibujo,sonido\n";
        const QStringList words = spellableWords(60);
        for (const QString &w : words) {
            csv += w.toUtf8() + ",palabra,animal,foto.bmp,voz.wav\n";
        }
        writePicture(dir.filePath(QStringLiteral("maestra/foto.bmp")), 400, 300, Qt::red);
        writeFile(dir.filePath(QStringLiteral("maestra/voz.wav")), wavBytes(3000));
        const QString csvPath = dir.filePath(QStringLiteral("maestra/lista.csv"));
        writeFile(csvPath, csv);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORIVANTA_ESCUELA"), school);
        const auto run = [&](const QStringList &args, int killAfterMs) {
            QProcess tool;
            tool.setProcessEnvironment(env);
            tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            tool.start(QStringLiteral(KORIVANTA_WORD_TOOL), args);
            if (!tool.waitForStarted())
                return -2;
            if (killAfterMs >= 0) {
                QThread::msleep(killAfterMs);
                tool.kill();
            }
            tool.waitForFinished(120000);
            return tool.exitStatus() == QProcess::CrashExit ? -1 : tool.exitCode();
        };
        // A complete import, timed on a second run (the first fills the caches).
        qint64 complete = 0;
        for (int i = 0; i < 2; ++i) {
            QVERIFY(QDir(school).removeRecursively());
            QElapsedTimer clock;
            clock.start();
            QCOMPARE(run({QStringLiteral("importar"), csvPath}, -1), 0);
            complete = clock.elapsed();
        }
        const QString media = school + QStringLiteral("/drive_c/Trab_zumel/escuela");
        int killed = 0;
        for (double fraction : {0.05, 0.1, 0.2, 0.4, 0.6, 0.8, 0.9, 0.97}) {
            QVERIFY(QDir(school).removeRecursively());
            if (run({QStringLiteral("importar"), csvPath}, int(fraction * complete)) == -1)
                ++killed;
            // The next change, whatever it is, tidies up first.
            QCOMPARE(run({QStringLiteral("componer")}, -1), 0);
            QSet<QString> named;
            wordstore::SchoolStore store(
                wordstore::StorePaths{QString::fromUtf8(qgetenv("KORIVANTA_TEST_DRIVE_C")), school});
            QString error;
            for (const wordstore::SchoolWord &w : store.schoolWords(&error))
                for (const QString &p : {w.word.dibujo, w.word.sonido})
                    named << QFileInfo(store.localFile(p)).fileName()
                          << QFileInfo(sharpName(store.localFile(p))).fileName();
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QDirIterator it(media, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString f = it.next();
                QVERIFY2(named.contains(QFileInfo(f).fileName()), qPrintable(QStringLiteral("orphan: ") + f));
            }
            const QStringList beside = QDir(school).entryList(QDir::Files | QDir::Hidden | QDir::System);
            for (const QString &name : beside)
                QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(QStringLiteral("leftover: ") + name));
        }
        qInfo("a complete import takes %lld ms; %d of 8 runs were killed before they ended", complete, killed);
        QVERIFY(killed > 0);
    }

    // The real program, killed at several moments of a large import: the
    // database is always the old one or the complete new one, and nothing the
    // game could take for the database is left beside it.
    void killedImportLeavesOldOrNewDatabase()
    {
        Game game;
        const int added = 30000;
        QByteArray csv = "nom_ay,nom_esp,categoria\n";
        for (const QString &w : spellableWords(added))
            csv += w.toUtf8() + ",palabra " + w.toUtf8() + ",animal\n";
        const QString csvPath = game.csv(csv);
        const QByteArray before = fileBytes(game.db);
        const int old = countRows(game.db);
        QCOMPARE(old, sampleWords().size());

        // One complete run first, to know how long an import takes here; then
        // kills at moments spread over that time, the last ones close to the
        // replacement at its end.
        qint64 complete = 0;
        int sawOld = 0, sawNew = 0, leftovers = 0;
        for (double fraction : {-1.0, 0.0, 0.02, 0.1, 0.3, 0.5, 0.7, 0.8, 0.9, 0.95, 0.98, 1.0}) {
            writeFile(game.db, before);
            QProcess tool;
            tool.setProcessChannelMode(QProcess::ForwardedOutputChannel);
            QElapsedTimer clock;
            tool.start(QStringLiteral(KORIVANTA_WORD_TOOL),
                       {QStringLiteral("importar"), csvPath, QStringLiteral("--base"), game.db});
            QVERIFY(tool.waitForStarted());
            clock.start();
            if (fraction >= 0) {
                QThread::msleep(qint64(fraction * complete));
                tool.kill(); // SIGKILL
            }
            QVERIFY(tool.waitForFinished(60000));
            const bool killed = tool.exitStatus() == QProcess::CrashExit;
            if (fraction < 0) {
                QCOMPARE(tool.exitCode(), 0);
                complete = clock.elapsed();
                qInfo("a complete import of %d words takes %lld ms", added, complete);
            }

            const QByteArray after = fileBytes(game.db);
            if (after == before) {
                ++sawOld;
                QVERIFY2(killed, "the tool ended on its own without importing");
            } else {
                QCOMPARE(countRows(game.db), old + added);
                ++sawNew;
            }
            // Whatever is left beside the database is hidden and named so that
            // the game, which looks for "diccionario.mdb" in any letter case,
            // cannot take it for the database.
            for (const QString &name : QDir(game.media()).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
                if (name == QLatin1String("diccionario.mdb"))
                    continue;
                ++leftovers;
                QVERIFY2(name.startsWith(QLatin1Char('.')), qPrintable(name));
                QVERIFY2(name.compare(QLatin1String("diccionario.mdb"), Qt::CaseInsensitive) != 0, qPrintable(name));
            }
        }
        qInfo("runs that left the old database: %d, the complete new one: %d; files left beside it: %d", sawOld, sawNew,
              leftovers);
        QVERIFY(sawOld > 0);
        QVERIFY(sawNew > 0);

        // The next import clears what killed ones left behind, even a lock
        // file that a kill caught between creating it and writing into it.
        writeFile(game.db, before);
        writeFile(QDir(game.media()).filePath(QStringLiteral(".diccionario.mdb.bloqueo")), QByteArray());
        const Tool t = game.import(game.csv("nom_ay,nom_esp,categoria\nuta,casa,hogar\n"));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        QCOMPARE(QDir(game.media()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{QStringLiteral("diccionario.mdb")});
        QCOMPARE(countRows(game.db), old + 1);
    }

    // Another program adds a row while a large import is replacing the
    // database; it writes as SQLite asks (waiting while the database is busy,
    // opening it again when the file has been replaced). Its row and the
    // imported words are both there afterwards.
    void anotherWriterDuringImportKeepsItsRow()
    {
        Game game;
        const int added = 20000;
        QByteArray csv = "nom_ay,nom_esp,categoria\n";
        for (const QString &w : spellableWords(added))
            csv += w.toUtf8() + ",palabra " + w.toUtf8() + ",animal\n";
        const QString csvPath = game.csv(csv);
        const int old = countRows(game.db);

        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        tool.start(QStringLiteral(KORIVANTA_WORD_TOOL),
                   {QStringLiteral("importar"), csvPath, QStringLiteral("--base"), game.db});
        QVERIFY(tool.waitForStarted());
        // The moment the tool starts copying the database beside it.
        const QString copies = wordtool::temporaryPrefix(game.db) + QLatin1Char('*');
        QElapsedTimer clock;
        clock.start();
        bool copying = false;
        while (!copying && tool.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
            copying = !QDir(game.media()).entryList({copies}, QDir::Files | QDir::Hidden).isEmpty();
            if (!copying)
                QThread::usleep(100);
        }
        QVERIFY2(copying, "the tool ended before it copied the database");

        bool written = false;
        QStringList errors;
        for (int attempt = 0; attempt < 3 && !written; ++attempt) {
            const QString name = QUuid::createUuid().toString();
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(game.db);
                db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=60000"));
                QVERIFY(db.open());
                QSqlQuery q(db);
                written = q.exec(QStringLiteral("INSERT INTO nominal VALUES ('uta', 'casa', 'hogar', NULL, NULL)"));
                if (!written)
                    errors << q.lastError().text();
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
        QVERIFY2(written, qPrintable(errors.join(QLatin1Char('\n'))));
        QVERIFY(tool.waitForFinished(120000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(countRows(game.db), old + added + 1);
        QCOMPARE(gameRows(game.dir.path(), 9), QStringList{QStringLiteral("uta||")});
    }

    // A database in WAL mode, copied while a program had its last change in
    // "-wal" only (as a copy of a data folder holds it): the import keeps
    // that change, adds its word, and leaves no "-wal" that could later be
    // applied over the new file.
    void walDatabaseKeepsItsChanges()
    {
        Game game;
        const QString original = game.dir.path() + QStringLiteral("/original.mdb");
        QVERIFY(QFile::copy(game.db, original));
        const QString name = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(original);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO nominal VALUES ('uta', 'casa', 'hogar', NULL, NULL)")));
            QVERIFY(QFileInfo(original + QStringLiteral("-wal")).size() > 0);
            QFile::remove(game.db);
            QVERIFY(QFile::copy(original, game.db));
            QVERIFY(QFile::copy(original + QStringLiteral("-wal"), game.db + QStringLiteral("-wal")));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);

        const Tool t = game.import(game.csv("nom_ay,nom_esp,categoria\nwallpa,gallina,animal\n"));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        QCOMPARE(QDir(game.media()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{QStringLiteral("diccionario.mdb")});
        QCOMPARE(countRows(game.db), sampleWords().size() + 2);
        QCOMPARE(gameRows(game.dir.path(), 9), QStringList{QStringLiteral("uta||")});
        QCOMPARE(gameRows(game.dir.path(), 4).filter(QStringLiteral("wallpa|")).size(), 1);
    }

    // A new word whose name is already taken by another word's picture and
    // sound (the same word in another category): the new files get names of
    // their own, the old word keeps its picture and sound.
    void nameClashKeepsTheOtherWordsFiles()
    {
        Game game;
        const QString oldPicture = game.media() + QStringLiteral("/dibujos/inti.bmp");
        const QString oldSound = game.media() + QStringLiteral("/sonido/palabras/inti.wav");
        writePicture(oldPicture, 169, 129, Qt::yellow);
        writeFile(oldSound, wavBytes({0, 100, 0}));
        const QByteArray oldPictureBytes = fileBytes(oldPicture), oldSoundBytes = fileBytes(oldSound);
        writePicture(game.dir.path() + QStringLiteral("/maestra/inti.bmp"), 169, 129, Qt::red);
        writeFile(game.dir.path() + QStringLiteral("/maestra/inti.wav"), wavBytes({0, -300, 0}));
        // The same picture twice (one word in two categories) is copied once.
        const Tool t = game.import(game.csv("nom_ay,nom_esp,categoria,dibujo,sonido\n"
                                            "inti,sol rojo,color,inti.bmp,inti.wav\n"
                                            "inti,sol rojo,persona,inti.bmp,\n"));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        QCOMPARE(fileBytes(oldPicture), oldPictureBytes);
        QCOMPARE(fileBytes(oldSound), oldSoundBytes);
        const QString pictures = QStringLiteral("c:\\Trab_zumel\\dibujos\\");
        const QString sounds = QStringLiteral("c:\\Trab_zumel\\sonido\\palabras\\");
        QCOMPARE(gameRows(game.dir.path(), 1), QStringList{"inti|" + pictures + "inti.bmp|" + sounds + "inti.wav"});
        QCOMPARE(gameRows(game.dir.path(), 8), QStringList{"inti|" + pictures + "inti-2.bmp|" + sounds + "inti-2.wav"});
        QCOMPARE(gameRows(game.dir.path(), 2), QStringList{"inti|" + pictures + "inti-2.bmp|" + sounds + "inti.wav"});
        QCOMPARE(fileBytes(game.media() + QStringLiteral("/dibujos/inti-2.bmp")),
                 fileBytes(game.dir.path() + QStringLiteral("/maestra/inti.bmp")));
        QCOMPARE(fileBytes(game.media() + QStringLiteral("/sonido/palabras/inti-2.wav")),
                 fileBytes(game.dir.path() + QStringLiteral("/maestra/inti.wav")));
        QCOMPARE(QDir(game.media() + QStringLiteral("/dibujos")).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"inti-2.bmp", "inti.bmp"}));
    }

    // One row's sound is made by the voice, another row of the same word
    // brings its own: they get two names, neither replaces the other.
    void madeAndBroughtSoundsGetTheirOwnNames()
    {
        Game game;
        writeFile(game.dir.path() + QStringLiteral("/maestra/uta.wav"), wavBytes({0, 7, 0}));
        wordtool::ImportRequest request;
        request.csvPath = game.csv("nom_ay,nom_esp,categoria,sonido\nuta,casa,hogar,\nuta,casa,persona,uta.wav\n");
        request.databasePath = game.db;
        request.mediaRoot = game.media();
        request.speak = [](const QString &, const QString &wav) {
            writeFile(wav, wavBytes({0, 9, 0}));
            return QString();
        };
        const wordtool::ImportResult result = wordtool::importWords(request);
        QVERIFY2(result.ok(), qPrintable(result.errors.join(QLatin1Char('\n'))));
        const QString sounds = QStringLiteral("c:\\Trab_zumel\\sonido\\palabras\\");
        QCOMPARE(gameRows(game.dir.path(), 9).value(0).section(QLatin1Char('|'), 2), sounds + "uta.wav");
        QCOMPARE(gameRows(game.dir.path(), 2).value(0).section(QLatin1Char('|'), 2), sounds + "uta-2.wav");
        QCOMPARE(fileBytes(game.media() + QStringLiteral("/sonido/palabras/uta.wav")), wavBytes({0, 9, 0}));
        QCOMPARE(fileBytes(game.media() + QStringLiteral("/sonido/palabras/uta-2.wav")), wavBytes({0, 7, 0}));
    }

    // The media folder's disk fills up while the pictures are copied (a small
    // tmpfs): nothing changes, nothing is left behind, and the message says why.
    void fullDiskChangesNothing()
    {
        if (::geteuid() != 0)
            QSKIP("a full disk needs a small tmpfs, and mounting one needs root: run this test as root");
        QTemporaryDir disk, teacher;
        QProcess mount;
        mount.start(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=400k", "korivanta-test", disk.path()});
        if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0)
            QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here: ") +
                             QString::fromLocal8Bit(mount.readAllStandardError())));
        const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {disk.path()}); });
        const QString db = makeWordsDatabase(disk.path(), sampleWords());
        writeFile(disk.path() + QStringLiteral("/Trab_zumel/sonido/palabras/anu.wav"), wavBytes({0, 1, 0}));
        // Frame-shaped BMPs: about 65 KB, then about 1 MB, more than the disk holds.
        writePicture(teacher.filePath(QStringLiteral("chico.bmp")), 169, 129, Qt::red);
        writePicture(teacher.filePath(QStringLiteral("grande.bmp")), 676, 516, Qt::blue);
        writeFile(teacher.filePath(QStringLiteral("uta.wav")), wavBytes({0, 5, 0}));
        const QString csv = teacher.filePath(QStringLiteral("palabras.csv"));
        writeFile(csv, "nom_ay,nom_esp,categoria,dibujo,sonido\n"
                       "uta,casa,hogar,chico.bmp,uta.wav\n"
                       "wallpa,gallina,animal,grande.bmp,\n");
        const auto snapshot = [&] {
            QStringList files;
            QDirIterator it(disk.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString f = it.next();
                files << f + QLatin1Char(' ') + QString::fromLatin1(fileBytes(f).toHex().left(64)) +
                             QString::number(QFileInfo(f).size());
            }
            files.sort();
            return files;
        };
        const QStringList before = snapshot();
        const QByteArray dbBefore = fileBytes(db);
        const Tool t = runTool({QStringLiteral("importar"), csv, QStringLiteral("--base"), db});
        QCOMPARE(t.status, 1);
        QVERIFY2(t.err.contains(QStringLiteral("no queda espacio en el disco")), qPrintable(t.err));
        QVERIFY2(!t.err.contains(QStringLiteral("Unknown error")), qPrintable(t.err));
        QCOMPARE(fileBytes(db), dbBefore);
        QCOMPARE(snapshot(), before);
    }

    // Word lists as spreadsheets save them: the encoding, the separator and
    // the line ends are found from the file itself.
    void spreadsheetFilesAreRead_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("spanish"); // what nom_esp of "lulu" holds afterwards
        QTest::addColumn<bool>("windows1252");
        QTest::addRow("UTF-8") << QByteArray("nom_ay,nom_esp,categoria\nlulu,lib\xc3\xa9lula,insecto\n") << "libélula"
                               << false;
        QTest::addRow("spreadsheet's BOM and CRLF")
            << QByteArray("\xef\xbb\xbfnom_ay,nom_esp,categoria\r\nlulu,lib\xc3\xa9lula,insecto\r\n") << "libélula"
            << false;
        QTest::addRow("BOM, semicolons and CRLF")
            << QByteArray("\xef\xbb\xbfnom_ay;nom_esp;categoria\r\nlulu;\"lib\xc3\xa9lula; azul\";insecto\r\n")
            << "libélula; azul" << false;
        QTest::addRow("Latin-1 with semicolons") << QByteArray("nom_ay;nom_esp;categoria\nlulu;lib\xe9lula, peque\xf1"
                                                               "a;insecto\n")
                                                 << "libélula, pequeña" << true;
        QTest::addRow("Windows-1252 quotes and CRLF")
            << QByteArray("nom_ay,nom_esp,categoria\r\nlulu,\x93lib\xe9lula\x94 \x80,insecto\r\n")
            << "\u201clibélula\u201d \u20ac" << true;
        QTest::addRow("tabs") << QByteArray("nom_ay\tnom_esp\tcategoria\nlulu\tlib\xc3\xa9lula, azul\tinsecto\n")
                              << "libélula, azul" << false;
        QTest::addRow("tabs in Latin-1 with CRLF")
            << QByteArray("nom_ay\tnom_esp\tcategoria\r\nlulu\tlib\xe9lula\tinsecto\r\n") << "libélula" << true;
        // A spreadsheet's "Unicode text": UTF-16 with its mark, tabs, CRLF.
        const QString unicodeText = QStringLiteral("nom_ay\tnom_esp\tcategoria\r\nlulu\tlibélula ñ\tinsecto\r\n");
        QByteArray le("\xff\xfe"), be("\xfe\xff");
        for (const QChar c : unicodeText) {
            le += char(c.unicode() & 0xff);
            le += char(c.unicode() >> 8);
            be += char(c.unicode() >> 8);
            be += char(c.unicode() & 0xff);
        }
        QTest::addRow("UTF-16 little endian") << le << "libélula ñ" << false;
        QTest::addRow("UTF-16 big endian") << be << "libélula ñ" << false;
    }
    void spreadsheetFilesAreRead()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, spanish);
        QFETCH(bool, windows1252);
        Game game;
        const Tool t = game.import(game.csv(csv));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        QCOMPARE(spanishNames(game.db, QStringLiteral("insecto")), QStringList{"lulu|" + spanish});
        const QString note = QStringLiteral("nota: %1 no está en UTF-8: se leyó como Windows-1252")
                                 .arg(game.dir.path() + QStringLiteral("/maestra/palabras.csv"));
        QVERIFY2(t.err.contains(note) == windows1252, qPrintable(t.err));
    }

    // A Mac names "niño.png" decomposed (n and a combining tilde), a
    // spreadsheet composed: the file is found whichever form either side
    // uses, in its name and in its folder's.
    void decomposedFileNamesAreFound_data()
    {
        QTest::addColumn<bool>("decomposedOnDisk");
        QTest::addRow("decomposed on disk, composed in the list") << true;
        QTest::addRow("composed on disk, decomposed in the list") << false;
    }
    void decomposedFileNamesAreFound()
    {
        QFETCH(bool, decomposedOnDisk);
        const QString composed = QStringLiteral("señal/niño.png");
        const QString decomposed = composed.normalized(QString::NormalizationForm_D);
        QVERIFY(composed != decomposed);
        Game game;
        const QString onDisk =
            game.dir.path() + QStringLiteral("/maestra/") + (decomposedOnDisk ? decomposed : composed);
        writePicture(onDisk, 169, 129, Qt::red);
        const QString named = decomposedOnDisk ? composed : decomposed;
        const Tool t =
            game.import(game.csv("nom_ay,nom_esp,categoria,dibujo\nyuqalla,niño,persona," + named.toUtf8() + "\n"));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        const QString row = gameRows(game.dir.path(), 2).filter(QStringLiteral("yuqalla|")).value(0);
        const QString picture = row.section(QLatin1Char('|'), 1, 1);
        QVERIFY2(picture.startsWith(QStringLiteral("c:\\Trab_zumel\\dibujos\\yuqalla.")), qPrintable(row));
        QVERIFY(QFileInfo(wordtool::localMediaPath(game.media(), picture)).size() > 0);
    }

    // A word the keyboard cannot spell: every letter that no key gives is
    // named, and the spelling meant when the only fault is capitals.
    void unspellableWordsNameTheMissingLetters_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("why");
        QTest::addRow("Spanish vowels and letters") << "huevo"
                                                    << "ninguna tecla da «h», «e», «v» y «o»";
        QTest::addRow("b and o") << "bonito"
                                 << "ninguna tecla da «b» y «o»";
        QTest::addRow("capital") << "Wari"
                                 << "ninguna tecla da «W» (las teclas escriben en minúsculas); ¿quiso decir «wari»?";
        QTest::addRow("capital of a group") << "Chhijchhi"
                                            << "ninguna tecla da «C» y «h» (las teclas escriben en minúsculas); "
                                               "¿quiso decir «chhijchhi»?";
        QTest::addRow("capital and a missing letter") << "Hola"
                                                      << "ninguna tecla da «H» y «o»";
        QTest::addRow("spellable (no message)") << "kasa"
                                                << "";
        QTest::addRow("c alone") << "casa"
                                 << "ninguna tecla da «c»";
        QTest::addRow("accent") << "tantá"
                                << "ninguna tecla da «á» (las teclas no llevan tilde); ¿quiso decir «tanta»?";
        QTest::addRow("capital and accent") << "Wawá"
                                            << "ninguna tecla da «W» y «á» (las teclas escriben en minúsculas y no "
                                               "llevan tilde); ¿quiso decir «wawa»?";
        QTest::addRow("accent on a letter no key gives") << "tantó"
                                                         << "ninguna tecla da «ó»";
        QTest::addRow("apostrophe after a letter without a glottal key") << "s'a"
                                                                         << "ninguna tecla da «'»";
        QTest::addRow("digit and space") << "uta 2"
                                         << "ninguna tecla da «espacio» y «2»";
    }
    void unspellableWordsNameTheMissingLetters()
    {
        QFETCH(QString, word);
        QFETCH(QString, why);
        Game game;
        const Tool t = game.import(game.csv("nom_ay,nom_esp,categoria\n" + word.toUtf8() + ",algo,animal\n"));
        if (why.isEmpty()) {
            QVERIFY2(t.status == 0, qPrintable(t.err));
            return;
        }
        QCOMPARE(t.status, 1);
        const QString expected =
            QStringLiteral("línea 2: la palabra «%1» no se puede escribir con el teclado: %2\n").arg(word, why);
        QVERIFY2(t.err.contains(expected), qPrintable(t.err + "\nexpected: " + expected));
    }

    // Words in a category that has no button on the menu are imported with a
    // warning: the game shows them only when no category is chosen.
    void categoryWithoutMenuButtonWarns_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<bool>("warned");
        for (const char *key : {"cuerpo", "ave", "alimento", "hogar"})
            QTest::addRow("%s", key) << QString::fromLatin1(key) << true;
        for (const char *key : {"naturaleza", "persona", "animal", "insecto", "color"})
            QTest::addRow("%s", key) << QString::fromLatin1(key) << false;
    }
    void categoryWithoutMenuButtonWarns()
    {
        QFETCH(QString, category);
        QFETCH(bool, warned);
        Game game;
        const Tool t = game.import(game.csv("nom_ay,nom_esp,categoria\nuta,casa," + category.toUtf8() + "\n"));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        const QString warning = QStringLiteral("aviso: %1, línea 2: la categoría «%2» no tiene botón en el menú: «uta» "
                                               "solo aparecerá en el juego cuando no se elija ninguna categoría")
                                    .arg(game.dir.path() + QStringLiteral("/maestra/palabras.csv"), category);
        QVERIFY2(t.err.contains(warning) == warned, qPrintable(t.err));
    }

    // The game stretches a word's picture to its frame: a picture of another
    // shape is stored in the frame's shape, its subject (a red block filling
    // the source) centred with its proportions kept on a white background.
    void picturesKeepTheirProportions_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("stored");    // its name under dibujos/
        QTest::addColumn<QByteArray>("format"); // what the file really is; empty: what its name says
        QTest::addRow("portrait") << QSize(90, 240) << "retrato.png"
                                  << "uta.png" << QByteArray();
        QTest::addRow("landscape") << QSize(400, 100) << "paisaje.bmp"
                                   << "uta.bmp" << QByteArray();
        QTest::addRow("large square photo") << QSize(1200, 1200) << "foto.jpg"
                                            << "uta.jpg" << QByteArray();
        QTest::addRow("frame's shape") << QSize(338, 258) << "justo.png"
                                       << "uta.png" << QByteArray();
        // Stored by what it is, so that the game's loader reads it.
        QTest::addRow("JPEG named .png") << QSize(338, 258) << "foto.png"
                                         << "uta.jpg" << QByteArray("JPEG");
        QTest::addRow("WebP, redrawn as PNG") << QSize(400, 100) << "paisaje.webp"
                                              << "uta.png" << QByteArray();
        // A phone's photo, decoded already scaled down.
        QTest::addRow("50 megapixel photo") << QSize(8160, 6120) << "telefono.jpg"
                                            << "uta.jpg" << QByteArray();
    }
    void picturesKeepTheirProportions()
    {
        QFETCH(QSize, size);
        QFETCH(QString, file);
        QFETCH(QString, stored);
        QFETCH(QByteArray, format);
        Game game;
        const QString source = game.dir.path() + QStringLiteral("/maestra/") + file;
        QDir().mkpath(QFileInfo(source).absolutePath());
        QImage subject(size, QImage::Format_RGB32);
        subject.fill(Qt::red);
        QVERIFY(subject.save(source, format.isEmpty() ? nullptr : format.constData(), 95));
        const Tool t = game.import(game.csv("nom_ay,nom_esp,categoria,dibujo\nuta,casa,hogar," + file.toUtf8() + "\n"));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        QCOMPARE(gameRows(game.dir.path(), 9).value(0).section(QLatin1Char('|'), 1, 1),
                 QStringLiteral("c:\\Trab_zumel\\dibujos\\") + stored);
        const QString storedFile = game.media() + QStringLiteral("/dibujos/") + stored;
        const QImage picture(storedFile);
        QVERIFY(!picture.isNull());
        const ControlRect &frame = controlRect("Image4");
        const double frameShape = double(frame.width) / frame.height;
        QVERIFY2(std::abs(double(picture.width()) / picture.height() / frameShape - 1) < 0.02,
                 qPrintable(QStringLiteral("%1x%2").arg(picture.width()).arg(picture.height())));
        QVERIFY(picture.width() <= 4 * frame.width / 15);
        if (std::abs(double(size.width()) / size.height() / frameShape - 1) < 0.02 &&
            size.width() <= 4 * frame.width / 15) {
            QCOMPARE(fileBytes(storedFile), fileBytes(source)); // already the frame's shape: kept as it is
            return;
        }
        // The red block: its bounding box has the source's shape and lies in the middle.
        const auto red = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; };
        const auto white = [](QRgb p) { return qRed(p) > 230 && qGreen(p) > 230 && qBlue(p) > 230; };
        QRect box;
        int other = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y);
                if (red(p))
                    box |= QRect(x, y, 1, 1);
                else if (!white(p))
                    ++other;
            }
        QVERIFY(!box.isEmpty());
        QVERIFY2(std::abs(double(box.width()) / box.height() / (double(size.width()) / size.height()) - 1) < 0.03,
                 qPrintable(QStringLiteral("%1x%2").arg(box.width()).arg(box.height())));
        QVERIFY(std::abs(box.center().x() - picture.width() / 2) <= 2);
        QVERIFY(std::abs(box.center().y() - picture.height() / 2) <= 2);
        // It touches the canvas on two opposite sides: fitted, not shrunk further.
        QVERIFY(box.width() >= picture.width() - 2 || box.height() >= picture.height() - 2);
        QVERIFY2(other < (picture.width() + picture.height()) * 4, qPrintable(QString::number(other))); // edges only
    }

    // A teacher's picture with the pixels for it (at least twice the frame
    // each way, once in the frame's shape) gets a copy at exactly twice the
    // stored picture's size beside it, in the same format, showing the same
    // picture; a smaller one gets none.
    void largePicturesGetASharpCopy_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("stored"); // its name under dibujos/
        QTest::addColumn<bool>("sharp");
        QTest::addRow("large square photo") << QSize(1200, 1200) << "foto.jpg"
                                            << "uta.jpg" << true;
        QTest::addRow("frame's shape, twice the frame") << QSize(338, 258) << "justo.png"
                                                        << "uta.png" << true;
        QTest::addRow("thin strip, large in the frame's shape") << QSize(700, 120) << "tira.bmp"
                                                                << "uta.bmp" << true;
        QTest::addRow("frame's size") << QSize(169, 129) << "chico.png"
                                      << "uta.png" << false;
        QTest::addRow("just under twice the frame") << QSize(336, 256) << "casi.bmp"
                                                    << "uta.bmp" << false;
        QTest::addRow("small portrait") << QSize(90, 240) << "retrato.png"
                                        << "uta.png" << false;
    }
    void largePicturesGetASharpCopy()
    {
        QFETCH(QSize, size);
        QFETCH(QString, file);
        QFETCH(QString, stored);
        QFETCH(bool, sharp);
        Game game;
        const QString source = game.dir.path() + QStringLiteral("/maestra/") + file;
        QDir().mkpath(QFileInfo(source).absolutePath());
        // Red on the left, blue on the right.
        QImage subject(size, QImage::Format_RGB32);
        subject.fill(Qt::red);
        for (int y = 0; y < size.height(); ++y)
            for (int x = size.width() / 2; x < size.width(); ++x)
                subject.setPixel(x, y, qRgb(0, 0, 255));
        QVERIFY(subject.save(source, nullptr, 95));
        const Tool t = game.import(game.csv("nom_ay,nom_esp,categoria,dibujo\nuta,casa,hogar," + file.toUtf8() + "\n"));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        QCOMPARE(gameRows(game.dir.path(), 9).value(0).section(QLatin1Char('|'), 1, 1),
                 QStringLiteral("c:\\Trab_zumel\\dibujos\\") + stored);
        const QString pictures = game.media() + QStringLiteral("/dibujos/");
        const QString sharpFile = pictures + sharpName(stored);
        if (!sharp) {
            QCOMPARE(QDir(pictures).entryList(QDir::Files | QDir::Hidden), QStringList{stored});
            return;
        }
        QCOMPARE(QDir(pictures).entryList(QDir::Files | QDir::Hidden), (QStringList{stored, sharpName(stored)}));
        QImageReader oneReader(pictures + stored), twoReader(sharpFile);
        QCOMPARE(twoReader.format(), oneReader.format());
        const QImage one = oneReader.read(), two = twoReader.read();
        QVERIFY(!one.isNull() && !two.isNull());
        QCOMPARE(two.size(), one.size() * 2);
        // The same picture: a grid of points away from the edges has the same colours.
        for (int j = 0; j < 6; ++j)
            for (int i = 0; i < 8; ++i) {
                const int x = (2 * i + 1) * one.width() / 16, y = (2 * j + 1) * one.height() / 12;
                const QColor a = one.pixelColor(x, y), b = two.pixelColor(2 * x + 1, 2 * y + 1);
                QVERIFY2(std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
                             std::abs(a.blue() - b.blue()) < 40,
                         qPrintable(QStringLiteral("(%1,%2): %3 against %4").arg(x).arg(y).arg(a.name(), b.name())));
            }
    }

    // The copy's name is taken by another file: the word takes the next name
    // whose picture and copy are both free, the other file stays as it was.
    void sharpCopyNeverReplacesAnotherFile()
    {
        Game game;
        const QString pictures = game.media() + QStringLiteral("/dibujos/");
        writePicture(pictures + QStringLiteral("uta@2x.bmp"), 338, 258, Qt::yellow);
        const QByteArray other = fileBytes(pictures + QStringLiteral("uta@2x.bmp"));
        writePicture(game.dir.path() + QStringLiteral("/maestra/foto.bmp"), 676, 516, Qt::red);
        const Tool t = game.import(game.csv("nom_ay,nom_esp,categoria,dibujo\nuta,casa,hogar,foto.bmp\n"));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        QCOMPARE(gameRows(game.dir.path(), 9).value(0).section(QLatin1Char('|'), 1, 1),
                 QStringLiteral("c:\\Trab_zumel\\dibujos\\uta-2.bmp"));
        QCOMPARE(fileBytes(pictures + QStringLiteral("uta@2x.bmp")), other);
        QCOMPARE(QDir(pictures).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"uta-2.bmp", "uta-2@2x.bmp", "uta@2x.bmp"}));
        QCOMPARE(QImage(pictures + QStringLiteral("uta-2@2x.bmp")).size(), QSize(1352, 1032));
    }

    // An import that fails after the pictures were copied takes their copies
    // at twice the size away too.
    void failedImportLeavesNoSharpCopy()
    {
        Game game;
        writePicture(game.dir.path() + QStringLiteral("/maestra/foto.bmp"), 1200, 900, Qt::red);
        const QString pictures = game.media() + QStringLiteral("/dibujos");
        wordtool::ImportRequest request;
        request.csvPath = game.csv("nom_ay,nom_esp,categoria,dibujo\nuta,casa,hogar,foto.bmp\n");
        request.databasePath = game.db;
        request.mediaRoot = game.media();
        QStringList copied;
        request.speak = [&](const QString &, const QString &) {
            copied = QDir(pictures).entryList(QDir::Files | QDir::Hidden);
            return QStringLiteral("sin voz");
        };
        const wordtool::ImportResult result = wordtool::importWords(request);
        QVERIFY(!result.ok());
        // They were there while the voice was made, under hidden names until
        // the whole import could go through.
        QCOMPARE(copied.size(), 2);
        QVERIFY2(copied[0].startsWith(QLatin1String(".uta.bmp.nuevo-")), qPrintable(copied.join(' ')));
        QVERIFY2(copied[1].startsWith(QLatin1String(".uta@2x.bmp.nuevo-")), qPrintable(copied.join(' ')));
        QCOMPARE(QDir(pictures).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void listShowsCategoriesAndWords()
    {
        Game game;
        const Tool t = runTool({QStringLiteral("listar"), QStringLiteral("--base"), game.db});
        QCOMPARE(t.status, 0);
        const QStringList lines = t.out.split(QLatin1Char('\n'));
        const auto at = [&](const QString &start) {
            for (qsizetype i = 0; i < lines.size(); ++i)
                if (lines[i].startsWith(start))
                    return i;
            return qsizetype(-1);
        };
        const qsizetype animal = at(QStringLiteral("animal (menú: Animales) — 2 palabras"));
        QVERIFY2(animal > 0, qPrintable(t.out));
        QCOMPARE(lines.mid(animal + 1, 2), (QStringList{"  anu — perro", "  phisi — gato"}));
        QVERIFY2(at(QStringLiteral("naturaleza (menú: Naturaleza) — 1 palabra")) > 0, qPrintable(t.out));
        QVERIFY2(at(QStringLiteral("hogar (sin botón en el menú) — 0 palabras")) > 0, qPrintable(t.out));
        QVERIFY2(t.out.contains(QStringLiteral("  k'ita — raro (categoría «bicho»)")), qPrintable(t.out));
        QVERIFY(at(QStringLiteral("naturaleza")) < at(QStringLiteral("persona")));
    }

    void defaultDatabaseIsTheGames_data()
    {
        QTest::addColumn<QString>("driveC");
        QTest::addColumn<QString>("executableDir");
        QTest::addRow("beside the program") << "bin/drive_c"
                                            << "bin";
        QTest::addRow("installed") << "share/korivanta/drive_c"
                                   << "bin";
    }
    void defaultDatabaseIsTheGames()
    {
        QFETCH(QString, driveC);
        QFETCH(QString, executableDir);
        QTemporaryDir dir;
        makeWordsDatabase(dir.filePath(driveC), sampleWords());
        QDir().mkpath(dir.filePath(executableDir));
        const Tool t = runTool({QStringLiteral("listar")}, dir.filePath(executableDir));
        QVERIFY2(t.status == 0, qPrintable(t.err));
        QVERIFY2(t.out.contains(QStringLiteral("  phisi — gato")), qPrintable(t.out));
    }

    // Without --base an import goes to the school's words, never into the
    // game's files: the game then reads the composed words over two layers,
    // and `listar` shows both, the school's marked.
    void importWithoutBaseGoesToTheSchool_data() { defaultDatabaseIsTheGames_data(); }
    void importWithoutBaseGoesToTheSchool()
    {
        QFETCH(QString, driveC);
        QFETCH(QString, executableDir);
        QTemporaryDir dir;
        const QString packageDb = makeWordsDatabase(dir.filePath(driveC), sampleWords());
        const QByteArray packageBytes = fileBytes(packageDb);
        QDir().mkpath(dir.filePath(executableDir));
        const QString school = dir.filePath(QStringLiteral("escuela"));
        qputenv("KORIVANTA_ESCUELA", QFile::encodeName(school));
        const auto restore = qScopeGuard([this] { qputenv("KORIVANTA_ESCUELA", QFile::encodeName(m_school.path())); });

        writeFile(dir.filePath(QStringLiteral("w.csv")), "nom_ay,nom_esp,categoria,dibujo\nuta,casa,hogar,p.bmp\n");
        writePicture(dir.filePath(QStringLiteral("p.bmp")), 169, 129, Qt::gray);
        const Tool imported =
            runTool({QStringLiteral("importar"), dir.filePath(QStringLiteral("w.csv"))}, dir.filePath(executableDir));
        QVERIFY2(imported.status == 0, qPrintable(imported.err));
        QVERIFY2(imported.out.contains(school), qPrintable(imported.out));
        QCOMPARE(fileBytes(packageDb), packageBytes);
        QVERIFY(!QFileInfo::exists(dir.filePath(driveC + QStringLiteral("/Trab_zumel/dibujos/uta.bmp"))));

        const QString upper = school + QStringLiteral("/drive_c");
        QCOMPARE(
            gameRows(upper, dir.filePath(driveC), 9),
            QStringList{"uta|c:\\Trab_zumel\\escuela\\dibujos\\uta.bmp|c:\\Trab_zumel\\sonido\\palabras\\uta.wav"});
        QCOMPARE(gameRows(upper, dir.filePath(driveC), 4).size(), 2); // the package's animals
        QCOMPARE(
            fileBytes(MediaPaths(upper, dir.filePath(driveC)).resolve("c:\\Trab_zumel\\escuela\\dibujos\\uta.bmp")),
            fileBytes(dir.filePath(QStringLiteral("p.bmp"))));

        const Tool listed = runTool({QStringLiteral("listar")}, dir.filePath(executableDir));
        QVERIFY2(listed.status == 0, qPrintable(listed.err));
        QVERIFY2(listed.out.contains(QStringLiteral("  uta — casa (escuela)\n")), qPrintable(listed.out));
        QVERIFY2(listed.out.contains(QStringLiteral("  phisi — gato\n")), qPrintable(listed.out));

        // A new package version that brings the same word: the package's row is read.
        makeWordsDatabase(dir.filePath(driveC), sampleWords() + QList<WordRow>{{"uta", "casa", "hogar", {}, {}}});
        const Tool composed = runTool({QStringLiteral("componer")}, dir.filePath(executableDir));
        QVERIFY2(composed.status == 0, qPrintable(composed.err));
        QCOMPARE(gameRows(upper, dir.filePath(driveC), 9), QStringList{"uta||"}); // the package's own row
    }

    // A words database made so that reading it never ends (the school's,
    // which the teachers' group can write, the composed one that the game
    // reads, or one named with --base) stops the tool with a Spanish message
    // instead of hanging it, and with it the package manager that runs
    // «componer»; nothing is written. «listar» says why it cannot mark the
    // school's words and lists the game's words all the same.
    void runawayDatabaseStopsTheTool_data()
    {
        QTest::addColumn<QString>("which"); // school, composed or base
        QTest::addColumn<int>("kind");      // Runaway
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        const int endless = int(Runaway::RecursiveView);
        const int crossJoin = int(Runaway::CrossJoin);
        const QStringList compose{QStringLiteral("componer")};
        const QStringList list{QStringLiteral("listar")};
        QTest::addRow("componer, the school's words endless") << "school" << endless << compose << 1;
        QTest::addRow("componer, the school's words a cross join") << "school" << crossJoin << compose << 1;
        QTest::addRow("listar, the school's words endless") << "school" << endless << list << 0;
        QTest::addRow("listar, the composed words endless") << "composed" << endless << list << 1;
        QTest::addRow("listar --base, a cross join") << "base" << crossJoin << list << 1;
        QTest::addRow("importar --base, endless") << "base" << endless << QStringList{QStringLiteral("importar")} << 1;
    }
    void runawayDatabaseStopsTheTool()
    {
        QFETCH(QString, which);
        QFETCH(int, kind);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin"));
        makeWordsDatabase(dir.filePath(QStringLiteral("bin/drive_c")), sampleWords());
        const QString school = dir.filePath(QStringLiteral("escuela"));
        qputenv("KORIVANTA_ESCUELA", QFile::encodeName(school));
        const auto restore = qScopeGuard([this] { qputenv("KORIVANTA_ESCUELA", QFile::encodeName(m_school.path())); });
        writeFile(dir.filePath(QStringLiteral("w.csv")), "nom_ay,nom_esp,categoria\nuta,casa,hogar\n");
        QCOMPARE(runTool({QStringLiteral("importar"), dir.filePath(QStringLiteral("w.csv"))}, bin).status, 0);
        const QString composed = school + QStringLiteral("/drive_c/Trab_zumel/diccionario.mdb");
        QVERIFY(QFileInfo::exists(composed));

        QString file = which == QLatin1String("school") ? school + QStringLiteral("/palabras-escuela.db") : composed;
        if (which == QLatin1String("base")) {
            file = makeWordsDatabase(dir.filePath(QStringLiteral("otra")), sampleWords());
            args << (args.front() == QLatin1String("importar") ? QStringList{dir.filePath(QStringLiteral("w.csv"))}
                                                               : QStringList{})
                 << QStringLiteral("--base") << file;
        }
        QCOMPARE(writeAsAnotherProgram(file, runawayNominal(Runaway(kind))), QString());
        const auto before = folderSnapshot(dir.path());

        const Tool t = runTool(args, bin);
        QCOMPARE(t.status, status);
        QVERIFY2(t.err.contains(QStringLiteral("no llegaba nunca a su fin")), qPrintable(t.err));
        QVERIFY2(t.err.contains(file), qPrintable(t.err));
        QCOMPARE(folderSnapshot(dir.path()), before);
        if (status == 0)
            QVERIFY2(t.out.contains(QStringLiteral("  uta — casa\n")), qPrintable(t.out));
    }

    // The package's postinst runs «componer» as root: on a school database
    // made to run for ever the real program ends, with status 1 and the
    // reason in Spanish, so the package manager goes on.
    void realToolEndsOnASchoolDatabaseThatNeverEnds()
    {
        QTemporaryDir dir;
        const QString school = dir.filePath(QStringLiteral("escuela"));
        const QString made = makeWordsDatabase(dir.filePath(QStringLiteral("hecha")), sampleWords());
        QCOMPARE(writeAsAnotherProgram(made, runawayNominal(Runaway::RecursiveView)), QString());
        QVERIFY(QDir().mkpath(school));
        QVERIFY(QFile::rename(made, school + QStringLiteral("/palabras-escuela.db")));
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORIVANTA_ESCUELA"), school);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(KORIVANTA_WORD_TOOL), {QStringLiteral("componer")});
        QVERIFY(tool.waitForStarted());
        if (!tool.waitForFinished(120000)) {
            tool.kill();
            tool.waitForFinished();
            QFAIL("korivanta-palabras componer still running after two minutes");
        }
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 1);
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("está dañada")) &&
                     err.contains(QStringLiteral("no llegaba nunca a su fin")),
                 qPrintable(err));
        QVERIFY(!QFileInfo::exists(school + QStringLiteral("/drive_c")));
    }

    // A school's words go into a pack with «exportar» (all of them, a
    // category's, or the named ones) and come out on another computer's
    // school with «importar», pictures included; the package's words stay
    // out of the pack.
    void packsCarryTheSchoolsWords_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<QString>("packName");
        QTest::addColumn<QStringList>("carried"); // the rows the second school gets, as "nom_ay — nom_esp"
        QTest::addRow("all the school's words")
            << QStringList{} << "clase.korivanta" << QStringList{"uta — casa", "wawa — niño", "jach'a — grande"};
        QTest::addRow("one category") << QStringList{"--categoria", "persona"} << "clase.korivanta"
                                      << QStringList{"wawa — niño"};
        QTest::addRow("named words, typed apostrophe")
            << QStringList{"uta", "jach’a"} << "clase.korivanta" << QStringList{"uta — casa", "jach'a — grande"};
        QTest::addRow("a zip without the ending") << QStringList{"uta"} << "clase.zip" << QStringList{"uta — casa"};
    }
    void packsCarryTheSchoolsWords()
    {
        QFETCH(QStringList, selection);
        QFETCH(QString, packName);
        QFETCH(QStringList, carried);
        QTemporaryDir dir;
        makeWordsDatabase(dir.filePath(QStringLiteral("bin/drive_c")), sampleWords());
        const QString bin = dir.filePath(QStringLiteral("bin"));
        const auto restore = qScopeGuard([this] { qputenv("KORIVANTA_ESCUELA", QFile::encodeName(m_school.path())); });
        qputenv("KORIVANTA_ESCUELA", QFile::encodeName(dir.filePath(QStringLiteral("escuela1"))));
        writeFile(dir.filePath(QStringLiteral("w.csv")), "nom_ay,nom_esp,categoria,dibujo\n"
                                                         "uta,casa,naturaleza,p.bmp\n"
                                                         "wawa,niño,persona,\n"
                                                         "jach'a,grande,naturaleza,\n");
        writePicture(dir.filePath(QStringLiteral("p.bmp")), 169, 129, Qt::darkCyan);
        const Tool imported = runTool({QStringLiteral("importar"), dir.filePath(QStringLiteral("w.csv"))}, bin);
        QVERIFY2(imported.status == 0, qPrintable(imported.err));

        const QString pack = dir.filePath(packName);
        const Tool exported = runTool(QStringList{QStringLiteral("exportar"), pack} + selection, bin);
        QVERIFY2(exported.status == 0, qPrintable(exported.err));
        QVERIFY2(exported.out.contains(pack), qPrintable(exported.out));

        const QString second = dir.filePath(QStringLiteral("escuela2"));
        qputenv("KORIVANTA_ESCUELA", QFile::encodeName(second));
        const Tool unpacked = runTool({QStringLiteral("importar"), pack}, bin);
        QVERIFY2(unpacked.status == 0, qPrintable(unpacked.err));
        const Tool listed = runTool({QStringLiteral("listar")}, bin);
        QStringList school;
        for (const QString &line : listed.out.split(QLatin1Char('\n')))
            if (line.endsWith(QLatin1String(" (escuela)")))
                school << line.trimmed().chopped(QStringLiteral(" (escuela)").size());
        std::sort(school.begin(), school.end());
        std::sort(carried.begin(), carried.end());
        QCOMPARE(school, carried);
        if (carried.contains(QStringLiteral("uta — casa")))
            QCOMPARE(fileBytes(second + QStringLiteral("/drive_c/Trab_zumel/escuela/dibujos/uta.bmp")),
                     fileBytes(dir.filePath(QStringLiteral("p.bmp"))));
    }

    void exportRefusesWhatIsNotThere_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<QString>("message");
        QTest::addRow("a word the school lacks")
            << QStringList{"uta", "qullu"} << "«qullu» no está en las palabras de la escuela";
        QTest::addRow("a word of another category")
            << QStringList{"uta", "--categoria", "animal"}
            << "«uta» no está en las palabras de la escuela, categoría «animal»";
        QTest::addRow("an empty category") << QStringList{"--categoria", "color"} << "no hay palabras que exportar";
    }
    void exportRefusesWhatIsNotThere()
    {
        QFETCH(QStringList, selection);
        QFETCH(QString, message);
        QTemporaryDir dir;
        makeWordsDatabase(dir.filePath(QStringLiteral("bin/drive_c")), sampleWords());
        const QString bin = dir.filePath(QStringLiteral("bin"));
        const auto restore = qScopeGuard([this] { qputenv("KORIVANTA_ESCUELA", QFile::encodeName(m_school.path())); });
        qputenv("KORIVANTA_ESCUELA", QFile::encodeName(dir.filePath(QStringLiteral("escuela"))));
        writeFile(dir.filePath(QStringLiteral("w.csv")), "nom_ay,nom_esp,categoria\nuta,casa,naturaleza\n");
        QCOMPARE(runTool({QStringLiteral("importar"), dir.filePath(QStringLiteral("w.csv"))}, bin).status, 0);
        const QString pack = dir.filePath(QStringLiteral("clase.korivanta"));
        const Tool t = runTool(QStringList{QStringLiteral("exportar"), pack} + selection, bin);
        QCOMPARE(t.status, 1);
        QVERIFY2(t.err.contains(message), qPrintable(t.err));
        QVERIFY(!QFileInfo::exists(pack));
    }

    // A pack meets the checks of a CSV file: a row the keyboard cannot spell
    // is refused with the same words, naming the pack, and nothing changes.
    void packRowsMeetTheCsvChecks()
    {
        Game game;
        const QByteArray before = fileBytes(game.db);
        const Tool csv = game.import(game.csv("nom_ay,nom_esp,categoria,dibujo,sonido\nWari,vicuña,animal,,\n"));
        QCOMPARE(csv.status, 1);
        const qsizetype at = csv.err.indexOf(QStringLiteral("línea 2: "));
        QVERIFY2(at >= 0, qPrintable(csv.err));
        const QString rowMessage = csv.err.mid(at).section(QLatin1Char('\n'), 0, 0);

        const QString pack = game.dir.filePath(QStringLiteral("hostil.korivanta"));
        QCOMPARE(wordstore::exportPack({{"Wari", "vicuña", "animal", {}, {}}}, {}, pack), QString());
        const Tool packed = game.import(pack);
        QCOMPARE(packed.status, 1);
        // The pack by its name, never the folder it was unpacked into.
        QVERIFY2(packed.err.contains(QStringLiteral("paquete hostil.korivanta, ") + rowMessage),
                 qPrintable(packed.err + "\nexpected: " + rowMessage));
        QVERIFY2(packed.err.contains(QStringLiteral("No se importó ninguna palabra")), qPrintable(packed.err));
        QVERIFY2(!packed.err.contains(QDir::tempPath()), qPrintable(packed.err));
        QCOMPARE(fileBytes(game.db), before);
        // A damaged pack is refused as one.
        writeFile(pack, fileBytes(pack).left(40));
        const Tool damaged = game.import(pack);
        QCOMPARE(damaged.status, 1);
        QVERIFY2(damaged.err.contains(QStringLiteral("dañado o incompleto")), qPrintable(damaged.err));
        QCOMPARE(fileBytes(game.db), before);
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::addRow("no arguments") << QStringList{} << 2 << "Uso:";
        QTest::addRow("help") << QStringList{"--help"} << 0 << "korivanta-palabras importar ARCHIVO.csv";
        QTest::addRow("unknown command") << QStringList{"borrar"} << 2 << "orden desconocida «borrar»";
        QTest::addRow("unknown option") << QStringList{"listar", "--todo"} << 2 << "opción desconocida «--todo»";
        QTest::addRow("import without file") << QStringList{"importar"} << 2 << "«importar» lleva un archivo CSV";
        QTest::addRow("export without pack")
            << QStringList{"exportar"} << 2 << "«exportar» lleva el nombre del paquete";
        QTest::addRow("export of an unknown category")
            << QStringList{"exportar", "x.korivanta", "--categoria", "fruta"} << 2 << "la categoría «fruta» no existe";
        QTest::addRow("option without value") << QStringList{"listar", "--base"} << 2 << "falta el valor de --base";
    }
    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, text);
        const Tool t = runTool(args);
        QCOMPARE(t.status, status);
        QVERIFY2((t.out + t.err).contains(text), qPrintable(t.out + t.err));
    }

    void voiceWritesASpokenWord()
    {
        if (!haveVoice())
            QSKIP("espeak-ng, sox or /usr/bin/python3 is missing");
        QTemporaryDir dir;
        const QString wav = dir.filePath(QStringLiteral("chhijchhi.wav"));
        const Tool t = runTool({QStringLiteral("voz"), QStringLiteral("chhijchhi"), QStringLiteral("--salida"), wav});
        QVERIFY2(t.status == 0, qPrintable(t.err));
        const auto [peak, seconds] = wavLoudnessAndLength(fileBytes(wav));
        QVERIFY2(peak > 8000, qPrintable(QString::number(peak)));
        QVERIFY2(seconds > 0.2 && seconds < 3, qPrintable(QString::number(seconds)));

        const Tool bad = runTool({QStringLiteral("voz"), QStringLiteral("Hola"), QStringLiteral("--salida"),
                                  dir.filePath(QStringLiteral("hola.wav"))});
        QCOMPARE(bad.status, 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("hola.wav"))));
    }

    void importCanMakeTheMissingVoices()
    {
        if (!haveVoice())
            QSKIP("espeak-ng, sox or /usr/bin/python3 is missing");
        Game game;
        const QByteArray recorded = wavBytes({0, 500, 0});
        writeFile(game.media() + QStringLiteral("/sonido/palabras/anu.wav"), recorded);
        const Tool t = game.import(game.csv("nom_ay,nom_esp,categoria\nqamaqi,zorro,animal\nanu,perro,persona\n"),
                                   {QStringLiteral("--generar-voz")});
        QVERIFY2(t.status == 0, qPrintable(t.err));
        const auto [peak, seconds] =
            wavLoudnessAndLength(fileBytes(game.media() + QStringLiteral("/sonido/palabras/qamaqi.wav")));
        QVERIFY(peak > 8000 && seconds > 0.2);
        // A sound already there is kept.
        QCOMPARE(fileBytes(game.media() + QStringLiteral("/sonido/palabras/anu.wav")), recorded);
        QCOMPARE(QDir(game.media() + QStringLiteral("/sonido/palabras")).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"anu.wav", "qamaqi.wav"}));
    }
};

QTEST_GUILESS_MAIN(TestWordTool)
#include "tst_word_tool.moc"
