// A word list is bounded: at most 50,000 words and 10 MB, whether a teacher's
// CSV file or a pack's list. A longer one is refused at once, before any row
// is checked, with a Spanish reason, and the school's words stay as they were.
#include "support/media_fixtures.h"
#include "support/school_fixture.h"
#include "support/words_fixture.h"
#include "wordstore/csv.h"
#include "wordstore/school_store.h"

#include <QTemporaryDir>
#include <QTest>

using namespace korivanta;
using namespace korivanta::wordstore;

namespace {

// A list of `rows` words: distinct, spelled with the keyboard's letters.
QByteArray wordList(qsizetype rows, const QByteArray &padding = {})
{
    static const char *const syllables[] = {"ja", "ma", "ku", "ta", "pi", "ri", "na", "wa", "lu", "su"};
    QByteArray list = "nom_ay,nom_esp,categoria\n";
    list.reserve(rows * 24 + 32);
    for (qsizetype i = 0; i < rows; ++i) {
        for (qsizetype n = i + 1000000; n > 1; n /= 10) // six syllables, one per digit after the leading 1
            list += syllables[n % 10];
        list += ",palabra" + padding + ",persona\n";
    }
    return list;
}

} // namespace

class TestWordListBounds : public QObject {
    Q_OBJECT

private slots:
    void theRowBoundIsExact_data();
    void theRowBoundIsExact();
    void listsBeyondTheBoundsAreRefusedAndChangeNothing_data();
    void listsBeyondTheBoundsAreRefusedAndChangeNothing();
};

void TestWordListBounds::theRowBoundIsExact_data()
{
    QTest::addColumn<qsizetype>("rows");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("50,000 words") << kMaxWordListRows << true;
    QTest::newRow("50,001 words") << kMaxWordListRows + 1 << false;
    QTest::newRow("a million words") << qsizetype(1000000) << false;
}

void TestWordListBounds::theRowBoundIsExact()
{
    QFETCH(qsizetype, rows);
    QFETCH(bool, accepted);
    QString error;
    CsvText text;
    text.text = QString::fromLatin1(wordList(rows));
    const QList<CsvRecord> records = parseWordList(QStringLiteral("lista.csv"), text, &error);
    if (accepted) {
        QCOMPARE(error, QString());
        QCOMPARE(records.size(), rows + 1);
        QCOMPARE(records.last().line, rows + 1);
    } else {
        QVERIFY(records.isEmpty());
        QCOMPARE(error, QStringLiteral("lista.csv: la lista tiene más de 50000 palabras; una lista de palabras tiene "
                                       "como mucho 50000 (divídala en varias)"));
    }
}

void TestWordListBounds::listsBeyondTheBoundsAreRefusedAndChangeNothing_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QString>("reason");
    QTest::newRow("50,001 words") << wordList(kMaxWordListRows + 1) << "la lista tiene más de 50000 palabras";
    QTest::newRow("a million words in 25 MB") << wordList(1000000) << "la lista ocupa más de 10 MB";
    QTest::newRow("5,000 words in 11 MB") << wordList(5000, QByteArray(2200, 'a')) << "la lista ocupa más de 10 MB";
    // Short rows: 10 MB would hold over a million of them.
    QByteArray blank = wordList(0);
    for (int i = 0; i < 1000000; ++i)
        blank += "a,b,persona\n";
    QTest::newRow("a million short rows in 12 MB") << blank << "la lista ocupa más de 10 MB";
    QByteArray shortRows = wordList(0);
    for (int i = 0; i < 700000; ++i)
        shortRows += "a,b,c\n";
    QTest::newRow("700,000 short rows in 4 MB") << shortRows << "la lista tiene más de 50000 palabras";
}

void TestWordListBounds::listsBeyondTheBoundsAreRefusedAndChangeNothing()
{
    QFETCH(QByteArray, list);
    QFETCH(QString, reason);
    SchoolWithOneWord f;
    auto &[package, school, teacher, store] = f;
    const QString csv = teacher.filePath(QStringLiteral("palabras.csv"));
    writeFile(csv, list);
    const QMap<QString, QByteArray> before = folderSnapshot(school.path());

    const wordtool::ImportResult result = store.importCsv(csv);
    QCOMPARE(result.errors.size(), 1);
    QVERIFY2(result.errors.front().startsWith(csv + QStringLiteral(": ") + reason), qPrintable(result.errors.front()));
    QCOMPARE(result.added, 0);
    QCOMPARE(folderSnapshot(school.path()), before);
}

QTEST_GUILESS_MAIN(TestWordListBounds)
#include "tst_word_list_bounds.moc"
