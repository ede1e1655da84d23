// The demo service's seeded data and its answers, driven in-process (no HTTP).
#include "DemoDatabase.h"
#include "DemoFixtures.h"
#include "DpcService.h"
#include "ErrorReport.h"
#include "FiscalCode.h"
#include "Operations.h"
#include "PrescriptionNumber.h"
#include "ReportAnswer.h"
#include "SoapEndpoint.h"
#include "SoapEnvelope.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <sqlite3.h>

using Demo::DemoDatabase;
using Demo::DpcService;
using Demo::ErrorReport;
using Demo::SoapEndpoint;
namespace FiscalCode = Demo::FiscalCode;
namespace Operations = Demo::Operations;
namespace PrescriptionNumber = Demo::PrescriptionNumber;

namespace {

const QString kNs = QStringLiteral("http://tempuri.org/");

QVariant scalar(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        return {};
    return q.value(0);
}

QByteArray contentHash(const QSqlDatabase& db)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QStringList tables{"provinces", "users", "pharmacies", "atc_groups", "drugs",
                             "error_codes", "patients", "prescriptions", "prescription_lines",
                             "registered_errors"};
    for (const QString& table : tables) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
        while (q.next()) {
            for (int i = 0; i < q.record().count(); ++i)
                hash.addData(q.value(i).toString().toUtf8() + '\x1f');
        }
    }
    return hash.result().toHex();
}

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

class TestDemoData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QElapsedTimer timer;
        timer.start();
        QString error;
        bool seeded = false;
        int scale = 0;
        QVERIFY2(m_db.open(m_dir.filePath("a.sqlite"), &error), qPrintable(error));
        QVERIFY2(m_db.ensureSeeded(1, &seeded, &scale, &error), qPrintable(error));
        QVERIFY(seeded);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        m_service = std::make_unique<DpcService>(m_db.connection());
        QVERIFY(m_service->load(&error));
        m_endpoint = std::make_unique<SoapEndpoint>(*m_service, kNs);
    }

    void fiscalCodes()
    {
        using FiscalCode::Sex;
        QCOMPARE(FiscalCode::compute("RUSSO", "GIUSEPPE", QDate(1950, 1, 1), Sex::Male, "G273"),
                 QString::fromLatin1(Demo::Fixtures::patientFiscalCode));
        // Accents fold, apostrophes and blanks drop; women's days count from 41.
        QCOMPARE(FiscalCode::compute("D'ANGELO", "NICOLÒ", QDate(1980, 12, 3), Sex::Male, "C351").left(11),
                 QStringLiteral("DNGNCL80T03"));
        QCOMPARE(FiscalCode::compute("LI", "ANNA", QDate(2001, 5, 20), Sex::Female, "G273").left(11),
                 QStringLiteral("LIXNNA01E60"));
        QVERIFY(FiscalCode::isValid(u"RSSGPP50A01G273X"));
        QVERIFY(!FiscalCode::isValid(u"RSSGPP50A01G273Y"));

        QSqlQuery q(m_db.connection());
        QVERIFY(q.exec("SELECT codice_fiscale FROM patients"));
        int count = 0;
        while (q.next()) {
            ++count;
            QVERIFY2(FiscalCode::isValid(q.value(0).toString()), qPrintable(q.value(0).toString()));
        }
        QVERIFY(count >= 1000);
    }

    void prescriptionNumbers()
    {
        QVERIFY(PrescriptionNumber::isValid(u"123450000043211"));
        QVERIFY(!PrescriptionNumber::isValid(u"123450000043212"));
        QVERIFY(PrescriptionNumber::isValid(u"9991234567890XX"));
        QVERIFY(PrescriptionNumber::isValid(u"1900A0000000000"));

        QSqlQuery q(m_db.connection());
        QVERIFY(q.exec("SELECT numrickey FROM prescriptions"));
        int exempt = 0, checked = 0;
        while (q.next()) {
            const QString number = q.value(0).toString();
            QVERIFY2(PrescriptionNumber::isValid(number), qPrintable(number));
            (PrescriptionNumber::isCheckExempt(number) ? exempt : checked)++;
        }
        QVERIFY(checked > 1000);
        QVERIFY(exempt > 100);
    }

    void seededVolumes()
    {
        const QSqlDatabase db = m_db.connection();
        for (const char* prov : {"PA", "CT"}) {
            const QString p = QLatin1String(prov);
            QVERIFY(scalar(db, "SELECT COUNT(*) FROM pharmacies WHERE prov='" + p + "'").toInt() >= 100);
            QVERIFY(scalar(db, "SELECT COUNT(*) FROM pharmacies WHERE prov='" + p +
                                   "' AND ragsoc LIKE '%,%'").toInt() > 0);
            QVERIFY(scalar(db, "SELECT COUNT(*) FROM pharmacies WHERE prov='" + p +
                                   "' AND ragsoc LIKE '%''%'").toInt() > 0);
            QVERIFY(scalar(db, "SELECT COUNT(*) FROM pharmacies WHERE prov='" + p +
                                   "' AND ragsoc GLOB '*[ÀÈÌÒÙ]*'").toInt() > 0);
            QVERIFY(scalar(db, "SELECT COUNT(*) FROM registered_errors WHERE prov='" + p +
                                   "' AND cancelled_at IS NULL").toInt() >= 1000);
            QVERIFY(scalar(db, "SELECT COUNT(DISTINCT anno) FROM registered_errors WHERE prov='" + p + "'")
                        .toInt() >= 2);
        }
        QVERIFY(scalar(db, "SELECT COUNT(*) FROM drugs").toInt() >= 150);
        QCOMPARE(scalar(db, "SELECT COUNT(*) FROM drugs WHERE length(aic) <> 9 OR aic GLOB '*[^0-9]*'").toInt(), 0);
        QCOMPARE(scalar(db, "SELECT COUNT(*) FROM drugs WHERE prezzo NOT GLOB '[0-9]*,[0-9]*'").toInt(), 0);
        QVERIFY(scalar(db, "SELECT COUNT(*) FROM error_codes").toInt() >= 60);
        QVERIFY(scalar(db, "SELECT COUNT(*) FROM error_codes WHERE soggetto <> 'Farmacia'").toInt() > 0);
        // Every seeded error points at a prescription of its own province.
        QCOMPARE(scalar(db, "SELECT COUNT(*) FROM registered_errors e LEFT JOIN prescriptions p"
                            " ON p.numrickey = e.numrickey AND p.prov = e.prov WHERE p.numrickey IS NULL")
                     .toInt(),
                 0);
    }

    // The same scale gives the same data; a larger scale multiplies it.
    void seedIsDeterministicAndScales()
    {
        QString error;
        bool seeded = false;
        int scale = 0;
        DemoDatabase again(QStringLiteral("again"));
        QVERIFY(again.open(m_dir.filePath("b.sqlite"), &error));
        QVERIFY(again.ensureSeeded(1, &seeded, &scale, &error));
        QCOMPARE(contentHash(again.connection()), contentHash(m_db.connection()));

        DemoDatabase doubled(QStringLiteral("doubled"));
        QVERIFY(doubled.open(m_dir.filePath("c.sqlite"), &error));
        QVERIFY(doubled.ensureSeeded(2, &seeded, &scale, &error));
        const auto count = [](const QSqlDatabase& db, const char* table) {
            return scalar(db, QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))).toDouble();
        };
        QCOMPARE(count(doubled.connection(), "registered_errors"),
                 2 * count(m_db.connection(), "registered_errors"));
        QVERIFY(count(doubled.connection(), "prescriptions") > 1.8 * count(m_db.connection(), "prescriptions"));
        QCOMPARE(count(doubled.connection(), "drugs"), count(m_db.connection(), "drugs"));

        // Opening a seeded file keeps its data and scale.
        QVERIFY(doubled.ensureSeeded(1, &seeded, &scale, &error));
        QVERIFY(!seeded);
        QCOMPARE(scale, 2);
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
        const QSqlDatabase db = m_db.connection();
        const int before = scalar(db, "SELECT COUNT(*) FROM registered_errors").toInt();
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
        QCOMPARE(scalar(db, "SELECT COUNT(*) FROM registered_errors").toInt(), before);
    }

    // A report streamed in pages is, byte for byte, the
    // answer built whole, also for values that need escaping.
    void streamedReportMatchesBuiltOne()
    {
        const SoapEndpoint::Reply registered = m_endpoint->post(
            SoapEnvelope::build(kNs, "ErroreDPC",
                                {{"prov", "PA"},
                                 {"anno", "2024"},
                                 {"mese", "9"},
                                 {"codfarma", "1234"},
                                 {"numrickey", Demo::Fixtures::prescriptionPA},
                                 {"aic", QStringLiteral("A&B<C>\u00e8\u20ac\U0001D11E")},
                                 {"pezzi", "1"},
                                 {"errore", "12"}})
                .toUtf8(),
            {});
        QVERIFY(registered.body.contains("<AIC>A&amp;B&lt;C&gt;"));
        SoapEndpoint streaming(*m_service, kNs, true);
        const QList<SoapChildren> reports{
            {{"prov", "PA"}, {"flusso", "2"}, {"anno", "2024"}, {"mese", "0"}, {"farmacia", "0"}},
            {{"prov", "PA"}, {"flusso", "2"}, {"anno", "2024"}, {"mese", "9"}, {"farmacia", "1234"}},
            {{"prov", "ct"}, {"flusso", "2"}, {"anno", "2025"}, {"mese", "0"}, {"farmacia", "0"}},
            {{"prov", "PA"}, {"flusso", "2"}, {"anno", "1999"}, {"mese", "0"}, {"farmacia", "0"}},
            {{"prov", "XX"}, {"flusso", "2"}, {"anno", "2024"}, {"mese", "0"}, {"farmacia", "0"}},
        };
        int streamed = 0;
        for (const SoapChildren& children : reports) {
            const QByteArray body = SoapEnvelope::build(kNs, "F_LoadErroreByAnnoMese", children).toUtf8();
            const SoapEndpoint::Reply whole = m_endpoint->post(body, {});
            SoapEndpoint::Reply reply = streaming.post(body, {});
            QCOMPARE(reply.status, whole.status);
            if (reply.stream) {
                ++streamed;
                QVERIFY(reply.body.isEmpty());
                reply.body = reply.stream->readAll();
            }
            QCOMPARE(reply.body, whole.body);
        }
        QCOMPARE(streamed, 2); // one pharmacy's report is built whole
    }

    // One pharmacy's month is built whole up to 2,000 records, and streamed past them.
    void largePharmacyMonthIsStreamed()
    {
        SoapEndpoint streaming(*m_service, kNs, true);
        const QByteArray request = SoapEnvelope::build(kNs, "F_LoadErroreByAnnoMese",
                                                       {{"prov", "PA"},
                                                        {"flusso", "2"},
                                                        {"anno", "2023"},
                                                        {"mese", "1"},
                                                        {"farmacia", "1234"}})
                                       .toUtf8();
        const auto add = [this](int records) {
            QSqlQuery q(m_db.connection());
            return q.exec(
                QStringLiteral(
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"
                    " INSERT INTO registered_errors(prov, flusso, anno, mese, codfarma, numrickey,"
                    " aic, pezzi, lordo_cents, cod_errore, registered_at)"
                    " SELECT 'PA', 'DPC', 2023, 1, 1234, '123450000043211', '035946023', 1, 123450,"
                    " 12, '2024-01-01T00:00:00' FROM n")
                    .arg(records));
        };
        QVERIFY(add(2000));
        SoapEndpoint::Reply reply = streaming.post(request, {});
        QVERIFY(!reply.stream);
        QCOMPARE(reply.body.count("</Errore>"), 2000);
        QVERIFY(add(1));
        reply = streaming.post(request, {});
        QVERIFY(reply.stream);
        QCOMPARE(reply.stream->readAll().count("</Errore>"), 2001);
        QVERIFY(QSqlQuery(m_db.connection())
                    .exec(QStringLiteral("DELETE FROM registered_errors WHERE anno = 2023")));
    }

    // A streamed report is read a page at a time, each page in a read
    // transaction of its own: between pieces the connection holds none, so a
    // client that reads slowly keeps no checkpoint from resetting the WAL.
    // Records registered meanwhile come after the ones already sent.
    void streamedReportHoldsNoTransactionBetweenPieces()
    {
        SoapEndpoint streaming(*m_service, kNs, true);
        const QByteArray body = SoapEnvelope::build(kNs, "F_LoadErroreByAnnoMese",
                                                    {{"prov", "PA"},
                                                     {"flusso", "2"},
                                                     {"anno", "2024"},
                                                     {"mese", "0"},
                                                     {"farmacia", "0"}})
                                    .toUtf8();
        SoapEndpoint::Reply reply = streaming.post(body, {});
        QVERIFY(reply.stream);
        sqlite3* const connection = m_service->sqliteHandle();
        QVERIFY(connection);
        QCOMPARE(sqlite3_txn_state(connection, nullptr), SQLITE_TXN_NONE);
        QByteArray all;
        QByteArray piece;
        int pieces = 0;
        do {
            QVERIFY(reply.stream->next(piece, 16 * 1024));
            all += piece;
            ++pieces;
            QCOMPARE(sqlite3_txn_state(connection, nullptr), SQLITE_TXN_NONE);
            if (pieces == 2) {
                // Another connection can checkpoint the whole WAL and reset
                // it: no reader holds on to it.
                QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                               QStringLiteral("checkpointer"));
                other.setDatabaseName(m_dir.filePath("a.sqlite"));
                QVERIFY(other.open());
                QSqlQuery checkpoint(other);
                QVERIFY(checkpoint.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) &&
                        checkpoint.next());
                QCOMPARE(checkpoint.value(0).toInt(), 0); // not busy
                checkpoint.finish();
                other.close();
            }
        } while (!piece.isEmpty());
        QSqlDatabase::removeDatabase(QStringLiteral("checkpointer"));
        QVERIFY2(pieces > 4, qPrintable(QString::number(pieces)));
        const QByteArray whole = m_endpoint->post(body, {}).body;
        QCOMPARE(all, whole);
        QVERIFY(whole.count("</Errore>") > ErrorReport::kPageRecords);
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

QTEST_GUILESS_MAIN(TestDemoData)
#include "test_demo_data.moc"
