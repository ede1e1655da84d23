#pragma once

#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "SoapClient.h"
#include "SoapEnvelope.h"

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

// What the service answered over HTTP: the status and the body.
struct HttpAnswer
{
    int status = 0;
    QString body;
};

// The base of the test objects that drive one demo service over HTTPS:
// started before the first test, on a database of its own, and the ways to
// call it.
class DemoServiceCalls : public QObject
{
    Q_OBJECT

protected:
    // An operation called with the program's own client.
    QString call(const QString& op, const SoapChildren& children);

    // The cut result of an operation, or nothing when the answer has none.
    std::optional<QString> result(const QString& op, const SoapChildren& children);

    HttpAnswer postRaw(const QByteArray& body, const QByteArray& action,
                       const QByteArray& contentType = "text/xml; charset=utf-8");

    // The same request as the program's, posted without loading the system
    // certificate store at every call (which the program's client does), for
    // the checks that run many times.
    std::optional<QString> quickResult(const QString& op, const SoapChildren& children);

    // IDs of the registered errors a report lists.
    QStringList reportIds(const QString& prov, int year, int month, int pharmacy);

    // An ErroreDPC request for the seeded prescription, two packages.
    SoapChildren
    registration(const QString& errore = QString::number(Demo::Fixtures::errorPharmacy));

    void startService();

private slots:
    void initTestCase();

protected:
    QTemporaryDir m_dir;
    DemoServiceProcess m_service;
    std::unique_ptr<SoapClient> m_client;
    const QString m_ns = QStringLiteral("http://tempuri.org/");
};
