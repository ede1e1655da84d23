// Started by test_diagnostic_log and test_log_file: sets up the log as the
// program does, then makes two log-in calls to a port nothing listens on, and
// ends. With --message-at-exit, a static sends log messages as it is destroyed.
#include "CommandLine.h"
#include "SoapClient.h"
#include "SoapEnvelope.h"

#include "LogCategories.h"

#include <QCoreApplication>

#include <cstring>
#include <optional>

namespace {

struct MessageAtExit
{
    bool armed = false;
    ~MessageAtExit()
    {
        if (!armed)
            return;
        qCInfo(dpcService, "probe ends");
        qWarning("probe ends");
    }
};

MessageAtExit s_messageAtExit;

} // namespace

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        s_messageAtExit.armed =
            s_messageAtExit.armed || std::strcmp(argv[i], "--message-at-exit") == 0;
    QCoreApplication app(argc, argv);
    // A log that cannot be written is reported on stderr; the program runs on.
    if (const std::optional<QString> log = CommandLine::logFile(argc, argv))
        CommandLine::startLog(*log);
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
