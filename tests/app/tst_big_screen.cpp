// The big-screen start: the scale factor chosen from the screen's size fits
// the game window at its fixed place with room for its frame, in quarter
// steps and never below 1, and the option is taken out of the arguments that
// the scaled program is started with again.
#include "app/big_screen.h"
#include "app/twips.h"
#include "game/con_obj_layout.h"

#include <QtTest>

using namespace korivanta;

class TestBigScreen : public QObject {
    Q_OBJECT

private slots:
    void factor_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<double>("factor");
        QTest::addRow("small laptop: as it is") << QSize(1366, 728) << 1.0;
        QTest::addRow("too small: never shrunk") << QSize(800, 560) << 1.0;
        QTest::addRow("SXGA: height decides") << QSize(1280, 1024) << 1.5;
        QTest::addRow("full HD projector") << QSize(1920, 1050) << 1.5;
        QTest::addRow("full HD, no panel") << QSize(1920, 1080) << 1.5;
        QTest::addRow("1920 x 1280: twice") << QSize(1920, 1280) << 2.0;
        QTest::addRow("4K screen") << QSize(3840, 2120) << 3.25;
        QTest::addRow("portrait: width decides") << QSize(1080, 1920) << 1.25;
    }

    void factor()
    {
        QFETCH(QSize, available);
        QFETCH(double, factor);
        const QSize window = sizeFromTwips(kConObjClientWidth, kConObjClientHeight);
        const QSize offset = sizeFromTwips(kConObjLeft, kConObjTop);
        const double f = bigScreenFactor(available, window, offset);
        QCOMPARE(f, factor);
        // The scaled window, its place and its frame fit the screen.
        QVERIFY(f == 1.0 || (offset.width() + window.width()) * f <= available.width());
        QVERIFY(f == 1.0 || (offset.height() + window.height() + 40) * f <= available.height());
    }

    void centred_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QPoint>("place");
        // Frame: 40 pixels of title above the client area, 10 of borders.
        QTest::addRow("full HD projector") << QRect(0, 0, 1920, 1080) << QSize(800, 600) << QPoint(560, 260);
        QTest::addRow("a panel at the top") << QRect(0, 30, 1920, 1050) << QSize(800, 600) << QPoint(560, 275);
        QTest::addRow("second screen to the right")
            << QRect(1920, 0, 1280, 1024) << QSize(640, 480) << QPoint(1920 + 315 + 5, 252 + 40);
        QTest::addRow("window larger than the screen: its corner")
            << QRect(0, 0, 800, 600) << QSize(1000, 700) << QPoint(5, 40);
    }

    void centred()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, client);
        QFETCH(QPoint, place);
        const QPoint got = centredPlace(available, client);
        QCOMPARE(got, place);
        // The frame's margins left and right (and above and below) differ by
        // at most a pixel, unless the window is larger than the screen.
        if (client.width() + 10 <= available.width()) {
            const int leftMargin = got.x() - 5 - available.left();
            const int rightMargin = available.right() + 1 - (got.x() + client.width() + 5);
            QVERIFY(qAbs(leftMargin - rightMargin) <= 1);
            const int topMargin = got.y() - 40 - available.top();
            const int bottomMargin = available.bottom() + 1 - (got.y() + client.height());
            QVERIFY(qAbs(topMargin - bottomMargin) <= 1);
        }
    }

    void option_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("rest");
        QTest::addColumn<bool>("found");
        QTest::addRow("none") << QStringList{"korivanta"} << QStringList{"korivanta"} << false;
        QTest::addRow("the option") << QStringList{"korivanta", "--pantalla-grande"} << QStringList{"korivanta"}
                                    << true;
        QTest::addRow("with Qt's own") << QStringList{"korivanta", "-platform", "xcb", "--pantalla-grande"}
                                       << QStringList{"korivanta", "-platform", "xcb"} << true;
        QTest::addRow("a look-alike") << QStringList{"korivanta", "--pantalla"}
                                      << QStringList{"korivanta", "--pantalla"} << false;
    }

    void option()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, rest);
        QFETCH(bool, found);
        bool seen = !found;
        QCOMPARE(withoutBigScreenOption(arguments, &seen), rest);
        QCOMPARE(seen, found);
    }
};

QTEST_APPLESS_MAIN(TestBigScreen)
#include "tst_big_screen.moc"
