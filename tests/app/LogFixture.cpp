#include "LogFixture.h"

#include "LogFile.h"
#include "SoapClient.h"

#include <QFile>
#include <QLoggingCategory>

namespace LogFixture {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList linesOf(const QByteArray& text, const char* category)
{
    QStringList lines;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(QByteArray(category) + ": "))
            lines << QString::fromUtf8(line);
    }
    return lines;
}

QProcessEnvironment probeEnvironment(const QString& config, const QString& rules)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), config);
    environment.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    environment.remove(QStringLiteral("QT_LOGGING_CONF"));
    environment.remove(QStringLiteral("QT_MESSAGE_PATTERN"));
    if (rules.isEmpty())
        environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    else
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), rules);
    return environment;
}

void reset(const QString& path)
{
    LogFile::stop();
    QLoggingCategory::setFilterRules(QString());
    SoapClient::resetFailureWarning();
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".1"));
}

} // namespace LogFixture
