#include "DrugLookup.h"

#include "AppContext.h"
#include "ValueReader.h"

#include <array>

void DrugLookup::CERCA_AIC(AppContext& context, QWidget* parent)
{
    if (context.menu.AIC_CERCATO.isEmpty())
        return;
    const QString response = context.service().post(
        QStringLiteral("FarmacoDPCbyAIC"), {{QStringLiteral("prov"), context.utenti.Prov.text()},
                                            {QStringLiteral("aic"), context.menu.AIC_CERCATO}});
    if (!context.stage(parent, response, QStringLiteral("FarmacoDPCbyAIC"),
                       StagingFolder::exportFile, true, QStringLiteral("FARMACO NON TROVATO")))
        context.menu.FARMACO_NON_TROVATO = 1;
}

void DrugLookup::LEGGE_AIC(AppContext& context)
{
    Utenti& u = context.utenti;
    const std::array<std::pair<const char16_t*, FixedText*>, 10> fields = {{
        {u"Data", &u.Data},
        {u"ATC", &u.ATC},
        {u"Molecola", &u.Molecola},
        {u"AIC", &u.AIC},
        {u"Farmaco", &u.Farmaco},
        {u"Nota", &u.Nota},
        {u"ReqPT", &u.ReqPT},
        {u"PrezzoAcquisto", &u.PrezzoAcquisto},
        {u"TipoPT", &u.TipoPT},
        {u"Disposizioni", &u.Disposizioni},
    }};
    for (const auto& [tag, field] : fields)
        field->set(u"");
    context.service().forEachLine(StagingFolder::exportFile, [&fields](QStringView line) {
        for (const auto& [tag, field] : fields) {
            if (ValueReader::hasTag(line, tag))
                field->set(ValueReader::LEGGI_VALORE(line, tag));
        }
        return true;
    });
}

void DrugLookup::CERCA_PRINCI(AppContext& context, QWidget* parent)
{
    const QString response =
        context.service().post(QStringLiteral("FarmacoDPCbyPattivo"),
                               {{QStringLiteral("prov"), context.utenti.Prov.text()},
                                {QStringLiteral("pattivo"), context.menu.PRINCIPIO_CERCATO}});
    if (!context.stage(parent, response, QStringLiteral("FarmacoDPCbyPattivo"),
                       StagingFolder::exportFile, true, QStringLiteral("NESSUN DATO TROVATO")))
        context.menu.NESSUN_DATO = 1;
}
