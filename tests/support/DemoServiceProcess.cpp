#include "DemoServiceProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>

#include <algorithm>

DemoServiceProcess::~DemoServiceProcess()
{
    stop();
}

bool DemoServiceProcess::start(const QString& databaseFile, const QStringList& extraArgs,
                               const QString& executable)
{
    stop();
    m_port = 0;
    m_output.clear();
    const qsizetype ns = extraArgs.indexOf(QStringLiteral("--namespace"));
    m_namespace = ns >= 0 && ns + 1 < extraArgs.size() ? extraArgs[ns + 1]
                                                       : QStringLiteral("http://tempuri.org/");

    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(executable, QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                            QStringLiteral("--database"), databaseFile} +
                                    extraArgs);
    if (!m_process.waitForStarted(10000))
        return false;

    static const QRegularExpression listening(QStringLiteral(
        "^DPC demo service listening on https://127\\.0\\.0\\.1:(\\d+)/WS/WSQuorvel\\.asmx$"));
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        if (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            m_output += line + u'\n';
            const QRegularExpressionMatch match = listening.match(line);
            if (!match.hasMatch()) {
                stop();
                return false; // the first line must be the listening line
            }
            m_port = static_cast<quint16>(match.captured(1).toUInt());
            return m_port != 0;
        }
        if (m_process.state() != QProcess::Running)
            return false;
        m_process.waitForReadyRead(100);
    }
    stop();
    return false;
}

void DemoServiceProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(15000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    m_output += QString::fromUtf8(m_process.readAllStandardOutput());
}

QString DemoServiceProcess::output() const
{
    m_output += QString::fromUtf8(m_process.readAllStandardOutput());
    return m_output;
}

bool DemoServiceProcess::isRunning() const
{
    return m_process.state() == QProcess::Running;
}

QUrl DemoServiceProcess::endpoint() const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1/WS/WSQuorvel.asmx").arg(m_port));
}

QByteArray DemoServiceProcess::caPem()
{
    QFile file(QStringLiteral(DPC_TEST_CERT_DIR "/ca.pem"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QSslCertificate> DemoServiceProcess::caCertificates()
{
    return QSslCertificate::fromData(caPem());
}

ServiceConfig DemoServiceProcess::config() const
{
    ServiceConfig config;
    config.endpoint = endpoint();
    config.namespaceUri = m_namespace;
    config.extraCaPem = caPem();
    config.timeoutMs = 10000;
    return config;
}

bool DemoServiceProcess::connectTls(QSslSocket& socket, const QList<QSslCertificate>& ca,
                                    quint16 port, int msecs)
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(ca);
    socket.setSslConfiguration(tls);
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    return socket.waitForEncrypted(msecs);
}

QByteArray DemoServiceProcess::readUntil(QAbstractSocket& socket, const QByteArray& until,
                                         int msecs)
{
    QByteArray data;
    const QDeadlineTimer deadline(msecs);
    while (!data.contains(until) && !deadline.hasExpired()) {
        if (!socket.bytesAvailable() &&
            !socket.waitForReadyRead(int(std::min<qint64>(200, deadline.remainingTime()))) &&
            socket.state() != QAbstractSocket::ConnectedState)
            break;
        data += socket.readAll();
    }
    return data + socket.readAll();
}

qint64 DemoServiceProcess::residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}
