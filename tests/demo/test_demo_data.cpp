// The demo service's seeded data and its reports of registered errors, driven in-process (no
// HTTP). Requests and the shape of answers: test_demo_requests.
#include "DemoDatabase.h"
#include "DemoFixtures.h"
#include "DpcService.h"
#include "ErrorReport.h"
#include "FiscalCode.h"
#include "PrescriptionNumber.h"
#include "ReportAnswer.h"
#include "SoapEndpoint.h"
#include "SoapEnvelope.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using Demo::DemoDatabase;
using Demo::DpcService;
using Demo::ErrorReport;
using Demo::SoapEndpoint;
namespace FiscalCode = Demo::FiscalCode;
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

private:
    QTemporaryDir m_dir;
    DemoDatabase m_db;
    std::unique_ptr<DpcService> m_service;
    std::unique_ptr<SoapEndpoint> m_endpoint;
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "test_demo_data.moc"
