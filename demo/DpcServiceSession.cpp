#include "DpcService.h"

#include "DpcServiceSupport.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QVariant>

namespace Demo {

using DpcServiceSupport::select;
using SoapMessage::Fragment;

// Log-in and the error table.

DpcService::Result DpcService::loginUser(const Args& args)
{
    QSqlQuery q = select(m_db,
                         QStringLiteral("SELECT u.id, u.prov, p.regione, p.asp, u.nome, u.salt,"
                                        " u.password_hash FROM users u JOIN provinces p"
                                        " ON p.prov = u.prov WHERE u.username = ?"),
                         {args.text("utente").trimmed()});
    if (!q.next())
        return std::nullopt;
    const QByteArray hash = QCryptographicHash::hash(
        (q.value(5).toString() + args.text("password")).toUtf8(), QCryptographicHash::Sha256);
    if (QString::fromLatin1(hash.toHex()) != q.value(6).toString())
        return std::nullopt;
    Fragment out;
    out.leaf("ID", q.value(0).toLongLong())
        .leaf("Prov", q.value(1).toString())
        .leaf("Regione", q.value(2).toString())
        .leaf("ASP", q.value(3).toString())
        .leaf("Nome", q.value(4).toString());
    return out.text();
}

DpcService::Result DpcService::loadTabErrori(const Args& args)
{
    if (province(args).isEmpty())
        return std::nullopt;
    QSqlQuery q =
        select(m_db,
               QStringLiteral("SELECT code, descrizione, soggetto, tipo_addebito"
                              " FROM error_codes WHERE code BETWEEN ? AND ? ORDER BY code"),
               {args.integer("da"), args.integer("a")});
    Fragment out;
    bool any = false;
    while (q.next()) {
        any = true;
        out.open("TabErrori")
            .leaf("Errore", q.value(0).toLongLong())
            .leaf("Descrizione", q.value(1).toString())
            .leaf("Soggetto", q.value(2).toString())
            .leaf("TipoAddebito", q.value(3).toString())
            .close("TabErrori");
    }
    return any ? Result(out.text()) : std::nullopt;
}

} // namespace Demo
