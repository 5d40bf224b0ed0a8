// Builds the words database from the word list (CSV: nom_ay, nom_esp,
// categoria, ...). Every word must be spellable with the game's keyboard and
// belong to one of the game's categories; the build stops, naming the word,
// when one is not. Each row names its picture and sound under the media root.
#include "wordstore/csv.h"
#include "wordstore/words_db.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>

#include <cstdio>

using namespace korivanta;

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "korivanta-make-db: %s\n", qUtf8Printable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return fail(QStringLiteral("uso: korivanta-make-db palabras.csv diccionario.mdb"));
    const QString csvPath = QString::fromLocal8Bit(argv[1]);
    const QString dbPath = QString::fromLocal8Bit(argv[2]);

    QString error;
    const QList<CsvRecord> rows = readCsvRecords(csvPath, &error);
    if (!error.isEmpty())
        return fail(error);
    if (rows.size() < 2)
        return fail(QStringLiteral("%1: no hay palabras").arg(csvPath));

    const QStringList header = rows.front().fields;
    const int ay = header.indexOf(QStringLiteral("nom_ay"));
    const int esp = header.indexOf(QStringLiteral("nom_esp"));
    const int cat = header.indexOf(QStringLiteral("categoria"));
    if (ay < 0 || esp < 0 || cat < 0)
        return fail(QStringLiteral("%1: faltan las columnas nom_ay, nom_esp o categoria").arg(csvPath));

    QList<wordsdb::Word> words;
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QStringList &r = rows[i].fields;
        const QString word = r.value(ay).normalized(QString::NormalizationForm_C);
        const QString spanish = r.value(esp).normalized(QString::NormalizationForm_C);
        const QString problem = wordsdb::checkWord(word, spanish, r.value(cat));
        if (!problem.isEmpty())
            return fail(QStringLiteral("%1, línea %2: %3").arg(csvPath).arg(rows[i].line).arg(problem));
        words.append({word, spanish, r.value(cat), wordsdb::standardPicture(word), wordsdb::standardSound(word)});
    }

    // Write a new file next to the target and move it into place at the end.
    const QString tmpPath = dbPath + QStringLiteral(".tmp");
    QFile::remove(tmpPath);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make-db"));
        db.setDatabaseName(tmpPath);
        if (!db.open())
            return fail(db.lastError().text());
        if (!wordsdb::createTable(db, &error) || !wordsdb::insertWords(db, words, &error))
            return fail(error);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make-db"));
    QFile::remove(dbPath);
    if (!QFile::rename(tmpPath, dbPath))
        return fail(QStringLiteral("no se puede escribir %1").arg(dbPath));
    return 0;
}
