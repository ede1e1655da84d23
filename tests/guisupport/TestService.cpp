#include "TestService.h"

#include "DemoServiceProcess.h"
#include "TlsTestServer.h"

namespace TestService {

ServiceConfig unreachable()
{
    ServiceConfig config;
    config.endpoint = QUrl(QStringLiteral("https://127.0.0.1:1/WS/WSQuorvel.asmx"));
    config.namespaceUri = QStringLiteral("http://tempuri.org/");
    config.timeoutMs = 5000;
    return config;
}

ServiceConfig configFor(const TlsTestServer& server)
{
    ServiceConfig config = unreachable();
    config.endpoint = server.endpoint();
    config.extraCaPem = DemoServiceProcess::caPem();
    return config;
}

QByteArray answer(const QByteArray& results)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
           "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>" +
           results + "</soap:Body></soap:Envelope>";
}

} // namespace TestService
