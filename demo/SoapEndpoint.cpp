#include "SoapEndpoint.h"

#include "DpcService.h"
#include "ErrorReport.h"
#include "ReportAnswer.h"
#include "SoapMessage.h"

namespace Demo {

namespace {

const QByteArray kContentType = QByteArrayLiteral("application/soap+xml; charset=utf-8");
// The most records of a report built whole (about 1 MB of answer).
constexpr int kWholeReportRecords = 2000;

QString unquoted(QByteArray value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        value = value.mid(1, value.size() - 2);
    return QString::fromUtf8(value).trimmed();
}

} // namespace

SoapEndpoint::SoapEndpoint(DpcService& service, QString namespaceUri, bool streamReports,
                           qsizetype maxRequestBytes)
    : m_service(service), m_namespaceUri(std::move(namespaceUri)), m_streamReports(streamReports),
      m_maxRequestBytes(maxRequestBytes)
{
}

std::optional<QString> SoapEndpoint::declaredAction(const Headers& headers)
{
    for (const auto& [name, value] : headers) {
        if (name.compare("SOAPAction", Qt::CaseInsensitive) == 0)
            return unquoted(value);
    }
    for (const auto& [name, value] : headers) {
        if (name.compare("Content-Type", Qt::CaseInsensitive) != 0)
            continue;
        for (const QByteArray& parameter : value.split(';')) {
            const QByteArray p = parameter.trimmed();
            if (p.toLower().startsWith("action="))
                return unquoted(p.mid(7));
        }
    }
    return std::nullopt;
}

SoapEndpoint::Reply SoapEndpoint::post(const QByteArray& body, const Headers& headers)
{
    Reply reply;
    reply.contentType = kContentType;
    try {
        const SoapMessage::Request request =
            SoapMessage::parse(body, m_namespaceUri, DpcService::operations(),
                               declaredAction(headers), m_maxRequestBytes);
        reply.operation = QLatin1String(request.operation->name);
        if (m_streamReports && reply.operation == u"F_LoadErroreByAnnoMese")
            answerReport(request, reply);
        else
            reply.body =
                SoapMessage::answer(m_namespaceUri, reply.operation, m_service.call(request));
    } catch (const SoapMessage::Fault& fault) {
        reply.status = 500;
        reply.body = SoapMessage::fault(fault);
    }
    return reply;
}

void SoapEndpoint::answerReport(const SoapMessage::Request& request, Reply& reply)
{
    using SoapMessage::Fault;
    const std::optional<DpcService::ReportFilter> filter =
        m_service.reportFilter(request.arguments);
    if (!filter) {
        reply.body = SoapMessage::answer(m_namespaceUri, reply.operation, std::nullopt);
        return;
    }
    // A report can be large: it is streamed, read a page at a time on this
    // thread's connection (no transaction is held between pages, however
    // slowly the client reads). One pharmacy's month is small: it is built whole.
    std::unique_ptr<ErrorReport> report = m_service.report(*filter);
    if (report->atEnd()) {
        reply.body = SoapMessage::answer(m_namespaceUri, reply.operation, std::nullopt);
        return;
    }
    auto answer =
        std::make_shared<ReportAnswer>(SoapMessage::answerHead(m_namespaceUri, reply.operation),
                                       std::move(report), SoapMessage::answerTail(reply.operation));
    if (!m_service.isSmallReport(request.arguments, kWholeReportRecords)) {
        reply.stream = std::move(answer);
        return;
    }
    reply.body = answer->readAll();
    if (reply.body.isEmpty())
        throw Fault(Fault::Code::Receiver, QStringLiteral("Database error while reading a report"));
}

} // namespace Demo
