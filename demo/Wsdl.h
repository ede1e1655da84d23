#pragma once

#include "Operations.h"

#include <QByteArray>
#include <QString>

namespace Demo {

// The WSDL 1.1 description of the service: document/literal, a SOAP 1.2
// binding of each of its operations, the messages as XML Schema elements.
namespace Wsdl {

QByteArray document(std::span<const Operations::Operation> operations, const QString& namespaceUri,
                    const QString& location);

} // namespace Wsdl

} // namespace Demo
