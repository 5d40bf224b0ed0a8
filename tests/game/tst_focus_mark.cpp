// The mark of the keyboard focus, as a child sees it: bands of two
// contrasting colours around the control (black next to it, then yellow,
// then a black line), on the yellow round buttons, the keys, "wali" and the
// menu's controls alike, and only while the keyboard is in use.
#include "app/focus_mark.h"
#include "game/key_focus.h"
#include "support/game_fixture.h"
#include "support/keys.h"

#include <QImage>
#include <QTest>

using namespace korivanta;

namespace {

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kYellow = qRgb(255, 255, 0);

// The pixels going out from the middle of r's left edge: 1 to 5 pixels
// outside it.
QList<QRgb> outsideLeftEdge(const QImage &shot, const QRect &r)
{
    QList<QRgb> pixels;
    for (int d = 1; d <= FocusMark::kWidth; ++d)
        pixels << (shot.pixel(r.left() - d, r.center().y()) & 0xffffff) + 0xff000000;
    return pixels;
}

const QList<QRgb> kMarkPixels{kBlack, kBlack, kYellow, kYellow, kBlack};

QRect rectIn(QWidget *w, QWidget *window)
{
    return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
}

} // namespace

class TestFocusMark : public QObject {
    Q_OBJECT
private slots:
    void markAroundGameControls_data()
    {
        QTest::addColumn<QString>("typed");   // played first: "uta" shows the completion panel
        QTest::addColumn<QString>("control"); // where the keyboard is taken
        QTest::newRow("a key") << "" << QStringLiteral("Image10_%1").arg(keyFor("a"));
        QTest::newRow("yellow round button Sonido") << ""
                                                    << "Image2";
        QTest::newRow("yellow round button Grafemario") << ""
                                                        << "Image5";
        QTest::newRow("yellow round button Volver") << ""
                                                    << "Image40";
        QTest::newRow("wali on the completion panel") << "uta"
                                                      << "Command1";
    }
    void markAroundGameControls()
    {
        QFETCH(QString, typed);
        QFETCH(QString, control);
        GameFixture f({{"uta", "casa", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        if (!typed.isEmpty()) {
            QTest::keyClicks(&game, typed);
            f.marchoso(1).fireAnimationEnd();
            QVERIFY(f.shown("Picture1"));
        }
        QWidget *target = f.control(control);
        // The keyboard is on the first key until a key is pressed: no mark.
        QTest::mouseMove(&game, QPoint(3, 3));
        const QImage before = game.grab().toImage();
        auto *focus = game.findChild<KeyFocus *>(QStringLiteral("keyFocus"));
        focus->handleKey(Qt::Key_Tab, {});
        if (control.startsWith(QStringLiteral("Image10_")))
            focus->handleKey(Qt::Key_Escape, {}); // back to the keys
        for (int i = 0; i < 8 && focus->current() != target; ++i)
            focus->handleKey(Qt::Key_Tab, {});
        QCOMPARE(focus->current(), target);
        const QImage after = game.grab().toImage();
        const QRect r = rectIn(target, &game);
        QCOMPARE(outsideLeftEdge(after, r), kMarkPixels);
        QVERIFY(outsideLeftEdge(before, r) != kMarkPixels);
        // Its corner too, and nothing drawn over the control itself.
        QCOMPARE(after.pixel(r.left() - 1, r.top() - 1) & 0xffffff, kBlack & 0xffffff);
        QCOMPARE(after.pixel(r.center()), before.pixel(r.center()));
    }

    void markAroundMenuControls()
    {
        GameFixture f({{"uta", "casa", "animal", {}, {}}});
        Form1 &menu = f.form1();
        menu.show();
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        const QImage before = menu.grab().toImage();
        QTest::keyClick(&menu, Qt::Key_Down);
        QTRY_VERIFY(menu.focusWidget());
        QWidget *option = menu.focusWidget();
        QTRY_COMPARE(outsideLeftEdge(menu.grab().toImage(), rectIn(option, &menu)), kMarkPixels);
        QVERIFY(outsideLeftEdge(before, rectIn(option, &menu)) != kMarkPixels);
        // The pointer takes it away.
        QTest::mouseMove(&menu, QPoint(2, 2));
        QVERIFY(outsideLeftEdge(menu.grab().toImage(), rectIn(option, &menu)) != kMarkPixels);
    }
};

QTEST_MAIN(TestFocusMark)
#include "tst_focus_mark.moc"
