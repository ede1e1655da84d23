#include "Startup.h"

#include "BuildSettings.h"
#include "MessageBoxes.h"

Startup::Startup(MessageBoxes& boxes, const QString& lockPath)
    : m_boxes(boxes), m_instance(lockPath)
{
}

bool Startup::begin()
{
    if (m_instance.acquire())
        return true;
    m_boxes.show(nullptr, {QStringLiteral("PROGRAMMA GIA' IN MEMORIA"), versionTitle(),
                           QMessageBox::Warning, QMessageBox::Ok});
    return false;
}

QString Startup::versionTitle()
{
    return QStringLiteral("D.P.C. Ver.%1.%2")
        .arg(BuildSettings::versionMajor())
        .arg(BuildSettings::versionMinor());
}

QString Startup::versionLabel()
{
    return QStringLiteral("Ver.  %1.%2.%3")
        .arg(BuildSettings::versionMajor())
        .arg(BuildSettings::versionMinor())
        .arg(BuildSettings::versionPatch());
}
