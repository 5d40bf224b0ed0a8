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
