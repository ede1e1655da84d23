#include "ReplacedFile.h"

#include <QFile>

#include <cstdio>

#include <sys/stat.h>

namespace {

// The permissions a new file gets from the process's umask.
mode_t newFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

ReplacedFile::ReplacedFile(const QString& path)
    : m_path(path), m_file(path + QStringLiteral(".XXXXXX"))
{
}

ReplacedFile::~ReplacedFile()
{
    if (!m_committed)
        cancel();
}

bool ReplacedFile::open()
{
    return m_file.open();
}

bool ReplacedFile::commit()
{
    if (m_committed)
        return true;
    if (m_file.fileName().isEmpty() || !m_file.exists())
        return false;
    const QByteArray target = QFile::encodeName(m_path);
    const QByteArray made = QFile::encodeName(m_file.fileName());
    bool written = true;
    if (m_file.isOpen()) {
        written = m_file.flush();
        m_file.close();
        written = written && m_file.error() == QFileDevice::NoError;
    }
    // lstat: the link itself, not what it points to.
    struct stat old = {};
    const bool regular = ::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode);
    const mode_t mode = regular ? (old.st_mode & 07777) : newFileMode();
    if (!written || ::chmod(made.constData(), mode) != 0 ||
        std::rename(made.constData(), target.constData()) != 0) {
        cancel();
        return false;
    }
    m_file.setAutoRemove(false);
    m_committed = true;
    return true;
}

void ReplacedFile::cancel()
{
    if (m_committed)
        return;
    m_file.close();
    if (!m_file.fileName().isEmpty())
        m_file.remove();
}

bool ReplacedFile::taken(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}
