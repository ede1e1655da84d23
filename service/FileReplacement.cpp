#include "FileReplacement.h"

#include "LogCategories.h"

#include <filesystem>

FileReplacement::FileReplacement(const QString& target, const QString& fileName)
    : m_target(target), m_fileName(fileName), m_file(target + QStringLiteral(".XXXXXX"))
{
}

bool FileReplacement::open()
{
    if (m_file.open())
        return true;
    fail();
    return false;
}

void FileReplacement::fail()
{
    qCInfo(dpcStaging).noquote() << logTime() << "write failed" << m_fileName << "-"
                                 << m_file.errorString();
    m_file.close();
}

bool FileReplacement::commit()
{
    if (!m_file.isOpen() || !m_file.flush()) {
        fail();
        return false;
    }
    const qint64 size = m_file.size();
    m_file.close();
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(m_file.fileName().toStdU16String()),
                            std::filesystem::path(m_target.toStdU16String()), error);
    if (error) {
        qCInfo(dpcStaging).noquote() << logTime() << "write failed" << m_fileName << "-"
                                     << QString::fromStdString(error.message());
        return false;
    }
    m_file.setAutoRemove(false);
    qCInfo(dpcStaging).noquote() << logTime() << "staged" << m_fileName
                                 << "bytes=" + QString::number(size);
    return true;
}
