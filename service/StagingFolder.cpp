#include "StagingFolder.h"

#include "FileReplacement.h"
#include "LogCategories.h"
#include "StagedText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
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
    QByteArray bytes = text.toUtf8();
    bytes.append("\r\n");
    return writeBytes(fileName, bytes);
}

bool StagingFolder::writeBytes(const QString& fileName, const QByteArray& bytes) const
{
    return writeWith(fileName,
                     [&bytes](QIODevice& file) { return file.write(bytes) == bytes.size(); });
}

bool StagingFolder::writeWith(const QString& fileName,
                              const std::function<bool(QIODevice&)>& write) const
{
    FileReplacement file(path(fileName), fileName);
    if (!file.open())
        return false;
    if (!write(file.device())) {
        file.fail();
        return false;
    }
    return file.commit();
}

// One line for each read of a staged file: its size, or why it could not be read.
static void logRead(const QString& fileName, const QFile& file, bool opened)
{
    if (opened)
        qCInfo(dpcStaging).noquote()
            << logTime() << "read" << fileName << "bytes=" + QString::number(file.size());
    else
        qCInfo(dpcStaging).noquote()
            << logTime() << "read failed" << fileName << "-" << file.errorString();
}

QStringList StagingFolder::readLines(const QString& fileName) const
{
    QStringList lines;
    forEachLine(fileName, [&lines](QStringView line) {
        lines.append(line.toString());
        return true;
    });
    return lines;
}

bool StagingFolder::readBlocks(const QString& fileName,
                               const std::function<bool(QStringView)>& visit,
                               qsizetype blockBytes) const
{
    QFile file(path(fileName));
    const bool opened = file.open(QIODevice::ReadOnly);
    logRead(fileName, file, opened);
    if (!opened)
        return false;
    QByteArray read;
    QByteArrayView bytes;
    const qint64 fileSize = file.size();
    if (const uchar* mapped = fileSize > 0 ? file.map(0, fileSize) : nullptr) {
        bytes = QByteArrayView(mapped, fileSize);
    } else {
        read = file.readAll();
        bytes = read;
    }
    // A block ends after a line end (CR, or CR LF), so never inside a line nor
    // inside a character: CR is ASCII, never part of a longer UTF-8 sequence.
    // Decoded one at a time into the same buffer, blocks stay in the
    // processor's cache while their lines are read. As for the whole text, a
    // byte order mark is dropped at the start of the file only.
    using Flag = QStringConverter::Flag;
    QStringDecoder first(QStringConverter::Utf8, Flag::Stateless);
    QStringDecoder rest(QStringConverter::Utf8, Flag::Stateless | Flag::ConvertInitialBom);
    QString block;
    const qsizetype size = bytes.size();
    for (qsizetype at = 0; at < size;) {
        qsizetype end = size;
        if (size - at > blockBytes) {
            const qsizetype cr = bytes.indexOf('\r', at + std::max<qsizetype>(blockBytes, 1) - 1);
            if (cr >= 0)
                end = cr + 1 < size && bytes[cr + 1] == '\n' ? cr + 2 : cr + 1;
        }
        const QByteArrayView slice = bytes.sliced(at, end - at);
        QStringDecoder& decoder = at == 0 ? first : rest;
        block.resize(decoder.requiredSpace(slice.size()));
        block.truncate(decoder.appendToBuffer(block.data(), slice) - block.constData());
        if (!visit(block))
            break;
        at = end;
    }
    return true;
}

QString StagingFolder::readText(const QString& fileName) const
{
    QFile file(path(fileName));
    const bool opened = file.open(QIODevice::ReadOnly);
    logRead(fileName, file, opened);
    if (!opened)
        return {};
    // Mapped rather than copied: large answers are decoded straight from the page cache.
    const qint64 size = file.size();
    if (const uchar* mapped = size > 0 ? file.map(0, size) : nullptr)
        return QString::fromUtf8(QByteArrayView(mapped, size));
    return QString::fromUtf8(file.readAll());
}

QByteArray StagingFolder::readUtf8(const QString& fileName) const
{
    QFile file(path(fileName));
    const bool opened = file.open(QIODevice::ReadOnly);
    logRead(fileName, file, opened);
    if (!opened)
        return {};
    return file.readAll();
}

bool StagingFolder::withUtf8(const QString& fileName,
                             const std::function<void(QByteArrayView)>& visit) const
{
    QFile file(path(fileName));
    const bool opened = file.open(QIODevice::ReadOnly);
    logRead(fileName, file, opened);
    if (!opened)
        return false;
    const qint64 size = file.size();
    if (const uchar* mapped = size > 0 ? file.map(0, size) : nullptr) {
        visit(QByteArrayView(mapped, size));
        return true;
    }
    visit(file.readAll());
    return true;
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
