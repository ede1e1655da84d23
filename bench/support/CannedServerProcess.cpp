#include "CannedServerProcess.h"

#include "TlsTestServer.h"

#include <QCoreApplication>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

CannedServerProcess::CannedServerProcess(int argc, char* argv[],
                                         const std::function<QByteArray()>& answer)
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        close(fds[0]);
        QCoreApplication app(argc, argv);
        TlsTestServer server;
        server.setSoapAnswer(200, answer());
        const quint16 port = server.listen() ? server.port() : 0;
        if (write(fds[1], &port, sizeof port) != sizeof port || port == 0)
            _exit(1);
        close(fds[1]);
        app.exec();
        _exit(0);
    }
    close(fds[1]);
    if (m_pid < 0 || read(fds[0], &m_port, sizeof m_port) != sizeof m_port)
        m_port = 0;
    close(fds[0]);
}

CannedServerProcess::~CannedServerProcess()
{
    stop();
}

void CannedServerProcess::stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}
