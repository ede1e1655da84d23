#include "AppContext.h"
#include "MenuDpc.h"
#include "QtMessageBoxes.h"
#include "ServiceConfig.h"
#include "Startup.h"
#include "ToolkitTranslations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuorvelDPC"));
    ToolkitTranslations::install();

    QtMessageBoxes boxes;
    Startup startup(boxes);
    if (!startup.begin())
        return 0;

    AppContext context(ServiceConfig::builtIn(), StagingFolder::forProgram(), boxes);
    MenuDpc window(context);
    window.show();
    return QApplication::exec();
}
