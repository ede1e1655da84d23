#pragma once

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>
#include <QVariantList>

#include <array>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace Demo {

// The registered errors a condition selects, read in pages by ID on a lent
// connection (the server thread's own) and written straight into the bytes of
// the answer as <Errore> records, so that a large report is never held whole
// in between. Every <Errore> record the service answers with (a report, a
// registration, a cancellation) is written here. Each page is read in a short
// read transaction of its own: a client that reads the answer slowly holds
// none between pages, and so never keeps checkpoints from resetting the
// write-ahead log.
class ErrorReport
{
public:
    // The most records read in one transaction.
    static constexpr int kPageRecords = 256;

    // Prepares the query on `connection`, which must outlive the report and
    // whose cached pages spare the report most of its work, and finds whether
    // it selects anything. `where` is a condition on the registered errors `e`
    // (WHERE ...) with `values` bound to it; the records come in ID order.
    // nullptr and `error` when the database fails.
    static std::unique_ptr<ErrorReport> on(sqlite3* connection, const QString& where,
                                           const QVariantList& values, QString* error);
    ~ErrorReport();
    ErrorReport(const ErrorReport&) = delete;
    ErrorReport& operator=(const ErrorReport&) = delete;

    bool atEnd() const { return m_done; }
    // Appends records to `out` until it has grown by at least `bytes` or the
    // rows are done, a page at a time; false when the database fails on the way.
    // Within a transaction of the connection, the records read are its own.
    bool write(QByteArray& out, qsizetype bytes);
    const QString& error() const { return m_error; }

private:
    ErrorReport() = default;
    // Prepares the query on m_db and finds its first ID.
    bool start(const QString& where, const QVariantList& values, QString* error);
    // Binds where the next page starts and how many records it may hold.
    bool bindPage(int records);
    bool fail(); // records the database's error; false
    bool writeRecord(QByteArray& out);

    // A row of one of the small tables a record names (pharmacies, drugs,
    // error codes): its texts in the order of its look-up, escaped; empty
    // when the record names none.
    using Texts = std::array<QByteArray, 3>;
    // The row of `key`, looked up once per report (a report names few of them
    // many times) with `sql`, prepared into `statement` at the first miss, its
    // key bound by `bind`; null when the database fails.
    template <typename Key, typename Bind>
    const Texts* lookUp(QHash<Key, Texts>& found, const Key& key, sqlite3_stmt*& statement,
                        const char* sql, Bind bind);

    QHash<QPair<QByteArray, qint64>, Texts> m_pharmacies; // by province and code
    QHash<QByteArray, Texts> m_drugs;                     // by AIC
    QHash<qint64, Texts> m_errorCodes;                    // by code
    sqlite3_stmt* m_pharmacyQuery = nullptr;
    sqlite3_stmt* m_drugQuery = nullptr;
    sqlite3_stmt* m_errorCodeQuery = nullptr;

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    int m_pageParameter = 0; // index of the first of the page's two parameters
    qint64 m_lastId = 0;     // the records up to this one are written
    bool m_done = false;
    QString m_error;
};

} // namespace Demo
