#include "DpcService.h"

#include "DpcServiceSupport.h"
#include "ErrorReport.h"
#include "Money.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

using DpcServiceSupport::kFlowDpc;
using DpcServiceSupport::select;
using SoapMessage::Fragment;

// Reports of registered errors by year and month, and the <Errore> records
// that registering and cancelling an error answer with too.

namespace {

void writeErrorRecord(Fragment& out, const QSqlQuery& q)
{
    out.open("Errore")
        .leaf("ID", q.value(0).toLongLong())
        .leaf("Flusso", q.value(1).toString())
        .leaf("Anno", q.value(2).toLongLong())
        .leaf("Mese", q.value(3).toLongLong())
        .leaf("Codfarma", q.value(4).toLongLong())
        .leaf("Farmacia", q.value(5).toString())
        .leaf("NumricKey", q.value(6).toString())
        .leaf("Assistito", q.value(7).toString())
        .leaf("CodAssistito", q.value(8).toString())
        .leaf("AIC", q.value(9).toString())
        .leaf("Farmaco", q.value(10).toString())
        .leaf("Molecola", q.value(11).toString())
        .leaf("Pezzi", q.value(12).toLongLong())
        .leaf("Lordo", Money::format(q.value(13).toLongLong()))
        .leaf("CodErrore", q.value(14).toLongLong())
        .leaf("DescrizioneErrore", q.value(15).toString())
        .leaf("TipoAddebito", q.value(16).toString())
        .leaf("Soggetto", q.value(17).toString())
        .close("Errore");
}

} // namespace

DpcService::Result DpcService::errorRecords(const QString& where, const QVariantList& values)
{
    QSqlQuery q =
        select(m_db, ErrorReport::selectColumns() + where + QStringLiteral(" ORDER BY e.id"), values);
    Fragment out;
    bool any = false;
    while (q.next()) {
        any = true;
        writeErrorRecord(out, q);
    }
    return any ? Result(out.text()) : std::nullopt;
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
    return errorRecords(filter->where, filter->values);
}
