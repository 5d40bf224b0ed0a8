#include "app/variant.h"

#include <QTest>

using namespace korivanta;
using Kind = Variant::Kind;

Q_DECLARE_METATYPE(korivanta::Variant)
Q_DECLARE_METATYPE(korivanta::Variant::Kind)

class TestVariant : public QObject {
    Q_OBJECT
private slots:
    void shows_data()
    {
        QTest::addColumn<Variant>("value");
        QTest::addColumn<QString>("shown");
        QTest::addRow("unset") << Variant() << QString();
        QTest::addRow("16-bit zero") << Variant(std::int16_t(0)) << QStringLiteral("0");
        QTest::addRow("32-bit") << Variant(std::int32_t(12)) << QStringLiteral("12");
        QTest::addRow("whole double") << Variant(125.0) << QStringLiteral("125");
        QTest::addRow("negative") << Variant(std::int32_t(-1)) << QStringLiteral("-1");
        QTest::addRow("text") << Variant(QStringLiteral("ch'")) << QStringLiteral("ch'");
        QTest::addRow("empty text") << Variant(QString()) << QString();
    }
    void shows()
    {
        QFETCH(Variant, value);
        QFETCH(QString, shown);
        QCOMPARE(value.toString(), shown);
    }

    void unsetEqualsZeroAndEmptyText()
    {
        const Variant unset;
        QVERIFY(unset == 0);
        QVERIFY(unset == QString());
        QVERIFY(!(unset == 1));
        QVERIFY(!(unset == QStringLiteral("x")));
        QVERIFY(Variant(std::int16_t(4)) == 4);
        QVERIFY(!(Variant(std::int16_t(4)) == 8));
        QVERIFY(!(Variant(QStringLiteral("animal")) == 0));
    }

    void arithmeticKind_data()
    {
        QTest::addColumn<Variant>("a");
        QTest::addColumn<Variant>("b");
        QTest::addColumn<bool>("add");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("shown");
        QTest::addRow("score 0 + hit bonus stays 16-bit")
            << Variant(std::int16_t(0)) << Variant(std::int16_t(50)) << true << Kind::Integer << QStringLiteral("50");
        QTest::addRow("occurrence bonus makes a double")
            << Variant(std::int16_t(50)) << Variant(50.0 / 2) << true << Kind::Double << QStringLiteral("75");
        QTest::addRow("double keeps double")
            << Variant(75.0) << Variant(std::int16_t(50)) << true << Kind::Double << QStringLiteral("125");
        QTest::addRow("16-bit overflow widens to 32-bit") << Variant(std::int16_t(32750)) << Variant(std::int16_t(50))
                                                          << true << Kind::Long << QStringLiteral("32800");
        QTest::addRow("tries: 32-bit minus 16-bit")
            << Variant(std::int32_t(5)) << Variant(std::int16_t(1)) << false << Kind::Long << QStringLiteral("4");
        QTest::addRow("unset plus 16-bit")
            << Variant() << Variant(std::int16_t(50)) << true << Kind::Integer << QStringLiteral("50");
    }
    void arithmeticKind()
    {
        QFETCH(Variant, a);
        QFETCH(Variant, b);
        QFETCH(bool, add);
        QFETCH(Kind, kind);
        QFETCH(QString, shown);
        const Variant r = add ? a + b : a - b;
        QCOMPARE(r.kind(), kind);
        QCOMPARE(r.toString(), shown);
    }

    void kindFollowsLastAssignment()
    {
        Variant v = std::int16_t(3);
        QCOMPARE(v.kind(), Kind::Integer);
        v = QStringLiteral("x");
        QCOMPARE(v.kind(), Kind::Text);
        v = 2.5;
        QCOMPARE(v.kind(), Kind::Double);
        QCOMPARE(v.toString(), QStringLiteral("2.5"));
    }
};

QTEST_GUILESS_MAIN(TestVariant)
#include "tst_variant.moc"
