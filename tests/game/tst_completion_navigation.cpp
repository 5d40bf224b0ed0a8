// The end of the hand animation and the completion panel; the short-lived
// feedback; Sonido, Siguiente, Respuesta and Volver.
#include "app/modulo1.h"
#include "game/data_control.h"
#include "support/game_fixture.h"
#include "support/keys.h"
#include "support/media_fixtures.h"
#include "support/stderr_capture.h"

#include <QSignalSpy>
#include <QTest>

using namespace korivanta;

namespace {

const QString kPraise = QStringLiteral("c:\\Trab_zumel\\sonido\\bien.wav");

void press(ConObj &game, const QString &grapheme)
{
    runHandler([&] { game.Image10_Click(keyFor(grapheme)); });
}

void animationEnds(GameFixture &f)
{
    f.marchoso(1).fireAnimationEnd();
}

// Counts the times a control is shown.
class ShowCounter : public QObject {
public:
    explicit ShowCounter(QWidget *w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            ++count;
        return false;
    }
};

QList<WordRow> twoAnimals()
{
    return {{"anu", "perro", "animal", {}, "c:\\Trab_zumel\\sonido\\palabras\\anu.wav"},
            {"phisi", "gato", "animal", {}, ""}};
}

} // namespace

class TestCompletionNavigation : public QObject {
    Q_OBJECT
private slots:
    void completionOnlyWhenTheMaskBoxShowsTheWord()
    {
        GameFixture f(twoAnimals());
        f.choose(2);
        ConObj &game = f.aceptar();
        f.sound().played.clear();
        press(game, "a");
        animationEnds(f);
        QVERIFY(!f.shown("Marchoso1"));
        QVERIFY(!f.shown("Picture1"));
        QVERIFY(!f.shown("Image6"));
        press(game, "n");
        press(game, "u");
        f.sound().played.clear();
        f.sound().onPlay = [&](const QString &) { QVERIFY(f.shown("Picture1") && !f.shown("Image6")); };
        animationEnds(f);
        QVERIFY(!f.shown("Marchoso1"));
        QVERIFY(f.shown("Picture1"));
        QCOMPARE(f.sound().played, QStringList{kPraise});
        QVERIFY(f.shown("Image6"));
        QCOMPARE(f.text("Label11"), QStringLiteral("perro"));
        QCOMPARE(f.text("Label12"), QStringLiteral("anu"));
    }

    void hitOnAFinishedWordRepeatsTheFeedback()
    {
        GameFixture f({{"chhichhi", "granizo", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        press(game, "chh");
        press(game, "i");
        animationEnds(f);
        runHandler([&] { game.Command1_Click(); }); // "wali"
        QVERIFY(!f.shown("Picture1"));
        f.sound().played.clear();
        press(game, "ch");
        animationEnds(f);
        QVERIFY(f.shown("Picture1"));
        QCOMPARE(f.sound().played.last(), kPraise);
    }

    // Two correct keys within one pass of the hand: the second setting of the
    // hand replaces the first, which raises no end; the hand stays shown until
    // its pass has played, and the finished word gets one panel and one
    // praise, also once the panel has been closed.
    void twoQuickHitsGiveOneCompletion_data()
    {
        QTest::addColumn<bool>("realPlayer");
        QTest::newRow("recording players") << false;
        QTest::newRow("real players") << true;
    }

    void twoQuickHitsGiveOneCompletion()
    {
        QFETCH(bool, realPlayer);
        StderrCapture capture; // the real instruction player warns of its missing GIF
        GameFixture f({{"awa", "agua", "animal", {}, {}}},
                      realPlayer ? GameFixture::Players::Real : GameFixture::Players::Recording);
        // A hand of two frames, 150 ms each, looping.
        writeFile(f.driveC() + QStringLiteral("/Trab_zumel/la_mano.gif"),
                  gifBytes(8, 8, {{Qt::red, 150}, {Qt::blue, 150}}, 0));
        f.choose(2);
        ConObj &game = f.aceptar();
        auto *hand = f.control<AnimationPlayer>(QStringLiteral("Marchoso1"));
        QSignalSpy ends(hand, &AnimationPlayer::AnimationEnd);
        ShowCounter panels(f.control(QStringLiteral("Picture1")));
        f.sound().played.clear();

        press(game, "a");
        press(game, "w"); // the word is whole now
        QCoreApplication::processEvents();
        QVERIFY(f.shown("Marchoso1"));
        QCOMPARE(ends.count(), 0);
        QVERIFY(!f.shown("Picture1"));

        // The pass now playing is seen to its end.
        if (realPlayer)
            QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 10000);
        else
            QVERIFY(f.marchoso(1).fireAnimationEnd());
        QVERIFY(!f.shown("Marchoso1"));
        QVERIFY(f.shown("Picture1"));
        QCOMPARE(f.sound().played.count(kPraise), 1);
        runHandler([&] { game.Command1_Click(); }); // "wali"

        // Nothing more comes: no end of the interrupted pass.
        if (realPlayer)
            QTest::qWait(700);
        else
            QVERIFY(!f.marchoso(1).fireAnimationEnd());
        QCOMPARE(ends.count(), 1);
        QCOMPARE(panels.count, 1);
        QVERIFY(!f.shown("Picture1"));
        QCOMPARE(f.sound().played.count(kPraise), 1);
        QVERIFY(f.errors.isEmpty());
        capture.finish();
    }

    void animationEndAfterRespuestaGivesTheFeedback()
    {
        GameFixture f(twoAnimals());
        f.choose(2);
        ConObj &game = f.aceptar();
        press(game, "a");
        runHandler([&] { game.Image7_Click(); });
        QCOMPARE(f.text("Text5"), QStringLiteral("anu"));
        animationEnds(f);
        QVERIFY(f.shown("Picture1"));
    }

    void respuestaShowsTheWordOnly()
    {
        GameFixture f(twoAnimals());
        f.choose(2);
        ConObj &game = f.aceptar();
        press(game, "k");
        runHandler([&] { game.Image7_Click(); });
        QCOMPARE(f.text("Text5"), QStringLiteral("anu"));
        QCOMPARE(game.mascara(), QStringLiteral("..."));
        QCOMPARE(f.text("Text4"), QStringLiteral("2"));
        QCOMPARE(f.text("Text3"), QStringLiteral("0"));
        press(game, "n"); // the next key writes the mask back
        QCOMPARE(f.text("Text5"), QStringLiteral(".n."));
    }

    // A word whose tries ran out is left through its answer and Siguiente.
    void lostWordIsLeftThroughRespuestaAndSiguiente()
    {
        GameFixture f(twoAnimals());
        f.choose(2);
        ConObj &game = f.aceptar();
        for (const char *g : {"k", "p", "t"})
            press(game, g);
        QVERIFY(f.shown("Image7"));
        QVERIFY(!f.shown("Image6"));
        runHandler([&] { game.Image7_Click(); });
        QVERIFY(f.shown("Image6"));
        QVERIFY(f.shown("Image7"));
        runHandler([&] { game.Image6_Click(); });
        QCOMPARE(game.palabra().toString(), QStringLiteral("phisi"));
        QVERIFY(!f.shown("Image6"));
        QVERIFY(!f.shown("Image7"));
    }

    void siguienteToTheEndAndAtTheEnd()
    {
        GameFixture f(twoAnimals());
        f.choose(2);
        ConObj &game = f.aceptar();
        runHandler([&] { game.Image6_Click(); });
        QCOMPARE(game.palabra().toString(), QStringLiteral("phisi"));
        QVERIFY(f.control(QStringLiteral("Image6"))->isEnabled());
        runHandler([&] { game.Image6_Click(); }); // past the last word
        QVERIFY(game.data1().recordset().eof());
        QVERIFY(!f.control(QStringLiteral("Image6"))->isEnabled());
        runHandler([&] { game.Image6_Click(); }); // at the end: no move, no error
        QVERIFY(f.errors.isEmpty());
        QVERIFY(!f.shown("Image6"));
        QVERIFY(!f.shown("Image7"));
    }

    void sonidoPassesTheWordsSoundUnchanged()
    {
        GameFixture f(twoAnimals());
        f.choose(2);
        ConObj &game = f.aceptar();
        f.sound().played.clear();
        runHandler([&] { game.Image2_Click(); });
        runHandler([&] { game.Image6_Click(); });
        runHandler([&] { game.Image2_Click(); }); // a word without sound
        QCOMPARE(f.sound().played, (QStringList{"c:\\Trab_zumel\\sonido\\palabras\\anu.wav", QString()}));
    }

    void volverThenAceptarStartsTheCategoryAgain()
    {
        GameFixture f(twoAnimals());
        f.choose(2);
        ConObj &game = f.aceptar();
        press(game, "a");
        runHandler([&] { game.Image6_Click(); });
        for (const char *g : {"k", "t", "m", "r", "l"})
            press(game, g);
        QVERIFY(f.shown("Image7"));
        runHandler([&] { game.Image40_Click(); });
        QVERIFY(f.form1().isVisible());
        QVERIFY(!game.isVisible());
        f.aceptar();
        QCOMPARE(game.palabra().toString(), QStringLiteral("anu"));
        QCOMPARE(f.text("Text3"), QStringLiteral("0"));
        QVERIFY(f.shown("Image7")); // kept from before
        press(game, "a");
        QCOMPARE(f.text("Text3"), QStringLiteral("75"));
    }

    void pointerMovesHideFeedback()
    {
        GameFixture f(twoAnimals());
        f.choose(2);
        ConObj &game = f.aceptar();
        press(game, "a");
        press(game, "k");
        QVERIFY(f.shown("Image73") && f.shown("Image74"));
        runHandler([&] { game.Image10_MouseMove(0); });
        QVERIFY(!f.shown("Image73") && !f.shown("Image74"));
        press(game, "n");
        press(game, "u");
        animationEnds(f);
        QVERIFY(f.shown("Picture1"));
        runHandler([&] { game.Image1_MouseMove(); });
        QVERIFY(!f.shown("Picture1"));
    }

    void instructionRectangle_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<bool>("hides");
        QTest::addRow("inside") << 4000.0f << 5000.0f << true;
        QTest::addRow("left border") << 800.0f << 5000.0f << false;
        QTest::addRow("right border") << 7900.0f << 5000.0f << false;
        QTest::addRow("top border") << 4000.0f << 2640.0f << false;
        QTest::addRow("bottom border") << 4000.0f << 8000.0f << false;
        QTest::addRow("just inside the corner") << 800.5f << 2640.5f << true;
        QTest::addRow("above") << 4000.0f << 1000.0f << false;
        QTest::addRow("right of it") << 9000.0f << 5000.0f << false;
    }
    void instructionRectangle()
    {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(bool, hides);
        GameFixture f(twoAnimals());
        ConObj &game = f.aceptar();
        QVERIFY(f.shown("Marchoso2"));
        runHandler([&] { game.Form_MouseMove(x, y); });
        QCOMPARE(!f.shown("Marchoso2"), hides);
    }
};

QTEST_MAIN(TestCompletionNavigation)
#include "tst_completion_navigation.moc"
