#pragma once

#include "ServiceConfig.h"

#include <QByteArray>

class TlsTestServer;

// Service settings and answers for tests that talk to an in-test server.
namespace TestService {

// A port nothing listens on: every call fails at once.
ServiceConfig unreachable();
// The in-test TLS server, trusted through the test CA.
ServiceConfig configFor(const TlsTestServer& server);
// A SOAP 1.2 answer whose body holds `results` (one or more result elements:
// each operation cuts its own out of the text).
QByteArray answer(const QByteArray& results);

} // namespace TestService
