#pragma once

#include <QString>

#include <functional>

class QPagedPaintDevice;
class QWidget;

// Printing through the system's print dialog. Qt's printing support is loaded
// with the first print (module "print"), not with the program.
class PrintJob
{
public:
    enum Outcome
    {
        Cancelled, // the operator closed the dialog
        Printed,
        Failed, // the printer failed, or printing support could not be loaded
    };

    // Shows the print dialog (object name "StampaRicetta" is the caller's
    // `dialogName`) for a document called `documentName`; once accepted,
    // `paint` draws the pages on the printer.
    static Outcome run(QWidget* parent, const QString& documentName, const QString& dialogName,
                       const std::function<void(QPagedPaintDevice*)>& paint);
};
