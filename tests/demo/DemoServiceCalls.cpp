#include "DemoServiceCalls.h"

#include "ResultStager.h"
#include "ValueReader.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTest>

using namespace Demo::Fixtures;

QString DemoServiceCalls::call(const QString& op, const SoapChildren& children)
{
    return m_client->CHIAMA_WS(SoapEnvelope::soapAction(m_ns, op),
                               SoapEnvelope::build(m_ns, op, children));
}

std::optional<QString> DemoServiceCalls::result(const QString& op, const SoapChildren& children)
{
    return ResultStager::cut(call(op, children), op, false);
}

HttpAnswer DemoServiceCalls::postRaw(const QByteArray& body, const QByteArray& action,
                                     const QByteArray& contentType)
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

std::optional<QString> DemoServiceCalls::quickResult(const QString& op,
                                                     const SoapChildren& children)
{
    const HttpAnswer answer = postRaw(SoapEnvelope::build(m_ns, op, children).toUtf8(),
                                      SoapEnvelope::soapAction(m_ns, op).toUtf8());
    return ResultStager::cut(answer.body, op, false);
}

QStringList DemoServiceCalls::reportIds(const QString& prov, int year, int month, int pharmacy)
{
    const auto r = quickResult("F_LoadErroreByAnnoMese", {{"prov", prov},
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

SoapChildren DemoServiceCalls::registration(const QString& errore)
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

void DemoServiceCalls::startService()
{
    QVERIFY2(m_service.start(m_dir.filePath("demo.sqlite")), qPrintable(m_service.output()));
    m_client = std::make_unique<SoapClient>(m_service.config());
}

void DemoServiceCalls::initTestCase()
{
    QVERIFY(m_dir.isValid());
    startService();
    QTRY_VERIFY(m_service.output().contains(userPA));
}
