#include "DpcService.h"

#include "DpcServiceSupport.h"

#include <QSqlQuery>
#include <QVariant>

namespace Demo {

using DpcServiceSupport::kFlowDpc;
using DpcServiceSupport::LeadingNumber;
using DpcServiceSupport::leadingNumber;
using DpcServiceSupport::select;
using SoapMessage::Fault;
using SoapMessage::Fragment;

// Prescriptions and pharmacies.

DpcService::Result DpcService::queryRicette(const Args& args)
{
    // Only the one query form the program sends is understood; the number is
    // taken out of it and looked up as a bound value.
    static const QString prefix = QStringLiteral(" WHERE Ricette.numrickey='");
    const QString query = args.text("query");
    if (!query.startsWith(prefix) || !query.endsWith(u'\'') || query.size() < prefix.size() + 1)
        throw Fault(Fault::Code::Sender, QStringLiteral("Unsupported query"));
    const QString raw = query.mid(prefix.size(), query.size() - prefix.size() - 1);
    if (raw.contains(u'\''))
        throw Fault(Fault::Code::Sender, QStringLiteral("Unsupported query"));
    const QString prov = province(args);
    const QString number = raw.trimmed();
    if (prov.isEmpty() || number.isEmpty() || args.integer("flusso") != kFlowDpc)
        return std::nullopt;

    QSqlQuery q =
        select(m_db,
               QStringLiteral("SELECT p.anno, p.mese, pt.codice_fiscale,"
                              " pt.cognome || ' ' || pt.nome, p.progressivo, p.farmacia,"
                              " p.numrickey FROM prescriptions p JOIN patients pt"
                              " ON pt.id = p.patient_id WHERE p.numrickey = ? AND p.prov = ?"),
               {number, prov});
    if (!q.next())
        return std::nullopt;
    Fragment out;
    out.leaf("Anno", q.value(0).toLongLong())
        .leaf("Mese", q.value(1).toLongLong())
        .leaf("Codice_assistito", q.value(2).toString())
        .leaf("Assistito", q.value(3).toString())
        .leaf("Progressivo", q.value(4).toString())
        .leaf("Farmacia", q.value(5).toLongLong())
        .leaf("NumRicKey", q.value(6).toString());
    return out.text();
}

DpcService::Result DpcService::loadListaFarmacie(const Args& args)
{
    const QString prov = province(args);
    if (prov.isEmpty())
        return std::nullopt;
    const QString codice = args.text("codice").trimmed();
    const QString ragsoc = args.text("ragsoc").trimmed();
    const QString distretto = args.text("distretto").trimmed();

    // A code other than 0 picks one pharmacy; otherwise the name (and the
    // district, when given) filter the province's pharmacies.
    const LeadingNumber code = leadingNumber(codice);
    if (code.overflow)
        return std::nullopt;
    const bool byCode = code.value != 0;
    QSqlQuery q =
        byCode ? select(m_db,
                        QStringLiteral("SELECT code, ragsoc, localita, distretto FROM pharmacies"
                                       " WHERE prov = ? AND code = ?"),
                        {prov, code.value})
               : select(m_db,
                        QStringLiteral("SELECT code, ragsoc, localita, distretto FROM pharmacies"
                                       " WHERE prov = ? ORDER BY code"),
                        {prov});
    Fragment out;
    bool any = false;
    while (q.next()) {
        const QString name = q.value(1).toString();
        if (!byCode && !name.contains(ragsoc, Qt::CaseInsensitive))
            continue;
        if (!byCode && !distretto.isEmpty() &&
            q.value(3).toString().compare(distretto, Qt::CaseInsensitive) != 0)
            continue;
        any = true;
        out.open("Farmacie")
            .leaf("Codice", q.value(0).toLongLong())
            .leaf("Ragsoc", name)
            .leaf("Localita", q.value(2).toString())
            .leaf("Distretto", q.value(3).toString())
            .close("Farmacie");
    }
    return any ? Result(out.text()) : std::nullopt;
}

} // namespace Demo
