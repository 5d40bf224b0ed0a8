#include "support/exclusive_holder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

ExclusiveHolder::ExclusiveHolder(const QString &file) : m_name(QUuid::createUuid().toString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    if (!db.open() || !QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")))
        qFatal("cannot take the exclusive lock of %s", qPrintable(file));
    m_held = true;
}

ExclusiveHolder::~ExclusiveHolder()
{
    release();
}

void ExclusiveHolder::release()
{
    if (!m_held)
        return;
    m_held = false;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}
