#include "DpcService.h"

#include "DpcServiceSupport.h"

#include <QSqlQuery>
#include <QVariant>

namespace Demo {

using DpcServiceSupport::normalizedAic;
using DpcServiceSupport::select;
using SoapMessage::Fragment;

// Drugs, by package code or by active ingredient.

DpcService::Result DpcService::farmacoByAic(const Args& args)
{
    if (province(args).isEmpty())
        return std::nullopt;
    QSqlQuery q = select(m_db,
                         QStringLiteral("SELECT data, atc, molecola, aic, farmaco, nota, req_pt,"
                                        " prezzo, tipo_pt, disposizioni FROM drugs WHERE aic = ?"),
                         {normalizedAic(args.text("aic"))});
    if (!q.next())
        return std::nullopt;
    Fragment out;
    out.leaf("Data", q.value(0).toString())
        .leaf("ATC", q.value(1).toString())
        .leaf("Molecola", q.value(2).toString())
        .leaf("AIC", q.value(3).toString())
        .leaf("Farmaco", q.value(4).toString())
        .leaf("Nota", q.value(5).toString())
        .leaf("ReqPT", q.value(6).toString())
        .leaf("PrezzoAcquisto", q.value(7).toString())
        .leaf("TipoPT", q.value(8).toString())
        .leaf("Disposizioni", q.value(9).toString());
    return out.text();
}

DpcService::Result DpcService::farmacoByPattivo(const Args& args)
{
    // An empty ingredient matches nothing rather than the whole list.
    const QString pattivo = args.text("pattivo").trimmed();
    if (province(args).isEmpty() || pattivo.isEmpty())
        return std::nullopt;
    QSqlQuery q = select(m_db,
                         QStringLiteral("SELECT atc, molecola, aic, farmaco FROM drugs"
                                        " ORDER BY molecola, aic"),
                         {});
    Fragment out;
    bool any = false;
    while (q.next()) {
        if (!q.value(1).toString().contains(pattivo, Qt::CaseInsensitive))
            continue;
        any = true;
        out.open("FarmaciDPC")
            .leaf("ATC", q.value(0).toString())
            .leaf("Molecola", q.value(1).toString())
            .leaf("AIC", q.value(2).toString())
            .leaf("Farmaco", q.value(3).toString())
            .close("FarmaciDPC");
    }
    return any ? Result(out.text()) : std::nullopt;
}

} // namespace Demo
