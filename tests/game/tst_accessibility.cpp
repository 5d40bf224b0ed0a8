// What assistive technology finds in the game window, and the sentences it is
// given as the game goes on.
#include "app/modulo1.h"
#include "game/accessibility.h"
#include "game/announcements.h"
#include "game/image_control.h"
#include "game/keyboard_table.h"
#include "game/spoken_spelling.h"
#include "graphemes/chart_table.h"
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

    // A word is spelled by the keys that write it, the longest grapheme
    // first, never character by character.
    void spelledByKeys_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("spelled");
        QTest::addColumn<QString>("count");
        QTest::newRow("glottalised digraph") << "ch'iyara"
                                             << "ch glotalizada, i, y, a, r, a"
                                             << "Seis teclas";
        QTest::newRow("ll is one key") << "kulli"
                                       << "k, u, ll, i"
                                       << "Cuatro teclas";
        QTest::newRow("ll, p and ch") << "allpachu"
                                      << "a, ll, p, a, ch, u"
                                      << "Seis teclas";
        QTest::newRow("aspirated before plain") << "chhulla"
                                                << "ch aspirada, u, ll, a"
                                                << "Cuatro teclas";
        QTest::newRow("long vowels") << u"jamp'ät'ï"_qs << u"j, a, m, p glotalizada, ä larga, t glotalizada, ï larga"_qs
                                     << "Siete teclas";
        QTest::newRow("a character no key writes") << "'e" << u"apóstrofo, e"_qs << "Dos teclas";
        QTest::newRow("one key") << "q'"
                                 << "q glotalizada"
                                 << "Una tecla";
    }
    void spelledByKeys()
    {
        QFETCH(QString, word);
        QFETCH(QString, spelled);
        QFETCH(QString, count);
        QCOMPARE(korivanta::spelledByKeys(word), spelled);
        QCOMPARE(keyCountText(keyCount(word)), count);
    }

    // The mask key by key: a key partly shown ("p" found inside "ph") is
    // read by what shows of it.
    void maskByKeys_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("spelled");
        QTest::newRow("nothing shown") << "ch'iyara"
                                       << "........"
                                       << "oculta, oculta, oculta, oculta, oculta, oculta";
        QTest::newRow("the glottalised key") << "ch'iyara"
                                             << "ch'....."
                                             << "ch glotalizada, oculta, oculta, oculta, oculta, oculta";
        QTest::newRow("ch inside ch'") << "ch'iyara"
                                       << "ch......"
                                       << "ch, oculta, oculta, oculta, oculta, oculta";
        QTest::newRow("p inside ph") << "phala"
                                     << "p...."
                                     << "p, oculta, oculta, oculta";
        QTest::newRow("ll and a") << "kulli"
                                  << "..ll."
                                  << "oculta, oculta, ll, oculta";
    }
    void maskByKeys()
    {
        QFETCH(QString, word);
        QFETCH(QString, mask);
        QFETCH(QString, spelled);
        QCOMPARE(spelledMask(word, mask), spelled);
    }

    void countText_data()
    {
        QTest::addColumn<int>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("one") << 1 << "Una tecla";
        QTest::newRow("six") << 6 << "Seis teclas";
        QTest::newRow("twenty") << 20 << "Veinte teclas";
        QTest::newRow("digits from 21") << 22 << "22 teclas";
    }
    void countText()
    {
        QFETCH(int, keys);
        QFETCH(QString, text);
        QCOMPARE(keyCountText(keys), text);
    }

    // A key's description says what its name does not, never the tooltip
    // that repeats the name.
    void keyDescriptions_data()
    {
        QTest::addColumn<QString>("grapheme");
        QTest::addColumn<QString>("description");
        QTest::newRow("glottalised: the name says it") << "p'" << QString();
        QTest::newRow("aspirated: the name says it") << "th" << QString();
        QTest::newRow("long vowel: the name says it") << u"ä"_qs << QString();
        QTest::newRow("plain consonant") << "p"
                                         << "consonante simple";
        QTest::newRow("digraph consonant") << "ch"
                                           << "consonante simple";
        QTest::newRow("n with tilde") << u"ñ"_qs << "consonante simple";
        QTest::newRow("vowel") << "a"
                               << "vocal";
    }
    void keyDescriptions()
    {
        QFETCH(QString, grapheme);
        QFETCH(QString, description);
        GameFixture f({{"qarwa", "llama", "animal", {}, {}}});
        f.choose(2);
        f.aceptar();
        QAccessibleInterface *key = iface(f.control(QStringLiteral("Image10_%1").arg(keyFor(grapheme))));
        QCOMPARE(key->text(QAccessible::Description), description);
        QVERIFY(!key->text(QAccessible::Name).isEmpty());
        QVERIFY(!key->text(QAccessible::Description).contains(u'"'));
    }

    void usedKeyDescription()
    {
        GameFixture f({{"qarwa", "llama", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QTest::keyClicks(&game, "a");
        QCOMPARE(iface(f.control(QStringLiteral("Image10_%1").arg(keyFor("a"))))->text(QAccessible::Description),
                 QStringLiteral("vocal, usada"));
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

    // A word of several-character keys, as a screen reader hears it played:
    // counted and spelled by keys, no sentence empty; the chart's
    // explanation comes once as it opens and stays as its description.
    void sentencesSpellByKeys()
    {
        GameFixture f({{"ch'iyara", "negro", "color", {}, {}}});
        f.choose(3); // Colores
        ConObj &game = f.aceptar();
        QTRY_COMPARE(announcements(game).said().value(0), QStringLiteral("Nueva palabra: negro. Seis teclas."));
        QTest::keyClicks(&game, "ch'");
        f.marchoso(1).fireAnimationEnd();
        QCOMPARE(announcements(game).said().last(),
                 QStringLiteral("Bien: ch glotalizada, una vez. ch glotalizada, oculta, oculta, oculta, oculta, "
                                "oculta. Puntos: 75."));
        QTest::keyClicks(&game, "a");
        QCOMPARE(announcements(game).said().last(),
                 QStringLiteral("Bien: a, dos veces. ch glotalizada, oculta, oculta, a, oculta, a. Puntos: 175."));
        emit f.control<ImageControl>(QStringLiteral("Image5"))->clicked();
        QCOMPARE(announcements(game).said().last(), QString::fromUtf16(kChartExplanation));
        QCOMPARE(iface(f.control(QStringLiteral("Image3")))->text(QAccessible::Description),
                 QString::fromUtf16(kChartExplanation));
        for (const QString &sentence : announcements(game).said())
            QVERIFY(!sentence.trimmed().isEmpty());
        // Every sentence object carries its sentence from the start, and an
        // older one is still there to be asked for its name (a screen reader
        // may be several sentences behind).
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList names;
        for (QWidget *w : game.findChildren<QWidget *>(QStringLiteral("Anuncios"))) {
            QVERIFY(!iface(w)->text(QAccessible::Name).isEmpty());
            names << iface(w)->text(QAccessible::Name);
        }
        QVERIFY2(names.contains(QStringLiteral("Nueva palabra: negro. Seis teclas.")), qPrintable(names.join(u'|')));
        // Leaving the window takes the last sentence away: shown again, the
        // window does not repeat it.
        QVERIFY(!game.findChildren<QWidget *>(QStringLiteral("Anuncios")).isEmpty());
        emit f.control<ImageControl>(QStringLiteral("Image40"))->clicked();
        QVERIFY(game.isHidden());
        for (QWidget *w : game.findChildren<QWidget *>(QStringLiteral("Anuncios")))
            QVERIFY2(w->isHidden(), qPrintable(w->accessibleName()));
    }

    void sentencesFollowTheGame()
    {
        GameFixture f({{"qarwa", "llama", "animal", {}, {}}, {"uta", "casa", "animal", {}, {}}});
        f.choose(2);
        ConObj &game = f.aceptar();
        QTRY_COMPARE(announcements(game).said().value(0), QStringLiteral("Nueva palabra: llama. Cinco teclas."));
        QTest::keyClicks(&game, "ax");
        f.marchoso(1).fireAnimationEnd();
        QTest::keyClicks(&game, "qrw");
        f.marchoso(1).fireAnimationEnd();
        const QStringList said = announcements(game).said();
        QCOMPARE(said.mid(1),
                 (QStringList{
                     "Bien: a, dos veces. oculta, a, oculta, oculta, a. Puntos: 100.",
                     "No está x. Quedan cuatro vidas.",
                     "Bien: q, una vez. q, a, oculta, oculta, a. Puntos: 175.",
                     "Bien: r, una vez. q, a, r, oculta, a. Puntos: 250.",
                     "Bien: w, una vez. q, a, r, w, a. Puntos: 325.",
                     u"¡Felicidades! La palabra llama en aymara se escribe: q, a, r, w, a. Pulsa Siguiente."_qs,
                 }));
        runHandler([&] { game.Command1_Click(); });
        QTest::keyClick(&game, Qt::Key_PageDown); // Siguiente
        QCOMPARE(announcements(game).said().last(), QStringLiteral("Nueva palabra: casa. Tres teclas."));
        QTest::keyClicks(&game, "ijk");
        QTest::keyClick(&game, Qt::Key_Return); // k waits for a possible kh or k'
        QCOMPARE(announcements(game).said().last(), QStringLiteral("No está k. No quedan vidas. Pulsa Respuesta."));
        emit f.control<ImageControl>(QStringLiteral("Image7"))->clicked();
        QCOMPARE(announcements(game).said().last(), QStringLiteral("Respuesta: u, t, a."));
        emit f.control<ImageControl>(QStringLiteral("Image6"))->clicked();
        QCOMPARE(announcements(game).said().last(), QStringLiteral("Fin de la categoría. Pulsa Volver."));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
