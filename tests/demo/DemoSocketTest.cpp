#include "DemoSocketTest.h"

#include "DemoFixtures.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

namespace {

const QString kNs = QStringLiteral("http://tempuri.org/");

} // namespace

const SoapChildren DemoSocketTest::kLogin{{"utente", Demo::Fixtures::userPA},
                                          {"password", Demo::Fixtures::passwordPA}};
const SoapChildren DemoSocketTest::kWholeYear{{"prov", Demo::Fixtures::provPA},
                                              {"flusso", "2"},
                                              {"anno", "2025"},
                                              {"mese", "0"},
                                              {"farmacia", "0"}};

QByteArray DemoSocketTest::postHeaders(qint64 length, const QByteArray& extra)
{
    return "POST /WS/WSQuorvel.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(length) + "\r\n" + extra + "\r\n";
}

QByteArray DemoSocketTest::request(const QString& op, const SoapChildren& children)
{
    return SoapEnvelope::build(kNs, op, children).toUtf8();
}

QByteArray DemoSocketTest::dechunked(const QByteArray& answer)
{
    QByteArray body;
    qsizetype at = answer.indexOf("\r\n\r\n");
    if (at < 0)
        return body;
    at += 4;
    for (;;) {
        const qsizetype lineEnd = answer.indexOf("\r\n", at);
        if (lineEnd < 0)
            return body;
        bool ok = false;
        const qsizetype size = answer.mid(at, lineEnd - at).toLongLong(&ok, 16);
        if (!ok || size == 0 || lineEnd + 2 + size > answer.size())
            return body;
        body += answer.mid(lineEnd + 2, size);
        at = lineEnd + 2 + size + 2;
    }
}

std::unique_ptr<QSslSocket> DemoSocketTest::connectTls()
{
    auto socket = std::make_unique<QSslSocket>();
    if (!m_service.connectTls(*socket))
        return nullptr;
    return socket;
}

void DemoSocketTest::startService(const QStringList& args)
{
    const QString file = m_dir.filePath(QStringLiteral("db-%1.sqlite").arg(++m_copies));
    QVERIFY(QFile::copy(m_seeded, file));
    QVERIFY2(m_service.start(file, args), qPrintable(m_service.output()));
}

void DemoSocketTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Large enough that a whole-year report takes a while to produce.
    m_seeded = m_dir.filePath(QStringLiteral("seeded.sqlite"));
    QVERIFY2(m_service.start(m_seeded, {QStringLiteral("--scale"), QStringLiteral("20")}),
             qPrintable(m_service.output()));
    m_service.stop();
}

void DemoSocketTest::cleanup()
{
    m_service.stop();
}
