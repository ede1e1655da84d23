#pragma once

#include <QSqlDatabase>
#include <QString>

namespace Demo {

// Creates the tables and fills them with the demo data, deterministically
// (fixed random seed): the same scale always gives the same rows. Runs inside
// the caller's transaction.
namespace Seeder {

inline constexpr int kSchemaVersion = 1;

bool createSchema(QSqlDatabase& db, QString* error);
bool seed(QSqlDatabase& db, int scale, QString* error);

} // namespace Seeder

} // namespace Demo
