#include "SoapEnvelope.h"

QString SoapEnvelope::escape(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        switch (c.unicode()) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString SoapEnvelope::build(const QString& namespaceUri, const QString& bodyElement,
                            const SoapChildren& children)
{
    QString xml =
        QStringLiteral("<?xml version='1.0' encoding='utf-8'?>"
                       "<soap12:Envelope xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'"
                       " xmlns:xsd='http://www.w3.org/2001/XMLSchema'"
                       " xmlns:soap12='http://www.w3.org/2003/05/soap-envelope'>"
                       "<soap12:Body>");
    xml += u'<' + bodyElement + " xmlns='" + namespaceUri + "'>";
    for (const auto& [name, value] : children)
        xml += u'<' + name + u'>' + escape(value) + "</" + name + u'>';
    xml += "</" + bodyElement + u'>';
    xml += u"</soap12:Body></soap12:Envelope>";
    return xml;
}

QString SoapEnvelope::soapAction(const QString& namespaceUri, const QString& operation)
{
    return namespaceUri + operation;
}
