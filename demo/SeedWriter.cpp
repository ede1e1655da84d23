#include "SeedWriter.h"

#include <QSqlError>

namespace Demo {

namespace Seeder {

bool SeedWriter::prepare(QSqlQuery& query, const char* sql)
{
    query = QSqlQuery(m_db);
    if (query.prepare(QString::fromLatin1(sql)))
        return true;
    m_error = QString::fromLatin1(sql) + QStringLiteral(": ") + query.lastError().text();
    return false;
}

bool SeedWriter::exec(QSqlQuery& query, std::initializer_list<QVariant> values)
{
    int i = 0;
    for (const QVariant& value : values)
        query.bindValue(i++, value);
    if (query.exec())
        return true;
    m_error = query.lastQuery() + QStringLiteral(": ") + query.lastError().text();
    return false;
}

bool SeedWriter::run(const char* sql)
{
    QSqlQuery query(m_db);
    if (query.exec(QString::fromLatin1(sql)))
        return true;
    m_error = QString::fromLatin1(sql) + QStringLiteral(": ") + query.lastError().text();
    return false;
}

} // namespace Seeder

} // namespace Demo
