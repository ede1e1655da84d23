#include "ReplacedFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The permissions a new file gets from the process's umask.
mode_t newFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Waits until the file's bytes are on the disk; false when they could not be put there.
bool synced(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool done = ::fdatasync(fd) == 0;
    return ::close(fd) == 0 && done;
}

// The same for a folder's entries: the name renamed in it. What the disk
// says is not asked: the file is whole in its place either way.
void syncFolder(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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
    // On the disk before it takes the name: after a crash the name holds
    // the old file or the new one, whole, and a file said to be written is.
    if (!written || ::chmod(made.constData(), mode) != 0 || !synced(made) ||
        std::rename(made.constData(), target.constData()) != 0) {
        cancel();
        return false;
    }
    m_file.setAutoRemove(false);
    m_committed = true;
    syncFolder(QFile::encodeName(QFileInfo(m_path).absolutePath()));
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
