#include "CommandLine.h"

#include "BuildSettings.h"
#include "ServiceConfig.h"
#include "StagingFolder.h"

#include <QCoreApplication>
#include <QSslCertificate>
#include <QStringList>
#include <QTextStream>

#include <cstring>

std::optional<int> CommandLine::handle(int argc, char* argv[])
{
    if (argc != 2)
        return std::nullopt;
    const bool version = std::strcmp(argv[1], "--version") == 0;
    const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
    if (!version && !help)
        return std::nullopt;

    // No window: a core application is enough to find the program and user folders.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QuorvelDPC"));
    QTextStream out(stdout);
    out << (version ? versionText(StagingFolder::forProgram()) : helpText());
    return 0;
}

QString CommandLine::versionText(const StagingFolder& staging)
{
    const ServiceConfig config = ServiceConfig::builtIn();
    QStringList authorities;
    for (const QSslCertificate& certificate : config.extraCaCertificates)
        authorities << certificate.subjectDisplayName();
    return QStringLiteral("QuorvelDPC %1.%2.%3\n"
                          "Service endpoint: %4\n"
                          "Service namespace: %5\n"
                          "Trusted besides the system's CAs: %6\n"
                          "Staging folder: %7\n")
        .arg(BuildSettings::versionMajor())
        .arg(BuildSettings::versionMinor())
        .arg(BuildSettings::versionPatch())
        .arg(config.endpoint.toString(), config.namespaceUri,
             authorities.isEmpty() ? QStringLiteral("none")
                                   : authorities.join(QStringLiteral("; ")),
             staging.folder());
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Usage: quorvel-dpc [--version | --help]\n"
        "\n"
        "QuorvelDPC: the desktop client for checking D.P.C. dispensing against the\n"
        "health authority's web service. Without options it opens its window.\n"
        "\n"
        "  --version   print the version, the service the program was built for and\n"
        "              the folder where it keeps its staged answers, then end\n"
        "  -h, --help  print this help, then end\n");
}
