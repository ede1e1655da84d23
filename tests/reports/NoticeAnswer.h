#pragma once

#include <QByteArray>

#include <memory>

class MainWindowFixture;
class TlsTestServer;
#include <QString>
#include <QStringList>

// A year's report of 1,000 records over 30 pharmacies with the values that
// went wrong on their way out: names with commas, "&amp;", ";" and quotes,
// amounts of 1,005 and 1234,5 and others written with a full stop, texts a
// spreadsheet would take for formulas, a few negative quantities, and one
// pharmacy (the 30th) whose records hold the longest values.
namespace NoticeAnswer {

constexpr int Records = 1000;
constexpr int Pharmacies = 30;
constexpr int LongPharmacy = 30;

// Record i, 1 to Records.
int pharmacyOf(int i);
QString prescriptionOf(int i);
qint64 centsOf(int i);
// The record a row of an export shows, found by its prescription number.
int recordOf(const QString& prescription);
// A pharmacy's count of records and their gross amounts.
int pharmacyCount(int pharmacy);
qint64 pharmacyCents(int pharmacy);
// The pharmacy's code as the files show it ("00007") and its name as sent.
QString codeOf(int pharmacy);
QString nameOf(int pharmacy);

// Record i's CSV fields, before any formula guard: the texts as the service
// sent them, the pharmacy's code as the files write it ("00007").
QStringList fields(int i);

// The F_LoadErroreByAnnoMese result's records.
QByteArray records();
// A whole answer: the log-in and the report.
QByteArray answer();
// A session logged in to `server`, which answers answer(), on the REPORTS tab
// listing the year's report; nothing when any of it failed.
std::unique_ptr<MainWindowFixture> openReport(TlsTestServer& server);

} // namespace NoticeAnswer
