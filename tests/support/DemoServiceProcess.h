#pragma once

#include "ServiceConfig.h"

#include <QProcess>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QUrl>

// Runs the demo D.P.C. service (dpc-demo-service) on a free loopback port
// for the duration of a test.
class QAbstractSocket;
class QSslSocket;

class DemoServiceProcess
{
public:
    DemoServiceProcess() = default;
    ~DemoServiceProcess();
    DemoServiceProcess(const DemoServiceProcess&) = delete;
    DemoServiceProcess& operator=(const DemoServiceProcess&) = delete;

    // Starts the service on the given database file (created and seeded when
    // missing) and waits until it listens, up to 60 s. Extra arguments are
    // passed on (for instance --scale 2). Another build of the service can be
    // given (for a benchmark's baseline).
    bool start(const QString& databaseFile, const QStringList& extraArgs = {},
               const QString& executable = QStringLiteral(DPC_DEMO_SERVICE_EXE));
    // Terminates the service and waits for it to end.
    void stop();

    bool isRunning() const;
    qint64 processId() const { return m_process.processId(); }
    quint16 port() const { return m_port; }
    QUrl endpoint() const;
    // Endpoint, namespace, the demo certificate authority and a 10 s timeout.
    ServiceConfig config() const;
    // Connects `socket` to the service over TLS, trusting the demo CA: false
    // when the handshake has not ended within `msecs`. The static form, given
    // caCertificates() and port(), can be called from any thread.
    static bool connectTls(QSslSocket& socket, const QList<QSslCertificate>& ca, quint16 port,
                           int msecs = 10000);
    bool connectTls(QSslSocket& socket, int msecs = 10000) const
    {
        return connectTls(socket, caCertificates(), m_port, msecs);
    }
    // The tree's test certificate authority, which signs the demo service's
    // and the loopback servers' certificates: as PEM text, and read.
    static QByteArray caPem();
    static QList<QSslCertificate> caCertificates();
    // Reads from `socket` until `until` has arrived, the peer closes, or
    // `msecs` pass; then whatever else has arrived.
    static QByteArray readUntil(QAbstractSocket& socket, const QByteArray& until,
                                int msecs = 10000);
    // The resident memory of process `pid` now, in KiB; -1 when unreadable.
    static qint64 residentKiB(qint64 pid);
    // What the service has printed on standard output so far (the listening
    // line first, then the demo users).
    QString output() const;

private:
    mutable QProcess m_process;
    quint16 m_port = 0;
    QString m_namespace = QStringLiteral("http://tempuri.org/");
    mutable QString m_output;
};
