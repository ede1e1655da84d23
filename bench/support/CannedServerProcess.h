#pragma once

#include <QByteArray>

#include <functional>

#include <sys/types.h>

// A loopback TLS server answering every request with one canned answer, in a
// child process of its own so that its copy of the answer does not count in the
// benchmark's memory. Start it before the benchmark starts any thread.
class CannedServerProcess
{
public:
    // Forks; the child builds the answer, listens and serves until stopped.
    CannedServerProcess(int argc, char* argv[], const std::function<QByteArray()>& answer);
    ~CannedServerProcess();
    CannedServerProcess(const CannedServerProcess&) = delete;
    CannedServerProcess& operator=(const CannedServerProcess&) = delete;

    // 0 when the server could not be started.
    quint16 port() const { return m_port; }
    // Ends the child and waits for it; the destructor does it too.
    void stop();

private:
    pid_t m_pid = -1;
    quint16 m_port = 0;
};
