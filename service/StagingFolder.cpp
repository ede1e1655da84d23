#include "StagingFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

StagingFolder::StagingFolder(QString folder) : m_folder(std::move(folder)) {}

static bool canWriteIn(const QString& folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.write-probe-XXXXXX"));
    return probe.open();
}

StagingFolder StagingFolder::forProgram()
{
    return choose(QCoreApplication::applicationDirPath(),
                  QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

StagingFolder StagingFolder::choose(const QString& programFolder, const QString& userFolder)
{
    const bool installed = QFileInfo::exists(
        QDir(programFolder).filePath(QStringLiteral(DPC_INSTALLED_DESKTOP_ENTRY)));
    if (!installed && canWriteIn(programFolder))
        return StagingFolder(programFolder);
    QDir().mkpath(userFolder);
    return StagingFolder(userFolder);
}

QString StagingFolder::path(const QString& fileName) const
{
    return QDir(m_folder).filePath(fileName);
}

bool StagingFolder::write(const QString& fileName, const QString& text) const
{
    QSaveFile file(path(fileName));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes = text.toUtf8();
    bytes.append("\r\n");
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

QStringList StagingFolder::readLines(const QString& fileName) const
{
    QFile file(path(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    return splitLines(text);
}

QString StagingFolder::readText(const QString& fileName) const
{
    return QString::fromUtf8(readUtf8(fileName));
}

QByteArray StagingFolder::readUtf8(const QString& fileName) const
{
    QFile file(path(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList StagingFolder::splitLines(QStringView text)
{
    QStringList lines;
    qsizetype from = 0;
    const qsizetype size = text.size();
    while (from < size) {
        qsizetype cr = text.indexOf(u'\r', from);
        if (cr < 0) {
            lines.append(text.mid(from).toString());
            break;
        }
        lines.append(text.mid(from, cr - from).toString());
        from = cr + 1;
        if (from < size && text[from] == u'\n')
            ++from;
    }
    return lines;
}
