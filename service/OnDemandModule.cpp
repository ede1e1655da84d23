#include "OnDemandModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

QStringList OnDemandModule::folders()
{
    QStringList folders;
    // Installed: a fixed path relative to the program's folder (found from the
    // running executable before the application object exists, for --version).
    const QString programFolder =
        QCoreApplication::instance()
            ? QCoreApplication::applicationDirPath()
            : QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).path();
    if (!programFolder.isEmpty())
        folders << QDir::cleanPath(programFolder + QStringLiteral("/" DPC_MODULES_FROM_PROGRAM));
    folders << QStringLiteral(DPC_MODULES_BUILD_DIR);
    return folders;
}

QFunctionPointer OnDemandModule::resolve(const QString& name, const char* symbol)
{
    const QString file = QStringLiteral("libdpc_%1.so").arg(name);
    for (const QString& folder : folders()) {
        const QString path = folder + QLatin1Char('/') + file;
        if (!QFileInfo::exists(path))
            continue;
        QLibrary library(path);
        if (library.load())
            return library.resolve(symbol);
    }
    return nullptr;
}
