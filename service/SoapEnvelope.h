#pragma once

#include <QList>
#include <QPair>
#include <QString>

using SoapChildren = QList<QPair<QString, QString>>;

// Writes SOAP 1.2 request envelopes: no line breaks, single-quoted attributes,
// the body element in the service namespace, one child element per value.
class SoapEnvelope
{
public:
    // Values are XML-escaped, so any text the operator types reaches the
    // service unchanged and can never break or inject markup.
    static QString build(const QString& namespaceUri, const QString& bodyElement,
                         const SoapChildren& children);
    static QString soapAction(const QString& namespaceUri, const QString& operation);
    static QString escape(const QString& value);
};
