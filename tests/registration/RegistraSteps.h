#pragma once

#include "MainWindowFixture.h"

#include <QString>

class QTreeWidget;

// What an operator does on the registration tab, with the keyboard as far as
// the step allows.
namespace RegistraSteps {

// Forgets the messages shown so far (the log-in's among them) and selects
// the tab, which puts the focus in the first number field.
void enterTab(MainWindowFixture& f);
// Types both parts of the number, each followed by Enter.
void typeNumber(MainWindowFixture& f, const QString& first, const QString& second);
// Types an AIC code in its field and presses Enter (the look-up runs on leaving).
void typeAic(MainWindowFixture& f, const QString& aic);
// The list of the error-table window, when it is the modal window shown.
QTreeWidget* errorList(QWidget* modal);
// The rows of the error-table window's list, cell texts joined by '|'.
QStringList rows(QTreeWidget* list);
// The cut result of an in-memory call of the service, as the program sees it.
QString call(MainWindowFixture& f, const QString& operation,
             const QList<QPair<QString, QString>>& children);

} // namespace RegistraSteps
