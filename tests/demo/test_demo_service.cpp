// The demo service over HTTPS, driven with the program's own client classes:
// its operations, each province's records kept apart, registrations from many
// clients at once, and changes kept across a restart.
#include "DemoFixtures.h"
#include "DemoServiceCalls.h"
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
#include <QThread>
#include <QtTest>

using namespace Demo::Fixtures;

namespace {

// The value of the first <tag> of a result, as the program reads it.
QString valueOf(const QString& result, const QString& tag)
{
    return ValueReader::LEGGI_VALORE(result, tag);
}

} // namespace

class TestDemoService : public DemoServiceCalls
{
    Q_OBJECT

private slots:
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
};

QTEST_GUILESS_MAIN(TestDemoService)
#include "test_demo_service.moc"
