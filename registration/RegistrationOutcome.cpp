#include "RegistrationOutcome.h"

#include <algorithm>

namespace {

// The service lists the quantity as it stored it, with a full stop for the
// operator's comma; "02" and "2" are the same quantity. Text that is not a
// number only equals itself.
bool sameQuantity(QString listed, QString sent)
{
    listed.replace(u',', u'.');
    sent.replace(u',', u'.');
    bool listedIsNumber = false;
    bool sentIsNumber = false;
    const double a = listed.toDouble(&listedIsNumber);
    const double b = sent.toDouble(&sentIsNumber);
    return listedIsNumber && sentIsNumber ? a == b : listed == sent;
}

} // namespace

QString RegistrationOutcome::afterLostAnswer(const std::optional<QList<RegisteredError>>& before,
                                             const std::optional<QList<RegisteredError>>& after,
                                             const SentLine& line)
{
    if (!before || !after)
        return unconfirmed;
    const QList<RegisteredError> known =
        RegisteredErrors::sameLine(*before, line.numrickey, line.aic, line.errore);
    QList<RegisteredError> added;
    for (const RegisteredError& r :
         RegisteredErrors::sameLine(*after, line.numrickey, line.aic, line.errore)) {
        // A record without its ID cannot be told from the ones before.
        if (r.id.isEmpty())
            return unconfirmed;
        if (std::none_of(known.cbegin(), known.cend(),
                         [&r](const RegisteredError& k) { return k.id == r.id; }))
            added.append(r);
    }
    if (added.isEmpty())
        return notStored;
    if (added.size() == 1 && sameQuantity(added.first().quantity, line.quantity))
        return stored;
    return unconfirmed;
}
