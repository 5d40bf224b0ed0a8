#include "support/words_fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace korivanta {

QString makeWordsDatabase(const QString &driveC, const QList<WordRow> &rows, const QString &createTable)
{
    const QString folder = driveC + QStringLiteral("/Trab_zumel");
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/diccionario.mdb");
    QFile::remove(path);
    const QString connection = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot make the words database: %s", qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        const QString create = createTable.isEmpty()
                                   ? QStringLiteral("CREATE TABLE nominal (nom_ay TEXT, nom_esp TEXT, categoria TEXT, "
                                                    "dibujo TEXT, sonido TEXT)")
                                   : createTable;
        if (!q.exec(create))
            qFatal("cannot make the words table: %s", qPrintable(q.lastError().text()));
        db.transaction();
        for (const WordRow &r : rows) {
            q.prepare(QStringLiteral("INSERT INTO nominal (nom_ay, nom_esp, categoria, dibujo, sonido) "
                                     "VALUES (?, ?, ?, ?, ?)"));
            for (const QVariant &v : {r.nom_ay, r.nom_esp, r.categoria, r.dibujo, r.sonido})
                q.addBindValue(v.isNull() ? QVariant(QMetaType::fromType<QString>()) : v);
            if (!q.exec())
                qFatal("cannot insert a word: %s", qPrintable(q.lastError().text()));
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return path;
}

void writePicture(const QString &file, int width, int height, Qt::GlobalColor color)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(color);
    if (!image.save(file, "BMP"))
        qFatal("cannot write %s", qPrintable(file));
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeAsAnotherProgram(const QString &file, const QStringList &statements)
{
    const QString connection = QUuid::createUuid().toString();
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            for (const QString &s :
                 QStringList{QStringLiteral("BEGIN IMMEDIATE")} + statements + QStringList{QStringLiteral("COMMIT")}) {
                if (!q.exec(s)) {
                    error = s + QStringLiteral(": ") + q.lastError().text();
                    q.exec(QStringLiteral("ROLLBACK"));
                    break;
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}

QStringList runawayNominal(Runaway kind)
{
    if (kind == Runaway::RecursiveView)
        return {QStringLiteral("DROP TABLE nominal"),
                QStringLiteral("CREATE VIEW nominal AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                               "SELECT 'inti' nom_ay, 'sol' nom_esp, 'naturaleza' categoria, '' dibujo, '' sonido "
                               "FROM c")};
    return {QStringLiteral("ALTER TABLE nominal RENAME TO palabras"),
            QStringLiteral("INSERT INTO palabras (nom_ay, nom_esp, categoria) WITH RECURSIVE c(x) AS (SELECT 1 UNION "
                           "ALL SELECT x+1 FROM c WHERE x < 1000) SELECT 'qarwa', 'llama', 'animal' FROM c"),
            QStringLiteral("CREATE VIEW nominal AS SELECT a.* FROM palabras a, palabras b, palabras c "
                           "WHERE a.rowid + b.rowid + c.rowid < 0")};
}

QList<WordRow> packageSampleWords()
{
    return {
        {"inti", "sol", "naturaleza", "c:\\Trab_zumel\\dibujos\\inti.bmp",
         "c:\\Trab_zumel\\sonido\\palabras\\inti.wav"},
        {"anu", "perro", "animal", "c:\\Trab_zumel\\dibujos\\anu.bmp", "c:\\Trab_zumel\\sonido\\palabras\\anu.wav"},
    };
}

QMap<QString, QByteArray> folderSnapshot(const QString &root)
{
    QMap<QString, QByteArray> all;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        all.insert(QDir(root).relativeFilePath(path), QFileInfo(path).isDir() ? QByteArray("<dir>") : fileBytes(path));
    }
    return all;
}

} // namespace korivanta
