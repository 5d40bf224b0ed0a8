// A bounded monkey: a fixed seed drives many random events against the real
// windows (clicks and pointer moves delivered through the window system, so
// stacking decides who gets them; ends of the hand animation; handlers called
// directly). After every event the game's invariants must hold.
#define QTEST_QPA_MOUSE_HANDLING
#include "app/modulo1.h"
#include "game/data_control.h"
#include "menu/form1.h"
#include "support/game_fixture.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace korivanta;

namespace {

int s_qtComplaints = 0;
QtMessageHandler s_previousHandler = nullptr;

// Every warning counts, except the offscreen platform's notes on what it
// cannot do (a right click on a text box opens its context menu, which asks
// the platform to raise the popup and grab the keyboard).
void countComplaints(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const bool platformNote = message.startsWith(QLatin1String("This plugin does not support"));
    if ((type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) && !platformNote)
        ++s_qtComplaints;
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}

unsigned envNumber(const char *name, unsigned fallback)
{
    bool ok = false;
    const unsigned v = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? v : fallback;
}

const QString kPraise = QStringLiteral("c:\\Trab_zumel\\sonido\\bien.wav");

QList<WordRow> realWords()
{
    auto pic = [](const char *name) { return QStringLiteral("c:\\Trab_zumel\\dibujos\\%1.bmp").arg(name); };
    auto snd = [](const char *name) { return QStringLiteral("c:\\Trab_zumel\\sonido\\palabras\\%1.wav").arg(name); };
    return {
        {"inti", "sol", "naturaleza", pic("inti"), snd("inti")},
        {"qullu", "cerro", "naturaleza", pic("qullu"), snd("qullu")},
        {"chacha", "hombre", "persona", pic("chacha"), snd("chacha")},
        {"warmi", "mujer", "persona", "", ""},
        {"anu", "perro", "animal", pic("anu"), snd("anu")},
        {"wank'u", "conejo", "animal", pic("falta"), snd("wank'u")},
        {"k'uti", "pulga", "insecto", pic("k'uti"), {}},
        {"chhichhillankha", "mosca", "insecto", {}, snd("chhichhillankha")},
        {"ch'iyara", "negro", "color", pic("ch'iyara"), snd("ch'iyara")},
        {QStringLiteral("ch'ux\u00f1a"), "verde", "color", pic("ch'uxna"), snd("ch'uxna")},
        {"kunturi", QStringLiteral("c\u00f3ndor"), "ave", pic("kunturi"), snd("kunturi")},
    };
}

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { s_previousHandler = qInstallMessageHandler(countComplaints); }
    void cleanupTestCase() { qInstallMessageHandler(s_previousHandler); }

    void randomEventsKeepTheGameWhole()
    {
        const quint32 seed = envNumber("KORIVANTA_MONKEY_SEED", 20240613);
        const int events = int(envNumber("KORIVANTA_MONKEY_EVENTS", 100000));
        QRandomGenerator random(seed);

        GameFixture f(realWords());
        const Qt::GlobalColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
        int c = 0;
        for (const char *name : {"inti", "qullu", "chacha", "anu", "k'uti", "ch'iyara", "kunturi"})
            writePicture(f.driveC() + QStringLiteral("/Trab_zumel/dibujos/%1.bmp").arg(name), 60, 45, colours[c++ % 5]);
        const QByteArray databaseBefore = fileBytes(f.databasePath());

        // Every set-up of a word passes here: the tries of the new word are
        // the mark that they may only go down from.
        double wordTries = 0;
        int setups = 0;
        f.flow().setConObjCreatedHook([&](ConObj &game) {
            game.data1().setRepositionHandler([&] {
                game.Data1_Reposition();
                wordTries = Modulo1::vidas.toDouble();
                ++setups;
            });
        });

        const QRect salir = f.form1().findChild<QPushButton *>(QStringLiteral("Command2"))->geometry();
        int clicks = 0, soundsFromClicks = 0, moves = 0, animationEnds = 0, handlerCalls = 0, showings = 0;
        QElapsedTimer clock;
        clock.start();

        auto shownWindow = [&]() -> QWidget * {
            ConObj *game = f.flow().conObj();
            return game && game->isVisible() ? static_cast<QWidget *>(game) : &f.form1();
        };
        // A point of the shown window: anywhere, or inside one of its shown
        // controls; never on "Salir".
        auto randomPoint = [&](QWidget *window) {
            for (;;) {
                QPoint p(random.bounded(window->width()), random.bounded(window->height()));
                if (random.bounded(2)) {
                    const QList<QWidget *> children = window->findChildren<QWidget *>();
                    QWidget *child = children.value(random.bounded(int(children.size())));
                    // A popup (a text box's context menu) is a window of its own:
                    // its points are not the window's.
                    if (child && !child->isWindow() && child->isVisibleTo(window) && child->width() > 0 &&
                        child->height() > 0)
                        p = child->mapTo(window,
                                         QPoint(random.bounded(child->width()), random.bounded(child->height())));
                }
                if (!(window == &f.form1() && salir.contains(p)))
                    return p;
            }
        };
        auto directCall = [&](QWidget *window) {
            if (window == &f.form1()) {
                if (random.bounded(4) == 0)
                    runHandler([&] { f.form1().Command1_Click(); });
                else
                    runHandler([&] { f.form1().optionClick(1 + random.bounded(5)); });
                return;
            }
            ConObj &game = *f.flow().conObj();
            const int index = random.bounded(-1, 33); // one past each end as well
            switch (random.bounded(14)) {
            case 0:
            case 1:
            case 2:
            case 3: runHandler([&] { game.Image10_Click(index); }); break;
            case 4: runHandler([&] { game.Image2_Click(); }); break;
            case 5: runHandler([&] { game.Image6_Click(); }); break;
            case 6: runHandler([&] { game.Image7_Click(); }); break;
            case 7: runHandler([&] { game.Image5_Click(); }); break;
            case 8: runHandler([&] { game.Command38_Click(); }); break;
            case 9: runHandler([&] { game.Image75_Click(index); }); break;
            case 10: runHandler([&] { game.Command1_Click(); }); break;
            case 11: runHandler([&] { game.Image10_MouseMove(index); }); break;
            case 12:
                runHandler([&] { game.Form_MouseMove(float(random.bounded(12000)), float(random.bounded(9000))); });
                break;
            case 13:
                if (random.bounded(10) == 0)
                    runHandler([&] { game.Image40_Click(); });
                else
                    runHandler([&] { game.Marchoso1_AnimationEnd(0); });
                break;
            }
        };

        for (int n = 1; n <= events; ++n) {
            QWidget *window = shownWindow();
            const bool gameWasShown = window != &f.form1();
            const int roll = random.bounded(100);
            if (roll < 50) {
                const Qt::MouseButton button = random.bounded(10) ? Qt::LeftButton : Qt::RightButton;
                const qsizetype heard = f.sound().played.size();
                QTest::mouseClick(window, button, {}, randomPoint(window));
                ++clicks;
                soundsFromClicks += int(f.sound().played.size() - heard);
            } else if (roll < 75) {
                QTest::mouseMove(window, randomPoint(window));
                ++moves;
            } else if (roll < 85 && f.flow().conObj()) {
                if (f.marchoso(1).fireAnimationEnd())
                    ++animationEnds;
            } else {
                directCall(window);
                ++handlerCalls;
            }

            // The invariants.
            const auto fail = [&](const char *what) {
                QFAIL(qPrintable(QStringLiteral("event %1 of seed %2: %3").arg(n).arg(seed).arg(what)));
            };
            if (!f.errors.isEmpty())
                return fail(qPrintable(f.errors.join('\n')));
            if (s_qtComplaints)
                return fail("a Qt warning");
            ConObj *game = f.flow().conObj();
            if (f.form1().isVisible() == (game && game->isVisible()))
                return fail("not exactly one window shown");
            if (game && !gameWasShown && game->isVisible())
                ++showings;
            const Variant &palabra = game ? game->palabra() : Variant();
            if (palabra.kind() == Variant::Kind::Text && game->mascara().size() != palabra.toString().size())
                return fail("the mask and the word differ in length");
            const double score = Modulo1::puntaje.toDouble();
            if (!std::isfinite(score) || std::fmod(score, 25.0) != 0.0 || score < 0)
                return fail("the score is not a whole multiple of 25");
            const double tries = Modulo1::vidas.toDouble();
            if (tries > wordTries || tries < 0)
                return fail("the tries rose within a word");
            wordTries = tries;
        }
        const qint64 ms = clock.elapsed();
        const int completions = int(f.sound().played.count(kPraise));
        qInfo("monkey: seed %u, %d events in %lld ms: %d clicks, %d pointer moves, %d animation ends, "
              "%d direct handler calls; %d sounds played by clicks, %d words set up, %d showings of the game, "
              "%d completions",
              seed, events, ms, clicks, moves, animationEnds, handlerCalls, soundsFromClicks, setups, showings,
              completions);

        QVERIFY(f.errors.isEmpty());
        QCOMPARE(s_qtComplaints, 0);
        QCOMPARE(fileBytes(f.databasePath()), databaseBefore);
        // The run did reach the game and its words, not only the menu.
        QVERIFY(showings > 0);
        QVERIFY(setups > 3);
    }
};

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
