#include "game/whole_database.h"

#include "game/data_control.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace korivanta {

std::optional<UntrappedError> wholeDatabaseProblem(const QSqlDatabase &db, const QString &databaseName,
                                                   const QString &table)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // quick_check reads every page of every table and index: a file cut short
    // or overwritten in the middle shows here, not half-way through a
    // category. One problem is enough to refuse the file.
    const QString check = QStringLiteral("PRAGMA quick_check(1)");
    if (!q.exec(check) || !q.next())
        return databaseError(q.lastError(), DatabaseStep::Open, databaseName);
    const QString verdict = q.value(0).toString();
    q.finish();
    if (verdict != QLatin1String("ok"))
        return UntrappedError(ErrorNumber::UnrecognizedDatabase,
                              QStringLiteral("El archivo de la base de datos de palabras «%1» está dañado (%2).")
                                  .arg(databaseName, verdict));
    const QString first = QStringLiteral("SELECT * FROM \"%1\" LIMIT 1").arg(QString(table).replace('"', "\"\""));
    if (!q.exec(first)) {
        const QSqlError error = q.lastError();
        const bool missing = !db.tables(QSql::AllTables).contains(table, Qt::CaseInsensitive);
        return databaseError(error, DatabaseStep::Query, databaseName, first, missing);
    }
    while (q.next()) {
    }
    const QSqlError error = q.lastError();
    q.finish();
    if (error.isValid())
        return databaseError(error, DatabaseStep::Query, databaseName, first);
    return std::nullopt;
}

} // namespace korivanta
