// The demo service over HTTPS, driven with the program's own client classes.
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "DpcService.h"
#include "ResultStager.h"
#include "SoapClient.h"
#include "SoapEnvelope.h"
#include "ValueReader.h"

#include <QEventLoop>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QThread>
#include <QXmlStreamReader>
#include <QtTest>

using namespace Demo::Fixtures;

namespace {

struct HttpAnswer
{
    int status = 0;
    QString body;
};

// The value of the first <tag> of a result, as the program reads it.
QString valueOf(const QString& result, const QString& tag)
{
    return ValueReader::LEGGI_VALORE(result, tag);
}

} // namespace

class TestDemoService : public QObject
{
    Q_OBJECT

private:
    QString call(const QString& op, const SoapChildren& children)
    {
        return m_client->CHIAMA_WS(SoapEnvelope::soapAction(m_ns, op),
                                   SoapEnvelope::build(m_ns, op, children));
    }

    // The cut result of an operation, or nothing when the answer has none.
    std::optional<QString> result(const QString& op, const SoapChildren& children)
    {
        return ResultStager::cut(call(op, children), op, false);
    }

    HttpAnswer postRaw(const QByteArray& body, const QByteArray& action,
                       const QByteArray& contentType = "text/xml; charset=utf-8")
    {
        QNetworkAccessManager network;
        QNetworkRequest request(m_service.endpoint());
        request.setRawHeader("Content-Type", contentType);
        if (!action.isNull())
            request.setRawHeader("SOAPAction", action);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(DemoServiceProcess::caCertificates());
        request.setSslConfiguration(tls);
        request.setTransferTimeout(10000);
        QNetworkReply* reply = network.post(request, body);
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        HttpAnswer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                          QString::fromUtf8(reply->readAll())};
        reply->deleteLater();
        return answer;
    }

    // The same request as the program's, posted without loading the system
    // certificate store at every call (which the program's client does), for
    // the checks that run many times.
    std::optional<QString> quickResult(const QString& op, const SoapChildren& children)
    {
        const HttpAnswer answer = postRaw(SoapEnvelope::build(m_ns, op, children).toUtf8(),
                                          SoapEnvelope::soapAction(m_ns, op).toUtf8());
        return ResultStager::cut(answer.body, op, false);
    }

    // IDs of the registered errors a report lists.
    QStringList reportIds(const QString& prov, int year, int month, int pharmacy)
    {
        const auto r =
            quickResult("F_LoadErroreByAnnoMese", {{"prov", prov},
                                                   {"flusso", "2"},
                                                   {"anno", QString::number(year)},
                                                   {"mese", QString::number(month)},
                                                   {"farmacia", QString::number(pharmacy)}});
        QStringList ids;
        if (!r)
            return ids;
        for (const QString& line : ResultStager::split(*r).split(u'\r')) {
            if (ValueReader::hasTag(line, u"ID"))
                ids << ValueReader::LEGGI_VALORE(line, u"ID");
        }
        return ids;
    }

    SoapChildren registration(const QString& errore = QString::number(errorPharmacy))
    {
        return {{"prov", provPA},
                {"anno", QString::number(prescriptionYear)},
                {"mese", QString::number(prescriptionMonth)},
                {"codfarma", QString::number(pharmacyCode)},
                {"numrickey", prescriptionPA},
                {"aic", aicPlan},
                {"pezzi", "2"},
                {"errore", errore}};
    }

    void startService()
    {
        QVERIFY2(m_service.start(m_dir.filePath("demo.sqlite")), qPrintable(m_service.output()));
        m_client = std::make_unique<SoapClient>(m_service.config());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        startService();
        QTRY_VERIFY(m_service.output().contains(userPA));
    }

    void loginAndLookups()
    {
        auto r = result("LoginUser", {{"utente", userPA}, {"password", passwordPA}});
        QVERIFY(r);
        QCOMPARE(valueOf(*r, "ID"), QString::number(idPA));
        QCOMPARE(valueOf(*r, "Prov"), provPA);
        QCOMPARE(valueOf(*r, "ASP"), aspPA);
        QCOMPARE(valueOf(*r, "Nome"), nomePA);
        QVERIFY(!result("LoginUser", {{"utente", userPA}, {"password", passwordCT}}));
        QVERIFY(!result("LoginUser", {{"utente", "nessuno"}, {"password", ""}}));

        r = result("LoadTabErrori", {{"prov", provPA}, {"da", "1"}, {"a", "99999"}});
        QVERIFY(r);
        QVERIFY(r->count("<TabErrori>") >= 60);
        QVERIFY(r->contains("<Errore>12</Errore><Descrizione>RICETTA "
                            "SCADUTA</Descrizione><Soggetto>Farmacia</Soggetto>"));
        QVERIFY(!result("LoadTabErrori", {{"prov", provPA}, {"da", "100000"}, {"a", "200000"}}));

        // Trailing blanks of a short number are ignored.
        r = result(
            "QueryRicette",
            {{"prov", provPA},
             {"flusso", "2"},
             {"query", QStringLiteral(" WHERE Ricette.numrickey='%1'").arg(prescriptionPA)}});
        QVERIFY(r);
        QCOMPARE(valueOf(*r, "Anno"), QString::number(prescriptionYear));
        QCOMPARE(valueOf(*r, "Mese"), QString::number(prescriptionMonth));
        QCOMPARE(valueOf(*r, "Farmacia"), QString::number(pharmacyCode));
        QCOMPARE(valueOf(*r, "Assistito"), patientName);
        QCOMPARE(valueOf(*r, "Codice_assistito"), patientFiscalCode);
        QCOMPARE(valueOf(*r, "Progressivo"), prescriptionProgressive);
        QVERIFY(result("QueryRicette",
                       {{"prov", provPA},
                        {"flusso", "2"},
                        {"query", QStringLiteral(" WHERE Ricette.numrickey='1900A1234567890'")}}));
        QVERIFY(!result("QueryRicette", {{"prov", provPA},
                                         {"flusso", "2"},
                                         {"query", " WHERE Ricette.numrickey='123450000043212'"}}));

        // A code wins over a name; its leading number counts.
        r = result(
            "LoadListaFarmacie",
            {{"prov", provPA}, {"codice", "1234,7"}, {"ragsoc", "ALTRA"}, {"distretto", ""}});
        QVERIFY(r);
        QCOMPARE(r->count("<Farmacie>"), 1);
        QCOMPARE(valueOf(*r, "Ragsoc"), pharmacyName);
        QCOMPARE(valueOf(*r, "Localita"), pharmacyTown);
        QCOMPARE(valueOf(*r, "Distretto"), pharmacyDistrict);
        // Code 0 falls back to the name, matched in any case; no name lists all.
        r = result("LoadListaFarmacie", {{"prov", provPA},
                                         {"codice", "0"},
                                         {"ragsoc", "farmacia centrale"},
                                         {"distretto", ""}});
        QVERIFY(r && r->contains("<Codice>1234</Codice>"));
        r = result("LoadListaFarmacie",
                   {{"prov", provPA}, {"codice", ""}, {"ragsoc", ""}, {"distretto", ""}});
        QVERIFY(r && r->count("<Farmacie>") >= 100);
        QVERIFY(!result("LoadListaFarmacie",
                        {{"prov", provPA}, {"codice", "9"}, {"ragsoc", ""}, {"distretto", ""}}));
        QVERIFY(!result(
            "LoadListaFarmacie",
            {{"prov", provPA}, {"codice", ""}, {"ragsoc", "NESSUNA FARMACIA"}, {"distretto", ""}}));
    }

    void drugsAndPatients()
    {
        auto r = result("FarmacoDPCbyAIC", {{"prov", provPA}, {"aic", aicPlan}});
        QVERIFY(r);
        QVERIFY(r->contains(
            QStringLiteral("<Data>%1</Data><ATC>%2</ATC><Molecola>%3</Molecola><AIC>%4</AIC>")
                .arg(dataPlan, atcPlan, moleculePlan, aicPlan)));
        QCOMPARE(valueOf(*r, "PrezzoAcquisto"), pricePlan);
        QCOMPARE(valueOf(*r, "ReqPT"), reqPtPlan);
        QCOMPARE(valueOf(*r, "TipoPT"), tipoPtPlan);
        QCOMPARE(valueOf(*r, "Nota"), notaPlan);
        r = result("FarmacoDPCbyAIC", {{"prov", provCT}, {"aic", aicNoPlan}});
        QVERIFY(r);
        QCOMPARE(valueOf(*r, "ReqPT"), QString());
        QVERIFY(!result("FarmacoDPCbyAIC", {{"prov", provPA}, {"aic", aicUnknown}}));

        r = result("FarmacoDPCbyPattivo",
                   {{"prov", provPA}, {"pattivo", QString(namePartNoPlan).toLower()}});
        QVERIFY(r);
        QCOMPARE(r->count("<FarmaciDPC>"), packagesNoPlanMolecule);
        QVERIFY(r->contains(QStringLiteral("<AIC>%1</AIC>").arg(aicNoPlan)));
        QVERIFY(
            !result("FarmacoDPCbyPattivo", {{"prov", provPA}, {"pattivo", "NESSUNA MOLECOLA"}}));
        QVERIFY(!result("FarmacoDPCbyPattivo", {{"prov", provPA}, {"pattivo", ""}}));

        r = result("FindByCF", {{"prov", provPA}, {"codice", patientFiscalCode}});
        QVERIFY(r && r->contains("<ListaAnagrafica>"));
        const QString id = valueOf(*r, "ID");
        QVERIFY(id.toInt() > 0);
        QVERIFY(!result("FindByCF", {{"prov", provPA}, {"codice", "XXXXXX00X00X000X"}}));

        r = result("FindFarma", {{"provincia", provPA}, {"idassistito", id}});
        QVERIFY(r);
        QVERIFY(r->contains(QStringLiteral("<Atc>%1</Atc>").arg(atcPlan)));
        QVERIFY(r->contains(QStringLiteral("<Descrizione>%1</Descrizione>").arg(moleculePlan)));
        QVERIFY(r->endsWith("</Farmaci>"));
        QVERIFY(!result("FindFarma", {{"provincia", provPA}, {"idassistito", "999999"}}));

        r = result("FindFarmaById", {{"provincia", provPA}, {"idassistito", id}, {"atc", atcPlan}});
        QVERIFY(r);
        QCOMPARE(valueOf(*r, "Atc"), aicPlan);
        QVERIFY(valueOf(*r, "Confezioni").toInt() >= 1);
        QVERIFY(!result("FindFarmaById",
                        {{"provincia", provPA}, {"idassistito", id}, {"atc", "A01AA01"}}));
    }

    void registerListAndCancel()
    {
        const QStringList before =
            reportIds(provPA, prescriptionYear, prescriptionMonth, pharmacyCode);
        auto r = result("ErroreDPC", registration());
        QVERIFY(r && r->startsWith("<Errore><ID>"));
        const QString id = valueOf(*r, "ID");
        QCOMPARE(valueOf(*r, "Lordo"), QStringLiteral("2469,00")); // 1234,5 x 2
        QCOMPARE(valueOf(*r, "Flusso"), QStringLiteral("DPC"));
        QCOMPARE(valueOf(*r, "Soggetto"), errorPharmacySubject);
        QCOMPARE(reportIds(provPA, prescriptionYear, prescriptionMonth, pharmacyCode),
                 before + QStringList{id});
        QVERIFY(reportIds(provPA, prescriptionYear, 0, 0).contains(id));

        // Unknown prescription, pharmacy or error code: nothing is recorded.
        SoapChildren bad = registration();
        bad[4].second = "123450000043220";
        QVERIFY(!result("ErroreDPC", bad));
        bad = registration();
        bad[3].second = "9";
        QVERIFY(!result("ErroreDPC", bad));
        QVERIFY(!result("ErroreDPC", registration("77777")));

        r = result("AnnullaErroreFarmacia", {{"prov", provPA}, {"flusso", "2"}, {"id", id}});
        QVERIFY(r && r->contains("<Errore><ID>" + id + "</ID>"));
        QVERIFY(!result("AnnullaErroreFarmacia", {{"prov", provPA}, {"flusso", "2"}, {"id", id}}));
        QVERIFY(!result("AnnullaErroreFarmacia",
                        {{"prov", provPA}, {"flusso", "2"}, {"id", "99999999"}}));
        QCOMPARE(reportIds(provPA, prescriptionYear, prescriptionMonth, pharmacyCode), before);
        QVERIFY(!result("F_LoadErroreByAnnoMese", {{"prov", provPA},
                                                   {"flusso", "2"},
                                                   {"anno", "1999"},
                                                   {"mese", "0"},
                                                   {"farmacia", "0"}}));
    }

    void provincesAreIsolated()
    {
        const QString paQuery = QStringLiteral(" WHERE Ricette.numrickey='%1'").arg(prescriptionPA);
        QVERIFY(!result("QueryRicette", {{"prov", provCT}, {"flusso", "2"}, {"query", paQuery}}));
        QVERIFY(result(
            "QueryRicette",
            {{"prov", provCT},
             {"flusso", "2"},
             {"query", QStringLiteral(" WHERE Ricette.numrickey='%1'").arg(prescriptionCT)}}));
        QVERIFY(!result("LoadListaFarmacie",
                        {{"prov", provCT}, {"codice", "1234"}, {"ragsoc", ""}, {"distretto", ""}}));
        QVERIFY(!result("FindByCF", {{"prov", provCT}, {"codice", patientFiscalCode}}));
        QVERIFY(!result("QueryRicette", {{"prov", "RM"}, {"flusso", "2"}, {"query", paQuery}}));

        const QString paPatient =
            valueOf(*result("FindByCF", {{"prov", provPA}, {"codice", patientFiscalCode}}), "ID");
        QVERIFY(!result("FindFarma", {{"provincia", provCT}, {"idassistito", paPatient}}));
        QVERIFY(!result("FindFarmaById",
                        {{"provincia", provCT}, {"idassistito", paPatient}, {"atc", atcPlan}}));

        // A CT operator can neither register on a PA prescription nor cancel a PA error.
        SoapChildren crossing = registration();
        crossing[0].second = provCT;
        QVERIFY(!result("ErroreDPC", crossing));
        const QStringList paIds = reportIds(provPA, 2025, 0, 0);
        QVERIFY(!paIds.isEmpty());
        QVERIFY(!result("AnnullaErroreFarmacia",
                        {{"prov", provCT}, {"flusso", "2"}, {"id", paIds.first()}}));
        QCOMPARE(reportIds(provPA, 2025, 0, 0), paIds);
        const QStringList ctList = reportIds(provCT, 2025, 0, 0);
        const QSet<QString> ctIds(ctList.begin(), ctList.end());
        QVERIFY(!ctIds.isEmpty());
        QVERIFY(!ctIds.intersects(QSet<QString>(paIds.begin(), paIds.end())));
    }

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

    // Eight clients register 100 errors each at the same time.
    void concurrentRegistrations()
    {
        const QStringList before =
            reportIds(provPA, prescriptionYear, prescriptionMonth, pharmacyCode);
        const ServiceConfig config = m_service.config();
        const QString ns = m_ns;
        const SoapChildren children = registration();
        QMutex mutex;
        QStringList ids;
        int failures = 0;
        // Each client has its own connection manager in its own thread and
        // sends the program's headers; the system certificate store is left
        // out so that the run measures the service, not the loading of CAs.
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back(QThread::create([&] {
                QNetworkAccessManager network;
                QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
                tls.setCaCertificates(DemoServiceProcess::caCertificates());
                const QByteArray body = SoapEnvelope::build(ns, "ErroreDPC", children).toUtf8();
                for (int i = 0; i < 100; ++i) {
                    QNetworkRequest request(config.endpoint);
                    request.setRawHeader("Content-Type", "text/xml; charset=utf-8");
                    request.setRawHeader("SOAPAction",
                                         SoapEnvelope::soapAction(ns, "ErroreDPC").toUtf8());
                    request.setSslConfiguration(tls);
                    request.setTransferTimeout(config.timeoutMs);
                    QNetworkReply* reply = network.post(request, body);
                    QEventLoop loop;
                    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
                    if (!reply->isFinished())
                        loop.exec();
                    const auto r =
                        ResultStager::cut(QString::fromUtf8(reply->readAll()), "ErroreDPC", true);
                    delete reply;
                    QMutexLocker lock(&mutex);
                    if (r && r->contains("<Errore>"))
                        ids << ValueReader::LEGGI_VALORE(*r, u"ID");
                    else
                        ++failures;
                }
            }));
            threads.back()->start();
        }
        for (auto& thread : threads)
            QVERIFY(thread->wait(120000));
        QCOMPARE(failures, 0);
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), 800);

        const QStringList after =
            reportIds(provPA, prescriptionYear, prescriptionMonth, pharmacyCode);
        QCOMPARE(after.size(), before.size() + 800);
        QCOMPARE(QSet<QString>(after.begin(), after.end()),
                 QSet<QString>(before.begin(), before.end()) +
                     QSet<QString>(ids.begin(), ids.end()));
    }

    void changesSurviveRestart()
    {
        const QString kept = valueOf(*result("ErroreDPC", registration()), "ID");
        const QString cancelled = valueOf(*result("ErroreDPC", registration()), "ID");
        QVERIFY(result("AnnullaErroreFarmacia",
                       {{"prov", provPA}, {"flusso", "2"}, {"id", cancelled}}));
        const QStringList before =
            reportIds(provPA, prescriptionYear, prescriptionMonth, pharmacyCode);

        m_service.stop();
        QVERIFY(!m_service.isRunning());
        startService();

        const QStringList after =
            reportIds(provPA, prescriptionYear, prescriptionMonth, pharmacyCode);
        QCOMPARE(after, before);
        QVERIFY(after.contains(kept));
        QVERIFY(!after.contains(cancelled));
        QVERIFY(!result("AnnullaErroreFarmacia",
                        {{"prov", provPA}, {"flusso", "2"}, {"id", cancelled}}));
    }

private:
    QTemporaryDir m_dir;
    DemoServiceProcess m_service;
    std::unique_ptr<SoapClient> m_client;
    const QString m_ns = QStringLiteral("http://tempuri.org/");
};

QTEST_GUILESS_MAIN(TestDemoService)
#include "test_demo_service.moc"
