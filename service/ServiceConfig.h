#pragma once

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

    static ServiceConfig builtIn();
};
