#include "Operations.h"

namespace Demo {

namespace Operations {
namespace {

const Field kLoginUserResult[] = {{"ID", "int"},
                                  {"Prov", "string"},
                                  {"Regione", "string"},
                                  {"ASP", "string"},
                                  {"Nome", "string"}};
const Field kTabErrori[] = {{"Errore", "int"},
                            {"Descrizione", "string"},
                            {"Soggetto", "string"},
                            {"TipoAddebito", "string"}};
const Field kArrayOfTabErrori[] = {{"TabErrori", "TabErrori", true}};
const Field kQueryRicetteResult[] = {
    {"Anno", "int"},         {"Mese", "int"},           {"Codice_assistito", "string"},
    {"Assistito", "string"}, {"Progressivo", "string"}, {"Farmacia", "int"},
    {"NumRicKey", "string"}};
const Field kFarmacie[] = {
    {"Codice", "int"}, {"Ragsoc", "string"}, {"Localita", "string"}, {"Distretto", "string"}};
const Field kArrayOfFarmacie[] = {{"Farmacie", "Farmacie", true}};
const Field kErrore[] = {{"ID", "int"},
                         {"Flusso", "string"},
                         {"Anno", "int"},
                         {"Mese", "int"},
                         {"Codfarma", "int"},
                         {"Farmacia", "string"},
                         {"NumricKey", "string"},
                         {"Assistito", "string"},
                         {"CodAssistito", "string"},
                         {"AIC", "string"},
                         {"Farmaco", "string"},
                         {"Molecola", "string"},
                         {"Pezzi", "int"},
                         {"Lordo", "string"},
                         {"CodErrore", "int"},
                         {"DescrizioneErrore", "string"},
                         {"TipoAddebito", "string"},
                         {"Soggetto", "string"}};
const Field kErroreResult[] = {{"Errore", "Errore"}};
const Field kArrayOfErrore[] = {{"Errore", "Errore", true}};
const Field kFarmacoDPC[] = {{"Data", "string"},     {"ATC", "string"},
                             {"Molecola", "string"}, {"AIC", "string"},
                             {"Farmaco", "string"},  {"Nota", "string"},
                             {"ReqPT", "string"},    {"PrezzoAcquisto", "string"},
                             {"TipoPT", "string"},   {"Disposizioni", "string"}};
const Field kFarmaciDPC[] = {
    {"ATC", "string"}, {"Molecola", "string"}, {"AIC", "string"}, {"Farmaco", "string"}};
const Field kArrayOfFarmaciDPC[] = {{"FarmaciDPC", "FarmaciDPC", true}};
const Field kAnagrafica[] = {
    {"ID", "int"}, {"CodiceFiscale", "string"}, {"Cognome", "string"}, {"Nome", "string"}};
const Field kArrayOfAnagrafica[] = {{"Anagrafica", "Anagrafica", true}};
const Field kAnagraficaResult[] = {{"ListaAnagrafica", "ArrayOfAnagrafica"}};
const Field kFarmaci[] = {{"Atc", "string"},    {"Gruppo", "string"}, {"Descrizione", "string"},
                          {"Inizio", "string"}, {"Fine", "string"},   {"Confezioni", "int"},
                          {"Ddd", "string"}};
const Field kArrayOfFarmaci[] = {{"Farmaci", "Farmaci", true}};

const ComplexType kTypes[] = {
    {"LoginUserResult", kLoginUserResult},
    {"TabErrori", kTabErrori},
    {"ArrayOfTabErrori", kArrayOfTabErrori},
    {"QueryRicetteResult", kQueryRicetteResult},
    {"Farmacie", kFarmacie},
    {"ArrayOfFarmacie", kArrayOfFarmacie},
    {"Errore", kErrore},
    {"ErroreResult", kErroreResult},
    {"ArrayOfErrore", kArrayOfErrore},
    {"FarmacoDPC", kFarmacoDPC},
    {"FarmaciDPC", kFarmaciDPC},
    {"ArrayOfFarmaciDPC", kArrayOfFarmaciDPC},
    {"Anagrafica", kAnagrafica},
    {"ArrayOfAnagrafica", kArrayOfAnagrafica},
    {"AnagraficaResult", kAnagraficaResult},
    {"Farmaci", kFarmaci},
    {"ArrayOfFarmaci", kArrayOfFarmaci},
};

// The entry of a table whose `name` is the one asked for, or null.
template <typename Entry> const Entry* byName(std::span<const Entry> table, QStringView name)
{
    for (const Entry& entry : table) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

} // namespace

const Operation* find(std::span<const Operation> operations, QStringView name)
{
    return byName(operations, name);
}

std::span<const ComplexType> types()
{
    return kTypes;
}

const ComplexType* type(QStringView name)
{
    return byName(std::span<const ComplexType>(kTypes), name);
}

} // namespace Operations

} // namespace Demo
