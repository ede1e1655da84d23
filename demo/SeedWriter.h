#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>

namespace Demo {

namespace Seeder {

// Runs the seeding statements; the first failure keeps its statement and
// error text for the caller.
class SeedWriter
{
public:
    explicit SeedWriter(QSqlDatabase& db) : m_db(db) {}

    bool prepare(QSqlQuery& query, const char* sql);
    bool exec(QSqlQuery& query, std::initializer_list<QVariant> values);
    bool run(const char* sql);

    const QString& error() const { return m_error; }

private:
    QSqlDatabase& m_db;
    QString m_error;
};

} // namespace Seeder

} // namespace Demo
