#pragma once

#include "RegisteredErrors.h"

#include <QList>
#include <QString>
#include <optional>

// The line an ErroreDPC request registers, as it was sent.
struct SentLine
{
    QString numrickey;
    QString aic;
    qint32 errore = 0;
    QString quantity;
};

// What the operator is told once a registration has been sent.
class RegistrationOutcome
{
public:
    static inline const QString stored = QStringLiteral("REGISTRAZIONE EFFETTUATA");
    static inline const QString notStored = QStringLiteral("REGISTRAZIONE NON RIUSCITA");
    static inline const QString unconfirmed =
        QStringLiteral("ESITO DELLA REGISTRAZIONE NON CONFERMATO: VERIFICARE IN REPORTS PRIMA "
                       "DI REGISTRARE DI NUOVO");

    // After an ErroreDPC whose answer was lost, from the pharmacy's records of
    // the month listed before sending and after (nothing: that look-up
    // failed). Stored only when the list before was had and exactly one
    // record of the line is new, with the quantity sent; not stored only when
    // both lists were had and none is new; otherwise the outcome is unknown.
    static QString afterLostAnswer(const std::optional<QList<RegisteredError>>& before,
                                   const std::optional<QList<RegisteredError>>& after,
                                   const SentLine& line);
};
