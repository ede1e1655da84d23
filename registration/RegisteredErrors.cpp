#include "RegisteredErrors.h"

#include "AppContext.h"
#include "Blanks.h"
#include "BusyCursor.h"
#include "ServiceCall.h"
#include "ValueReader.h"

namespace {

const QString operation = QStringLiteral("F_LoadErroreByAnnoMese");

bool allDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QStringView withoutLeadingZeros(QStringView digits)
{
    qsizetype from = 0;
    while (from + 1 < digits.size() && digits[from] == u'0')
        ++from;
    return digits.sliced(from);
}

// AIC codes are numbers that may be written with their leading zeros or
// without; a code that is not all digits only equals itself.
bool sameAic(QStringView a, QStringView b)
{
    if (allDigits(a) && allDigits(b))
        return withoutLeadingZeros(a) == withoutLeadingZeros(b);
    return a == b;
}

bool sameCode(const QString& code, qint32 errore)
{
    bool ok = false;
    const qlonglong value = code.toLongLong(&ok);
    return ok && value == errore;
}

} // namespace

std::optional<QList<RegisteredError>> RegisteredErrors::lookUp(AppContext& context)
{
    const Utenti& u = context.utenti;
    BusyCursor busy;
    const QString response = context.service().post(
        operation, {{QStringLiteral("prov"), u.Prov.text()},
                    {QStringLiteral("flusso"), QStringLiteral("2")},
                    {QStringLiteral("anno"), QString::number(u.Anno)},
                    {QStringLiteral("mese"), QString::number(u.Mese)},
                    {QStringLiteral("farmacia"), QString::number(u.Farmacia)}});
    return read(response);
}

std::optional<QList<RegisteredError>> RegisteredErrors::read(const QString& response)
{
    // Commas become full stops, as when the reports stage the same answer.
    const std::optional<QString> result = ServiceCall::inMemory(response, operation, true);
    if (!result) {
        if (ServiceCall::answeredWithoutResult(response, operation))
            return QList<RegisteredError>();
        return std::nullopt;
    }
    static const QString start = QStringLiteral("<Errore>");
    static const QString end = QStringLiteral("</Errore>");
    QList<RegisteredError> records;
    const QStringView text(*result);
    for (qsizetype at = text.indexOf(start); at >= 0; at = text.indexOf(start, at)) {
        at += start.size();
        // A record cut short by the end of the answer is not a record.
        const qsizetype close = text.indexOf(end, at);
        if (close < 0)
            break;
        const QStringView record = text.sliced(at, close - at);
        records.append({ValueReader::LEGGI_VALORE(record, u"ID"),
                        ValueReader::LEGGI_VALORE(record, u"NumricKey"),
                        ValueReader::LEGGI_VALORE(record, u"AIC"),
                        ValueReader::LEGGI_VALORE(record, u"CodErrore"),
                        ValueReader::LEGGI_VALORE(record, u"Pezzi")});
        at = close + end.size();
    }
    return records;
}

QList<RegisteredError> RegisteredErrors::sameLine(const QList<RegisteredError>& records,
                                                  QStringView numrickey, QStringView aic,
                                                  qint32 errore)
{
    const QString number = Blanks::trim(numrickey);
    const QString code = Blanks::trim(aic);
    QList<RegisteredError> same;
    for (const RegisteredError& r : records) {
        if (r.numrickey == number && sameAic(r.aic, code) && sameCode(r.code, errore))
            same.append(r);
    }
    return same;
}
