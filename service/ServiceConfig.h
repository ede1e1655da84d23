#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// Where and how the program reaches the D.P.C. web service. The program uses
// builtIn(); tests build their own to point at a loopback server.
struct ServiceConfig
{
    QUrl endpoint;
    QString namespaceUri;
    int timeoutMs = 30000;
    // Certificate authorities trusted besides the system's, as PEM text: it is
    // read only when a call first needs it, as reading a certificate loads the
    // network and TLS libraries, which a window that has not called the
    // service yet can do without.
    QByteArray extraCaPem;

    static ServiceConfig builtIn();
};
