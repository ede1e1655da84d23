#include "PatientLookup.h"

#include "AppContext.h"
#include "Blanks.h"
#include "BusyCursor.h"
#include "LeggeFar.h"

#include <optional>

namespace {

// The registry identifier of the first record of a FindByCF result: the text
// between the first <ID> and the </ID> after it. Nothing when the result holds no
// registry list, or no complete, non-blank identifier.
std::optional<QString> patientId(const QString& result)
{
    if (!result.contains(QLatin1String("<ListaAnagrafica>")))
        return std::nullopt;
    const qsizetype start = result.indexOf(QLatin1String("<ID>"));
    if (start < 0)
        return std::nullopt;
    const qsizetype from = start + 4;
    const qsizetype end = result.indexOf(QLatin1String("</ID>"), from);
    if (end < 0)
        return std::nullopt;
    const QString id = Blanks::trim(QStringView(result).sliced(from, end - from));
    if (id.isEmpty())
        return std::nullopt;
    return id;
}

} // namespace

void PatientLookup::bott_assi_Click(AppContext& context, QWidget* parent)
{
    Utenti& u = context.utenti;
    std::optional<QString> id;
    {
        BusyCursor busy;
        const QString response = context.service().post(
            QStringLiteral("FindByCF"), {{QStringLiteral("prov"), u.Prov.text()},
                                         {QStringLiteral("codice"), u.Codice_assistito}});
        // Commas become points in the whole answer, the identifier included.
        if (const std::optional<QString> result =
                ServiceCall::inMemory(response, QStringLiteral("FindByCF"), true))
            id = patientId(*result);
    }
    // Without an identifier of its own the patient's history cannot be asked
    // for: an earlier patient's identifier would list someone else's drugs.
    if (!id) {
        context.boxes().inform(parent, QStringLiteral("ASSISTITO NON TROVATO"));
        return;
    }
    u.idassistito = *id;
    LeggeFar window(context, parent);
    window.exec();
}
