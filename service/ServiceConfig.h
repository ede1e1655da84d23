#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

// Where and how the program reaches the D.P.C. web service. The program uses
// builtIn(); tests build their own to point at a loopback server.
struct ServiceConfig
{
    QUrl endpoint;
    QString namespaceUri;
    QList<QSslCertificate> extraCaCertificates; // trusted besides the system's
    int timeoutMs = 30000;
    // More of them, as PEM text read only when a call first needs them:
    // reading a certificate loads the TLS libraries, which a window that has
    // not called the service yet can do without.
    QByteArray extraCaPem;

    static ServiceConfig builtIn();

    // extraCaCertificates and those of extraCaPem.
    QList<QSslCertificate> trustedExtraCas() const;
};
