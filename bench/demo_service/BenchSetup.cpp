#include "BenchSetup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// The service seeds a new database before it listens.
bool seed(const QString& file)
{
    QProcess service;
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.start(QStringLiteral(DPC_DEMO_SERVICE_EXE),
                  {"--port", "0", "--database", file, "--scale", "100"});
    const bool listening = service.waitForReadyRead(30 * 60 * 1000);
    service.terminate();
    service.waitForFinished(30000);
    return listening && QFile::exists(file);
}

} // namespace

bool BenchSetup::prepare(const QCoreApplication& app, const QTemporaryDir& folder)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption databaseOption(
        "database", "Database seeded at scale 100 (made when missing).", "FILE");
    const QCommandLineOption baselineOption("baseline",
                                            "Another build of the service to measure too.", "EXE");
    parser.addOptions({databaseOption, baselineOption});
    parser.process(app);
    database = parser.isSet(databaseOption) ? parser.value(databaseOption)
                                            : folder.filePath("seeded.sqlite");
    baseline = parser.value(baselineOption);
    if (QFile::exists(database))
        return true;
    std::printf("Seeding %s at scale 100...\n", qPrintable(database));
    std::fflush(stdout);
    if (seed(database))
        return true;
    std::printf("could not seed the database\n");
    return false;
}
