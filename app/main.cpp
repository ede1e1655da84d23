#include "AppContext.h"
#include "CommandLine.h"
#include "MenuDpc.h"
#include "QtMessageBoxes.h"
#include "ServiceConfig.h"
#include "Startup.h"
#include "ToolkitTranslations.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = CommandLine::handle(argc, argv))
        return *status;

    QApplication app(argc, argv);
    // A log that cannot be written is reported on stderr; the program runs on.
    if (const std::optional<QString> log = CommandLine::logFile(argc, argv))
        CommandLine::startLog(*log);
    QApplication::setApplicationName(QStringLiteral("QuorvelDPC"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvel-dpc"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quorvel-dpc")));
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
