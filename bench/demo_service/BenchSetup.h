#pragma once

#include <QString>

class QCoreApplication;
class QTemporaryDir;

// What both demo-service benchmarks take from the command line: a database
// seeded at scale 100 (seeded first when missing, then left as it is) and,
// optionally, another build of the service to measure too.
struct BenchSetup
{
    QString database;
    QString baseline; // empty: this build only

    // Parses the options and seeds a missing database, by default one in
    // `folder`. False, with the reason printed, when it could not be seeded.
    bool prepare(const QCoreApplication& app, const QTemporaryDir& folder);
};
