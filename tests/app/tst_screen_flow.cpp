// Start, the two windows and the way between them: which handlers run at each
// showing of the game window, in which order, and how the program ends.
#include "app/modulo1.h"
#include "game/data_control.h"
#include "support/fake_media.h"
#include "support/game_fixture.h"
#include "support/words_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace korivanta;

namespace {

QList<WordRow> words()
{
    return {
        {"inti", "sol", "naturaleza", {}, {}},
        {"anu", "perro", "animal", {}, {}},
        {"phisi", "gato", "animal", {}, {}},
        {"uta", "casa", "hogar", {}, {}},
    };
}

// Records every set-up of a word (the word the bound box showed) from the
// moment the game window is made.
void watchSetups(GameFixture &f, QStringList &log)
{
    f.flow().setConObjCreatedHook([&log](ConObj &game) {
        auto *text2 = game.findChild<QLineEdit *>(QStringLiteral("Text2"));
        game.data1().setRepositionHandler([&game, &log, text2] {
            log << text2->text();
            game.Data1_Reposition();
        });
    });
}

} // namespace

class TestScreenFlow : public QObject {
    Q_OBJECT
private slots:
    void startShowsOnlyTheMenu()
    {
        GameFixture f(words());
        QVERIFY(f.form1().isVisible());
        QVERIFY(!f.flow().conObj());
        QVERIFY(Modulo1::categoriaActual.isUnset());
        QVERIFY(Modulo1::puntaje.isUnset());
        QVERIFY(Modulo1::vidas.isUnset());
        QVERIFY(Modulo1::sonidoPalabra.isUnset());
    }

    // The menu comes first: the sound player and the other outside components
    // are made once the menu has been painted, and only once; an "Aceptar"
    // that came before that paint makes them itself.
    void componentsWaitForTheMenusPaint_data()
    {
        QTest::addColumn<bool>("aceptarBeforePaint");
        QTest::addRow("menu painted, then Aceptar") << false;
        QTest::addRow("Aceptar before the paint") << true;
    }
    void componentsWaitForTheMenusPaint()
    {
        QFETCH(bool, aceptarBeforePaint);
        QTemporaryDir dir;
        makeWordsDatabase(dir.path(), words());
        Modulo1::reset();
        resetProgramEnding();
        QStringList errors;
        setUntrappedErrorReporter([&errors](const UntrappedError &e) { errors << e.description(); });
        int made = 0;
        {
            ScreenFlow flow([&] {
                ++made;
                return fakeMedia(dir.path());
            });
            flow.start();
            QCOMPARE(made, 0);
            if (!aceptarBeforePaint) {
                QVERIFY(QTest::qWaitForWindowExposed(&flow.form1()));
                QTRY_COMPARE(made, 1);
            }
            runHandler([&] { flow.form1().Command1_Click(); });
            QVERIFY(errors.isEmpty());
            QCOMPARE(made, 1);
            QVERIFY(flow.conObj());
            // The instructions still play on the load, through the player made.
            QCOMPARE(recorder(flow.media())->played,
                     QStringList{QStringLiteral("c:\\Trab_zumel\\sonido\\instrucciones\\adivinar_palabra.wav")});
            QTest::qWait(50); // the menu's idle work, if still pending, makes nothing more
            QCOMPARE(made, 1);
        }
        setUntrappedErrorReporter(nullptr);
        resetProgramEnding();
    }

    void firstShowingSetsUpTableThenCategoryTwice()
    {
        GameFixture f(words());
        QStringList setups;
        watchSetups(f, setups);
        f.choose(2); // Animales
        ConObj &game = f.aceptar();
        QVERIFY(f.errors.isEmpty());
        QCOMPARE(setups, (QStringList{"inti", "anu", "anu"}));
        QVERIFY(!f.form1().isVisible());
        QVERIFY(game.isVisible());
        QCOMPARE(f.text("Label3"), QStringLiteral("Animales"));
        // The learner starts on the category's first word with the "." mask.
        QCOMPARE(f.text("Text5"), QStringLiteral("..."));
        QCOMPARE(f.text("Text4"), QStringLiteral("3"));
        QCOMPARE(f.text("Text3"), QStringLiteral("0"));
        QCOMPARE(f.text("Label11"), QStringLiteral("perro"));
        QCOMPARE(f.text("Label12"), QStringLiteral("anu"));
        QCOMPARE(game.palabra().toString(), QStringLiteral("anu"));
        QVERIFY(!f.shown("Image6"));
        QVERIFY(!f.shown("Frame2"));
        // Instructions: the animation, then the sound, once.
        QCOMPARE(f.marchoso(2).calls.mid(f.marchoso(2).calls.indexOf("Visible=true")),
                 (QStringList{"Visible=true", "AnimationFile=c:\\Trab_zumel\\animaciones\\anima_adivina.gif"}));
        QCOMPARE(f.sound().played,
                 QStringList{QStringLiteral("c:\\Trab_zumel\\sonido\\instrucciones\\adivinar_palabra.wav")});
    }

    void laterShowingRunsOnlyActivation()
    {
        GameFixture f(words());
        QStringList setups;
        watchSetups(f, setups);
        f.choose(2);
        ConObj &game = f.aceptar();
        runHandler([&] { game.Image6_Click(); }); // moves on to "phisi"
        setups.clear();
        f.sound().played.clear();
        f.marchoso(2).calls.clear();

        runHandler([&] { game.Image40_Click(); }); // Volver: the whole table again
        QVERIFY(!game.isVisible());
        QVERIFY(f.form1().isVisible());
        QCOMPARE(setups, QStringList{"inti"});
        QCOMPARE(f.text("Text3"), QStringLiteral("0"));
        QVERIFY(Modulo1::puntaje == 0);
        QCOMPARE(Modulo1::puntaje.kind(), Variant::Kind::Integer);
        QVERIFY(Modulo1::categoriaActual == 4); // unchanged

        f.aceptar();
        QCOMPARE(setups, (QStringList{"inti", "anu"}));
        QCOMPARE(game.palabra().toString(), QStringLiteral("anu"));
        QVERIFY(f.sound().played.isEmpty());    // no instructions again
        QVERIFY(f.marchoso(2).calls.isEmpty()); // nor their animation
    }

    void aceptarWithoutChoicePlaysAllWords()
    {
        GameFixture f(words());
        QStringList setups;
        watchSetups(f, setups);
        f.aceptar();
        QCOMPARE(setups, (QStringList{"inti", "inti", "inti"}));
        QCOMPARE(f.text("Label3"), QStringLiteral("PALABRA"));
    }

    void boardTitleStaysForUntitledCodes()
    {
        GameFixture f(words());
        f.choose(2);
        ConObj &game = f.aceptar();
        runHandler([&] { game.Image40_Click(); });
        Modulo1::categoriaActual = std::int16_t(9); // hogar: no title of its own
        f.aceptar();
        QCOMPARE(game.palabra().toString(), QStringLiteral("uta"));
        QCOMPARE(f.text("Label3"), QStringLiteral("Animales"));
    }

    void windowIsMadeOnceAndLoadedOnce()
    {
        GameFixture f(words());
        int made = 0;
        f.flow().setConObjCreatedHook([&](ConObj &) { ++made; });
        ConObj &game = f.aceptar();
        runHandler([&] { game.Image40_Click(); });
        ConObj &again = f.aceptar();
        QCOMPARE(&again, &game);
        QCOMPARE(made, 1);
    }

    void closingEitherWindowEnds_data()
    {
        QTest::addColumn<bool>("fromGame");
        QTest::addRow("menu") << false;
        QTest::addRow("game window") << true;
    }
    void closingEitherWindowEnds()
    {
        QFETCH(bool, fromGame);
        GameFixture f(words());
        if (fromGame)
            f.aceptar().close();
        else
            f.form1().close();
        QVERIFY(f.flow().hasEnded());
        QVERIFY(!f.form1().isVisible());
        if (f.flow().conObj())
            QVERIFY(!f.game().isVisible());
    }

    void salirEnds()
    {
        GameFixture f(words());
        runHandler([&] { f.form1().Command2_Click(); });
        QVERIFY(f.flow().hasEnded());
    }

    void brokenDatabaseStopsTheLoad()
    {
        GameFixture f(words());
        QFile::remove(f.databasePath());
        f.choose(2);
        runHandler([&] { f.form1().Command1_Click(); });
        QCOMPARE(f.errors.size(), 1);
        QVERIFY2(f.errors.front().startsWith(QStringLiteral("3024: ")), qPrintable(f.errors.front()));
        QVERIFY(f.errors.front().contains(QStringLiteral("C:\\Trab_zumel\\diccionario.mdb")));
        // The load stopped at its first step: no instructions were started.
        QVERIFY(f.sound().played.isEmpty());
        QVERIFY(programIsEnding());
    }
};

QTEST_MAIN(TestScreenFlow)
#include "tst_screen_flow.moc"
