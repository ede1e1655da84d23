#include "ReplacedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <thread>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The new file beside the name. Once a few megabytes more are written, the
// disk is asked to start taking them, so that the sync in commit() waits for
// little more than the last of them rather than for the whole file.
class ReplacedFile::NewFile : public QTemporaryFile
{
public:
    using QTemporaryFile::QTemporaryFile;

protected:
    qint64 writeData(const char* data, qint64 size) override
    {
        qint64 done = 0;
        while (done < size) {
            const qint64 n = QTemporaryFile::writeData(data + done, std::min(size - done, Step));
            if (n <= 0)
                return done > 0 ? done : n;
            done += n;
            m_written += n;
            if (m_written - m_from >= Step) {
                // Only a start: a failure shows at the sync in commit().
                ::sync_file_range(handle(), m_from, m_written - m_from, SYNC_FILE_RANGE_WRITE);
                m_from = m_written;
            }
        }
        return done;
    }

private:
    static constexpr qint64 Step = 2 * 1024 * 1024;
    qint64 m_written = 0; // bytes handed to the file so far
    qint64 m_from = 0;    // where the bytes not yet asked for begin
};

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

// A large earlier file at the name, held open while the new one takes its
// place: freeing its blocks can take a while (on a disk mounted with discard,
// a wait on the disk for each run of them), and is then left to letGo().
// Non-blocking: should something other than a file take the name meanwhile
// (a pipe), the open must not wait for it.
int heldOpen(const QByteArray& path, const struct stat& status)
{
    constexpr off_t Large = 1024 * 1024;
    if (!S_ISREG(status.st_mode) || status.st_size < Large)
        return -1;
    return ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

// Lets the earlier file go on a thread of its own: nothing waits for its blocks.
void letGo(int fd)
{
    if (fd >= 0)
        std::thread([fd] { ::close(fd); }).detach();
}

} // namespace

ReplacedFile::ReplacedFile(const QString& path)
    : m_path(path), m_file(std::make_unique<NewFile>(path + QStringLiteral(".XXXXXX")))
{
}

ReplacedFile::~ReplacedFile()
{
    if (!m_committed)
        cancel();
}

bool ReplacedFile::open()
{
    return m_file->open();
}

QFileDevice& ReplacedFile::device()
{
    return *m_file;
}

QString ReplacedFile::newFileName() const
{
    return m_file->fileName();
}

bool ReplacedFile::commit()
{
    if (m_committed)
        return true;
    if (m_file->fileName().isEmpty() || !m_file->exists())
        return false;
    const QByteArray target = QFile::encodeName(m_path);
    const QByteArray made = QFile::encodeName(m_file->fileName());
    bool written = true;
    if (m_file->isOpen()) {
        written = m_file->flush();
        m_file->close();
        written = written && m_file->error() == QFileDevice::NoError;
    }
    // lstat: the link itself, not what it points to.
    struct stat old = {};
    const bool regular = ::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode);
    const mode_t mode = regular ? (old.st_mode & 07777) : newFileMode();
    // On the disk before it takes the name: after a crash the name holds
    // the old file or the new one, whole, and a file said to be written is.
    if (!written || ::chmod(made.constData(), mode) != 0 || !synced(made)) {
        cancel();
        return false;
    }
    const int earlier = heldOpen(target, old);
    if (std::rename(made.constData(), target.constData()) != 0) {
        if (earlier >= 0)
            ::close(earlier);
        cancel();
        return false;
    }
    m_file->setAutoRemove(false);
    m_committed = true;
    syncFolder(QFile::encodeName(QFileInfo(m_path).absolutePath()));
    letGo(earlier);
    return true;
}

void ReplacedFile::cancel()
{
    if (m_committed)
        return;
    m_file->close();
    if (!m_file->fileName().isEmpty())
        m_file->remove();
}

bool ReplacedFile::taken(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}
