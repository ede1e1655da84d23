#include "LogFile.h"

#include <QFile>
#include <QMutex>

#include <cstring>
#include <memory>

namespace {

struct Sink
{
    QFile file;
    qint64 limit = LogFile::DefaultLimit;
    QtMessageHandler previous = nullptr;
    QMutex mutex;
};

std::unique_ptr<Sink> s_sink;

void rotate(Sink& sink)
{
    const QString path = sink.file.fileName();
    sink.file.close();
    QFile::remove(path + QStringLiteral(".1"));
    QFile::rename(path, path + QStringLiteral(".1"));
    sink.file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    Sink& sink = *s_sink;
    const bool diagnostic = context.category && std::strncmp(context.category, "dpc.", 4) == 0 &&
                            (type == QtDebugMsg || type == QtInfoMsg);
    if (!diagnostic) {
        if (sink.previous)
            sink.previous(type, context, message);
        return;
    }
    const QByteArray line =
        QByteArray(context.category) + ": " + message.toUtf8().replace('\n', ' ') + '\n';
    QMutexLocker lock(&sink.mutex);
    if (sink.file.size() > 0 && sink.file.size() + line.size() > sink.limit)
        rotate(sink);
    if (sink.file.isOpen()) {
        sink.file.write(line);
        sink.file.flush();
    }
}

} // namespace

bool LogFile::start(const QString& path, qint64 limit)
{
    auto sink = std::make_unique<Sink>();
    sink->file.setFileName(path);
    if (!sink->file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    stop();
    sink->limit = limit;
    s_sink = std::move(sink);
    s_sink->previous = qInstallMessageHandler(handle);
    return true;
}

void LogFile::stop()
{
    if (!s_sink)
        return;
    qInstallMessageHandler(s_sink->previous);
    s_sink.reset();
}

bool LogFile::running()
{
    return s_sink != nullptr;
}
