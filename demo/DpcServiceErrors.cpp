#include "DpcService.h"

#include "DpcServiceSupport.h"
#include "Money.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace Demo {

using DpcServiceSupport::kFlowDpc;
using DpcServiceSupport::kFlowName;
using DpcServiceSupport::LeadingNumber;
using DpcServiceSupport::leadingNumber;
using DpcServiceSupport::normalizedAic;
using DpcServiceSupport::select;
using DpcServiceSupport::Transaction;
using SoapMessage::Fault;

// Registering and cancelling errors.

DpcService::Result DpcService::erroreDpc(const Args& args)
{
    const QString prov = province(args);
    const QString number = args.text("numrickey").trimmed();
    const int anno = args.integer("anno");
    const int mese = args.integer("mese");
    if (prov.isEmpty() || number.isEmpty() || mese < 1 || mese > 12 || anno < 1900 || anno > 2999)
        return std::nullopt;
    // The quantity is typed by the operator (digits, comma, minus): its whole
    // number counts, and a text without one counts as 0.
    const LeadingNumber pezzi = leadingNumber(args.text("pezzi"));
    if (pezzi.overflow)
        throw Fault(Fault::Code::Sender, QStringLiteral("ErroreDPC: pezzi is too large"));

    Transaction transaction(m_db, m_writeLock);
    const int codfarma = args.integer("codfarma");
    const int errore = args.integer("errore");
    if (!select(m_db,
                QStringLiteral("SELECT 1 FROM prescriptions WHERE numrickey = ? AND prov = ?"),
                {number, prov})
             .next() ||
        !select(m_db, QStringLiteral("SELECT 1 FROM pharmacies WHERE prov = ? AND code = ?"),
                {prov, codfarma})
             .next() ||
        !select(m_db, QStringLiteral("SELECT 1 FROM error_codes WHERE code = ?"), {errore}).next())
        return std::nullopt;

    const QString aic = normalizedAic(args.text("aic"));
    qint64 priceCents = 0;
    QSqlQuery price = select(m_db, QStringLiteral("SELECT prezzo FROM drugs WHERE aic = ?"), {aic});
    if (price.next())
        priceCents = Money::parseCents(price.value(0).toString().toLatin1().constData());
    price.finish();

    const qint64 quantity = pezzi.value;
    QSqlQuery insert =
        select(m_db,
               QStringLiteral(
                   "INSERT INTO registered_errors(prov, flusso, anno, mese, codfarma, numrickey,"
                   " aic, pezzi, lordo_cents, cod_errore, registered_at)"
                   " VALUES(?,?,?,?,?,?,?,?,?,?,?)"),
               {prov, QString::fromLatin1(kFlowName), anno, mese, codfarma, number, aic, quantity,
                priceCents * quantity, errore, QDateTime::currentDateTime().toString(Qt::ISODate)});
    const qint64 id = insert.lastInsertId().toLongLong();
    Result record = errorRecords({QStringLiteral("WHERE e.id = ?"), {id}});
    transaction.commit();
    return record;
}

DpcService::Result DpcService::annullaErrore(const Args& args)
{
    const QString prov = province(args);
    if (prov.isEmpty() || args.integer("flusso") != kFlowDpc)
        return std::nullopt;
    Transaction transaction(m_db, m_writeLock);
    QSqlQuery update =
        select(m_db,
               QStringLiteral("UPDATE registered_errors SET cancelled_at = ?"
                              " WHERE id = ? AND prov = ? AND cancelled_at IS NULL"),
               {QDateTime::currentDateTime().toString(Qt::ISODate), args.integer("id"), prov});
    if (update.numRowsAffected() != 1)
        return std::nullopt;
    Result record = errorRecords({QStringLiteral("WHERE e.id = ?"), {args.integer("id")}});
    transaction.commit();
    return record;
}

} // namespace Demo
