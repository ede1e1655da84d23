#pragma once

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>
#include <QVariantList>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// The registered errors a condition selects, read row by row (on a connection
// of their own, or on one lent for a small report) and written straight into
// the bytes of the answer as <Errore> records, so that a large report is never
// held whole in between.
class ErrorReport
{
public:
    // The columns of a record and the joins that give them, for answers built
    // whole; a condition on the registered errors `e` (WHERE ... ORDER BY ...)
    // follows. The stream gives the same records.
    static const QString& selectColumns();

    // Opens the database file and runs the query; nullptr and `error` when
    // either fails.
    static std::unique_ptr<ErrorReport> open(const QString& databaseFile, const QString& where,
                                             const QVariantList& values, QString* error);
    // The same on a connection that stays open after the report (and must
    // not be used until the report is done), whose cached pages spare a small
    // report most of its work.
    static std::unique_ptr<ErrorReport> on(sqlite3* connection, const QString& where,
                                           const QVariantList& values, QString* error);
    ~ErrorReport();
    ErrorReport(const ErrorReport&) = delete;
    ErrorReport& operator=(const ErrorReport&) = delete;

    bool atEnd() const { return !m_row; }
    // Appends records to `out` until it has grown by at least `bytes` or the
    // rows are done; false when the database fails on the way.
    bool write(QByteArray& out, qsizetype bytes);
    const QString& error() const { return m_error; }

private:
    ErrorReport() = default;
    // Loads the small tables and runs the query on m_db.
    bool start(const QString& where, const QVariantList& values, QString* error);
    bool loadLookups();
    bool step();
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
    bool m_ownsDb = true;
    sqlite3_stmt* m_statement = nullptr;
    bool m_row = false;
    QString m_error;
};
