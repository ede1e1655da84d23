#pragma once

#include "DemoServiceProcess.h"
#include "SoapEnvelope.h"

#include <QObject>
#include <QSslSocket>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// The base of the test objects that talk to the demo service over bare TLS
// sockets. Each test starts a service of its own, on its own port and its
// own copy of one seeded database; it is stopped after the test.
class DemoSocketTest : public QObject
{
    Q_OBJECT

protected:
    // The headers of a POST to the service announcing `length` bytes of body.
    static QByteArray postHeaders(qint64 length, const QByteArray& extra = {});

    static QByteArray request(const QString& op, const SoapChildren& children);

    // The seeded operator's log-in, and a report of PA's whole year 2025.
    static const SoapChildren kLogin;
    static const SoapChildren kWholeYear;

    // The body of a chunked answer, its pieces joined; what follows a cut is lost.
    static QByteArray dechunked(const QByteArray& answer);

    // A TLS connection to the service, trusting the demo CA.
    std::unique_ptr<QSslSocket> connectTls();

    // Starts the service on a fresh copy of the seeded database.
    void startService(const QStringList& args = {});

private slots:
    void initTestCase();
    void cleanup();

protected:
    QTemporaryDir m_dir;
    QString m_seeded;
    int m_copies = 0;
    DemoServiceProcess m_service;
};
