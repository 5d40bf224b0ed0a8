// Setting up each word: mask, tries, picture, sound reference, overlays and
// the next-word hotspot, at a record and at the end of the record set.
#include "app/modulo1.h"
#include "game/data_control.h"
#include "game/image_control.h"
#include "support/game_fixture.h"
#include "support/keys.h"

#include <QTest>

using namespace korivanta;

namespace {

const QString kPicA = QStringLiteral("c:\\Trab_zumel\\dibujos\\a.bmp");
const QString kPicB = QStringLiteral("c:\\Trab_zumel\\dibujos\\b.bmp");

QColor pictureColour(GameFixture &f)
{
    const QPixmap p = f.control<ImageControl>(QStringLiteral("Image4"))->picture();
    return p.isNull() ? QColor() : p.toImage().pixelColor(1, 1);
}

bool anyOverlayShown(GameFixture &f)
{
    for (int k = 0; k < 32; ++k)
        if (f.shown(QStringLiteral("Image41_%1").arg(k)))
            return true;
    return false;
}

} // namespace

class TestWordSetup : public QObject {
    Q_OBJECT
private slots:
    void setupPerRecord_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("tries");
        QTest::addRow("plain") << "inti"
                               << "...."
                               << "4";
        QTest::addRow("ch' counts three") << "ch'uqi"
                                          << "......"
                                          << "6";
        QTest::addRow("precomposed letters count one") << QStringLiteral("\u00F1ik'uta") << "......."
                                                       << "7";
        QTest::addRow("long vowel") << QStringLiteral("j\u00E4") << ".."
                                    << "2";
        QTest::addRow("empty word") << ""
                                    << ""
                                    << "0";
    }
    void setupPerRecord()
    {
        QFETCH(QString, word);
        QFETCH(QString, mask);
        QFETCH(QString, tries);
        GameFixture f({{word, "x", "animal", {}, "c:\\Trab_zumel\\sonido\\palabras\\w.wav"}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QCOMPARE(game.mascara(), mask);
        QCOMPARE(f.text("Text5"), mask);
        QCOMPARE(f.text("Text4"), tries);
        QCOMPARE(Modulo1::vidas.kind(), Variant::Kind::Long);
        QCOMPARE(Modulo1::sonidoPalabra.toString(), QStringLiteral("c:\\Trab_zumel\\sonido\\palabras\\w.wav"));
        QCOMPARE(f.text("Label12"), word);
    }

    void pictureLoadedKeptOrCleared()
    {
        GameFixture f({
            {"inti", "sol", "animal", kPicA, {}},
            {"anu", "perro", "animal", "", {}},                                         // keeps the last picture
            {"uma", "agua", "animal", kPicB, {}},                                       // a new one
            {"uta", "casa", "animal", "c:\\Trab_zumel\\dibujos\\falta.bmp", {}},        // missing file
            {"kayu", "pie", "animal", "c:\\Trab_zumel\\dibujos\\no_es_dibujo.bmp", {}}, // not a picture
        });
        writePicture(f.driveC() + QStringLiteral("/Trab_zumel/dibujos/a.bmp"), 20, 10, Qt::red);
        writePicture(f.driveC() + QStringLiteral("/Trab_zumel/dibujos/b.bmp"), 20, 10, Qt::blue);
        QFile junk(f.driveC() + QStringLiteral("/Trab_zumel/dibujos/no_es_dibujo.bmp"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("BM not really a bitmap");
        junk.close();

        f.choose(2);
        ConObj &game = f.aceptar();
        QCOMPARE(pictureColour(f), QColor(Qt::red));
        runHandler([&] { game.Image6_Click(); });
        QCOMPARE(pictureColour(f), QColor(Qt::red));
        runHandler([&] { game.Image6_Click(); });
        QCOMPARE(pictureColour(f), QColor(Qt::blue));
        // A picture that cannot be read leaves the frame empty, and the rest
        // of the set-up still happens.
        Modulo1::sonidoPalabra = QStringLiteral("stale");
        runHandler([&] { game.Image6_Click(); });
        QVERIFY(f.errors.isEmpty());
        QVERIFY(!pictureColour(f).isValid());
        QCOMPARE(f.text("Text4"), QStringLiteral("3"));
        QCOMPARE(Modulo1::sonidoPalabra.toString(), QString());
        runHandler([&] { game.Image6_Click(); });
        QVERIFY(f.errors.isEmpty());
        QVERIFY(!pictureColour(f).isValid());
        QCOMPARE(f.text("Text4"), QStringLiteral("4"));
    }

    void newWordClearsTheKeyboard()
    {
        GameFixture f({{"inti", "sol", "animal", {}, {}}, {"uma", "agua", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        runHandler([&] { game.Image10_Click(keyFor("x")); });
        runHandler([&] { game.Image10_Click(keyFor("i")); });
        QVERIFY(anyOverlayShown(f));
        runHandler([&] { game.Image6_Click(); });
        QVERIFY(!anyOverlayShown(f));
        QVERIFY(!f.shown("Image6"));
        QCOMPARE(f.text("Text4"), QStringLiteral("3"));
        QVERIFY(Modulo1::puntaje == 100); // the score is kept: "i" twice in "inti"
    }

    void endOfRecordSet()
    {
        GameFixture f({{"inti", "sol", "animal", kPicA, "c:\\s.wav"}});
        writePicture(f.driveC() + QStringLiteral("/Trab_zumel/dibujos/a.bmp"), 20, 10, Qt::red);
        f.choose(2);
        ConObj &game = f.aceptar();
        runHandler([&] { game.Image10_Click(keyFor("x")); }); // one try used
        runHandler([&] { game.Image6_Click(); });             // past the last word
        QVERIFY(game.data1().recordset().eof());
        QCOMPARE(game.mascara(), QString());
        QCOMPARE(Modulo1::sonidoPalabra.toString(), QString());
        QCOMPARE(pictureColour(f), QColor(Qt::red));    // picture kept
        QCOMPARE(f.text("Text4"), QStringLiteral("3")); // tries kept
        QVERIFY(!anyOverlayShown(f));
        QVERIFY(!f.control(QStringLiteral("Image6"))->isEnabled());
        QVERIFY(!f.shown("Image6"));
    }

    // After a category has run out, the next category's "Siguiente" works.
    void siguienteWorksAgainInTheNextCategory()
    {
        GameFixture f({{"inti", "sol", "naturaleza", {}, {}},
                       {"anu", "perro", "animal", {}, {}},
                       {"phisi", "gato", "animal", {}, {}}});
        f.choose(1);
        ConObj &game = f.aceptar();
        runHandler([&] { game.Image6_Click(); }); // to the end of Naturaleza
        QVERIFY(!f.control(QStringLiteral("Image6"))->isEnabled());
        runHandler([&] { game.Image40_Click(); });
        f.choose(2);
        f.aceptar();
        QVERIFY(f.control(QStringLiteral("Image6"))->isEnabled());
        runHandler([&] { game.Image6_Click(); });
        QCOMPARE(game.palabra().toString(), QStringLiteral("phisi"));
    }

    void emptyCategoryStartsAtItsEnd()
    {
        GameFixture f({{"inti", "sol", "naturaleza", {}, {}}});
        f.choose(5); // Personas: no words
        ConObj &game = f.aceptar();
        QVERIFY(game.data1().recordset().eof());
        QCOMPARE(f.text("Label3"), QStringLiteral("Personas"));
        QVERIFY(!f.control(QStringLiteral("Image6"))->isEnabled());
        QCOMPARE(f.text("Text5"), QString());
    }
};

QTEST_MAIN(TestWordSetup)
#include "tst_word_setup.moc"
