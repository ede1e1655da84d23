#include "ErrorTableCache.h"

#include "AppContext.h"

bool ErrorTableCache::CARICA_ERR(AppContext& context, QWidget* parent)
{
    const QString response = context.service().post(
        QStringLiteral("LoadTabErrori"), {{QStringLiteral("prov"), context.utenti.Prov.text()},
                                          {QStringLiteral("da"), QStringLiteral("1")},
                                          {QStringLiteral("a"), QStringLiteral("99999")}});
    if (!context.stage(parent, response, QStringLiteral("LoadTabErrori"),
                       StagingFolder::errorTableFile, true,
                       QStringLiteral("NESSUN DATO TROVATO"))) {
        context.menu.NESSUN_DATO = 1;
        return false;
    }
    return true;
}
