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

    enum class Outcome
    {
        Recorded, // the answer's result holds the recorded <Errore>
        Refused,  // a result without it, or an answer without a result
        NoAnswer  // a fault, a failed call or no answer: it may have been stored
    };

    // Posts ErroreDPC for the prescription and error held in the globals.
    static Outcome send(AppContext& context, const QString& aic, const QString& quantity);

    // The question before registering a line that already has this error;
    // `id` is the first such record's.
    static QString alreadyRegistered(const QString& id);
};
