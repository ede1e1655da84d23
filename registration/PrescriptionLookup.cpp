#include "PrescriptionLookup.h"

#include "AppContext.h"
#include "BusyCursor.h"
#include "NumberText.h"
#include "ValueReader.h"

#include <optional>

namespace {

// Answers are searched as one text: the first occurrence of each tag counts.
// An empty or non-numeric number reads as 0.
double number(const QString& result, QStringView tag)
{
    return NumberText::leadingNumber(ValueReader::LEGGI_VALORE(result, tag));
}

} // namespace

void PrescriptionLookup::CERCA_RICETTA(AppContext& context, QWidget* parent)
{
    Utenti& u = context.utenti;
    std::optional<QString> prescription;
    {
        BusyCursor busy;
        u.Codice_assistito.clear();
        u.Assistito.clear();
        u.Progressivo.clear();
        const QString query =
            QStringLiteral(" WHERE Ricette.numrickey='") + u.numrickey.text() + u'\'';
        const QString response = context.service().post(
            QStringLiteral("QueryRicette"), {{QStringLiteral("prov"), u.Prov.text()},
                                             {QStringLiteral("flusso"), QStringLiteral("2")},
                                             {QStringLiteral("query"), query}});
        prescription = ServiceCall::inMemory(response, QStringLiteral("QueryRicette"), false);
    }
    if (!prescription) {
        u.Farmacia = 0;
        context.boxes().inform(parent, QStringLiteral("RICETTA NON TROVATA"));
        return;
    }
    const QString& r = *prescription;
    if (ValueReader::hasTag(r, u"Anno"))
        u.Anno = NumberText::toInt16(number(r, u"Anno"));
    if (ValueReader::hasTag(r, u"Mese"))
        u.Mese = NumberText::toInt16(number(r, u"Mese"));
    if (ValueReader::hasTag(r, u"Codice_assistito"))
        u.Codice_assistito = ValueReader::LEGGI_VALORE(r, u"Codice_assistito");
    if (ValueReader::hasTag(r, u"Assistito"))
        u.Assistito = ValueReader::LEGGI_VALORE(r, u"Assistito");
    if (ValueReader::hasTag(r, u"Progressivo"))
        u.Progressivo = ValueReader::LEGGI_VALORE(r, u"Progressivo");
    if (ValueReader::hasTag(r, u"Farmacia"))
        u.Farmacia = NumberText::toInt32(number(r, u"Farmacia"));

    std::optional<QString> pharmacy;
    {
        BusyCursor busy;
        const QString response =
            context.service().post(QStringLiteral("LoadListaFarmacie"),
                                   {{QStringLiteral("prov"), u.Prov.text()},
                                    {QStringLiteral("codice"), QString::number(u.Farmacia)},
                                    {QStringLiteral("ragsoc"), QString()},
                                    {QStringLiteral("distretto"), QString()}});
        pharmacy = ServiceCall::inMemory(response, QStringLiteral("LoadListaFarmacie"), false);
    }
    if (!pharmacy) {
        u.Farmacia = 0;
        context.boxes().inform(parent, QStringLiteral("ATTENZIONE!FARMACIA NON TROVATA"));
        return;
    }
    const QString& p = *pharmacy;
    if (ValueReader::hasTag(p, u"Ragsoc"))
        u.Ragsoc.set(ValueReader::LEGGI_VALORE(p, u"Ragsoc"));
    if (ValueReader::hasTag(p, u"Localita"))
        u.Localita.set(ValueReader::LEGGI_VALORE(p, u"Localita"));
    if (ValueReader::hasTag(p, u"Distretto"))
        u.Distretto.set(ValueReader::LEGGI_VALORE(p, u"Distretto"));
}
