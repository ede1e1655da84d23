#include "StagingFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (canWriteIn(programFolder))
        return StagingFolder(programFolder);
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataFolder);
    return StagingFolder(dataFolder);
}

QString StagingFolder::path(const QString& fileName) const
{
    return QDir(m_folder).filePath(fileName);
}

bool StagingFolder::write(const QString& fileName, const QString& text) const
{
    QByteArray bytes = text.toUtf8();
    bytes.append("\r\n");
    return writeBytes(fileName, bytes);
}

bool StagingFolder::writeBytes(const QString& fileName, const QByteArray& bytes) const
{
    QSaveFile file(path(fileName));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

StagedText StagingFolder::readText(const QString& fileName) const
{
    QFile file(path(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Mapped rather than copied: large answers are decoded straight from the page cache.
    const qint64 size = file.size();
    if (const uchar* mapped = size > 0 ? file.map(0, size) : nullptr)
        return StagedText(QString::fromUtf8(QByteArrayView(mapped, size)));
    return StagedText(QString::fromUtf8(file.readAll()));
}

QStringList StagingFolder::readLines(const QString& fileName) const
{
    return splitLines(readText(fileName).text());
}

QStringList StagingFolder::splitLines(QStringView text)
{
    QStringList lines;
    lines.reserve(text.count(u'\r') + 1);
    for (auto line = StagedText::const_iterator(text, 0),
              end = StagedText::const_iterator(text, text.size());
         line != end; ++line)
        lines.append((*line).toString());
    return lines;
}
