// The menu from the keyboard: the arrows choose the categories in their order
// on the window, Enter is "Aceptar".
#include "app/modulo1.h"
#include "support/game_fixture.h"

#include <QTest>

using namespace korivanta;

class TestMenuKeys : public QObject {
    Q_OBJECT
private slots:
    void arrowsChooseAndEnterAccepts()
    {
        GameFixture f({{"uta", "casa", "animal", {}, {}}});
        Form1 &menu = f.form1();
        menu.show();
        QVERIFY(Modulo1::categoriaActual.isUnset());
        QTest::keyClick(&menu, Qt::Key_Down);
        QCOMPARE(Modulo1::categoriaActual.toDouble(), 1.0); // Naturaleza
        QTest::keyClick(&menu, Qt::Key_Down);
        QTest::keyClick(&menu, Qt::Key_Down);
        QCOMPARE(Modulo1::categoriaActual.toDouble(), 8.0); // Colores
        QTest::keyClick(&menu, Qt::Key_Up);
        QCOMPARE(Modulo1::categoriaActual.toDouble(), 4.0); // Animales
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(&menu, Qt::Key_Down);
        QCOMPARE(Modulo1::categoriaActual.toDouble(), 2.0); // Personas, the last
        QVERIFY(!f.flow().conObj() || f.game().isHidden());
        QTest::keyClick(&menu, Qt::Key_Return);
        QVERIFY(menu.isHidden());
        QVERIFY(f.game().isVisible());
    }
};

QTEST_MAIN(TestMenuKeys)
#include "tst_menu_keys.moc"
