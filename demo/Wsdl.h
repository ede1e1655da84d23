#pragma once

#include <QByteArray>
#include <QString>

// The WSDL 1.1 description of the service: document/literal, a SOAP 1.2
// binding of every operation, the messages as XML Schema elements.
namespace Wsdl {

QByteArray document(const QString& namespaceUri, const QString& location);

} // namespace Wsdl
