#include "tools_common/words_db.h"

#include "game/category_queries.h"
#include "game/grapheme_search.h"
#include "media/media_files.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace korivanta::wordsdb {

namespace {

QString keyOf(const CategoryQuery &c)
{
    static const QRegularExpression key(QStringLiteral("categoria='([^']+)'"));
    return key.match(QString::fromUtf16(c.query)).captured(1);
}

} // namespace

QStringList categoryKeys()
{
    QStringList keys;
    for (const CategoryQuery &c : kCategoryQueries) {
        const QString key = keyOf(c);
        if (!key.isEmpty())
            keys.append(key);
    }
    return keys;
}

QString categoryTitle(const QString &key)
{
    for (const CategoryQuery &c : kCategoryQueries)
        if (c.boardTitle && keyOf(c) == key)
            return QString::fromUtf16(c.boardTitle);
    return {};
}

QString checkWord(const QString &nomAy, const QString &nomEsp, const QString &categoria)
{
    if (nomAy.isEmpty())
        return QStringLiteral("falta la palabra aymara (nom_ay)");
    if (nomEsp.isEmpty())
        return QStringLiteral("falta la palabra en castellano (nom_esp) de «%1»").arg(nomAy);
    if (!spellableWithKeyboard(nomAy))
        return QStringLiteral("la palabra «%1» no se puede escribir con el teclado").arg(nomAy);
    const QStringList keys = categoryKeys();
    if (!keys.contains(categoria))
        return QStringLiteral("la palabra «%1» tiene una categoría desconocida «%2» (las categorías son: %3)")
            .arg(nomAy, categoria, keys.join(QStringLiteral(", ")));
    return {};
}

QString standardPicture(const QString &nomAy)
{
    return QString::fromUtf16(kWordPictureFolder) + nomAy + QStringLiteral(".bmp");
}

QString standardSound(const QString &nomAy)
{
    return QString::fromUtf16(kWordSoundFolder) + nomAy + QStringLiteral(".wav");
}

bool createTable(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    const QStringList setup = {
        QStringLiteral("PRAGMA journal_mode=DELETE"),
        QStringLiteral("CREATE TABLE nominal (nom_ay TEXT, nom_esp TEXT, categoria TEXT, dibujo TEXT, sonido TEXT)"),
        QStringLiteral("CREATE INDEX nominal_categoria ON nominal (categoria)"),
    };
    for (const QString &s : setup) {
        if (!q.exec(s)) {
            *error = q.lastError().text();
            return false;
        }
    }
    return true;
}

bool insertWords(QSqlDatabase &db, const QList<Word> &words, QString *error)
{
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    {
        QSqlQuery q(db);
        // Columns by name: a table with more fields than these five takes the
        // words all the same.
        if (!q.prepare(QStringLiteral(
                "INSERT INTO nominal (nom_ay, nom_esp, categoria, dibujo, sonido) VALUES (?, ?, ?, ?, ?)"))) {
            *error = q.lastError().text();
            db.rollback();
            return false;
        }
        for (const Word &w : words) {
            q.addBindValue(w.nomAy);
            q.addBindValue(w.nomEsp);
            q.addBindValue(w.categoria);
            q.addBindValue(w.dibujo);
            q.addBindValue(w.sonido);
            if (!q.exec()) {
                *error = q.lastError().text();
                q.finish();
                db.rollback();
                return false;
            }
        }
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

} // namespace korivanta::wordsdb
