#include "CannedErrorService.h"

#include <optional>

namespace {

QByteArray envelope(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
           "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>" +
           body + "</soap:Body></soap:Envelope>";
}

// The text of <name> in a request body ("" when absent).
QByteArray child(const QByteArray& body, const QByteArray& name)
{
    const QByteArray start = '<' + name + '>';
    const qsizetype from = body.indexOf(start);
    if (from < 0)
        return {};
    const qsizetype valueAt = from + start.size();
    const qsizetype end = body.indexOf("</" + name + '>', valueAt);
    return end < 0 ? QByteArray() : body.mid(valueAt, end - valueAt);
}

int number(const QByteArray& body, const QByteArray& name)
{
    return child(body, name).trimmed().toInt();
}

// The answer of an operation that failed the given way; nothing for None
// and Refused, which are answered with a result.
std::optional<TlsAnswer> failed(CannedErrorService::Failure failure, const QByteArray& operation)
{
    using Failure = CannedErrorService::Failure;
    TlsAnswer answer;
    switch (failure) {
    case Failure::None:
    case Failure::Refused:
        return std::nullopt;
    case Failure::NoResult:
        return TlsAnswer::soap(200, envelope('<' + operation + "Response/>"));
    case Failure::Fault:
        return TlsAnswer::soap(
            500, envelope("<soap:Fault><soap:Code><soap:Value>soap:Receiver</soap:Value>"
                          "</soap:Code><soap:Reason><soap:Text xml:lang=\"it\">ERRORE INTERNO"
                          "</soap:Text></soap:Reason></soap:Fault>"));
    case Failure::BadGateway:
        return TlsAnswer::soap(502, QByteArray());
    case Failure::Dropped:
        answer.delivery = TlsAnswer::Delivery::Dropped;
        return answer;
    case Failure::Hung:
        answer.delivery = TlsAnswer::Delivery::Never;
        return answer;
    }
    return std::nullopt;
}

TlsAnswer result(const QByteArray& operation, const QByteArray& text)
{
    return TlsAnswer::soap(200,
                           envelope('<' + operation + "Response><" + operation + "Result>" + text +
                                    "</" + operation + "Result></" + operation + "Response>"));
}

} // namespace

CannedErrorService::CannedErrorService()
{
    m_server.setResponder([this](const TlsRequest& request) { return respond(request); });
}

void CannedErrorService::addRecord(int anno, int mese, int farmacia, const QByteArray& children)
{
    m_records.append({anno, mese, farmacia, children});
}

TlsAnswer CannedErrorService::respond(const TlsRequest& request)
{
    const QByteArray action = request.header("SOAPAction");
    const QString operation = QString::fromUtf8(action.mid(action.lastIndexOf('/') + 1));
    if (onRequest)
        onRequest(operation);
    if (operation == QLatin1String("ErroreDPC"))
        return registration(request.body);
    if (operation == QLatin1String("F_LoadErroreByAnnoMese"))
        return lookUp(request.body);
    return TlsAnswer::soap(200, m_other);
}

TlsAnswer CannedErrorService::registration(const QByteArray& body)
{
    ++m_registrations;
    m_registrationBodies.append(body);
    if (m_registrationFailure == Failure::Refused)
        return result("ErroreDPC", "OK");
    const std::optional<TlsAnswer> failure = failed(m_registrationFailure, "ErroreDPC");
    if (failure && !m_storeOnFailure)
        return *failure;
    const int farmacia = number(body, "codfarma");
    const QByteArray record =
        "<ID>" + QByteArray::number(m_nextId++) + "</ID><Anno>" + child(body, "anno") +
        "</Anno><Mese>" + child(body, "mese") + "</Mese><Codfarma>" + QByteArray::number(farmacia) +
        "</Codfarma><NumricKey>" + child(body, "numrickey") + "</NumricKey><AIC>" +
        child(body, "aic") + "</AIC><Pezzi>" + child(body, "pezzi") + "</Pezzi><CodErrore>" +
        child(body, "errore") + "</CodErrore>";
    addRecord(number(body, "anno"), number(body, "mese"), farmacia, record);
    return failure ? *failure : result("ErroreDPC", "<Errore>" + record + "</Errore>");
}

TlsAnswer CannedErrorService::lookUp(const QByteArray& body)
{
    ++m_lookUps;
    if (const std::optional<TlsAnswer> failure = failed(m_lookUpFailure, "F_LoadErroreByAnnoMese"))
        return *failure;
    QByteArray listed;
    for (const Record& r : std::as_const(m_records)) {
        if (r.anno == number(body, "anno") && r.mese == number(body, "mese") &&
            r.farmacia == number(body, "farmacia"))
            listed += "<Errore>" + r.children + "</Errore>";
    }
    // As the service does, a month without records has no result at all.
    if (listed.isEmpty())
        return *failed(Failure::NoResult, "F_LoadErroreByAnnoMese");
    return result("F_LoadErroreByAnnoMese", listed);
}
