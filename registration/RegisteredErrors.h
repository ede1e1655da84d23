#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

class AppContext;

// One error the service lists as registered: its ID and what tells its
// prescription line apart.
struct RegisteredError
{
    QString id;
    QString numrickey;
    QString aic;
    QString code;
};

// The errors already registered for the prescription's pharmacy and month
// (F_LoadErroreByAnnoMese), read in memory: the staged answer is left as it
// is, so the reports' detail window keeps reading its own list.
class RegisteredErrors
{
public:
    // Asks the service for the year, month and pharmacy held in the globals,
    // with the busy pointer. Nothing when the look-up failed (no result, a
    // fault, a transport failure, a timeout).
    static std::optional<QList<RegisteredError>> lookUp(AppContext& context);

    // The records of an answer's result, in the answer's order, each read on
    // its own: a record lacking an element has it empty. Nothing when the
    // answer has no result.
    static std::optional<QList<RegisteredError>> read(const QString& response);

    // The IDs of the records on the same line: the same prescription number,
    // the same AIC code as a number ("012345678" is 12345678) and the same
    // error code. In the answer's order.
    static QStringList sameLine(const QList<RegisteredError>& records, QStringView numrickey,
                                QStringView aic, qint32 errore);
};
