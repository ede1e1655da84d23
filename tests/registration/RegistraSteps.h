#pragma once

#include "MainWindowFixture.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QTest>
#include <functional>
#include <memory>

class QTreeWidget;

// What an operator does on the registration tab, typing into the field that
// has the focus as a keyboard does.
namespace RegistraSteps {

// A canned prescription of 3/2024 at pharmacy 77, and its pharmacy.
extern const QByteArray foundPrescription;
// A canned service's answer: each operation cuts its own result out of it.
// Error codes 7 and 9 are charged to the pharmacy, 8 ("FARMACIA") is not.
QByteArray world(const QByteArray& prescription = foundPrescription,
                 const QByteArray& rest = QByteArray());

// Forgets the log-in's messages and selects the tab (the focus goes to Text120).
void enterTab(MainWindowFixture& f);

// A canned service and a window logged in to it, on the registration tab.
struct CannedTab
{
    TlsTestServer server;
    std::unique_ptr<MainWindowFixture> f;
    int loggedIn = 0; // the requests of the log-in
};
// Nothing when a step failed.
std::unique_ptr<CannedTab> onTheTab(const QByteArray& answer);
// Puts the focus in a field and types text followed by Enter.
void typeIn(MainWindowFixture& f, const char* field, const QString& text);
// Types the two parts of a prescription number, each followed by Enter.
void typeNumber(MainWindowFixture& f, const QString& number);
// Leaves an error search field with `text` typed and acts on the error table
// window it opens. False when no window opened.
bool searchError(MainWindowFixture& f, const char* field, const QString& text,
                 const std::function<void(QTreeWidget*)>& act);
// Leaves the field with `text` typed: true when no window opens.
bool opensNoWindow(MainWindowFixture& f, const char* field, const QString& text);
// What a line or text box of the window holds, without surrounding blanks.
QString text(MainWindowFixture& f, const char* field);
// The rows of a list, cells joined by '|'.
QStringList rows(QTreeWidget* list);
QString focusName();

} // namespace RegistraSteps
