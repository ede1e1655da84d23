// Started by test_diagnostic_log: sets up the log as the program does, then
// makes two log-in calls to a port nothing listens on, and ends.
#include "CommandLine.h"
#include "SoapClient.h"
#include "SoapEnvelope.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (const std::optional<QString> log = CommandLine::logFile(argc, argv);
        log && !CommandLine::startLog(*log))
        return 2;
    ServiceConfig config;
    config.endpoint = QUrl(QStringLiteral("https://127.0.0.1:1/WS/WSQuorvel.asmx"));
    config.namespaceUri = QStringLiteral("http://tempuri.org/");
    SoapClient client(config);
    const QString operation = QStringLiteral("LoginUser");
    for (int i = 0; i < 2; ++i)
        client.CHIAMA_WS(
            SoapEnvelope::soapAction(config.namespaceUri, operation),
            SoapEnvelope::build(config.namespaceUri, operation,
                                {{QStringLiteral("utente"), QStringLiteral("probe.user")},
                                 {QStringLiteral("password"), QStringLiteral("probe-secret")}}));
    return 0;
}
