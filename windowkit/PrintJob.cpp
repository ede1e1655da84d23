#include "PrintJob.h"

#include "OnDemandModule.h"
#include "PrintModule.h"

PrintJob::Outcome PrintJob::run(QWidget* parent, const QString& documentName,
                                const QString& dialogName,
                                const std::function<void(QPagedPaintDevice*)>& paint)
{
    const auto print = reinterpret_cast<PrintModule::Function>(
        OnDemandModule::resolve(QString::fromLatin1(PrintModule::name), PrintModule::symbol));
    if (!print)
        return Failed;
    return Outcome(print(parent, documentName, dialogName, paint));
}
