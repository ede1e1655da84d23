#include "DpcService.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using SoapMessage::Fault;

DpcService::DpcService(QSqlDatabase db, std::mutex* writeLock)
    : m_db(std::move(db)), m_writeLock(writeLock)
{
}

bool DpcService::load(QString* error)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT prov FROM provinces"))) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    while (query.next())
        m_provinces.insert(query.value(0).toString());
    return true;
}

QString DpcService::province(const Args& args, const char* name) const
{
    const QString prov = args.text(name).trimmed().toUpper();
    return m_provinces.contains(prov) ? prov : QString();
}

std::optional<QString> DpcService::call(const SoapMessage::Request& request)
{
    // The operations lie in DpcService<Group>.cpp, one file per group.
    using Handler = Result (DpcService::*)(const Args&);
    static const QHash<QString, Handler> handlers{
        {QStringLiteral("LoginUser"), &DpcService::loginUser},
        {QStringLiteral("LoadTabErrori"), &DpcService::loadTabErrori},
        {QStringLiteral("QueryRicette"), &DpcService::queryRicette},
        {QStringLiteral("LoadListaFarmacie"), &DpcService::loadListaFarmacie},
        {QStringLiteral("ErroreDPC"), &DpcService::erroreDpc},
        {QStringLiteral("FarmacoDPCbyAIC"), &DpcService::farmacoByAic},
        {QStringLiteral("FarmacoDPCbyPattivo"), &DpcService::farmacoByPattivo},
        {QStringLiteral("FindByCF"), &DpcService::findByCf},
        {QStringLiteral("FindFarma"), &DpcService::findFarma},
        {QStringLiteral("FindFarmaById"), &DpcService::findFarmaById},
        {QStringLiteral("F_LoadErroreByAnnoMese"), &DpcService::loadErroriByAnnoMese},
        {QStringLiteral("AnnullaErroreFarmacia"), &DpcService::annullaErrore},
    };
    const Handler handler = handlers.value(QLatin1String(request.operation->name));
    if (!handler)
        throw Fault(Fault::Code::Sender, QStringLiteral("Unknown operation"));
    return (this->*handler)(request.arguments);
}
