// The grapheme panel: opened by Grafemario, closed by its Volver and at every
// activation; each of its 32 areas plays its grapheme.
#include "support/game_fixture.h"

#include <QTest>

using namespace korivanta;

class TestGraphemePanel : public QObject {
    Q_OBJECT
private slots:
    void areasPlayTheirGrapheme_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("file");
        const QStringList files = {"p",
                                   "t",
                                   "ch",
                                   "k",
                                   "q",
                                   "ph",
                                   "th",
                                   "chh",
                                   "kh",
                                   "qh",
                                   "p'",
                                   "t'",
                                   "ch'",
                                   "k'",
                                   "q'",
                                   "s",
                                   "j",
                                   "x",
                                   "l",
                                   "ll",
                                   "m",
                                   "n",
                                   QStringLiteral("\u00F1"),
                                   "r",
                                   "w",
                                   "y",
                                   "i",
                                   "u",
                                   "a",
                                   QStringLiteral("\u00E4"),
                                   QStringLiteral("\u00EF"),
                                   QStringLiteral("\u00FC")};
        for (int i = 0; i < files.size(); ++i)
            QTest::addRow("%d %s", i, qUtf8Printable(files[i])) << i << files[i] + QStringLiteral(".wav");
    }
    void areasPlayTheirGrapheme()
    {
        QFETCH(int, index);
        QFETCH(QString, file);
        GameFixture f({{"anu", "perro", "animal", {}, {}}});
        ConObj &game = f.aceptar();
        f.sound().played.clear();
        runHandler([&] { game.Image75_Click(index); });
        runHandler([&] { game.Image75_Click(index); });
        const QString path = QStringLiteral("c:\\Trab_zumel\\Grafemario\\") + file;
        QCOMPARE(f.sound().played, (QStringList{path, path}));
    }

    void indexOutsideTheChartDoesNothing()
    {
        GameFixture f({{"anu", "perro", "animal", {}, {}}});
        ConObj &game = f.aceptar();
        f.sound().played.clear();
        for (int index : {-1, 32, 32767})
            runHandler([&] { game.Image75_Click(index); });
        QVERIFY(f.sound().played.isEmpty());
    }

    void opensClosesAndStartsClosed()
    {
        GameFixture f({{"anu", "perro", "animal", {}, {}}});
        ConObj &game = f.aceptar();
        QVERIFY(!f.shown("Frame2"));
        runHandler([&] { game.Image5_Click(); });
        runHandler([&] { game.Image5_Click(); });
        QVERIFY(f.shown("Frame2"));
        const QString mask = f.text("Text5");
        runHandler([&] { game.Command38_Click(); });
        QVERIFY(!f.shown("Frame2"));
        QCOMPARE(f.text("Text5"), mask);
        runHandler([&] { game.Image5_Click(); });
        runHandler([&] { game.Image40_Click(); }); // leave with the panel open
        f.aceptar();
        QVERIFY(!f.shown("Frame2"));
    }
};

QTEST_MAIN(TestGraphemePanel)
#include "tst_grapheme_panel.moc"
