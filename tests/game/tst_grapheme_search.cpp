#include "game/category_queries.h"
#include "game/grapheme_search.h"

#include <QTest>

using namespace korivanta;

Q_DECLARE_METATYPE(korivanta::Variant)

class TestGraphemeSearch : public QObject {
    Q_OBJECT
private slots:
    void occurrences_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("grapheme");
        QTest::addColumn<QList<qsizetype>>("found");
        QTest::addRow("single") << "inti"
                                << "n" << QList<qsizetype>{1};
        QTest::addRow("twice") << "wawa"
                               << "a" << QList<qsizetype>{1, 3};
        QTest::addRow("overlapping ll in lll") << "alllu"
                                               << "ll" << QList<qsizetype>{1, 2};
        QTest::addRow("t inside th") << "thaya"
                                     << "t" << QList<qsizetype>{0};
        QTest::addRow("th not where only t stands") << "tata"
                                                    << "th" << QList<qsizetype>{};
        QTest::addRow("a does not find ä") << QStringLiteral("j\u00E4lla") << "a" << QList<qsizetype>{4};
        QTest::addRow("n does not find ñ") << QStringLiteral("\u00F1ik'uta") << "n" << QList<qsizetype>{};
        QTest::addRow("case-sensitive") << "Inti"
                                        << "i" << QList<qsizetype>{3};
        QTest::addRow("ch' at its place") << "ch'uqi"
                                          << "ch'" << QList<qsizetype>{0};
        QTest::addRow("empty word") << ""
                                    << "a" << QList<qsizetype>{};
    }
    void occurrences()
    {
        QFETCH(QString, word);
        QFETCH(QString, grapheme);
        QFETCH(QList<qsizetype>, found);
        QCOMPARE(graphemeOccurrences(word, grapheme), found);
    }

    void spellable_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("spellable");
        QTest::addRow("plain") << "inti" << true;
        QTest::addRow("glottal") << "ch'uxña" << true;
        QTest::addRow("long vowel") << QStringLiteral("j\u00E4") << true;
        QTest::addRow("upper case") << "Inti" << false;
        QTest::addRow("space") << "uma uma" << false;
        QTest::addRow("letter outside the alphabet") << "oveja" << false;
        QTest::addRow("lone h") << "hana" << false;
        QTest::addRow("decomposed diaeresis") << QStringLiteral("ja\u0308") << false;
    }
    void spellable()
    {
        QFETCH(QString, word);
        QFETCH(bool, spellable);
        QCOMPARE(spellableWithKeyboard(word), spellable);
    }

    void categoryChoice_data()
    {
        QTest::addColumn<Variant>("chosen");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("title");
        QTest::addRow("unset") << Variant() << 0 << "SELECT * from nominal ;" << QString();
        const char *keys[] = {nullptr, "naturaleza", "persona",  "cuerpo", "animal",
                              "ave",   "insecto",    "alimento", "color",  "hogar"};
        const char *titles[] = {nullptr, "Naturaleza", "Personas", nullptr,   "Animales",
                                nullptr, "Insectos",   nullptr,    "Colores", nullptr};
        for (int code = 1; code <= 9; ++code)
            QTest::addRow("code %d", code)
                << Variant(std::int16_t(code)) << code
                << QStringLiteral("SELECT * from nominal where categoria='%1';").arg(QLatin1String(keys[code]))
                << (titles[code] ? QString::fromLatin1(titles[code]) : QString());
        QTest::addRow("zero") << Variant(std::int16_t(0)) << 0 << "SELECT * from nominal ;" << QString();
        QTest::addRow("outside 0-9") << Variant(std::int16_t(10)) << -1 << QString() << QString();
        QTest::addRow("negative") << Variant(std::int32_t(-1)) << -1 << QString() << QString();
    }
    void categoryChoice()
    {
        QFETCH(Variant, chosen);
        QFETCH(int, code);
        QFETCH(QString, query);
        QFETCH(QString, title);
        const auto c = categoryQueryFor(chosen);
        if (code < 0) {
            QVERIFY(!c);
            return;
        }
        QVERIFY(c);
        QCOMPARE(c->code, code);
        QCOMPARE(QString::fromUtf16(c->query), query);
        QCOMPARE(c->boardTitle ? QString::fromUtf16(c->boardTitle) : QString(), title);
    }
};

QTEST_GUILESS_MAIN(TestGraphemeSearch)
#include "tst_grapheme_search.moc"
