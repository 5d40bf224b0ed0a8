// The word list the build makes the game's words from (assets/words.csv): each
// row says how sure its spelling is and where it was found, no category names
// one thing twice, every word names files of its own, and the counts the
// README gives per category are the list's.
#include "wordstore/csv.h"

#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace korivanta;

namespace {

struct Row {
    qsizetype line = 0;
    QString nomAy;
    QString nomEsp;
    QString categoria;
    QString emoji;
    QString confidence;
    QString source;
};

QString sourceDir()
{
    return qEnvironmentVariable("KORIVANTA_SOURCE_DIR");
}

// The rows of the list, or an empty list with why set.
QList<Row> readRows(QString *why)
{
    const QList<CsvRecord> records = readCsvRecords(sourceDir() + QStringLiteral("/assets/words.csv"), why);
    if (!why->isEmpty() || records.isEmpty())
        return {};
    const QStringList header = records.front().fields;
    const auto column = [&header](const char *name) { return header.indexOf(QLatin1String(name)); };
    const qsizetype ay = column("nom_ay"), esp = column("nom_esp"), cat = column("categoria"), emoji = column("emoji"),
                    confidence = column("confidence"), source = column("source");
    if (ay < 0 || esp < 0 || cat < 0 || emoji < 0 || confidence < 0 || source < 0) {
        *why = QStringLiteral("header without nom_ay, nom_esp, categoria, emoji, confidence and source: ") +
               header.join(u',');
        return {};
    }
    QList<Row> rows;
    for (qsizetype i = 1; i < records.size(); ++i) {
        const QStringList &f = records[i].fields;
        rows.append({records[i].line, f.value(ay), f.value(esp), f.value(cat), f.value(emoji).trimmed(),
                     f.value(confidence), f.value(source).trimmed()});
    }
    return rows;
}

QString where(const Row &r)
{
    return QStringLiteral("line %1 (%2)").arg(r.line).arg(r.nomAy);
}

} // namespace

class TestWordList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString why;
        m_rows = readRows(&why);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QVERIFY2(!m_rows.isEmpty(), "KORIVANTA_SOURCE_DIR must name the sources with assets/words.csv");
    }

    // Every word says how sure its spelling is and where it was found.
    void everyRowHasConfidenceAndSource()
    {
        const QStringList levels{QStringLiteral("high"), QStringLiteral("medium"), QStringLiteral("low")};
        for (const Row &r : std::as_const(m_rows)) {
            QVERIFY2(levels.contains(r.confidence), qPrintable(where(r) + ": confidence «" + r.confidence + "»"));
            QVERIFY2(!r.source.isEmpty(), qPrintable(where(r) + ": no source"));
        }
    }

    void oneRowFor_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("inCategory");
        // Two rows of one category with one Spanish name would show one
        // picture and caption for two answers.
        QTest::addRow("Spanish name in a category") << QStringLiteral("nom_esp") << true;
        // The picture and the sound are named after the Aymara word alone, so
        // the same word twice, even in two categories, would share them.
        QTest::addRow("Aymara word in the list") << QStringLiteral("nom_ay") << false;
    }

    void oneRowFor()
    {
        QFETCH(QString, what);
        QFETCH(bool, inCategory);
        QHash<QString, Row> seen;
        for (const Row &r : std::as_const(m_rows)) {
            const QString name = what == QLatin1String("nom_esp") ? r.nomEsp : r.nomAy;
            const QString key = (inCategory ? r.categoria + u'/' : QString()) + name;
            const auto other = seen.constFind(key);
            QVERIFY2(other == seen.constEnd(), qPrintable(where(r) + " repeats " + what + " «" + name + "» of " +
                                                          (other == seen.constEnd() ? QString() : where(*other))));
            seen.insert(key, r);
        }
    }

    // The README's table of categories gives each category's number of words.
    void readmeCountsAreTheList()
    {
        QMap<QString, int> counted;
        for (const Row &r : std::as_const(m_rows))
            ++counted[r.categoria];

        QFile readme(sourceDir() + QStringLiteral("/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly | QIODevice::Text));
        // A table row: | Naturaleza | `naturaleza` | 25 |
        static const QRegularExpression row(QStringLiteral("^\\|[^|]*\\|\\s*`([a-z]+)`\\s*\\|\\s*(\\d+)\\s*\\|"));
        QMap<QString, int> stated;
        for (const QString &line : QString::fromUtf8(readme.readAll()).split(u'\n')) {
            const QRegularExpressionMatch m = row.match(line);
            if (m.hasMatch())
                stated.insert(m.captured(1), m.captured(2).toInt());
        }
        QCOMPARE(stated, counted);
    }

private:
    QList<Row> m_rows;
};

QTEST_GUILESS_MAIN(TestWordList)
#include "tst_word_list.moc"
