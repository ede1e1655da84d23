#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

class AppContext;

// One error the service lists as registered: its ID, what tells its
// prescription line apart, and its quantity.
struct RegisteredError
{
    QString id;
    QString numrickey;
    QString aic;
    QString code;
    QString quantity;
};

// The errors already registered for the prescription's pharmacy and month
// (F_LoadErroreByAnnoMese), read in memory: the staged answer is left as it
// is, so the reports' detail window keeps reading its own list.
class RegisteredErrors
{
public:
    // Asks the service for the year, month and pharmacy held in the globals,
    // with the busy pointer. Nothing when the look-up failed (a fault, a
    // transport failure, a timeout, an answer that is not the operation's).
    static std::optional<QList<RegisteredError>> lookUp(AppContext& context);

    // The records of an answer's result, in the answer's order, each read on
    // its own: a record lacking an element has it empty. An answer without
    // its result element, as the service gives for a month without records,
    // is an empty list; nothing when the answer is not a whole answer of the
    // operation.
    static std::optional<QList<RegisteredError>> read(const QString& response);

    // The records on the same line: the same prescription number, the same
    // AIC code as a number ("012345678" is 12345678) and the same error code.
    // In the answer's order.
    static QList<RegisteredError> sameLine(const QList<RegisteredError>& records,
                                           QStringView numrickey, QStringView aic, qint32 errore);
};
