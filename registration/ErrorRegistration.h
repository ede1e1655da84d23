#pragma once

#include <QString>

class AppContext;
struct Utenti;

// Sends one error found on a prescription line (ErroreDPC).
class ErrorRegistration
{
public:
    // The six lines the operator confirms.
    static QString summary(const Utenti& utenti, const QString& aic, const QString& quantity);

    // Posts ErroreDPC for the prescription and error held in the globals. True
    // when the answer's result holds the recorded <Errore>.
    static bool send(AppContext& context, const QString& aic, const QString& quantity);
};
