#include "DpcService.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace Demo {

using Operations::Operation;
using Operations::Param;
using SoapMessage::Fault;

namespace {

constexpr auto Text = Operations::ParamType::Text;
constexpr auto Int = Operations::ParamType::Int;

const Param kLoginUser[] = {{"utente", Text}, {"password", Text}};
const Param kLoadTabErrori[] = {{"prov", Text}, {"da", Int}, {"a", Int}};
const Param kQueryRicette[] = {{"prov", Text}, {"flusso", Int}, {"query", Text}};
const Param kLoadListaFarmacie[] = {
    {"prov", Text}, {"codice", Text}, {"ragsoc", Text}, {"distretto", Text}};
const Param kErroreDPC[] = {{"prov", Text},      {"anno", Int}, {"mese", Int},   {"codfarma", Int},
                            {"numrickey", Text}, {"aic", Text}, {"pezzi", Text}, {"errore", Int}};
const Param kFarmacoDPCbyAIC[] = {{"prov", Text}, {"aic", Text}};
const Param kFarmacoDPCbyPattivo[] = {{"prov", Text}, {"pattivo", Text}};
const Param kFindByCF[] = {{"prov", Text}, {"codice", Text}};
const Param kFindFarma[] = {{"provincia", Text}, {"idassistito", Int}};
const Param kFindFarmaById[] = {{"provincia", Text}, {"idassistito", Int}, {"atc", Text}};
const Param kLoadErrori[] = {
    {"prov", Text}, {"flusso", Int}, {"anno", Int}, {"mese", Int}, {"farmacia", Int}};
const Param kAnnulla[] = {{"prov", Text}, {"flusso", Int}, {"id", Int}};

} // namespace

std::span<const Operation> DpcService::operations()
{
    // The members that answer lie in DpcService<Group>.cpp, one file per group;
    // the result types in Operations.cpp.
    static const Operation operations[] = {
        {"LoginUser", kLoginUser, "LoginUserResult", &DpcService::loginUser},
        {"LoadTabErrori", kLoadTabErrori, "ArrayOfTabErrori", &DpcService::loadTabErrori},
        {"QueryRicette", kQueryRicette, "QueryRicetteResult", &DpcService::queryRicette},
        {"LoadListaFarmacie", kLoadListaFarmacie, "ArrayOfFarmacie",
         &DpcService::loadListaFarmacie},
        {"ErroreDPC", kErroreDPC, "ErroreResult", &DpcService::erroreDpc},
        {"FarmacoDPCbyAIC", kFarmacoDPCbyAIC, "FarmacoDPC", &DpcService::farmacoByAic},
        {"FarmacoDPCbyPattivo", kFarmacoDPCbyPattivo, "ArrayOfFarmaciDPC",
         &DpcService::farmacoByPattivo},
        {"FindByCF", kFindByCF, "AnagraficaResult", &DpcService::findByCf},
        {"FindFarma", kFindFarma, "ArrayOfFarmaci", &DpcService::findFarma},
        {"FindFarmaById", kFindFarmaById, "ArrayOfFarmaci", &DpcService::findFarmaById},
        {"F_LoadErroreByAnnoMese", kLoadErrori, "ArrayOfErrore", &DpcService::loadErroriByAnnoMese},
        {"AnnullaErroreFarmacia", kAnnulla, "ErroreResult", &DpcService::annullaErrore},
    };
    return operations;
}

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
    if (!request.operation)
        throw Fault(Fault::Code::Sender, QStringLiteral("Unknown operation"));
    return (this->*request.operation->answer)(request.arguments);
}

} // namespace Demo
