// Typed characters composed into the graphemes of the on-screen keyboard.
#include "game/keyboard_table.h"
#include "game/typed_graphemes.h"

#include <QSet>
#include <QtTest>

using namespace korivanta;

class TstTypedGraphemes : public QObject {
    Q_OBJECT
private slots:
    void composes_data();
    void composes();
    void pendingKeyIsTheWholeGraphemeSoFar();
    void pauseCountsFromTheLastCharacter();
};

// Each row types `typed` one character at a time, 100 ms apart. In it, "|"
// stands for Enter, "#" for Escape and "_" for a pause longer than the wait.
// `greyed` lists graphemes whose key is already used; `pressed` the graphemes
// pressed, in order.
void TstTypedGraphemes::composes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("greyed");
    QTest::addColumn<QStringList>("pressed");

    const QStringList none;
    QTest::newRow("single letter") << "a" << none << QStringList{"a"};
    QTest::newRow("c h waits") << "ch" << none << QStringList{};
    QTest::newRow("c h then pause") << "ch_" << none << QStringList{"ch"};
    QTest::newRow("c h h") << "chh" << none << QStringList{"chh"};
    QTest::newRow("c h apostrophe") << "ch'" << none << QStringList{"ch'"};
    QTest::newRow("c then a") << "ca" << none << QStringList{"a"};
    QTest::newRow("ch then a") << "cha" << none << QStringList{"ch", "a"};
    QTest::newRow("k then pause") << "k_" << none << QStringList{"k"};
    QTest::newRow("k then a") << "ka" << none << QStringList{"k", "a"};
    QTest::newRow("k then k") << "kk_" << none << QStringList{"k", "k"};
    QTest::newRow("k h") << "kh" << none << QStringList{"kh"};
    QTest::newRow("k apostrophe") << "k'" << none << QStringList{"k'"};
    QTest::newRow("t apostrophe") << "t'" << none << QStringList{"t'"};
    QTest::newRow("t h") << "th" << none << QStringList{"th"};
    QTest::newRow("p h and p apostrophe") << "php'" << none << QStringList{"ph", "p'"};
    QTest::newRow("q h and q apostrophe") << "qhq'" << none << QStringList{"qh", "q'"};
    QTest::newRow("l then l") << "ll" << none << QStringList{"ll"};
    QTest::newRow("l then enter") << "l|" << none << QStringList{"l"};
    QTest::newRow("upper case") << "LLA" << none << QStringList{"ll", "a"};
    QTest::newRow("upper case digraph") << "CHH" << none << QStringList{"chh"};
    QTest::newRow("precomposed") << u"äïüñ"_qs << none << QStringList{u"ä"_qs, u"ï"_qs, u"ü"_qs, u"ñ"_qs};
    QTest::newRow("upper precomposed") << u"ÄÑ"_qs << none << QStringList{u"ä"_qs, u"ñ"_qs};
    QTest::newRow("dead diaeresis") << u"\u00A8a"_qs << none << QStringList{u"ä"_qs};
    QTest::newRow("dead tilde") << u"\u02DCn"_qs << none << QStringList{u"ñ"_qs};
    QTest::newRow("US colon vowel") << ":a:i:u" << none << QStringList{u"ä"_qs, u"ï"_qs, u"ü"_qs};
    QTest::newRow("US quote vowel") << "\"u" << none << QStringList{u"ü"_qs};
    QTest::newRow("US tilde n") << "~n" << none << QStringList{u"ñ"_qs};
    QTest::newRow("US tilde N") << "~N" << none << QStringList{u"ñ"_qs};
    QTest::newRow("colon before no vowel") << ":m" << none << QStringList{"m"};
    QTest::newRow("t then colon a") << "t:a" << none << QStringList{"t", u"ä"_qs};
    QTest::newRow("greyed key") << "a" << QStringList{"a"} << QStringList{};
    QTest::newRow("greyed pending key") << "k_" << QStringList{"k"} << QStringList{};
    QTest::newRow("grey short, longer free") << "kh" << QStringList{"k"} << QStringList{"kh"};
    QTest::newRow("escape cancels") << "k#_" << none << QStringList{};
    QTest::newRow("escape cancels ch") << "ch#a" << none << QStringList{"a"};
    QTest::newRow("escape cancels accent") << ":#a" << none << QStringList{"a"};
    QTest::newRow("not a grapheme") << "bdfgvz" << none << QStringList{};
    QTest::newRow("b ends a pending k") << "kb" << none << QStringList{"k"};
}

void TstTypedGraphemes::composes()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, greyed);
    QFETCH(QStringList, pressed);

    QStringList got;
    TypedGraphemes typing([&](int key) { got << QString::fromUtf16(kKeyboard[key].grapheme); },
                          [&](int key) { return !greyed.contains(QString::fromUtf16(kKeyboard[key].grapheme)); });
    qint64 now = 1000;
    for (QChar c : typed) {
        now += 100;
        typing.expire(now);
        if (c == u'|')
            typing.commit();
        else if (c == u'#')
            typing.cancel();
        else if (c == u'_')
            now += TypedGraphemes::kPauseMs;
        else
            typing.type(c, now);
    }
    typing.expire(now);
    QCOMPARE(got, pressed);
}

// The key highlighted while a grapheme waits.
void TstTypedGraphemes::pendingKeyIsTheWholeGraphemeSoFar()
{
    TypedGraphemes typing([](int) {}, [](int) { return true; });
    QCOMPARE(typing.pendingKey(), -1);
    typing.type(u'c', 0);
    QCOMPARE(typing.pendingKey(), -1); // "c" is no grapheme yet
    QVERIFY(typing.pending());
    typing.type(u'h', 10);
    QCOMPARE(QString::fromUtf16(kKeyboard[typing.pendingKey()].grapheme), QStringLiteral("ch"));
    typing.cancel();
    QCOMPARE(typing.pendingKey(), -1);
    QVERIFY(!typing.pending());
}

// A child typing slowly: the wait starts again with every character.
void TstTypedGraphemes::pauseCountsFromTheLastCharacter()
{
    QStringList got;
    TypedGraphemes typing([&](int key) { got << QString::fromUtf16(kKeyboard[key].grapheme); },
                          [](int) { return true; });
    typing.type(u'c', 0);
    typing.expire(TypedGraphemes::kPauseMs - 1);
    typing.type(u'h', TypedGraphemes::kPauseMs - 1);
    typing.expire(TypedGraphemes::kPauseMs + 100);
    QVERIFY(got.isEmpty());
    QCOMPARE(typing.deadline(), 2 * TypedGraphemes::kPauseMs - 1);
    typing.type(u'h', TypedGraphemes::kPauseMs + 200);
    QCOMPARE(got, QStringList{"chh"});
}

QTEST_APPLESS_MAIN(TstTypedGraphemes)
#include "tst_typed_graphemes.moc"
