#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <mutex>

namespace Demo {

// What the operations of DpcService share: statements that turn a database
// failure into a fault, the change transaction, and readings of request texts.
namespace DpcServiceSupport {

// The flow code of the D.P.C. dispensing; the only one this service holds.
inline constexpr int kFlowDpc = 2;
inline constexpr const char* kFlowName = "DPC";

// Runs a query with bound values; a failure is the service's, not the caller's.
QSqlQuery select(const QSqlDatabase& db, const QString& sql, const QVariantList& values);

// One transaction per change; rolled back unless committed. It takes the
// database's write lock at once (BEGIN IMMEDIATE), so that concurrent changes
// wait for each other instead of failing when a reader turns writer. The
// process's `writeLock` queues this process's changes without SQLite's polling
// busy wait; it is held only while the transaction holds the database, never
// while waiting for another process or connection (up to 5 s) to let go.
class Transaction
{
public:
    Transaction(QSqlDatabase& db, std::mutex* writeLock);
    ~Transaction();
    void commit();

private:
    void run(const char* sql);

    std::unique_lock<std::mutex> m_lock;
    QSqlDatabase& m_db;
    bool m_done = false;
};

// The whole number at the start of a text, read as the operator's program
// reads it: blanks skipped, an optional sign, digits up to the first other
// character; no digit gives 0.
struct LeadingNumber
{
    qint64 value = 0;
    bool overflow = false; // more than 32 bits
};

LeadingNumber leadingNumber(const QString& text);

// A package code of digits, padded with leading zeros to nine; any other
// text only trimmed.
QString normalizedAic(const QString& text);

} // namespace DpcServiceSupport

} // namespace Demo
