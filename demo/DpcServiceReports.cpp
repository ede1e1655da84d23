#include "DpcService.h"

#include "DpcServiceSupport.h"
#include "ErrorReport.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <limits>

namespace Demo {

using DpcServiceSupport::kFlowDpc;
using DpcServiceSupport::select;
using SoapMessage::Fault;

// Reports of registered errors by year and month, and the <Errore> records
// that registering and cancelling an error answer with too.

std::unique_ptr<ErrorReport> DpcService::report(const ReportFilter& filter) const
{
    sqlite3* const connection = sqliteHandle();
    QString error;
    std::unique_ptr<ErrorReport> report =
        connection ? ErrorReport::on(connection, filter.where, filter.values, &error) : nullptr;
    if (!report)
        throw Fault(Fault::Code::Receiver,
                    QStringLiteral("Database error: ") +
                        (connection ? error : QStringLiteral("not an SQLite database")));
    return report;
}

DpcService::Result DpcService::errorRecords(const ReportFilter& filter) const
{
    const std::unique_ptr<ErrorReport> records = report(filter);
    if (records->atEnd())
        return std::nullopt;
    QByteArray out;
    if (!records->write(out, std::numeric_limits<qsizetype>::max()))
        throw Fault(Fault::Code::Receiver, QStringLiteral("Database error: ") + records->error());
    return QString::fromUtf8(out);
}

std::optional<DpcService::ReportFilter> DpcService::reportFilter(const Args& args) const
{
    const QString prov = province(args);
    const int mese = args.integer("mese");
    const int farmacia = args.integer("farmacia");
    if (prov.isEmpty() || args.integer("flusso") != kFlowDpc || mese < 0 || mese > 12)
        return std::nullopt;
    // A whole year of a province is a large part of the table: it is read in
    // ID order (the unary plus keeps the month index out), so that the first
    // records come at once instead of after sorting them all.
    const bool wholeYear = mese == 0 && farmacia == 0;
    ReportFilter filter{wholeYear ? QStringLiteral("WHERE +e.prov = ? AND +e.anno = ?")
                                  : QStringLiteral("WHERE e.prov = ? AND e.anno = ?"),
                        {prov, args.integer("anno")}};
    if (mese != 0) {
        filter.where += QStringLiteral(" AND e.mese = ?");
        filter.values << mese;
    }
    if (farmacia != 0) {
        filter.where += QStringLiteral(" AND e.codfarma = ?");
        filter.values << farmacia;
    }
    filter.where += QStringLiteral(" AND e.cancelled_at IS NULL");
    return filter;
}

bool DpcService::isSmallReport(const Args& args, int most) const
{
    if (args.integer("mese") == 0 || args.integer("farmacia") == 0)
        return false;
    const std::optional<ReportFilter> filter = reportFilter(args);
    if (!filter)
        return true; // refused whole, without a record
    QSqlQuery count =
        select(m_db,
               QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM registered_errors e ") +
                   filter->where + QStringLiteral(" LIMIT ?)"),
               filter->values + QVariantList{most + 1});
    return count.next() && count.value(0).toInt() <= most;
}

sqlite3* DpcService::sqliteHandle() const
{
    const QVariant handle = m_db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

DpcService::Result DpcService::loadErroriByAnnoMese(const Args& args)
{
    const std::optional<ReportFilter> filter = reportFilter(args);
    if (!filter)
        return std::nullopt;
    return errorRecords(*filter);
}

} // namespace Demo
