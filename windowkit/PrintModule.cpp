// The printing module: the only code that links Qt's printing support.
#include "PrintModule.h"

#include <QPrintDialog>
#include <QPrinter>

extern "C" Q_DECL_EXPORT int dpc_print(QWidget* parent, const QString& documentName,
                                       const QString& dialogName,
                                       const std::function<void(QPagedPaintDevice*)>& paint)
{
    static_assert(std::is_same_v<decltype(&dpc_print), PrintModule::Function>);
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(dialogName);
    dialog.setWindowTitle(QStringLiteral("Stampa"));
    dialog.setAccessibleName(QStringLiteral("Stampa della ricetta"));
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    paint(&printer);
    return printer.printerState() == QPrinter::Error ? 2 : 1;
}
