#include "LogFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QMutex>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Sink
{
    QByteArray path; // encoded for the system calls
    QString displayPath;
    int fd = -1;
    qint64 size = 0;
    qint64 limit = LogFile::DefaultLimit;
    std::chrono::milliseconds retry{LogFile::DefaultRetryMs};
    Clock::time_point retryAt;
    bool warnedMove = false;
    bool warnedOpen = false;
};

// Trivially destructible, so that a message sent while statics are destroyed
// still finds them valid.
QBasicMutex s_mutex;
Sink* s_sink = nullptr; // guarded by s_mutex
QtMessageHandler s_previous = nullptr;

// Opens `path` for appending, as a regular file of this user only: created
// 0600, never through a symbolic link nor as a hard link of another file, and
// narrowed to 0600 when an older run left it open to its group or others
// (before the link count is known, nothing is changed). -1 with errno set
// when it cannot be.
int openLog(const QByteArray& path)
{
    // O_NONBLOCK keeps a FIFO planted there from blocking the open.
    const int fd = ::open(path.constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return -1;
    struct stat st;
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (st.st_uid != ::geteuid())
        error = EPERM;
    else if (st.st_nlink > 1)
        error = EMLINK; // a hard link: another name of some other file
    else if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0 && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0)
        error = errno;
    else if (::fcntl(fd, F_SETFL, O_WRONLY | O_APPEND) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

void warn(const QString& text)
{
    const QMessageLogContext context(nullptr, 0, nullptr, "dpc.log");
    if (s_previous)
        s_previous(QtWarningMsg, context, text);
}

// Opens the sink's file again; on failure lines are dropped until `retryAt`.
void reopen(Sink& sink)
{
    sink.fd = openLog(sink.path);
    if (sink.fd >= 0) {
        struct stat st;
        sink.size = ::fstat(sink.fd, &st) == 0 ? st.st_size : 0;
        sink.warnedOpen = false;
        return;
    }
    const int error = errno;
    sink.retryAt = Clock::now() + sink.retry;
    if (!sink.warnedOpen) {
        sink.warnedOpen = true;
        warn(QStringLiteral("cannot write the log %1 (%2): its lines are dropped until it can")
                 .arg(sink.displayPath, QString::fromLocal8Bit(std::strerror(error))));
    }
}

void rotate(Sink& sink)
{
    ::close(sink.fd);
    sink.fd = -1;
    if (::rename(sink.path.constData(), (sink.path + ".1").constData()) == 0) {
        reopen(sink);
        return;
    }
    // The file cannot be moved aside: it starts again empty rather than grow
    // past its limit.
    const int error = errno;
    if (!sink.warnedMove) {
        sink.warnedMove = true;
        warn(QStringLiteral("cannot move the log %1 to %1.1 (%2): it is emptied instead")
                 .arg(sink.displayPath, QString::fromLocal8Bit(std::strerror(error))));
    }
    reopen(sink);
    if (sink.fd >= 0 && ::ftruncate(sink.fd, 0) == 0)
        sink.size = 0;
}

void writeLine(Sink& sink, const QByteArray& line)
{
    if (sink.fd < 0) {
        if (Clock::now() < sink.retryAt)
            return;
        reopen(sink);
        if (sink.fd < 0)
            return;
    }
    if (sink.size > 0 && sink.size + line.size() > sink.limit) {
        rotate(sink);
        if (sink.fd < 0)
            return;
    }
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(sink.fd, line.constData() + done, size_t(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // a full disk: the line is lost, the next one tries again
        done += n;
    }
    sink.size += done;
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool diagnostic = context.category && std::strncmp(context.category, "dpc.", 4) == 0 &&
                            (type == QtDebugMsg || type == QtInfoMsg);
    if (!diagnostic) {
        if (s_previous)
            s_previous(type, context, message);
        return;
    }
    const QByteArray line =
        QByteArray(context.category) + ": " + message.toUtf8().replace('\n', ' ') + '\n';
    QMutexLocker lock(&s_mutex);
    if (s_sink)
        writeLine(*s_sink, line);
}

} // namespace

bool LogFile::start(const QString& path, qint64 limit, QString* error, int retryMs)
{
    auto sink = std::make_unique<Sink>();
    sink->path = QFile::encodeName(path);
    sink->displayPath = path;
    sink->fd = openLog(sink->path);
    if (sink->fd < 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st;
    sink->size = ::fstat(sink->fd, &st) == 0 ? st.st_size : 0;
    sink->limit = limit;
    sink->retry = std::chrono::milliseconds(retryMs);
    stop();
    {
        QMutexLocker lock(&s_mutex);
        s_sink = sink.release();
    }
    s_previous = qInstallMessageHandler(handle);
    qRemovePostRoutine(LogFile::stop);
    qAddPostRoutine(LogFile::stop);
    return true;
}

void LogFile::stop()
{
    Sink* sink = nullptr;
    {
        QMutexLocker lock(&s_mutex);
        if (!s_sink)
            return;
        qInstallMessageHandler(s_previous);
        std::swap(sink, s_sink);
    }
    if (sink->fd >= 0)
        ::close(sink->fd);
    delete sink;
}

bool LogFile::running()
{
    QMutexLocker lock(&s_mutex);
    return s_sink != nullptr;
}
