// The words database is shared with other programs (the word tool, an SQLite
// editor): the game holds no lock on it between handlers, and a database
// replaced on disk is read afresh at the next "Aceptar".
#include "app/modulo1.h"
#include "support/game_fixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace korivanta;

namespace {

QList<WordRow> words()
{
    return {
        {"inti", "sol", "naturaleza", {}, {}},
        {"anu", "perro", "animal", {}, {}},
        {"phisi", "gato", "animal", {}, {}},
        {"qarwa", "llama", "animal", {}, {}},
    };
}

const QString kInsert = QStringLiteral("INSERT INTO nominal VALUES ('wank''u', 'cuy', 'animal', '', '')");

} // namespace

class TestSharedDatabase : public QObject {
    Q_OBJECT
private slots:
    void anotherProgramWritesWhileTheGameRuns()
    {
        GameFixture f(words());
        f.choose(2); // Animales
        ConObj &game = f.aceptar();
        QVERIFY(f.errors.isEmpty());
        QCOMPARE(f.text(QStringLiteral("Label12")), QStringLiteral("anu"));
        QCOMPARE(writeAsAnotherProgram(f.databasePath(), {kInsert}), QString());

        runHandler([&] { game.Image6_Click(); });
        QCOMPARE(f.text(QStringLiteral("Label12")), QStringLiteral("phisi"));
        QCOMPARE(writeAsAnotherProgram(f.databasePath(), {kInsert}), QString());

        runHandler([&] { game.Image40_Click(); }); // Volver
        QVERIFY(f.form1().isVisible());
        QCOMPARE(writeAsAnotherProgram(f.databasePath(), {QStringLiteral("DELETE FROM nominal WHERE nom_ay='inti'")}),
                 QString());
        QVERIFY(f.errors.isEmpty());
    }

    // The word tool puts new words in place by renaming a new file over the
    // old one: the category being played reads on from the old file, and the
    // next "Aceptar" opens the new one.
    void replacedDatabaseIsReadAtTheNextAceptar()
    {
        GameFixture f(words());
        f.choose(2); // Animales
        ConObj &game = f.aceptar();
        QCOMPARE(f.text(QStringLiteral("Label12")), QStringLiteral("anu"));

        QTemporaryDir other;
        const QString fresh = makeWordsDatabase(other.path(), {{"wank'u", "cuy", "animal", {}, {}},
                                                               {"jamach'i", "pájaro", "ave", {}, {}},
                                                               {"asiru", "serpiente", "animal", {}, {}}});
        QVERIFY(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(f.databasePath()).constData()) == 0);

        runHandler([&] { game.Image6_Click(); }); // Siguiente: still the old file
        QCOMPARE(f.text(QStringLiteral("Label12")), QStringLiteral("phisi"));
        runHandler([&] { game.Image40_Click(); }); // Volver
        f.aceptar();
        QCOMPARE(f.text(QStringLiteral("Label12")), QStringLiteral("wank'u"));
        runHandler([&] { game.Image6_Click(); });
        QCOMPARE(f.text(QStringLiteral("Label12")), QStringLiteral("asiru"));
        QVERIFY(f.errors.isEmpty());
    }
};

QTEST_MAIN(TestSharedDatabase)
#include "tst_shared_database.moc"
