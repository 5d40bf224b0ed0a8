// What assistive technology finds in the game window, and the sentences it is
// given as the game goes on.
#include "app/modulo1.h"
#include "game/accessibility.h"
#include "game/announcements.h"
#include "game/image_control.h"
#include "game/keyboard_table.h"
#include "support/game_fixture.h"
#include "support/keys.h"

#include <QAccessible>
#include <QTest>

using namespace korivanta;

namespace {

QAccessibleInterface *iface(QWidget *w)
{
    return QAccessible::queryAccessibleInterface(w);
}

// Every accessible object under `root`, depth first.
QList<QAccessibleInterface *> tree(QAccessibleInterface *root)
{
    QList<QAccessibleInterface *> all{root};
    for (int i = 0; i < root->childCount(); ++i)
        all << tree(root->child(i));
    return all;
}

QAccessibleInterface *findByName(QWidget *window, QAccessible::Role role, const QString &name)
{
    for (QAccessibleInterface *i : tree(iface(window)))
        if (i->role() == role && i->text(QAccessible::Name) == name)
            return i;
    return nullptr;
}

QStringList namesInTree(QWidget *window)
{
    QStringList names;
    for (QAccessibleInterface *i : tree(iface(window)))
        names << i->text(QAccessible::Name);
    return names;
}

Announcements &announcements(ConObj &game)
{
    return *game.findChild<Announcements *>(QStringLiteral("announcements"));
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void spokenNames_data()
    {
        QTest::addColumn<QString>("grapheme");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("plain") << "a"
                               << "a";
        QTest::newRow("digraph") << "ch"
                                 << "ch";
        QTest::newRow("glottalized") << "p'"
                                     << "p glotalizada";
        QTest::newRow("aspirated") << "chh"
                                   << "ch aspirada";
        QTest::newRow("long vowel") << u"ä"_qs << u"ä larga"_qs;
        QTest::newRow("n with tilde") << u"ñ"_qs << u"ñ"_qs;
    }
    void spokenNames()
    {
        QFETCH(QString, grapheme);
        QFETCH(QString, spoken);
        QCOMPARE(spokenGrapheme(keyFor(grapheme)), spoken);
    }

    void windowsAreWindowsWithTheirTitles()
    {
        GameFixture f({{"qarwa", "llama", "animal", {}, {}}});
        QCOMPARE(iface(&f.form1())->role(), QAccessible::Window);
        QCOMPARE(iface(&f.form1())->text(QAccessible::Name), f.form1().windowTitle());
        f.choose(2);
        ConObj &game = f.aceptar();
        QCOMPARE(iface(&game)->role(), QAccessible::Window);
        QCOMPARE(iface(&game)->text(QAccessible::Name), QStringLiteral("Conocer Objetos"));
    }

    void keysAreButtonsThatPress()
    {
        GameFixture f({{"qarwa", "llama", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QAccessibleInterface *key = findByName(&game, QAccessible::Button, QStringLiteral("q glotalizada"));
        QVERIFY(key);
        QAccessibleInterface *a = findByName(&game, QAccessible::Button, QStringLiteral("a"));
        QVERIFY(a);
        QVERIFY(!a->state().disabled);
        QCOMPARE(a->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.text("Text5"), QStringLiteral(".a..a"));
        QVERIFY(a->state().disabled); // greyed: a second press does nothing
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.text("Text3"), QStringLiteral("100"));
    }

    void roundButtonsAndHiddenBoxes()
    {
        GameFixture f({{"qarwa", "llama", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        for (const char *name : {"Sonido", "Grafemario", "Volver", "Siguiente", "Respuesta"})
            QVERIFY2(findByName(&game, QAccessible::Button, QString::fromLatin1(name)), name);
        QVERIFY(findByName(&game, QAccessible::Button, QStringLiteral("Respuesta"))->state().invisible);
        // The visible texts, and not the answer.
        const QStringList names = namesInTree(&game);
        QVERIFY(names.contains(QStringLiteral("llama")));
        QVERIFY2(!names.join(u'|').contains(QStringLiteral("qarwa")), qPrintable(names.join(u'|')));
        QAccessibleInterface *picture = iface(f.control(QStringLiteral("Image4")));
        QCOMPARE(picture->role(), QAccessible::Graphic);
        QCOMPARE(picture->text(QAccessible::Description), QStringLiteral("llama"));
        // Grafemario through its action opens the chart, whose letters are buttons.
        QAccessibleInterface *chart = findByName(&game, QAccessible::Button, QStringLiteral("Grafemario"));
        chart->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(f.shown("Frame2"));
        QVERIFY(findByName(&game, QAccessible::Button, QStringLiteral("t aspirada")));
    }

    void sentencesFollowTheGame()
    {
        GameFixture f({{"qarwa", "llama", "animal", {}, {}}, {"uta", "casa", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QTRY_COMPARE(announcements(game).said().value(0), QStringLiteral("Nueva palabra: llama. Cinco letras."));
        QTest::keyClicks(&game, "ax");
        f.marchoso(1).fireAnimationEnd();
        QTest::keyClicks(&game, "qrw");
        f.marchoso(1).fireAnimationEnd();
        const QStringList said = announcements(game).said();
        QCOMPARE(said.mid(1), (QStringList{
                                  "Bien: a, dos veces. oculta, a, oculta, oculta, a. Puntos: 100.",
                                  "No está x. Quedan cuatro vidas.",
                                  "Bien: q, una vez. q, a, oculta, oculta, a. Puntos: 175.",
                                  "Bien: r, una vez. q, a, r, oculta, a. Puntos: 250.",
                                  "Bien: w, una vez. q, a, r, w, a. Puntos: 325.",
                                  u"¡Felicidades! La palabra llama en aymara se escribe qarwa. Pulsa Siguiente."_qs,
                              }));
        runHandler([&] { game.Command1_Click(); });
        QTest::keyClick(&game, Qt::Key_Tab);
        QTest::keyClick(&game, Qt::Key_Tab);
        QTest::keyClick(&game, Qt::Key_Tab);
        QTest::keyClick(&game, Qt::Key_Return); // Siguiente
        QCOMPARE(announcements(game).said().last(), QStringLiteral("Nueva palabra: casa. Tres letras."));
        QTest::keyClicks(&game, "ijk");
        QTest::keyClick(&game, Qt::Key_Return); // k waits for a possible kh or k'
        QCOMPARE(announcements(game).said().last(), QStringLiteral("No está k. No quedan vidas. Pulsa Respuesta."));
        emit f.control<ImageControl>(QStringLiteral("Image7"))->clicked();
        QCOMPARE(announcements(game).said().last(), QStringLiteral("Respuesta: uta."));
        emit f.control<ImageControl>(QStringLiteral("Image6"))->clicked();
        QCOMPARE(announcements(game).said().last(), QStringLiteral("Fin de la categoría. Pulsa Volver."));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
