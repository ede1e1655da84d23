#pragma once

#include "MainWindowFixture.h"
#include "TlsTestServer.h"

#include <QByteArray>
#include <memory>

// A window logged in to a canned service that lists a report of 2024, for
// the tests of the REPORTS tab.
namespace ReportTabSession {

// A registered error of 2024 with error code 12, prescription "1234500000"
// followed by the first five characters of its ID.
QByteArray record(const QByteArray& id, const QByteArray& mese, const QByteArray& codfarma,
                  const QByteArray& farmacia, const QByteArray& flusso = "DPC");

// IDs 41, 42 and 43 at pharmacies 120, 5 and 30 (43 of month 0 and another
// flow), and "7x" at pharmacy 1000 with neither a year nor a name.
extern const QByteArray fourRecords;

struct Session
{
    TlsTestServer server;
    std::unique_ptr<MainWindowFixture> f;
};
// The service answers the log-in, the report with `records` (no report at
// all when they are null) and any cancellation. The log-in's messages are
// forgotten; nothing when a step failed.
std::unique_ptr<Session> logIn(const QByteArray& records);

void enterReports(MainWindowFixture& f);

} // namespace ReportTabSession
