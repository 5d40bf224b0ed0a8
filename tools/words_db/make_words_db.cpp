// Builds the words database from the word list (CSV: nom_ay, nom_esp,
// categoria, ...). Every word must be spellable with the game's keyboard and
// belong to one of the game's categories; the build stops, naming the word,
// when one is not. Each row names its picture and sound under the media root.
#include "game/category_queries.h"
#include "game/grapheme_search.h"
#include "media/media_files.h"
#include "tools_common/csv.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

using namespace korivanta;

namespace {

QSet<QString> categoryKeys()
{
    QSet<QString> keys;
    static const QRegularExpression key(QStringLiteral("categoria='([^']+)'"));
    for (const CategoryQuery &c : kCategoryQueries) {
        const auto m = key.match(QString::fromUtf16(c.query));
        if (m.hasMatch())
            keys.insert(m.captured(1));
    }
    return keys;
}

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
    const auto rows = readCsv(csvPath, &error);
    if (!error.isEmpty())
        return fail(error);
    if (rows.size() < 2)
        return fail(QStringLiteral("%1: no hay palabras").arg(csvPath));

    const QStringList header = rows.front();
    const int ay = header.indexOf(QStringLiteral("nom_ay"));
    const int esp = header.indexOf(QStringLiteral("nom_esp"));
    const int cat = header.indexOf(QStringLiteral("categoria"));
    if (ay < 0 || esp < 0 || cat < 0)
        return fail(QStringLiteral("%1: faltan las columnas nom_ay, nom_esp o categoria").arg(csvPath));

    const QSet<QString> keys = categoryKeys();
    for (qsizetype line = 1; line < rows.size(); ++line) {
        const QStringList &r = rows[line];
        const QString word = r.value(ay).normalized(QString::NormalizationForm_C);
        if (!spellableWithKeyboard(word))
            return fail(QStringLiteral("%1, línea %2: la palabra «%3» no se puede escribir con el teclado")
                            .arg(csvPath)
                            .arg(line + 1)
                            .arg(word));
        if (!keys.contains(r.value(cat)))
            return fail(QStringLiteral("%1, línea %2: la palabra «%3» tiene una categoría desconocida «%4»")
                            .arg(csvPath)
                            .arg(line + 1)
                            .arg(word, r.value(cat)));
    }

    // Write a new file next to the target and move it into place at the end.
    const QString tmpPath = dbPath + QStringLiteral(".tmp");
    QFile::remove(tmpPath);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make-db"));
        db.setDatabaseName(tmpPath);
        if (!db.open())
            return fail(db.lastError().text());
        QSqlQuery q(db);
        const QStringList setup = {
            QStringLiteral("PRAGMA journal_mode=DELETE"),
            QStringLiteral(
                "CREATE TABLE nominal (nom_ay TEXT, nom_esp TEXT, categoria TEXT, dibujo TEXT, sonido TEXT)"),
            QStringLiteral("CREATE INDEX nominal_categoria ON nominal (categoria)"),
        };
        for (const QString &s : setup)
            if (!q.exec(s))
                return fail(q.lastError().text());
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO nominal VALUES (?, ?, ?, ?, ?)"));
        for (qsizetype line = 1; line < rows.size(); ++line) {
            const QStringList &r = rows[line];
            const QString word = r.value(ay).normalized(QString::NormalizationForm_C);
            q.addBindValue(word);
            q.addBindValue(r.value(esp).normalized(QString::NormalizationForm_C));
            q.addBindValue(r.value(cat));
            q.addBindValue(QString::fromUtf16(kWordPictureFolder) + word + QStringLiteral(".bmp"));
            q.addBindValue(QString::fromUtf16(kWordSoundFolder) + word + QStringLiteral(".wav"));
            if (!q.exec())
                return fail(q.lastError().text());
        }
        if (!db.commit())
            return fail(db.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make-db"));
    QFile::remove(dbPath);
    if (!QFile::rename(tmpPath, dbPath))
        return fail(QStringLiteral("no se puede escribir %1").arg(dbPath));
    return 0;
}
