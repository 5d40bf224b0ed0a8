// A key press: the key is greyed, its grapheme spoken, then looked up in the
// word; hits reveal and score, misses cost tries, and no tries lock the keys.
#include "app/modulo1.h"
#include "game/keyboard_table.h"
#include "support/game_fixture.h"
#include "support/keys.h"

#include <QPalette>
#include <QTest>

using namespace korivanta;

namespace {

void press(ConObj &game, const QString &grapheme)
{
    runHandler([&] { game.Image10_Click(keyFor(grapheme)); });
}

int shownOverlays(GameFixture &f)
{
    int n = 0;
    for (int k = 0; k < 32; ++k)
        n += f.shown(QStringLiteral("Image41_%1").arg(k));
    return n;
}

} // namespace

class TestGuessEvaluation : public QObject {
    Q_OBJECT
private slots:
    void guesses_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("score");
        QTest::addColumn<QString>("tries");
        QTest::addRow("single hit") << "anu" << QStringList{"n"} << ".n."
                                    << "75"
                                    << "3";
        QTest::addRow("two occurrences") << "wawa" << QStringList{"a"} << ".a.a"
                                         << "100"
                                         << "4";
        QTest::addRow("overlapping ll") << "alllu" << QStringList{"ll"} << ".lll."
                                        << "100"
                                        << "5";
        QTest::addRow("t inside th") << "thaya" << QStringList{"t"} << "t...."
                                     << "75"
                                     << "5";
        QTest::addRow("t inside t'") << "t'ant'a" << QStringList{"t"} << "t...t.."
                                     << "100"
                                     << "7";
        QTest::addRow("a does not find a with diaeresis") << QStringLiteral("j\u00E4") << QStringList{"a"} << ".."
                                                          << "0"
                                                          << "1";
        QTest::addRow("n does not find n with tilde") << QStringLiteral("\u00F1a") << QStringList{"n"} << ".."
                                                      << "0"
                                                      << "1";
        QTest::addRow("upper case never found") << "Inti" << QStringList{"i"} << "...i"
                                                << "75"
                                                << "4";
        QTest::addRow("hit on a revealed grapheme scores again") << "chhichhi" << QStringList{"chh", "ch"} << "chh.chh."
                                                                 << "200"
                                                                 << "8";
        QTest::addRow("miss") << "uma" << QStringList{"x"} << "..."
                              << "0"
                              << "2";
        QTest::addRow("whole word") << "ch'uqi" << QStringList{"ch'", "u", "q", "i"} << "ch'uqi"
                                    << "300"
                                    << "6";
        QTest::addRow("empty word: every key misses") << "" << QStringList{"a"} << ""
                                                      << "0"
                                                      << "0";
    }
    void guesses()
    {
        QFETCH(QString, word);
        QFETCH(QStringList, keys);
        QFETCH(QString, mask);
        QFETCH(QString, score);
        QFETCH(QString, tries);
        GameFixture f({{word, "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        for (const QString &k : keys)
            press(game, k);
        QCOMPARE(game.mascara(), mask);
        QCOMPARE(f.text("Text5"), mask);
        QCOMPARE(game.mascara().size(), word.size());
        QCOMPARE(f.text("Text3"), score);
        QCOMPARE(f.text("Text4"), tries);
        QCOMPARE(shownOverlays(f), tries == QLatin1String("0") ? 32 : int(keys.size()));
    }

    void scoreIsAWholeNumberShownAsDigits()
    {
        GameFixture f({{"wawa", "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QCOMPARE(Modulo1::puntaje.kind(), Variant::Kind::Integer);
        press(game, "w");
        QCOMPARE(Modulo1::puntaje.kind(), Variant::Kind::Double);
        QCOMPARE(f.text("Text3"), QStringLiteral("100"));
        press(game, "a");
        QCOMPARE(f.text("Text3"), QStringLiteral("200"));
    }

    void hitShowsSignAndHand()
    {
        GameFixture f({{"anu", "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        FakeAnimationPlayer &hand = f.marchoso(1);
        hand.calls.clear();
        press(game, "a");
        QVERIFY(f.shown("Image73"));
        QVERIFY(!f.shown("Image74"));
        QCOMPARE(hand.calls, (QStringList{"Visible=true", "AnimationFile=c:\\Trab_zumel\\la_mano.gif"}));
        press(game, "u"); // every hit sets the animation again
        QCOMPARE(hand.calls.size(), 4);
    }

    void missShowsSignAndCostsATry()
    {
        GameFixture f({{"anu", "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        f.marchoso(1).calls.clear();
        press(game, "k");
        QVERIFY(f.shown("Image74"));
        QVERIFY(!f.shown("Image73"));
        QVERIFY(f.marchoso(1).calls.isEmpty());
        QCOMPARE(Modulo1::vidas.kind(), Variant::Kind::Long);
        QVERIFY(!f.shown("Image7"));
    }

    void lastTryLocksTheKeyboard()
    {
        GameFixture f({{"uma", "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        press(game, "x");
        press(game, "k");
        QCOMPARE(shownOverlays(f), 2);
        QVERIFY(!f.shown("Image7"));
        press(game, "p");
        QCOMPARE(f.text("Text4"), QStringLiteral("0"));
        QVERIFY(f.shown("Image7"));
        QCOMPARE(shownOverlays(f), 32);
    }

    // At the end of a record set the last word's tries are kept: misses there
    // stop at 0 and lock the keyboard, never showing negative tries.
    void triesNeverGoBelowZero()
    {
        GameFixture f({{"uma", "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        for (const char *g : {"x", "k", "p"})
            press(game, g);
        runHandler([&] { game.Image7_Click(); });
        runHandler([&] { game.Image6_Click(); }); // to the end position
        QCOMPARE(shownOverlays(f), 0);
        press(game, "a");
        QCOMPARE(f.text("Text4"), QStringLiteral("0"));
        QVERIFY(Modulo1::vidas == 0);
        QCOMPARE(shownOverlays(f), 32);
        QVERIFY(f.shown("Image7"));
    }

    void soundPathAndOrderOfCalls_data()
    {
        QTest::addColumn<QString>("grapheme");
        QTest::addColumn<QString>("path");
        QTest::addRow("ch'") << "ch'" << QStringLiteral("c:\\Trab_zumel\\grafemario\\ch'.wav");
        QTest::addRow("ñ") << QStringLiteral("\u00F1") << QStringLiteral("c:\\Trab_zumel\\grafemario\\\u00F1.wav");
        QTest::addRow("ä") << QStringLiteral("\u00E4") << QStringLiteral("c:\\Trab_zumel\\grafemario\\\u00E4.wav");
        QTest::addRow("chh") << "chh" << QStringLiteral("c:\\Trab_zumel\\grafemario\\chh.wav");
    }
    void soundPathAndOrderOfCalls()
    {
        QFETCH(QString, grapheme);
        QFETCH(QString, path);
        GameFixture f({{"anu", "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        f.sound().played.clear();
        // The key is greyed before its sound is asked for, and the word is
        // searched after (the hit sign is not up yet).
        const int key = keyFor(grapheme);
        const QString overlay = QStringLiteral("Image41_%1").arg(kKeyboard[key].overlay);
        bool overlayShown = false, signShown = true;
        f.sound().onPlay = [&](const QString &) {
            overlayShown = f.shown(overlay);
            signShown = f.shown("Image73") || f.shown("Image74");
        };
        runHandler([&] { game.Image10_Click(key); });
        QCOMPARE(f.sound().played, QStringList{path});
        QVERIFY(overlayShown);
        QVERIFY(!signShown);
    }

    void maskBoxColourIsSetAgain()
    {
        GameFixture f({{"anu", "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        press(game, "k");
        QCOMPARE(f.control(QStringLiteral("Text5"))->palette().color(QPalette::Base), QColor(192, 255, 192));
    }
};

QTEST_MAIN(TestGuessEvaluation)
#include "tst_guess_evaluation.moc"
