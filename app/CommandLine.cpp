#include "CommandLine.h"

#include "BuildSettings.h"
#include "LogFile.h"
#include "OnDemandModule.h"
#include "ServiceConfig.h"
#include "SoapClient.h"
#include "StagingFolder.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStringList>
#include <QTextStream>

#include <cstring>

std::optional<int> CommandLine::handle(int argc, char* argv[])
{
    bool version = false;
    bool help = false;
    for (int i = 1; i < argc; ++i) {
        version = version || std::strcmp(argv[i], "--version") == 0;
        help = help || std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0;
        if (std::strcmp(argv[i], "--log") == 0 && (i + 1 == argc || argv[i + 1][0] == '\0')) {
            QTextStream(stderr) << "quorvel-dpc: --log needs a file name\n";
            return 2;
        }
    }
    if (!version && !help)
        return std::nullopt;

    // No window: a core application is enough to find the program and user folders.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QuorvelDPC"));
    QTextStream out(stdout);
    out << (version ? versionText(StagingFolder::forProgram()) : helpText());
    return 0;
}

std::optional<QString> CommandLine::logFile(int argc, char* argv[])
{
    std::optional<QString> file;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc)
            file = QString::fromLocal8Bit(argv[++i]);
        else if (std::strncmp(argv[i], "--log=", 6) == 0)
            file = QString::fromLocal8Bit(argv[i] + 6);
    }
    if (file && file->isEmpty())
        return std::nullopt;
    return file;
}

bool CommandLine::startLog(const QString& path)
{
    QString error;
    if (!LogFile::start(path, LogFile::DefaultLimit, &error)) {
        QTextStream(stderr) << "quorvel-dpc: cannot write the log " << path << " (" << error
                            << "); running without it\n";
        return false;
    }
    QLoggingCategory::setFilterRules(QStringLiteral("dpc.*.debug=true\ndpc.*.info=true"));
    return true;
}

QString CommandLine::versionText(const StagingFolder& staging)
{
    const ServiceConfig config = ServiceConfig::builtIn();
    const QStringList authorities = SoapClient::trustedCaNames(config);
    // The one folder modules are loaded from, chosen by where the program lies.
    const QStringList modules = OnDemandModule::folders();
    return QStringLiteral("QuorvelDPC %1.%2.%3\n"
                          "Service endpoint: %4\n"
                          "Service namespace: %5\n"
                          "Trusted besides the system's CAs: %6\n"
                          "Staging folder: %7\n"
                          "Modules folder: %8\n")
        .arg(BuildSettings::versionMajor())
        .arg(BuildSettings::versionMinor())
        .arg(BuildSettings::versionPatch())
        .arg(config.endpoint.toString(), config.namespaceUri,
             authorities.isEmpty() ? QStringLiteral("none")
                                   : authorities.join(QStringLiteral("; ")),
             staging.folder(),
             modules.isEmpty() ? QStringLiteral("none (neither installed nor in the build tree)")
                               : modules.first());
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Usage: quorvel-dpc [--log FILE] [--version | --help]\n"
        "\n"
        "QuorvelDPC: the desktop client for checking D.P.C. dispensing against the\n"
        "health authority's web service. Without options it opens its window.\n"
        "\n"
        "  --log FILE  write the diagnostic log to FILE: one line per service call\n"
        "              (operation, bytes sent and received, HTTP status, duration,\n"
        "              outcome) and one per staged or read file. No password, request\n"
        "              or answer, nor any value from one, is ever written. FILE is\n"
        "              capped at 5 MiB and then moved to FILE.1, so it can be left on\n"
        "  --version   print the version, the service the program was built for, the\n"
        "              folder where it keeps its staged answers and the one it loads\n"
        "              its modules from, then end\n"
        "  -h, --help  print this help, then end\n"
        "\n"
        "The log's categories are dpc.service and dpc.staging, off by default. Besides\n"
        "--log, Qt's own rules turn them on, their lines then going to stderr:\n"
        "  QT_LOGGING_RULES=\"dpc.*=true\" quorvel-dpc\n"
        "or, lasting, in ~/.config/QtProject/qtlogging.ini:\n"
        "  [Rules]\n"
        "  dpc.*=true\n"
        "The first call of a run that cannot reach the service (network, TLS, timeout)\n"
        "is always reported on stderr as a warning, and so in the system journal.\n");
}
