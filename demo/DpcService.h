#pragma once

#include "SoapMessage.h"

#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

struct sqlite3;

namespace Demo {

class ErrorReport;

// What each operation answers, from the demo database. Every answer is
// limited to the caller's province; nothing is ever built into SQL from the
// request. A result of std::nullopt is "not found" (no result element).
class DpcService
{
public:
    // Connections of one process that share `writeLock` take turns at changes
    // through it: a waiting change is woken at once instead of polling SQLite's lock.
    explicit DpcService(QSqlDatabase db, std::mutex* writeLock = nullptr);

    // Reads the provinces; call once after the database is seeded.
    bool load(QString* error);

    // The operations the service answers, each with its request children, its
    // result type and the member that answers it.
    static std::span<const Operations::Operation> operations();

    // Answers a request parsed against operations(). Throws SoapMessage::Fault
    // (Sender for a refused request, Receiver for a database failure, after
    // which nothing has changed).
    std::optional<QString> call(const SoapMessage::Request& request);

    // The registered errors a report request selects: a condition on the
    // registered errors and its bound values, as ErrorReport takes them. None
    // when the request finds nothing.
    struct ReportFilter
    {
        QString where;
        QVariantList values;
    };
    std::optional<ReportFilter> reportFilter(const SoapMessage::Arguments& args) const;

    // Whether a report is one pharmacy's month of at most `most` records, small
    // enough to build whole (counted on the month index).
    bool isSmallReport(const SoapMessage::Arguments& args, int most) const;
    // The registered errors `filter` selects, as <Errore> records read on this
    // service's connection. Throws SoapMessage::Fault (Receiver) when the
    // database fails.
    std::unique_ptr<ErrorReport> report(const ReportFilter& filter) const;
    // The SQLite connection underneath; null when the driver is not SQLite's.
    sqlite3* sqliteHandle() const;

private:
    using Args = SoapMessage::Arguments;
    using Result = std::optional<QString>;

    Result loginUser(const Args& args);
    Result loadTabErrori(const Args& args);
    Result queryRicette(const Args& args);
    Result loadListaFarmacie(const Args& args);
    Result erroreDpc(const Args& args);
    Result farmacoByAic(const Args& args);
    Result farmacoByPattivo(const Args& args);
    Result findByCf(const Args& args);
    Result findFarma(const Args& args);
    Result findFarmaById(const Args& args);
    Result loadErroriByAnnoMese(const Args& args);
    Result annullaErrore(const Args& args);

    // The caller's province, or an empty text when it is not one of ours.
    QString province(const Args& args, const char* name = "prov") const;
    // The registered errors the filter selects, as <Errore> records.
    Result errorRecords(const ReportFilter& filter) const;

    QSqlDatabase m_db;
    std::mutex* m_writeLock;
    QSet<QString> m_provinces;
};

} // namespace Demo
