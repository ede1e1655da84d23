// Requests the demo service refuses with a fault, changing nothing, and what
// it reads from the HTTP request beside the envelope: the action in the
// content type, and the WSDL it describes itself with.
#include "DemoFixtures.h"
#include "DemoServiceCalls.h"
#include "DemoServiceProcess.h"
#include "DpcService.h"
#include "SoapEnvelope.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QSslConfiguration>
#include <QXmlStreamReader>
#include <QtTest>

using namespace Demo::Fixtures;

class TestDemoFaults : public DemoServiceCalls
{
    Q_OBJECT

private slots:
    void faultsChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("action");
        const QString good = SoapEnvelope::build(m_ns, "ErroreDPC", registration());
        QTest::newRow("malformed XML")
            << good.left(good.size() - 20).toUtf8() << QByteArray("http://tempuri.org/ErroreDPC");
        QTest::newRow("not XML") << QByteArray("hello") << QByteArray();
        QTest::newRow("unknown operation")
            << SoapEnvelope::build(m_ns, "DropTables", {{"prov", "PA"}}).toUtf8()
            << QByteArray("http://tempuri.org/DropTables");
        QTest::newRow("SOAPAction mismatch")
            << good.toUtf8() << QByteArray("http://tempuri.org/AnnullaErroreFarmacia");
        SoapChildren missing = registration();
        missing.removeLast();
        QTest::newRow("missing child")
            << SoapEnvelope::build(m_ns, "ErroreDPC", missing).toUtf8() << QByteArray();
        QTest::newRow("child of wrong type")
            << SoapEnvelope::build(m_ns, "ErroreDPC", registration("12a")).toUtf8()
            << QByteArray("\"http://tempuri.org/ErroreDPC\"");
        QByteArray huge = good.toUtf8();
        huge.replace("<pezzi>2</pezzi>",
                     "<pezzi>2</pezzi><note>" + QByteArray(1100 * 1024, 'x') + "</note>");
        QTest::newRow("oversize") << huge << QByteArray("http://tempuri.org/ErroreDPC");
        QByteArray soap11 = good.toUtf8();
        soap11.replace("http://www.w3.org/2003/05/soap-envelope",
                       "http://schemas.xmlsoap.org/soap/envelope/");
        QTest::newRow("SOAP 1.1 envelope") << soap11 << QByteArray("http://tempuri.org/ErroreDPC");
        QByteArray doctype = good.toUtf8();
        doctype.replace("?>", "?><!DOCTYPE x [<!ENTITY a \"aaaa\">]>");
        QTest::newRow("document type") << doctype << QByteArray("http://tempuri.org/ErroreDPC");
        for (const char* query :
             {"' OR '1'='1", "'; DELETE FROM registered_errors; --", "x' UNION SELECT 1 --"}) {
            QTest::newRow(query)
                << SoapEnvelope::build(
                       m_ns, "QueryRicette",
                       {{"prov", provPA},
                        {"flusso", "2"},
                        {"query", QStringLiteral(" WHERE Ricette.numrickey='%1'").arg(query)}})
                       .toUtf8()
                << QByteArray("http://tempuri.org/QueryRicette");
        }
        QTest::newRow("other query")
            << SoapEnvelope::build(m_ns, "QueryRicette",
                                   {{"prov", provPA}, {"flusso", "2"}, {"query", " WHERE 1=1"}})
                   .toUtf8()
            << QByteArray("http://tempuri.org/QueryRicette");
    }

    void faultsChangeNothing()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, action);
        const QStringList before = reportIds(provPA, prescriptionYear, 0, 0);
        const HttpAnswer answer = postRaw(body, action);
        QCOMPARE(answer.status, 500);
        QVERIFY2(
            answer.body.contains("<soap:Fault><soap:Code><soap:Value>soap:Sender</soap:Value>") ||
                answer.body.contains("<soap:Value>soap:VersionMismatch</soap:Value>"),
            qPrintable(answer.body.left(500)));
        QVERIFY(answer.body.contains("<soap:Reason><soap:Text"));
        QVERIFY(!answer.body.contains("Result"));
        QCOMPARE(reportIds(provPA, prescriptionYear, 0, 0), before);
        QVERIFY(quickResult(
            "QueryRicette",
            {{"prov", provPA},
             {"flusso", "2"},
             {"query", QStringLiteral(" WHERE Ricette.numrickey='%1'").arg(prescriptionPA)}}));
    }

    void actionInContentTypeAndWsdl()
    {
        const QByteArray body =
            SoapEnvelope::build(m_ns, "FarmacoDPCbyAIC", {{"prov", provPA}, {"aic", aicPlan}})
                .toUtf8();
        HttpAnswer answer = postRaw(
            body, QByteArray(),
            "application/soap+xml; charset=utf-8; action=\"http://tempuri.org/FarmacoDPCbyAIC\"");
        QCOMPARE(answer.status, 200);
        QVERIFY(answer.body.contains("<FarmacoDPCbyAICResult>"));
        answer = postRaw(body, QByteArray(),
                         "application/soap+xml; action=\"http://tempuri.org/FindByCF\"");
        QCOMPARE(answer.status, 500);

        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(m_service.endpoint().toString() + "?WSDL"));
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(DemoServiceProcess::caCertificates());
        request.setSslConfiguration(tls);
        QNetworkReply* reply = network.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(10000));
        QXmlStreamReader wsdl(reply->readAll());
        reply->deleteLater();
        QSet<QString> bound;
        bool inBinding = false;
        while (!wsdl.atEnd()) {
            wsdl.readNext();
            if (wsdl.isStartElement() && wsdl.name() == u"binding" &&
                wsdl.namespaceUri() == u"http://schemas.xmlsoap.org/wsdl/")
                inBinding = true;
            if (inBinding && wsdl.isStartElement() && wsdl.name() == u"operation" &&
                wsdl.namespaceUri() == u"http://schemas.xmlsoap.org/wsdl/soap12/") {
                const QString action = wsdl.attributes().value("soapAction").toString();
                QVERIFY(action.startsWith(m_ns));
                bound << action.mid(m_ns.size());
            }
        }
        QVERIFY2(!wsdl.hasError(), qPrintable(wsdl.errorString()));
        QSet<QString> operations;
        for (const Demo::Operations::Operation& op : Demo::DpcService::operations())
            operations << QLatin1String(op.name);
        QCOMPARE(bound, operations);
        QVERIFY(bound.contains("F_LoadErroreByAnnoMese"));
    }
};

QTEST_GUILESS_MAIN(TestDemoFaults)
#include "test_demo_faults.moc"
