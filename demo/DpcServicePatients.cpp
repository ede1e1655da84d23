#include "DpcService.h"

#include "DpcServiceSupport.h"
#include "Money.h"

#include <QDate>
#include <QSqlQuery>
#include <QVariant>

namespace Demo {

using DpcServiceSupport::select;
using SoapMessage::Fragment;

// Patients and what was dispensed to them.

namespace {

QString dayMonthYear(const QString& isoDate)
{
    return QDate::fromString(isoDate, Qt::ISODate).toString(QStringLiteral("dd/MM/yyyy"));
}

void writeDispensing(Fragment& out, const QSqlQuery& q)
{
    out.open("Farmaci")
        .leaf("Atc", q.value(0).toString())
        .leaf("Gruppo", q.value(1).toString())
        .leaf("Descrizione", q.value(2).toString())
        .leaf("Inizio", dayMonthYear(q.value(3).toString()))
        .leaf("Fine", dayMonthYear(q.value(4).toString()))
        .leaf("Confezioni", q.value(5).toLongLong())
        .leaf("Ddd", Money::formatTenths(q.value(6).toLongLong()))
        .close("Farmaci");
}

} // namespace

DpcService::Result DpcService::findByCf(const Args& args)
{
    const QString prov = province(args);
    if (prov.isEmpty())
        return std::nullopt;
    QSqlQuery q = select(m_db,
                         QStringLiteral("SELECT id, codice_fiscale, cognome, nome FROM patients"
                                        " WHERE prov = ? AND codice_fiscale = ?"),
                         {prov, args.text("codice").trimmed().toUpper()});
    if (!q.next())
        return std::nullopt;
    Fragment out;
    out.open("ListaAnagrafica")
        .open("Anagrafica")
        .leaf("ID", q.value(0).toLongLong())
        .leaf("CodiceFiscale", q.value(1).toString())
        .leaf("Cognome", q.value(2).toString())
        .leaf("Nome", q.value(3).toString())
        .close("Anagrafica")
        .close("ListaAnagrafica");
    return out.text();
}

DpcService::Result DpcService::findFarma(const Args& args)
{
    const QString prov = province(args, "provincia");
    const int patient = args.integer("idassistito");
    if (prov.isEmpty() ||
        !select(m_db, QStringLiteral("SELECT 1 FROM patients WHERE id = ? AND prov = ?"),
                {patient, prov})
             .next())
        return std::nullopt;
    QSqlQuery q =
        select(m_db,
               QStringLiteral(
                   "SELECT d.atc, COALESCE(MIN(g.descrizione), ''), MIN(d.molecola),"
                   " MIN(p.data_spedizione), MAX(p.data_spedizione), SUM(l.pezzi),"
                   " SUM(l.pezzi * d.ddd_tenths)"
                   " FROM prescriptions p JOIN prescription_lines l ON l.numrickey = p.numrickey"
                   " JOIN drugs d ON d.aic = l.aic"
                   " LEFT JOIN atc_groups g ON g.code = substr(d.atc, 1, 5)"
                   " WHERE p.prov = ? AND p.patient_id = ? GROUP BY d.atc ORDER BY d.atc"),
               {prov, patient});
    Fragment out;
    while (q.next())
        writeDispensing(out, q);
    return out.text(); // a known patient without dispensing has an empty list
}

DpcService::Result DpcService::findFarmaById(const Args& args)
{
    const QString prov = province(args, "provincia");
    if (prov.isEmpty())
        return std::nullopt;
    QSqlQuery q =
        select(m_db,
               QStringLiteral(
                   "SELECT d.aic, COALESCE(MIN(g.descrizione), ''), MIN(d.farmaco),"
                   " MIN(p.data_spedizione), MAX(p.data_spedizione), SUM(l.pezzi),"
                   " SUM(l.pezzi * d.ddd_tenths)"
                   " FROM prescriptions p JOIN prescription_lines l ON l.numrickey = p.numrickey"
                   " JOIN drugs d ON d.aic = l.aic"
                   " LEFT JOIN atc_groups g ON g.code = substr(d.atc, 1, 5)"
                   " WHERE p.prov = ? AND p.patient_id = ? AND d.atc = ?"
                   " GROUP BY d.aic ORDER BY d.aic"),
               {prov, args.integer("idassistito"), args.text("atc").trimmed().toUpper()});
    Fragment out;
    bool any = false;
    while (q.next()) {
        any = true;
        writeDispensing(out, q);
    }
    return any ? Result(out.text()) : std::nullopt;
}

} // namespace Demo
