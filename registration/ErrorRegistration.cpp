#include "ErrorRegistration.h"

#include "AppContext.h"
#include "ServiceCall.h"

QString ErrorRegistration::summary(const Utenti& u, const QString& aic, const QString& quantity)
{
    // The labels are padded so the N° marks line up in a fixed-pitch font.
    return QStringLiteral("Registrare :\n") + QStringLiteral("Mese / Anno : ") +
           QString::number(u.Mese) + u'/' + QString::number(u.Anno) + u'\n' +
           QStringLiteral("Farmacia N° ") + QString::number(u.Farmacia) + u'\n' +
           QStringLiteral("Ricetta  N° ") + u.numrickey.text() + u'\n' +
           QStringLiteral("AIC      N° ") + aic + QStringLiteral(" Q.tà ") + quantity + u'\n' +
           QStringLiteral("Errore   N° ") + QString::number(u.Errore);
}

ErrorRegistration::Outcome ErrorRegistration::send(AppContext& context, const QString& aic,
                                                   const QString& quantity)
{
    const Utenti& u = context.utenti;
    const QString response =
        context.service().post(QStringLiteral("ErroreDPC"),
                               {{QStringLiteral("prov"), u.Prov.text()},
                                {QStringLiteral("anno"), QString::number(u.Anno)},
                                {QStringLiteral("mese"), QString::number(u.Mese)},
                                {QStringLiteral("codfarma"), QString::number(u.Farmacia)},
                                {QStringLiteral("numrickey"), u.numrickey.text()},
                                {QStringLiteral("aic"), aic},
                                {QStringLiteral("pezzi"), quantity},
                                {QStringLiteral("errore"), QString::number(u.Errore)}},
                               // Sent again by the network stack, it would be registered twice.
                               SoapClient::Posting::Once);
    const std::optional<QString> result =
        ServiceCall::inMemory(response, QStringLiteral("ErroreDPC"), true);
    // An answer of the operation without its result is the service saying no.
    if (!result)
        return ServiceCall::answeredWithoutResult(response, QStringLiteral("ErroreDPC"))
                   ? Outcome::Refused
                   : Outcome::NoAnswer;
    return result->contains(QStringLiteral("<Errore>")) ? Outcome::Recorded : Outcome::Refused;
}

QString ErrorRegistration::alreadyRegistered(const QString& id)
{
    return QStringLiteral("ERRORE GIA' REGISTRATO PER QUESTA RICETTA, QUESTO FARMACO E QUESTO "
                          "ERRORE (ID %1). REGISTRARLO DI NUOVO?")
        .arg(id);
}
