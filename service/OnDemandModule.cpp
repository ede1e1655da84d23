#include "OnDemandModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder of the running program, symbolic links resolved (found from the
// running executable before the application object exists, for --version).
QString programFolder()
{
    const QString program = QCoreApplication::instance()
                                ? QCoreApplication::applicationFilePath()
                                : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const QString canonical = QFileInfo(program).canonicalFilePath();
    return canonical.isEmpty() ? QString() : QFileInfo(canonical).path();
}

bool isWithin(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// Owned by root or this user, writable by no one else.
QString distrustStat(const QString& path, const char* what)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("%1 %2 cannot be read").arg(QLatin1String(what), path);
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        return QStringLiteral("%1 %2 belongs to another user").arg(QLatin1String(what), path);
    if ((st.st_mode & S_IWOTH) != 0)
        return QStringLiteral("%1 %2 can be written by others").arg(QLatin1String(what), path);
    return {};
}

} // namespace

QStringList OnDemandModule::folders()
{
    const QString program = programFolder();
    if (program.isEmpty())
        return {};
    const QString tree = QFileInfo(QStringLiteral(DPC_BUILD_TREE)).canonicalFilePath();
    if (!tree.isEmpty() && isWithin(program, tree))
        return {tree + QStringLiteral("/modules")};
    const QString installed = QStringLiteral(DPC_INSTALLED_PROGRAM_DIR);
    if (program.endsWith(installed)) {
        const QString root = program.left(program.size() - installed.size());
        return {root + QStringLiteral(DPC_INSTALLED_MODULES_DIR)};
    }
    return {};
}

QString OnDemandModule::distrust(const QString& path)
{
    const QFileInfo file(path);
    const QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty())
        return QStringLiteral("%1 does not exist").arg(path);
    if (QString reason = distrustStat(canonical, "the module"); !reason.isEmpty())
        return reason;
    return distrustStat(QFileInfo(canonical).path(), "the folder");
}

QFunctionPointer OnDemandModule::resolve(const QString& name, const char* symbol)
{
    const QString file = QStringLiteral("libdpc_%1.so").arg(name);
    for (const QString& folder : folders()) {
        const QString path = folder + QLatin1Char('/') + file;
        if (!QFileInfo::exists(path))
            continue;
        if (const QString reason = distrust(path); !reason.isEmpty()) {
            qWarning("not loading %s: %s", qPrintable(path), qPrintable(reason));
            continue;
        }
        QLibrary library(QFileInfo(path).canonicalFilePath());
        if (library.load())
            return library.resolve(symbol);
    }
    return nullptr;
}
