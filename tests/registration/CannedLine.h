#pragma once

#include "CannedErrorService.h"
#include "MainWindowFixture.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QTreeWidget;

// A line of the registration tab filled in against a canned service that
// remembers registered errors: prescription 999000000000001 of 3/2024 at
// pharmacy 77, AIC 012345678, error 9, the quantity field as the tab starts.
namespace CannedLine {

extern const QString number;
extern const QString aic;

// The question before registering a line the service already lists.
QString warning(const QString& id);

// A record of the pharmacy and month as the service lists it.
QByteArray record(const QByteArray& id, const QByteArray& aicCode = "012345678",
                  const QByteArray& code = "9", const QByteArray& prescription = "999000000000001",
                  const QByteArray& quantity = "1");

QByteArray readFile(const QString& path);

// Closes the error table with Esc (a single match is already chosen).
void pressEsc(QTreeWidget* list);

struct Tab
{
    CannedErrorService service;
    std::unique_ptr<MainWindowFixture> f;
    QByteArray staged; // export_xml.xml once the line was filled

    QByteArray stagedNow() const;
    // "REGISTRA ERRORE" clicked with the mouse.
    void press();
};

// Logged in to the canned service, with the line filled in and the already
// registered records given; nothing when a step failed.
std::unique_ptr<Tab> lineFilled(const QList<QByteArray>& registered = {});

} // namespace CannedLine
