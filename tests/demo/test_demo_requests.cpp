// The demo service's reading of requests and the shape of its answers, driven in-process (no
// HTTP).
#include "DemoDatabase.h"
#include "DemoFixtures.h"
#include "DpcService.h"
#include "Operations.h"
#include "SoapEndpoint.h"
#include "SoapEnvelope.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using Demo::DemoDatabase;
using Demo::DpcService;
using Demo::SoapEndpoint;
namespace Operations = Demo::Operations;

namespace {

const QString kNs = QStringLiteral("http://tempuri.org/");

// Walks one element of an answer against its declared type: the children in
// the declared order, each leaf holding text only.
void checkType(QXmlStreamReader& xml, const Operations::ComplexType& type, const QString& where)
{
    std::size_t field = 0;
    while (xml.readNextStartElement()) {
        const QString name = xml.name().toString();
        while (field < type.fields.size() && name != QLatin1String(type.fields[field].name)) {
            QVERIFY2(type.fields[field].repeated,
                     qPrintable(where + ": " + name + " where " + type.fields[field].name + " was due"));
            ++field;
        }
        QVERIFY2(field < type.fields.size(), qPrintable(where + ": unexpected " + name));
        const Operations::Field& f = type.fields[field];
        if (const Operations::ComplexType* inner = Operations::type(QString::fromLatin1(f.type))) {
            checkType(xml, *inner, where + '/' + name);
            if (QTest::currentTestFailed())
                return;
        } else {
            const QString text = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            QVERIFY2(!xml.hasError(), qPrintable(where + '/' + name + " is not a leaf"));
            if (QLatin1String(f.type) == QLatin1String("int"))
                QVERIFY2(QRegularExpression(QStringLiteral("^-?\\d+$")).match(text).hasMatch(),
                         qPrintable(where + '/' + name + " = " + text));
        }
        if (!f.repeated)
            ++field;
    }
    for (; field < type.fields.size(); ++field)
        QVERIFY2(type.fields[field].repeated, qPrintable(where + ": missing " + type.fields[field].name));
}

} // namespace

class TestDemoRequests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString error;
        bool seeded = false;
        int scale = 0;
        QVERIFY2(m_db.open(m_dir.filePath("requests.sqlite"), &error) &&
                     m_db.ensureSeeded(1, &seeded, &scale, &error),
                 qPrintable(error));
        m_service = std::make_unique<DpcService>(m_db.connection());
        QVERIFY(m_service->load(&error));
        m_endpoint = std::make_unique<SoapEndpoint>(*m_service, kNs);
    }

    // Every found answer is compact and has exactly the declared shape.
    void answersMatchTheirDeclaredShape_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<SoapChildren>("children");
        const QString ricetta = QLatin1String(Demo::Fixtures::prescriptionPA);
        QTest::newRow("LoginUser") << "LoginUser"
                                   << SoapChildren{{"utente", Demo::Fixtures::userPA},
                                                   {"password", Demo::Fixtures::passwordPA}};
        QTest::newRow("LoadTabErrori") << "LoadTabErrori"
            << SoapChildren{{"prov", "PA"}, {"da", "1"}, {"a", "99999"}};
        QTest::newRow("QueryRicette") << "QueryRicette"
            << SoapChildren{{"prov", "PA"}, {"flusso", "2"}, {"query", " WHERE Ricette.numrickey='" + ricetta + "'"}};
        QTest::newRow("LoadListaFarmacie") << "LoadListaFarmacie"
            << SoapChildren{{"prov", "PA"}, {"codice", ""}, {"ragsoc", "farmacia"}, {"distretto", ""}};
        QTest::newRow("ErroreDPC")
            << "ErroreDPC" << SoapChildren{{"prov", "PA"},         {"anno", "2024"},
                                           {"mese", "9"},          {"codfarma", "1234"},
                                           {"numrickey", ricetta}, {"aic", Demo::Fixtures::aicPlan},
                                           {"pezzi", "1"},         {"errore", "12"}};
        QTest::newRow("FarmacoDPCbyAIC")
            << "FarmacoDPCbyAIC" << SoapChildren{{"prov", "PA"}, {"aic", Demo::Fixtures::aicPlan}};
        QTest::newRow("FarmacoDPCbyPattivo") << "FarmacoDPCbyPattivo"
            << SoapChildren{{"prov", "PA"}, {"pattivo", "a"}};
        QTest::newRow("FindByCF") << "FindByCF"
                                  << SoapChildren{{"prov", "PA"},
                                                  {"codice", Demo::Fixtures::patientFiscalCode}};
        QTest::newRow("FindFarma") << "FindFarma" << SoapChildren{{"provincia", "PA"}, {"idassistito", "1"}};
        QTest::newRow("FindFarmaById")
            << "FindFarmaById"
            << SoapChildren{
                   {"provincia", "PA"}, {"idassistito", "1"}, {"atc", Demo::Fixtures::atcPlan}};
        QTest::newRow("F_LoadErroreByAnnoMese") << "F_LoadErroreByAnnoMese"
            << SoapChildren{{"prov", "PA"}, {"flusso", "2"}, {"anno", "2025"}, {"mese", "0"}, {"farmacia", "0"}};
        QTest::newRow("AnnullaErroreFarmacia") << "AnnullaErroreFarmacia"
            << SoapChildren{{"prov", "PA"}, {"flusso", "2"}, {"id", "1"}};
    }

    void answersMatchTheirDeclaredShape()
    {
        QFETCH(QString, operation);
        QFETCH(SoapChildren, children);
        const SoapEndpoint::Reply reply = m_endpoint->post(
            SoapEnvelope::build(kNs, operation, children).toUtf8(),
            {{"SOAPAction", (kNs + operation).toUtf8()}});
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.contentType, QByteArray("application/soap+xml; charset=utf-8"));
        QVERIFY2(!QRegularExpression(QStringLiteral(">\\s+<")).match(QString::fromUtf8(reply.body)).hasMatch(),
                 "whitespace between elements");

        QXmlStreamReader xml(reply.body);
        QVERIFY(xml.readNextStartElement()); // Envelope
        QVERIFY(xml.readNextStartElement()); // Body
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.name(), operation + "Response");
        QCOMPARE(xml.namespaceUri(), kNs);
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.name(), operation + "Result");
        const Operations::Operation* op = Operations::find(DpcService::operations(), operation);
        checkType(xml, *Operations::type(QString::fromLatin1(op->resultType)), operation);
    }

    // Truncated and garbled requests never crash the service nor register
    // anything, and every answer is a well-formed envelope.
    void garbledRequestsGetWellFormedAnswers()
    {
        const auto registered = [this] {
            QSqlQuery count(m_db.connection());
            count.exec(QStringLiteral("SELECT COUNT(*) FROM registered_errors"));
            return count.next() ? count.value(0).toInt() : -1;
        };
        const int before = registered();
        const QByteArray registration =
            SoapEnvelope::build(kNs, "ErroreDPC",
                                {{"prov", "PA"},
                                 {"anno", "2024"},
                                 {"mese", "9"},
                                 {"codfarma", "1234"},
                                 {"numrickey", Demo::Fixtures::prescriptionPA},
                                 {"aic", Demo::Fixtures::aicPlan},
                                 {"pezzi", "1"},
                                 {"errore", "12"}})
                .toUtf8();
        const QByteArray lookup =
            SoapEnvelope::build(kNs, "QueryRicette",
                                {{"prov", "PA"},
                                 {"flusso", "2"},
                                 {"query", QStringLiteral(" WHERE Ricette.numrickey='%1'")
                                               .arg(Demo::Fixtures::prescriptionPA)}})
                .toUtf8();
        QList<QByteArray> requests;
        for (qsizetype cut = 0; cut < registration.size(); cut += 3)
            requests << registration.left(cut);
        quint32 state = 12345;
        const auto next = [&state] { return state = state * 1103515245u + 12345u; };
        const char noise[] = "<>&;'\"/=: \x01\xc3\xa0xA";
        for (int i = 0; i < 1500; ++i) {
            QByteArray garbled = lookup;
            for (int flips = 1 + next() % 4; flips > 0; --flips)
                garbled[next() % garbled.size()] = noise[next() % (sizeof noise - 1)];
            requests << garbled;
        }
        int faults = 0;
        for (const QByteArray& body : requests) {
            const SoapEndpoint::Reply reply = m_endpoint->post(body, {});
            QVERIFY(reply.status == 200 || reply.status == 500);
            faults += reply.status == 500;
            QXmlStreamReader xml(reply.body);
            while (!xml.atEnd())
                xml.readNext();
            QVERIFY2(!xml.hasError(), reply.body.constData());
        }
        QVERIFY(faults > requests.size() / 2);
        QCOMPARE(registered(), before);
    }

    // A body with more elements or attributes than any request needs is
    // refused before it is parsed: a 1 MiB one within half a second.
    void hostileBodiesRefusedBeforeParsing_data()
    {
        QTest::addColumn<QByteArray>("repeated");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("attributes") << QByteArray(" a%1=\"\"") << QByteArray("attributes");
        QTest::newRow("namespace declarations")
            << QByteArray(" xmlns:n%1=\"urn:x\"") << QByteArray("attributes");
        QTest::newRow("elements") << QByteArray("<a%1/>") << QByteArray("elements");
        QTest::newRow("nested elements") << QByteArray("<a%1>") << QByteArray("elements");
    }

    void hostileBodiesRefusedBeforeParsing()
    {
        QFETCH(QByteArray, repeated);
        QFETCH(QByteArray, reason);
        const bool inTag = repeated.startsWith(' ');
        QByteArray body = "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\">"
                          "<soap:Body><LoginUser xmlns=\"http://tempuri.org/\"";
        body += inTag ? "" : ">";
        for (int i = 0; body.size() < 1024 * 1024 - 256; ++i)
            body += QByteArray(repeated).replace("%1", QByteArray::number(i));
        body += inTag ? "/>" : "";
        body += "</soap:Body></soap:Envelope>";
        QVERIFY(body.size() <= 1024 * 1024);
        QElapsedTimer timer;
        timer.start();
        const SoapEndpoint::Reply reply = m_endpoint->post(body, {});
        const qint64 ms = timer.elapsed();
        QCOMPARE(reply.status, 500);
        QVERIFY2(reply.body.contains("soap:Sender") &&
                     reply.body.contains("The request has more than 128 " + reason),
                 reply.body.constData());
        QVERIFY2(ms < 500, qPrintable(QString::number(ms)));
    }

    // What a request may hold is enough for real clients: header blocks,
    // comments, namespace declarations and attribute values with '>' or '='.
    void requestsWithinTheLimitsAreParsed()
    {
        QByteArray header;
        for (int i = 0; i < 40; ++i)
            header += "<h:Block" + QByteArray::number(i) + " xmlns:h=\"urn:h\" note='a=b>c'/>";
        const QByteArray body =
            "<?xml version=\"1.0\"?><!-- a <comment> with = --><soap:Envelope"
            " xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\""
            " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
            " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Header>" +
            header + "</soap:Header><soap:Body><LoginUser xmlns=\"http://tempuri.org/\"><utente>" +
            QByteArray(Demo::Fixtures::userPA) + "</utente><password><![CDATA[" +
            QByteArray(Demo::Fixtures::passwordPA) +
            "]]></password></LoginUser></soap:Body></soap:Envelope>";
        const SoapEndpoint::Reply reply = m_endpoint->post(body, {});
        QCOMPARE(reply.status, 200);
        QVERIFY2(reply.body.contains("<LoginUserResult><ID>"), reply.body.constData());
    }

    // The children the service reads as whole numbers, and only those, refuse
    // other text with a fault (the rest is the service's to judge). Last: a
    // quantity that is not a number still registers an error.
    void onlyWholeNumberChildrenRefuseText_data() { answersMatchTheirDeclaredShape_data(); }
    void onlyWholeNumberChildrenRefuseText()
    {
        QFETCH(QString, operation);
        QFETCH(SoapChildren, children);
        static const QSet<QString> wholeNumbers{"da",   "a",          "flusso", "anno",
                                                "mese", "codfarma",   "errore", "farmacia",
                                                "id",   "idassistito"};
        for (qsizetype i = 0; i < children.size(); ++i) {
            SoapChildren changed = children;
            changed[i].second = QStringLiteral("12x");
            const SoapEndpoint::Reply reply =
                m_endpoint->post(SoapEnvelope::build(kNs, operation, changed).toUtf8(), {});
            const bool refused =
                reply.status == 500 && reply.body.contains("is not a whole number");
            QVERIFY2(refused == wholeNumbers.contains(changed[i].first),
                     qPrintable(operation + ": " + changed[i].first));
        }
    }

private:
    QTemporaryDir m_dir;
    DemoDatabase m_db;
    std::unique_ptr<DpcService> m_service;
    std::unique_ptr<SoapEndpoint> m_endpoint;
};

QTEST_GUILESS_MAIN(TestDemoRequests)
#include "test_demo_requests.moc"
