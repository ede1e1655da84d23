#include "SoapMessage.h"

#include "SoapEnvelope.h"

#include <QXmlStreamReader>

#include <string_view>

namespace Demo {

namespace SoapMessage {
namespace {

constexpr const char* kSoap11Namespace = "http://schemas.xmlsoap.org/soap/envelope/";

[[noreturn]] void sender(const QString& reason)
{
    throw Fault(Fault::Code::Sender, reason);
}

// Skips whitespace, comments and processing instructions; stops on anything
// else. Text and document type declarations are refused.
QXmlStreamReader::TokenType nextSignificant(QXmlStreamReader& xml)
{
    for (;;) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        switch (token) {
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
        case QXmlStreamReader::StartDocument:
            continue;
        case QXmlStreamReader::Characters:
            if (xml.isWhitespace())
                continue;
            sender(QStringLiteral("Unexpected text in the envelope"));
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            sender(QStringLiteral("Document type declarations are not accepted"));
        case QXmlStreamReader::Invalid:
            sender(QStringLiteral("Malformed XML: %1 (line %2, column %3)")
                       .arg(xml.errorString())
                       .arg(xml.lineNumber())
                       .arg(xml.columnNumber()));
        default:
            return token;
        }
    }
}

bool isEnvelopeElement(const QXmlStreamReader& xml, const char* name)
{
    return xml.name() == QLatin1String(name) &&
           xml.namespaceUri() == QLatin1String(kEnvelopeNamespace);
}

void checkHeader(QXmlStreamReader& xml)
{
    // Header blocks are not processed; one that must be understood is refused.
    while (nextSignificant(xml) == QXmlStreamReader::StartElement) {
        const QString mustUnderstand =
            xml.attributes()
                .value(QLatin1String(kEnvelopeNamespace), QLatin1String("mustUnderstand"))
                .toString();
        if (mustUnderstand == u"true" || mustUnderstand == u"1") {
            throw Fault(Fault::Code::MustUnderstand,
                        QStringLiteral("Header block %1 is not understood").arg(xml.name()));
        }
        xml.skipCurrentElement();
        if (xml.hasError())
            nextSignificant(xml); // reports the error
    }
}

QString readLeaf(QXmlStreamReader& xml)
{
    const QString name = xml.name().toString();
    const QString text = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
    if (xml.hasError()) {
        if (xml.error() == QXmlStreamReader::CustomError ||
            xml.error() == QXmlStreamReader::UnexpectedElementError)
            sender(QStringLiteral("Child %1 must hold text only").arg(name));
        sender(QStringLiteral("Malformed XML: %1").arg(xml.errorString()));
    }
    return text;
}

// Counts the start tags and attributes of a body without parsing it, and
// refuses one with more than any request needs before the parser spends time
// on it (an element with 100,000 attributes takes the parser seconds). Text,
// comments, CDATA sections and processing instructions are skipped.
void checkShape(const QByteArray& body)
{
    const std::string_view text(body.constData(), size_t(body.size()));
    const auto skipPast = [&](size_t from, std::string_view end) {
        const size_t at = text.find(end, from);
        return at == std::string_view::npos ? text.size() : at + end.size();
    };
    int elements = 0;
    int attributes = 0;
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        const std::string_view rest = text.substr(i);
        if (rest.substr(0, 4) == "<!--") {
            i = skipPast(i + 4, "-->");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            i = skipPast(i + 9, "]]>");
        } else if (rest.substr(0, 2) == "<?") {
            i = skipPast(i + 2, "?>");
        } else if (rest.substr(0, 2) == "</" || rest.substr(0, 2) == "<!") {
            i = skipPast(i + 2, ">");
        } else {
            if (++elements > kMostElements)
                sender(QStringLiteral("The request has more than %1 elements").arg(kMostElements));
            char quote = 0;
            for (++i; i < text.size(); ++i) {
                const char c = text[i];
                if (quote) {
                    quote = c == quote ? 0 : quote;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '=' && ++attributes > kMostAttributes) {
                    sender(QStringLiteral("The request has more than %1 attributes")
                               .arg(kMostAttributes));
                } else if (c == '>') {
                    break;
                }
            }
        }
    }
}

} // namespace

int Arguments::integer(const char* name) const
{
    return parseInt(text(name)).value_or(0);
}

std::optional<int> parseInt(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    qsizetype i = (trimmed[0] == u'+' || trimmed[0] == u'-') ? 1 : 0;
    if (i == trimmed.size())
        return std::nullopt;
    for (qsizetype j = i; j < trimmed.size(); ++j) {
        if (trimmed[j] < u'0' || trimmed[j] > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const int value = trimmed.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

Fault tooLarge(qsizetype maxBytes)
{
    return Fault(Fault::Code::Sender,
                 QStringLiteral("The request is larger than %1 bytes").arg(maxBytes));
}

Request parse(const QByteArray& body, const QString& namespaceUri,
              std::span<const Operations::Operation> operations,
              const std::optional<QString>& action, qsizetype maxBytes)
{
    if (body.size() > maxBytes)
        throw tooLarge(maxBytes);
    if (body.trimmed().isEmpty())
        sender(QStringLiteral("The request is empty"));
    checkShape(body);

    QXmlStreamReader xml(body);
    if (nextSignificant(xml) != QXmlStreamReader::StartElement || xml.name() != u"Envelope")
        sender(QStringLiteral("The request is not a SOAP envelope"));
    if (xml.namespaceUri() == QLatin1String(kSoap11Namespace))
        throw Fault(Fault::Code::VersionMismatch,
                    QStringLiteral("SOAP 1.1 envelopes are not accepted: use SOAP 1.2"));
    if (xml.namespaceUri() != QLatin1String(kEnvelopeNamespace))
        throw Fault(Fault::Code::VersionMismatch,
                    QStringLiteral("The envelope is not in the SOAP 1.2 namespace"));

    if (nextSignificant(xml) != QXmlStreamReader::StartElement)
        sender(QStringLiteral("The envelope has no Body"));
    if (isEnvelopeElement(xml, "Header")) {
        checkHeader(xml);
        if (nextSignificant(xml) != QXmlStreamReader::StartElement)
            sender(QStringLiteral("The envelope has no Body"));
    }
    if (!isEnvelopeElement(xml, "Body"))
        sender(QStringLiteral("The envelope has no Body"));
    if (nextSignificant(xml) != QXmlStreamReader::StartElement)
        sender(QStringLiteral("The Body holds no operation"));

    const QString operationName = xml.name().toString();
    if (xml.namespaceUri() != namespaceUri)
        sender(QStringLiteral("Unknown operation %1 in namespace '%2'")
                   .arg(operationName, xml.namespaceUri().toString()));
    Request request;
    request.operation = Operations::find(operations, operationName);
    if (!request.operation)
        sender(QStringLiteral("Unknown operation %1").arg(operationName));
    if (action && !action->isEmpty() && *action != namespaceUri + operationName) {
        sender(QStringLiteral("The SOAPAction '%1' does not match the operation %2")
                   .arg(*action, operationName));
    }

    for (;;) {
        const QXmlStreamReader::TokenType token = nextSignificant(xml);
        if (token == QXmlStreamReader::EndElement)
            break; // end of the operation element
        if (token != QXmlStreamReader::StartElement)
            sender(QStringLiteral("Malformed operation element"));
        const QStringView childNamespace = xml.namespaceUri();
        if (!childNamespace.isEmpty() && childNamespace != namespaceUri)
            sender(QStringLiteral("Child %1 is in an unknown namespace").arg(xml.name()));
        const QString name = xml.name().toString();
        const QString value = readLeaf(xml);
        if (request.arguments.has(name))
            sender(QStringLiteral("Child %1 is given twice").arg(name));
        request.arguments.set(name, value);
    }
    if (nextSignificant(xml) != QXmlStreamReader::EndElement)
        sender(QStringLiteral("The Body must hold exactly one element"));
    if (nextSignificant(xml) != QXmlStreamReader::EndElement)
        sender(QStringLiteral("Unexpected element after the Body"));
    if (nextSignificant(xml) != QXmlStreamReader::EndDocument)
        sender(QStringLiteral("Unexpected content after the envelope"));

    for (const Operations::Param& param : request.operation->params) {
        const QString name = QLatin1String(param.name);
        if (!request.arguments.has(name))
            sender(QStringLiteral("%1: missing child %2").arg(operationName, name));
        if (param.type == Operations::ParamType::Int &&
            !parseInt(request.arguments.text(param.name))) {
            sender(QStringLiteral("%1: child %2 is not a whole number (xsd:int)")
                       .arg(operationName, name));
        }
    }
    return request;
}

QString escape(const QString& value)
{
    // Characters XML cannot carry (controls, lone surrogates) are replaced first.
    QString clean;
    clean.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        const bool pairedSurrogate =
            c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate();
        if (pairedSurrogate) {
            clean += c;
            clean += value[++i];
        } else if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') ||
                   c.isSurrogate() || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF) {
            clean += QChar(QChar::ReplacementCharacter);
        } else {
            clean += c;
        }
    }
    return SoapEnvelope::escape(clean);
}

Fragment& Fragment::open(const char* tag)
{
    m_xml += u'<' + QLatin1String(tag) + u'>';
    return *this;
}

Fragment& Fragment::close(const char* tag)
{
    m_xml += QLatin1String("</") + QLatin1String(tag) + u'>';
    return *this;
}

Fragment& Fragment::leaf(const char* tag, const QString& value)
{
    open(tag);
    m_xml += escape(value);
    return close(tag);
}

Fragment& Fragment::leaf(const char* tag, qint64 value)
{
    return leaf(tag, QString::number(value));
}

namespace {

const char kEnvelopeStart[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>";
const char kEnvelopeEnd[] = "</soap:Body></soap:Envelope>";

QString attributeEscape(const QString& value)
{
    return escape(value).replace(u'"', QLatin1String("&quot;"));
}

} // namespace

QByteArray answer(const QString& namespaceUri, const QString& operation,
                  const std::optional<QString>& resultContent)
{
    if (!resultContent) {
        QString xml = QLatin1String(kEnvelopeStart);
        xml += u'<' + operation + QLatin1String("Response xmlns=\"") +
               attributeEscape(namespaceUri) + QLatin1String("\"/>");
        xml += QLatin1String(kEnvelopeEnd);
        return xml.toUtf8();
    }
    return answerHead(namespaceUri, operation) + resultContent->toUtf8() + answerTail(operation);
}

QByteArray answerHead(const QString& namespaceUri, const QString& operation)
{
    QString xml = QLatin1String(kEnvelopeStart);
    xml += u'<' + operation + QLatin1String("Response xmlns=\"") + attributeEscape(namespaceUri) +
           QLatin1String("\">");
    xml += u'<' + operation + QLatin1String("Result>");
    return xml.toUtf8();
}

QByteArray answerTail(const QString& operation)
{
    return (QLatin1String("</") + operation + QLatin1String("Result></") + operation +
            QLatin1String("Response>") + QLatin1String(kEnvelopeEnd))
        .toUtf8();
}

QByteArray fault(const Fault& fault)
{
    const char* code = "soap:Sender";
    switch (fault.code) {
    case Fault::Code::VersionMismatch:
        code = "soap:VersionMismatch";
        break;
    case Fault::Code::MustUnderstand:
        code = "soap:MustUnderstand";
        break;
    case Fault::Code::Sender:
        break;
    case Fault::Code::Receiver:
        code = "soap:Receiver";
        break;
    }
    QString xml = QLatin1String(kEnvelopeStart);
    xml += QLatin1String("<soap:Fault><soap:Code><soap:Value>") + QLatin1String(code) +
           QLatin1String("</soap:Value></soap:Code><soap:Reason><soap:Text xml:lang=\"en\">") +
           escape(fault.reason) + QLatin1String("</soap:Text></soap:Reason></soap:Fault>");
    xml += QLatin1String(kEnvelopeEnd);
    return xml.toUtf8();
}

} // namespace SoapMessage

} // namespace Demo
