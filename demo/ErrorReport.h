#pragma once

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>
#include <QVariantList>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// The registered errors a condition selects, read in pages by ID on a lent
// connection (the server thread's own) and written straight into the bytes of
// the answer as <Errore> records, so that a large report is never held whole
// in between. Each page is read in a short read transaction of its own: a
// client that reads the answer slowly holds none between pages, and so never
// keeps checkpoints from resetting the write-ahead log.
class ErrorReport
{
public:
    // The columns of a record and the joins that give them, for answers built
    // whole; a condition on the registered errors `e` (WHERE ... ORDER BY ...)
    // (WHERE ...) follows; the records come in ID order. The report gives the
    // same records.
    static const QString& selectColumns();

    // The most records read in one transaction.
    static constexpr int kPageRecords = 256;

    // Prepares the query on `connection`, which must outlive the report and
    // whose cached pages spare the report most of its work, and finds whether
    // it selects anything. nullptr and `error` when the database fails.
    static std::unique_ptr<ErrorReport> on(sqlite3* connection, const QString& where,
                                           const QVariantList& values, QString* error);
    ~ErrorReport();
    ErrorReport(const ErrorReport&) = delete;
    ErrorReport& operator=(const ErrorReport&) = delete;

    bool atEnd() const { return m_done; }
    // Appends records to `out` until it has grown by at least `bytes` or the
    // rows are done, a page at a time; false when the database fails on the way.
    bool write(QByteArray& out, qsizetype bytes);
    const QString& error() const { return m_error; }

private:
    ErrorReport() = default;
    // Loads the small tables, prepares the query on m_db and finds its first ID.
    bool start(const QString& where, const QVariantList& values, QString* error);
    bool loadLookups();
    // Binds where the next page starts and how many records it may hold.
    bool bindPage(int records);
    bool fail(); // records the database's error; false
    void writeRecord(QByteArray& out) const;

    // The small tables, their texts already escaped.
    struct Drug
    {
        QByteArray farmaco;
        QByteArray molecola;
    };
    struct ErrorCode
    {
        QByteArray descrizione;
        QByteArray tipoAddebito;
        QByteArray soggetto;
    };
    QHash<QPair<QByteArray, qint64>, QByteArray> m_pharmacies; // by province and code
    QHash<QByteArray, Drug> m_drugs;                           // by AIC
    QHash<qint64, ErrorCode> m_errorCodes;                     // by code

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    int m_pageParameter = 0; // index of the first of the page's two parameters
    qint64 m_lastId = 0;     // the records up to this one are written
    bool m_done = false;
    QString m_error;
};
