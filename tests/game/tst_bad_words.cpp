// Words the database should not hold but might: missing and empty values,
// odd characters, decomposed letters, characters beyond the 16-bit range, an
// unknown category, a table with more fields, a very long word and a very long
// table. The game must never stop on them, and must end each in a state it can
// go on from.
#include "app/modulo1.h"
#include "game/data_control.h"
#include "game/image_control.h"
#include "game/keyboard_table.h"
#include "support/game_fixture.h"
#include "support/keys.h"

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

#include <cmath>

using namespace korivanta;

Q_DECLARE_METATYPE(QList<korivanta::WordRow>)

namespace {

const QString kWordSound = QStringLiteral("c:\\Trab_zumel\\sonido\\palabras\\w.wav");

void press(ConObj &game, const QString &grapheme)
{
    runHandler([&] { game.Image10_Click(keyFor(grapheme)); });
}

bool wholeMultipleOf25(const Variant &score)
{
    const double v = score.toDouble();
    return std::isfinite(v) && std::fmod(v, 25.0) == 0.0;
}

bool keyboardLocked(GameFixture &f)
{
    for (int k = 0; k < 32; ++k)
        if (!f.shown(QStringLiteral("Image41_%1").arg(k)))
            return false;
    return f.shown("Image7");
}

// Every grapheme of the keyboard, as text.
QStringList graphemes()
{
    QStringList all;
    for (const KeyRow &key : kKeyboard)
        all << QString::fromUtf16(key.grapheme);
    return all;
}

// Number of places where `g` starts in `word`, counted one position at a time.
qsizetype occurrencesOf(const QString &word, const QString &g)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i + g.size() <= word.size(); ++i)
        if (QStringView(word).mid(i, g.size()) == g)
            ++n;
    return n;
}

} // namespace

class TestBadWords : public QObject {
    Q_OBJECT
private slots:
    // One word per case; the learner picks its category, presses the keys
    // given, hears the word, and sees the completion when the mask is full.
    void oddValuesPlayOn_data()
    {
        QTest::addColumn<QList<WordRow>>("rows");
        QTest::addColumn<QString>("createTable");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("tries");
        QTest::addColumn<QString>("spanish");
        QTest::addColumn<QString>("sound");

        using Rows = QList<WordRow>;
        const QStringList misses{"x", "w", "r", "m", "s", "y", "j", "p"};

        QTest::addRow("nom_ay NULL") << Rows{{{}, "sol", "naturaleza", {}, kWordSound}} << QString() << QStringList{"a"}
                                     << ""
                                     << ""
                                     << "0"
                                     << "sol" << kWordSound;
        QTest::addRow("nom_ay empty") << Rows{{"", "sol", "naturaleza", {}, kWordSound}} << QString()
                                      << QStringList{"a", "i"} << ""
                                      << ""
                                      << "0"
                                      << "sol" << kWordSound;
        QTest::addRow("nom_esp NULL") << Rows{{"uta", {}, "naturaleza", {}, kWordSound}} << QString()
                                      << QStringList{"u", "t", "a"} << "uta"
                                      << "uta"
                                      << "3"
                                      << "" << kWordSound;
        QTest::addRow("nom_esp empty") << Rows{{"uta", "", "naturaleza", {}, kWordSound}} << QString()
                                       << QStringList{"x", "u", "t", "a"} << "uta"
                                       << "uta"
                                       << "2"
                                       << "" << kWordSound;
        QTest::addRow("dibujo NULL") << Rows{{"uta", "casa", "naturaleza", {}, kWordSound}} << QString()
                                     << QStringList{"u"} << "uta"
                                     << "u.."
                                     << "3"
                                     << "casa" << kWordSound;
        QTest::addRow("dibujo empty") << Rows{{"uta", "casa", "naturaleza", "", kWordSound}} << QString()
                                      << QStringList{"u"} << "uta"
                                      << "u.."
                                      << "3"
                                      << "casa" << kWordSound;
        QTest::addRow("sonido NULL") << Rows{{"uta", "casa", "naturaleza", {}, {}}} << QString() << QStringList{"t"}
                                     << "uta"
                                     << ".t."
                                     << "3"
                                     << "casa"
                                     << "";
        QTest::addRow("sonido empty") << Rows{{"uta", "casa", "naturaleza", {}, ""}} << QString() << QStringList{"t"}
                                      << "uta"
                                      << ".t."
                                      << "3"
                                      << "casa"
                                      << "";
        QTest::addRow("every field NULL")
            << Rows{{{}, {}, "naturaleza", {}, {}}} << QString() << QStringList{"ch'"} << ""
            << ""
            << "0"
            << ""
            << "";
        // Upper-case letters and spaces are never revealed: the word ends by
        // its tries running out.
        QTest::addRow("upper case") << Rows{{"Inti", "sol", "naturaleza", {}, kWordSound}} << QString()
                                    << QStringList{"i", "n", "t"} + misses.mid(0, 4) << "Inti"
                                    << ".nti"
                                    << "0"
                                    << "sol" << kWordSound;
        QTest::addRow("spaces") << Rows{{"uta uta", "casas", "naturaleza", {}, kWordSound}} << QString()
                                << QStringList{"u", "t", "a"} + misses.mid(0, 7) << "uta uta"
                                << "uta.uta"
                                << "0"
                                << "casas" << kWordSound;
        QTest::addRow("letters no key has") << Rows{{"velo", "velo", "naturaleza", {}, kWordSound}} << QString()
                                            << QStringList{"l", "i", "a", "w", "x"} << "velo"
                                            << "..l."
                                            << "0"
                                            << "velo" << kWordSound;
        QTest::addRow("accented and foreign letters")
            << Rows{{QStringLiteral("caf\u00e9 \u00c5\u00df"), "café", "naturaleza", {}, kWordSound}} << QString()
            << QStringList{"a", "x"} << QStringLiteral("caf\u00e9 \u00c5\u00df") << ".a....."
            << "6" << QStringLiteral("caf\u00e9") << kWordSound;
        // Stored decomposed, read precomposed: the "ä" key finds the letter and
        // the "a" key does not.
        QTest::addRow("NFD word")
            << Rows{{QStringLiteral("ja\u0308"), QStringLiteral("ma\u0301s"), "naturaleza", {}, kWordSound}}
            << QString() << QStringList{"a", "j", QStringLiteral("\u00e4")} << QStringLiteral("j\u00e4")
            << QStringLiteral("j\u00e4") << "1" << QStringLiteral("m\u00e1s") << kWordSound;
        QTest::addRow("NFD sound name")
            << Rows{{"uta", "casa", "naturaleza", {}, QStringLiteral("c:\\Trab_zumel\\sonido\\palabras\\n\u0303a.wav")}}
            << QString() << QStringList{} << "uta"
            << "..."
            << "3"
            << "casa" << QStringLiteral("c:\\Trab_zumel\\sonido\\palabras\\\u00f1a.wav");
        // Lengths count 16-bit units: a character beyond them masks as two.
        QTest::addRow("beyond 16 bits")
            << Rows{{QStringLiteral("uta\U0001F3E0"), QStringLiteral("casa \U0001F3E0"), "naturaleza", {}, kWordSound}}
            << QString() << QStringList{"u", "t", "a"} << QStringLiteral("uta\U0001F3E0") << "uta.."
            << "5" << QStringLiteral("casa \U0001F3E0") << kWordSound;
        QTest::addRow("beyond 16 bits inside")
            << Rows{{QStringLiteral("u\U0001F600\U0001F600a"), "x", "naturaleza", {}, kWordSound}} << QString()
            << QStringList{"a", "u", "i"} << QStringLiteral("u\U0001F600\U0001F600a") << "u....a"
            << "5"
            << "x" << kWordSound;
        QTest::addRow("extra fields")
            << Rows{{"uta", "casa", "naturaleza", {}, kWordSound}}
            << "CREATE TABLE nominal (id INTEGER PRIMARY KEY, nom_ay TEXT, notas TEXT DEFAULT 'n', nom_esp TEXT, "
               "categoria TEXT, foto BLOB DEFAULT x'00ff', dibujo TEXT, sonido TEXT, orden REAL DEFAULT 1.5)"
            << QStringList{"u", "t", "a"} << "uta"
            << "uta"
            << "3"
            << "casa" << kWordSound;
        // Fields without a declared type keep numbers as numbers.
        QTest::addRow("numbers in untyped fields")
            << Rows{{42, 3.5, "naturaleza", 7, 8}}
            << "CREATE TABLE nominal (nom_ay, nom_esp, categoria, dibujo, sonido)" << QStringList{"a"} << "42"
            << ".."
            << "1"
            << "3.5"
            << "8";
        QTest::addRow("bytes that are not UTF-8")
            << Rows{{QByteArray("u\xff\xfe"), QByteArray("\xc3"), "naturaleza", {}, kWordSound}}
            << "CREATE TABLE nominal (nom_ay, nom_esp, categoria, dibujo, sonido)" << QStringList{"u"}
            << QStringLiteral("u\ufffd\ufffd") << "u.."
            << "3" << QStringLiteral("\ufffd") << kWordSound;
    }
    void oddValuesPlayOn()
    {
        QFETCH(QList<WordRow>, rows);
        QFETCH(QString, createTable);
        QFETCH(QStringList, keys);
        QFETCH(QString, palabra);
        QFETCH(QString, mask);
        QFETCH(QString, tries);
        QFETCH(QString, spanish);
        QFETCH(QString, sound);

        GameFixture f({});
        makeWordsDatabase(f.driveC(), rows, createTable);
        const QByteArray before = fileBytes(f.databasePath());
        f.choose(1); // Naturaleza
        ConObj &game = f.aceptar();
        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        QCOMPARE(game.palabra().kind(), Variant::Kind::Text);
        QCOMPARE(game.palabra().toString(), palabra);
        QCOMPARE(f.text("Label12"), palabra);
        QCOMPARE(f.text("Label11"), spanish);
        QCOMPARE(f.text("Text4"), QString::number(palabra.size()));

        for (const QString &g : keys) {
            press(game, g);
            QCOMPARE(game.mascara().size(), palabra.size());
            QVERIFY(wholeMultipleOf25(Modulo1::puntaje));
        }
        QCOMPARE(game.mascara(), mask);
        QCOMPARE(f.text("Text5"), mask);
        QCOMPARE(f.text("Text4"), tries);
        QCOMPARE(keyboardLocked(f), tries == QLatin1String("0"));

        // The hand animation after a hit ends in the completion panel exactly
        // when the whole word shows.
        if (f.marchoso(1).calls.contains(QStringLiteral("Visible=true"))) {
            f.marchoso(1).fireAnimationEnd();
            QCOMPARE(f.shown("Picture1"), mask == palabra);
        }
        // With the tries used up, the answer shows the whole word.
        if (keyboardLocked(f)) {
            runHandler([&] { game.Image7_Click(); });
            QCOMPARE(f.text("Text5"), palabra);
        }

        runHandler([&] { game.Image2_Click(); });
        QCOMPARE(f.sound().played.last(), sound);

        // On to the end of the category, and back to the menu.
        runHandler([&] { game.Image6_Click(); });
        QVERIFY(game.data1().recordset().eof());
        runHandler([&] { game.Image6_Click(); });
        runHandler([&] { game.Image40_Click(); });
        QVERIFY(f.form1().isVisible());
        QVERIFY(!game.isVisible());
        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        QCOMPARE(fileBytes(f.databasePath()), before);
    }

    // The decomposed word can be finished with the "ä" key, and the
    // completion comes.
    void decomposedWordCanBeCompleted()
    {
        GameFixture f({{QStringLiteral("cha\u0308cha"), "x", "animal", {}, {}}});
        f.choose(2); // Animales
        ConObj &game = f.aceptar();
        QCOMPARE(game.palabra().toString(), QStringLiteral("ch\u00e4cha"));
        for (const QString &g : {QStringLiteral("ch"), QStringLiteral("\u00e4"), QStringLiteral("a")})
            press(game, g);
        QCOMPARE(game.mascara(), QStringLiteral("ch\u00e4cha"));
        f.marchoso(1).fireAnimationEnd();
        QVERIFY(f.shown("Picture1"));
        QVERIFY(f.shown("Image6"));
        QVERIFY(f.errors.isEmpty());
    }

    // A word whose key is none of the nine is found only with no category
    // chosen; every menu category is empty then.
    void unknownCategoryOnlyInTheWholeTable_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("found");
        QTest::addRow("none chosen") << 0 << true;
        for (int option = 1; option <= 5; ++option)
            QTest::addRow("option %d", option) << option << false;
    }
    void unknownCategoryOnlyInTheWholeTable()
    {
        QFETCH(int, option);
        QFETCH(bool, found);
        GameFixture f({{"uta", "casa", "planeta", {}, {}},
                       {"anu", "perro", "Animal", {}, {}},
                       {"inti", "sol", " naturaleza", {}, {}},
                       {"uma", "agua", {}, {}, {}}});
        if (option)
            f.choose(option);
        ConObj &game = f.aceptar();
        QVERIFY(f.errors.isEmpty());
        QCOMPARE(game.data1().recordset().eof(), !found);
        QCOMPARE(game.palabra().toString(), found ? QStringLiteral("uta") : QString());
        QCOMPARE(game.mascara().size(), game.palabra().toString().size());
        if (!found) {
            QVERIFY(!f.control("Image6")->isEnabled());
            // The end keeps the tries of the word set up before it: the
            // table's first word, "uta", from the window's load.
            QVERIFY(Modulo1::vidas == 3);
            press(game, "u");
            QCOMPARE(f.text("Text4"), QStringLiteral("2"));
            QCOMPARE(game.mascara(), QString());
        } else {
            QStringList seen;
            while (!game.data1().recordset().eof()) {
                seen << game.palabra().toString();
                runHandler([&] { game.Image6_Click(); });
            }
            QCOMPARE(seen, (QStringList{"uta", "anu", "inti", "uma"}));
        }
        QVERIFY(f.errors.isEmpty());
    }

    // A word of 10,000 characters: every key once; the mask keeps its length,
    // every hit scores 50 plus 25 per occurrence, and the word is spelled out.
    void tenThousandCharacters()
    {
        const QStringList all = graphemes();
        QRandomGenerator random(7);
        QString word;
        while (word.size() < 10000) {
            const QString g = all[random.bounded(int(all.size()))];
            word += word.size() + g.size() <= 10000 ? g : QStringLiteral("a");
        }
        QCOMPARE(word.size(), 10000);

        GameFixture f({{word, "largo", "color", {}, {}}});
        f.choose(3); // Colores
        ConObj &game = f.aceptar();
        QCOMPARE(game.mascara(), QString(10000, QLatin1Char('.')));
        QCOMPARE(f.text("Text4"), QStringLiteral("10000"));

        double expected = 0;
        for (int key = 0; key < int(all.size()); ++key) {
            runHandler([&] { game.Image10_Click(key); });
            QCOMPARE(game.mascara().size(), 10000);
            QVERIFY(wholeMultipleOf25(Modulo1::puntaje));
            const qsizetype n = occurrencesOf(word, all[key]);
            if (n)
                expected += 50 + 25 * n;
        }
        QCOMPARE(Modulo1::puntaje.toDouble(), expected);
        QCOMPARE(f.text("Text3"), QString::number(qint64(expected)));
        QCOMPARE(game.mascara(), word);
        QCOMPARE(f.text("Text5"), word);
        f.marchoso(1).fireAnimationEnd();
        QVERIFY(f.shown("Picture1"));
        QVERIFY(f.errors.isEmpty());
    }

    // A table of 100,000 rows: a category opens on its first row and moves
    // through the next ones in the table's order.
    void hundredThousandRows()
    {
        static const char *const kCategories[] = {"naturaleza", "persona",  "cuerpo", "animal", "ave",
                                                  "insecto",    "alimento", "color",  "hogar"};
        GameFixture f({});
        const QString connection = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(f.databasePath());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(db.transaction());
            QVERIFY(q.prepare(QStringLiteral("INSERT INTO nominal VALUES (?, ?, ?, NULL, NULL)")));
            for (int i = 0; i < 100000; ++i) {
                q.addBindValue(QStringLiteral("uta%1").arg(i));
                q.addBindValue(QStringLiteral("casa %1").arg(i));
                q.addBindValue(QString::fromLatin1(kCategories[i % 9]));
                QVERIFY(q.exec());
            }
            QVERIFY(db.commit());
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
        const QByteArray before = fileBytes(f.databasePath());

        f.choose(2); // Animales: rows 3, 12, 21, …
        ConObj &game = f.aceptar();
        for (int n = 0; n < 5; ++n) {
            QCOMPARE(game.palabra().toString(), QStringLiteral("uta%1").arg(3 + 9 * n));
            QCOMPARE(f.text("Label11"), QStringLiteral("casa %1").arg(3 + 9 * n));
            QCOMPARE(game.mascara().size(), game.palabra().toString().size());
            press(game, "u");
            press(game, "x");
            runHandler([&] { game.Image6_Click(); });
        }
        runHandler([&] { game.Image40_Click(); });
        QCOMPARE(game.palabra().toString(), QStringLiteral("uta0")); // the whole table's first row
        f.choose(5);                                                 // Personas: rows 1, 10, …
        f.aceptar();
        QCOMPARE(game.palabra().toString(), QStringLiteral("uta1"));
        QVERIFY(f.errors.isEmpty());
        QCOMPARE(fileBytes(f.databasePath()), before);
    }
};

QTEST_MAIN(TestBadWords)
#include "tst_bad_words.moc"
