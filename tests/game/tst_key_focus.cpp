// Playing the game window from the keyboard alone: the arrows move between
// keys by where they lie, typed graphemes and Enter press keys through the
// same handler as a click, Tab reaches the round buttons shown, Escape closes
// the chart and the completion panel, and the focus ring shows only while
// the keyboard is in use.
#include "app/modulo1.h"
#include "game/image_control.h"
#include "game/key_focus.h"
#include "game/keyboard_table.h"
#include "graphemes/chart_table.h"
#include "support/game_fixture.h"
#include "support/keys.h"

#include <QSet>
#include <QTest>

using namespace korivanta;

Q_DECLARE_METATYPE(korivanta::Direction)

namespace {

QString graphemeOfKey(int key)
{
    return QString::fromUtf16(kKeyboard[key].grapheme);
}

int chartIndex(const QString &grapheme)
{
    for (int i = 0; i < int(kChart.size()); ++i)
        if (QString::fromUtf16(kChart[i].grapheme) == grapheme)
            return i;
    qFatal("no chart area for %s", qPrintable(grapheme));
}

// Every rectangle can be reached from the first by the arrows.
int reachable(std::span<const QRect> rects)
{
    QSet<int> seen{0};
    QList<int> todo{0};
    while (!todo.isEmpty()) {
        const int at = todo.takeLast();
        for (Direction d : {Direction::Left, Direction::Right, Direction::Up, Direction::Down}) {
            const int next = neighbourInDirection(rects, at, d);
            if (!seen.contains(next)) {
                seen.insert(next);
                todo << next;
            }
        }
    }
    return int(seen.size());
}

KeyFocus &keyFocus(ConObj &game)
{
    return *game.findChild<KeyFocus *>(QStringLiteral("keyFocus"));
}

QString currentName(ConObj &game)
{
    QWidget *w = keyFocus(game).current();
    return w ? w->objectName() : QString();
}

bool ringShown(ConObj &game)
{
    for (QWidget *w : game.findChildren<QWidget *>(QStringLiteral("qt_focus_ring")))
        if (!w->isHidden())
            return true;
    return false;
}

QStringList soundsPlayed(GameFixture &f)
{
    QStringList played;
    for (const QString &call : f.sound().played)
        played << call.section(u'\\', -1);
    return played;
}

// How many keys are greyed.
int usedKeys(GameFixture &f)
{
    int n = 0;
    for (int i = 0; i < int(kKeyboard.size()); ++i)
        n += f.shown(QStringLiteral("Image41_%1").arg(i)) ? 1 : 0;
    return n;
}

} // namespace

class TestKeyFocus : public QObject {
    Q_OBJECT
private slots:
    void keyboardArrows_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<QString>("to");
        QTest::newRow("i right") << "i" << Direction::Right << "x";
        QTest::newRow("i left") << "i" << Direction::Left << u"ï"_qs;
        QTest::newRow("i down") << "i" << Direction::Down << "r";
        QTest::newRow("i up: top row stays") << "i" << Direction::Up << "i";
        QTest::newRow("a down to its long vowel") << "a" << Direction::Down << u"ä"_qs;
        QTest::newRow("a right to th, set higher") << "a" << Direction::Right << "th";
        QTest::newRow("p' down") << "p'" << Direction::Down << "q'";
        QTest::newRow("p' left: edge stays") << "p'" << Direction::Left << "p'";
        QTest::newRow("ll right") << "ll" << Direction::Right << u"ä"_qs;
        QTest::newRow("chh down") << "chh" << Direction::Down << "qh";
        QTest::newRow("t up") << "t" << Direction::Up << "r";
        QTest::newRow("u down") << "u" << Direction::Down << "y";
        QTest::newRow("k' down to ch'") << "k'" << Direction::Down << "ch'";
        QTest::newRow("kh right") << "kh" << Direction::Right << "ph";
        QTest::newRow("ph up") << "ph" << Direction::Up << "qh";
    }
    void keyboardArrows()
    {
        QFETCH(QString, from);
        QFETCH(Direction, direction);
        QFETCH(QString, to);
        QCOMPARE(graphemeOfKey(neighbourInDirection(keyRects(), keyFor(from), direction)), to);
    }

    void chartArrows_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<QString>("to");
        QTest::newRow("p right") << "p" << Direction::Right << "t";
        QTest::newRow("p down") << "p" << Direction::Down << "ph";
        QTest::newRow("ch down twice away") << "chh" << Direction::Down << "ch'";
        QTest::newRow("i right") << "i" << Direction::Right << "u";
        QTest::newRow("a right to the long vowels") << "a" << Direction::Right << u"ä"_qs;
        QTest::newRow("ä right") << u"ä"_qs << Direction::Right << u"ï"_qs;
        QTest::newRow("ï up to the nearest letter above, not p'") << u"ï"_qs << Direction::Up << "u";
        QTest::newRow("ü up") << u"ü"_qs << Direction::Up << "u";
        QTest::newRow("i down") << "i" << Direction::Down << "a";
        QTest::newRow("m right") << "m" << Direction::Right << "n";
        QTest::newRow("w up") << "w" << Direction::Up << "m";
        QTest::newRow("p left: over to the nearest vowel") << "p" << Direction::Left << u"ü"_qs;
    }
    void chartArrows()
    {
        QFETCH(QString, from);
        QFETCH(Direction, direction);
        QFETCH(QString, to);
        QCOMPARE(QString::fromUtf16(
                     kChart[neighbourInDirection(chartRects(), chartIndex(from), direction, Sector::Half)].grapheme),
                 to);
    }

    void arrowsReachEveryKeyAndArea()
    {
        QCOMPARE(reachable(keyRects()), 32);
        QCOMPARE(reachable(chartRects()), 32);
    }

    // Typing a whole word wins it through the handler a click runs.
    void typingPlaysAWord()
    {
        GameFixture f({{"ch'uqi", "papa", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QTest::keyClicks(&game, "CH'uqi");
        QCOMPARE(f.text("Text5"), QStringLiteral("ch'uqi"));
        QCOMPARE(f.text("Text3"), QStringLiteral("300"));
        QCOMPARE(soundsPlayed(f).mid(soundsPlayed(f).size() - 4), (QStringList{"ch'.wav", "u.wav", "q.wav", "i.wav"}));
        QVERIFY(f.shown(QStringLiteral("Image41_%1").arg(kKeyboard[keyFor("ch'")].overlay)));
    }

    // A pending grapheme waits for Enter; a greyed key does nothing.
    void pendingAndGreyedKeys()
    {
        GameFixture f({{"kuka", "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        const qsizetype before = f.sound().played.size();
        QTest::keyClicks(&game, "k");
        QCOMPARE(f.sound().played.size(), before);
        QTest::keyClick(&game, Qt::Key_Return);
        QCOMPARE(f.text("Text5"), QStringLiteral("k.k."));
        QTest::keyClicks(&game, "x");
        QCOMPARE(f.text("Text4"), QStringLiteral("3"));
        QTest::keyClicks(&game, "x"); // greyed now: no sound, no try lost
        QCOMPARE(f.text("Text4"), QStringLiteral("3"));
        QCOMPARE(f.sound().played.size(), before + 2);
        QTest::keyClicks(&game, "k");
        QTest::keyClick(&game, Qt::Key_Escape); // cancelled
        QCOMPARE(f.sound().played.size(), before + 2);
    }

    void arrowsAndEnterPressTheFocusedKey()
    {
        GameFixture f({{"iru", "x", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        keyFocus(game).handleKey(Qt::Key_Tab, {});    // onto the round buttons
        keyFocus(game).handleKey(Qt::Key_Escape, {}); // back to the keys
        QCOMPARE(currentName(game), QStringLiteral("Image10_%1").arg(keyFor("a")));
        QTest::keyClick(&game, Qt::Key_Left);
        QTest::keyClick(&game, Qt::Key_Left);
        QTest::keyClick(&game, Qt::Key_Left);
        QCOMPARE(currentName(game), QStringLiteral("Image10_%1").arg(keyFor("i")));
        QTest::keyClick(&game, Qt::Key_Space);
        QCOMPARE(f.text("Text5"), QStringLiteral("i.."));
        QTest::keyClick(&game, Qt::Key_Down);
        QTest::keyClick(&game, Qt::Key_Return);
        QCOMPARE(f.text("Text5"), QStringLiteral("ir."));
    }

    void tabReachesTheShownButtons()
    {
        GameFixture f({{"uta", "casa", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QStringList order;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(&game, Qt::Key_Tab);
            order << currentName(game);
        }
        const QString firstKey = QStringLiteral("Image10_%1").arg(keyFor("a"));
        // Tab cycles among the buttons and never lands on a key.
        QCOMPARE(order, (QStringList{"Image2", "Image5", "Image40", "Image2", "Image5"}));
        QTest::keyClick(&game, Qt::Key_Escape);
        QCOMPARE(currentName(game), firstKey);
        QTest::keyClick(&game, Qt::Key_Backtab);
        QCOMPARE(currentName(game), QStringLiteral("Image40"));

        // A lost word brings Respuesta into the order.
        QTest::keyClicks(&game, "xyw");
        QCOMPARE(currentName(game).left(8), QStringLiteral("Image10_"));
        order.clear();
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(&game, Qt::Key_Tab);
            order << currentName(game);
        }
        QCOMPARE(order, (QStringList{"Image2", "Image5", "Image7", "Image40", "Image2"}));
        QTest::keyClick(&game, Qt::Key_Backtab);
        QTest::keyClick(&game, Qt::Key_Backtab);
        QCOMPARE(currentName(game), QStringLiteral("Image7"));
        QTest::keyClick(&game, Qt::Key_Return);
        QCOMPARE(f.text("Text5"), QStringLiteral("uta"));
    }

    void chartFromTheKeyboard()
    {
        GameFixture f({{"uta", "casa", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QTest::keyClick(&game, Qt::Key_Tab);
        QTest::keyClick(&game, Qt::Key_Tab);
        QCOMPARE(currentName(game), QStringLiteral("Image5"));
        QTest::keyClick(&game, Qt::Key_Return);
        QVERIFY(f.shown("Frame2"));
        QTest::keyClick(&game, Qt::Key_Right);
        QCOMPARE(currentName(game).left(8), QStringLiteral("Image75_"));
        f.sound().played.clear();
        QTest::keyClick(&game, Qt::Key_Space);
        QCOMPARE(f.sound().played.size(), 1);
        QTest::keyClicks(&game, "q'");
        QCOMPARE(soundsPlayed(f).last(), QStringLiteral("q'.wav"));
        QCOMPARE(f.text("Text4"), QStringLiteral("3")); // no guess made
        QTest::keyClick(&game, Qt::Key_Escape);
        QVERIFY(!f.shown("Frame2"));
        QCOMPARE(currentName(game).left(8), QStringLiteral("Image10_"));
    }

    // Page Down (and Enter or Space on the completion panel) is "next":
    // Siguiente when usable, else Respuesta, else nothing; never a key.
    void pageDown_data()
    {
        QTest::addColumn<QString>("typed");    // what is typed before
        QTest::addColumn<bool>("panelClosed"); // the completion panel closed first
        QTest::addColumn<int>("key");          // the key then pressed
        QTest::addColumn<QString>("mask");     // the mask after it
        QTest::addColumn<QString>("tries");    // the tries after it
        QTest::addColumn<QString>("aymara");   // the word then played
        QTest::newRow("Siguiente usable") << "uta" << true << int(Qt::Key_PageDown) << "..."
                                          << "3"
                                          << "iru";
        QTest::newRow("on the panel: Page Down") << "uta" << false << int(Qt::Key_PageDown) << "..."
                                                 << "3"
                                                 << "iru";
        QTest::newRow("on the panel: Enter") << "uta" << false << int(Qt::Key_Return) << "..."
                                             << "3"
                                             << "iru";
        QTest::newRow("on the panel: Space") << "uta" << false << int(Qt::Key_Space) << "..."
                                             << "3"
                                             << "iru";
        QTest::newRow("Respuesta usable") << "xyw" << true << int(Qt::Key_PageDown) << "uta"
                                          << "0"
                                          << "uta";
        QTest::newRow("neither: nothing") << "" << true << int(Qt::Key_PageDown) << "..."
                                          << "3"
                                          << "uta";
        QTest::newRow("neither, after a hit") << "u" << true << int(Qt::Key_PageDown) << "u.."
                                              << "3"
                                              << "uta";
    }
    void pageDown()
    {
        QFETCH(QString, typed);
        QFETCH(bool, panelClosed);
        QFETCH(int, key);
        QFETCH(QString, mask);
        QFETCH(QString, tries);
        QFETCH(QString, aymara);
        GameFixture f({{"uta", "casa", "animal", {}, {}}, {"iru", "espina", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QTest::keyClicks(&game, typed);
        f.marchoso(1).fireAnimationEnd();
        if (panelClosed)
            runHandler([&] { game.Command1_Click(); });
        const int coversBefore = usedKeys(f);
        QTest::keyClick(&game, Qt::Key(key));
        QCOMPARE(game.palabra().toString(), aymara);
        QCOMPARE(f.text("Text5"), mask);
        QCOMPARE(f.text("Text4"), tries);
        QVERIFY(!f.shown("Picture1"));
        // No grapheme key was pressed: no key was greyed.
        QVERIFY(usedKeys(f) <= coversBefore);
        QCOMPARE(currentName(game).left(8), QStringLiteral("Image10_"));
    }

    // At the end of the category Siguiente is not usable: Page Down does
    // nothing, and costs no try.
    void pageDownAtTheEndOfTheCategory()
    {
        GameFixture f({{"uta", "casa", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QTest::keyClicks(&game, "uta");
        f.marchoso(1).fireAnimationEnd();
        QTest::keyClick(&game, Qt::Key_PageDown); // Siguiente: the end
        const QString tries = f.text("Text4");
        const qsizetype sounds = f.sound().played.size();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(&game, Qt::Key_PageDown);
        QCOMPARE(f.text("Text4"), tries);
        QCOMPARE(f.sound().played.size(), sounds);
    }

    void escapeClosesTheCompletionPanel()
    {
        GameFixture f({{"uta", "casa", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QTest::keyClicks(&game, "uta");
        runHandler([&] { game.Marchoso1_AnimationEnd(0); });
        QVERIFY(f.shown("Picture1"));
        QTest::keyClick(&game, Qt::Key_Escape);
        QVERIFY(!f.shown("Picture1"));
    }

    void ringOnlyWhileTheKeyboardIsUsed()
    {
        GameFixture f({{"uta", "casa", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QVERIFY(!ringShown(game));
        QVERIFY(f.shown("Marchoso2"));
        QTest::keyClick(&game, Qt::Key_Tab);
        QVERIFY(ringShown(game));
        QVERIFY(!f.shown("Marchoso2")); // the instructions give way as to the pointer
        QTest::mouseMove(&game, QPoint(5, 5));
        QVERIFY(!ringShown(game));
    }
};

QTEST_MAIN(TestKeyFocus)
#include "tst_key_focus.moc"
