// Another program changes the words database while a category is played:
// the category goes on with the words it had when it was opened, to its end,
// and the game never stops with the error box. The next "Aceptar" reads the
// database as it is then, or keeps the words it had when the file cannot be
// read, and the log says why.
#include "app/modulo1.h"
#include "support/exclusive_holder.h"
#include "support/game_fixture.h"
#include "support/stderr_capture.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace korivanta;

namespace {

// More animals than the game once read with its first pages, and enough
// other words that the file has many pages to cut short.
QList<WordRow> words()
{
    QList<WordRow> rows;
    for (int i = 0; i < 12; ++i)
        rows << WordRow{QStringLiteral("uywa%1").arg(i), QStringLiteral("animal %1").arg(i), "animal", {}, {}};
    for (int i = 0; i < 300; ++i)
        rows << WordRow{QStringLiteral("uta%1").arg(i), "casa", "hogar", {}, {}};
    return rows;
}

QStringList animals()
{
    QStringList names;
    for (int i = 0; i < 12; ++i)
        names << QStringLiteral("uywa%1").arg(i);
    return names;
}

enum class Change { DropTable, DeleteRows, HalfCopy, LockedFiveSeconds, UpdateLaterWord };

// Another program's connection that takes the exclusive lock and lets it go
// after five seconds, from the event loop, as a program doing a long write
// would.
class LockHolder : public ExclusiveHolder {
public:
    explicit LockHolder(const QString &file) : ExclusiveHolder(file)
    {
        QTimer::singleShot(5000, &m_alive, [this] { release(); });
    }

private:
    QObject m_alive; // the timer goes with the holder
};

// Cuts a copy of the file short and renames it over the file, as a copy
// that stopped half-way and was put in place.
void putHalfCopyInPlace(const QString &file)
{
    const QString part = file + QStringLiteral(".part");
    QVERIFY(QFile::copy(file, part));
    QVERIFY(QFile::resize(part, QFileInfo(file).size() / 2));
    QCOMPARE(std::rename(QFile::encodeName(part).constData(), QFile::encodeName(file).constData()), 0);
}

// Clicks "Siguiente" until the category ends, and gives every word shown,
// the first one too.
QStringList playToTheEnd(GameFixture &f)
{
    QStringList shown;
    for (int i = 0; i < 40 && !f.text(QStringLiteral("Label12")).isEmpty(); ++i) {
        shown << f.text(QStringLiteral("Label12"));
        runHandler([&] { f.game().Image6_Click(); });
    }
    return shown;
}

} // namespace

Q_DECLARE_METATYPE(Change)

class TestChangingDatabase : public QObject {
    Q_OBJECT
private slots:
    void categoryGoesOnWhenTheDatabaseChanges_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("next"); // the words of the category at the next "Aceptar"
        QTest::addColumn<QString>("warning");  // in the log's warnings; empty: no warning
        QStringList updated = animals();
        updated[9] = QStringLiteral("qarwa");
        QTest::addRow("table dropped") << Change::DropTable << QStringList() << "no tiene la tabla";
        QTest::addRow("rows deleted") << Change::DeleteRows << QStringList() << "";
        QTest::addRow("half copy renamed over it") << Change::HalfCopy << animals() << "cambió en el disco";
        // The next category is read while the lock is still held: after the
        // wait it has no words, and the log says the database was locked.
        QTest::addRow("locked for 5 s") << Change::LockedFiveSeconds << QStringList() << "bloqueada";
        QTest::addRow("a later word written in place") << Change::UpdateLaterWord << updated << "";
    }
    void categoryGoesOnWhenTheDatabaseChanges()
    {
        QFETCH(Change, change);
        QFETCH(QStringList, next);
        QFETCH(QString, warning);
        GameFixture f(words());
        const QString file = f.databasePath();
        f.choose(2); // Animales
        f.aceptar();
        QCOMPARE(f.text(QStringLiteral("Label12")), QStringLiteral("uywa0"));
        runHandler([&] { f.game().Image6_Click(); });
        QCOMPARE(f.text(QStringLiteral("Label12")), QStringLiteral("uywa1"));

        StderrCapture log;
        std::unique_ptr<LockHolder> lock;
        switch (change) {
        case Change::DropTable:
            QCOMPARE(writeAsAnotherProgram(file, {QStringLiteral("DROP TABLE nominal")}), QString());
            break;
        case Change::DeleteRows:
            QCOMPARE(writeAsAnotherProgram(file, {QStringLiteral("DELETE FROM nominal")}), QString());
            break;
        case Change::HalfCopy: putHalfCopyInPlace(file); break;
        case Change::LockedFiveSeconds: lock = std::make_unique<LockHolder>(file); break;
        case Change::UpdateLaterWord:
            QCOMPARE(writeAsAnotherProgram(file, {QStringLiteral("UPDATE nominal SET nom_ay='qarwa' "
                                                                 "WHERE nom_ay='uywa9'")}),
                     QString());
            break;
        }
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(playToTheEnd(f), animals().mid(1));
        QVERIFY(!f.control(QStringLiteral("Image6"))->isEnabled());

        runHandler([&] { f.game().Image40_Click(); }); // Volver
        QVERIFY(f.form1().isVisible());
        f.aceptar();
        QVERIFY(f.game().isVisible());
        QCOMPARE(playToTheEnd(f), next);
        const QStringList warnings = StderrCapture::warnings(log.finish());

        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        QVERIFY(!programIsEnding());
        if (warning.isEmpty())
            QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
        else
            QVERIFY2(warnings.join('\n').contains(warning), qPrintable(warnings.join('\n')));

        // Once the other program is done, the game reads the database again.
        if (lock) {
            QTRY_VERIFY_WITH_TIMEOUT(!lock->held(), 10000);
            runHandler([&] { f.game().Image40_Click(); });
            f.aceptar();
            QCOMPARE(playToTheEnd(f), animals());
            QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        }
    }
};

QTEST_MAIN(TestChangingDatabase)
#include "tst_changing_database.moc"
