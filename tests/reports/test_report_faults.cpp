// "Elabora" on the REPORTS tab when the service misbehaves: whatever comes
// back, both staged files (the list's and the exports') hold the earlier
// answer or the new one whole, the list and its counter agree with it, and the
// detail window shows a listed record.
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "ReportRecords.h"
#include "ReportRows.h"
#include "ResultStager.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace TestService;

namespace {

const QString operation = QStringLiteral("F_LoadErroreByAnnoMese");

QByteArray record(int id, int codfarma)
{
    const QByteArray n = QByteArray::number(id);
    return "<Errore><ID>" + n + "</ID><Flusso>DPC</Flusso><Anno>2025</Anno><Mese>" +
           QByteArray::number(id % 12 + 1) + "</Mese><Codfarma>" + QByteArray::number(codfarma) +
           "</Codfarma><Farmacia>FARMACIA " + n + ", DR. ROSSI</Farmacia><NumricKey>" +
           QByteArray::number(190000000000000LL + id) +
           "</NumricKey><Assistito>RUSSO GIUSEPPE</Assistito><CodAssistito>RSSGPP50A01G273X"
           "</CodAssistito><AIC>035946023</AIC><Farmaco>HUMIRA 40 MG SOLUZIONE INIETTABILE 2 "
           "PENNE</Farmaco><Molecola>ADALIMUMAB</Molecola><Pezzi>2</Pezzi><Lordo>1234,50</Lordo>"
           "<CodErrore>12</CodErrore><DescrizioneErrore>RICETTA SCADUTA</DescrizioneErrore>"
           "<TipoAddebito>A</TipoAddebito><Soggetto>Farmacia</Soggetto></Errore>";
}

QByteArray records(int first, int count)
{
    QByteArray text;
    text.reserve(qsizetype(count) * 620);
    for (int id = first; id < first + count; ++id)
        text += record(id, (id * 7919) % 99991);
    return text;
}

QByteArray reportAnswer(const QByteArray& result)
{
    return answer("<F_LoadErroreByAnnoMeseResponse xmlns=\"http://tempuri.org/\">"
                  "<F_LoadErroreByAnnoMeseResult>" +
                  result + "</F_LoadErroreByAnnoMeseResult></F_LoadErroreByAnnoMeseResponse>");
}

// The log-in and the first report are answered from the same text.
QByteArray goodAnswer()
{
    return answer("<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome>"
                  "</LoginUserResult><F_LoadErroreByAnnoMeseResult>" +
                  records(1, 3) + "</F_LoadErroreByAnnoMeseResult>");
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList column(QTreeWidget* list, int c)
{
    QStringList cells;
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        cells << list->topLevelItem(r)->text(c);
    return cells;
}

} // namespace

class tst_ReportFaults : public QObject
{
    Q_OBJECT
private slots:
    void faultyAnswers_data();
    void faultyAnswers();
};

void tst_ReportFaults::faultyAnswers_data()
{
    QTest::addColumn<int>("mode"); // a TlsTestServer::Mode
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("staged"); // else: "NESSUN DATO TROVATO", the file as it was
    QTest::addColumn<int>("rows");

    using Mode = TlsTestServer::Mode;
    const QByteArray whole = reportAnswer(records(100, 40));
    QTest::newRow("hung service") << int(Mode::NeverAnswer) << 200 << whole << false << 0;
    QTest::newRow("HTTP 500 with a SOAP fault")
        << int(Mode::Answer) << 500
        << answer("<soap:Fault><soap:Code><soap:Value>soap:Receiver</soap:Value></soap:Code>"
                  "<soap:Reason><soap:Text xml:lang=\"it\">Server was unable to process "
                  "request</soap:Text></soap:Reason></soap:Fault>")
        << false << 0;
    QTest::newRow("connection dropped mid-record")
        << int(Mode::CloseMidBody) << 200 << whole << false << 0;
    // Half the answer has been staged by the time the transfer times out.
    QTest::newRow("service stalls mid-record")
        << int(Mode::StallMidBody) << 200 << reportAnswer(records(100, 4000)) << false << 0;
    // A whole HTTP answer whose text stops inside the fourth record.
    const QByteArray fourth = record(4, 4);
    const QByteArray full = reportAnswer(records(1, 3) + fourth);
    QTest::newRow("answer cut short mid-record")
        << int(Mode::Answer) << 200 << full.left(full.indexOf(fourth) + fourth.size() / 2) << true
        << 3;
    QTest::newRow("malformed XML")
        << int(Mode::Answer) << 200
        << reportAnswer("<Errore><ID>7</ID><Codfarma>70</Codfarma><NumricKey>A7</NumricKey>"
                        "</Errore>&<<Errore><ID>8<ID><Codfarma>80</NumricKey></Errore>><"
                        "<Errore><ID>9</ID></Farmacia><Farmacia>X & Y <NumricKey>A9</Errore>"
                        "</Errore></Errore><ID>")
        << true << 5;
    // About 100 MB.
    QTest::newRow("answer of 100 MB")
        << int(Mode::Answer) << 200 << reportAnswer(records(1, 170000)) << true << 170000;
}

void tst_ReportFaults::faultyAnswers()
{
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, staged);
    QFETCH(int, rows);

    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, goodAnswer());
    ServiceConfig config = configFor(server);
    config.timeoutMs = 3000;
    MainWindowFixture f(config);
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(3);
    auto* list = f.find<QTreeWidget>("ListView1");
    auto* counter = f.find<QLabel>("Lab_conta");
    auto* elabora = f.find<QPushButton>("Comm_ELABORA");
    QCOMPARE(list->topLevelItemCount(), 3);
    const QString exportPath = f.stagingPath(StagingFolder::exportFile);
    const QString reportPath = f.stagingPath(ReportRecords::stagedFile);
    const QByteArray before = readAll(exportPath);
    const QByteArray reportBefore = readAll(reportPath);
    QVERIFY(!before.isEmpty());
    QVERIFY(!reportBefore.isEmpty());

    f.boxes.clear();
    server.setMode(TlsTestServer::Mode(mode));
    server.setSoapAnswer(status, body);
    QTest::mouseClick(elabora, Qt::LeftButton);

    const QByteArray after = readAll(exportPath);
    const QByteArray reportAfter = readAll(reportPath);
    if (staged) {
        // Staged as it arrived, in many pieces for the large answers: the
        // bytes of the whole answer staged at once.
        QCOMPARE(f.boxes.texts(), QStringList());
        QVERIFY(after == ResultStager::stagedBytes(QByteArrayView(body), operation, true));
        QVERIFY(reportAfter == ResultStager::stagedBytes(QByteArrayView(body), operation, false));
    } else {
        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")});
        QVERIFY(after == before);
        QVERIFY(reportAfter == reportBefore);
    }
    // Nothing is left half-written beside them.
    QCOMPARE(QDir(QFileInfo(exportPath).path())
                 .entryList({QStringLiteral("*.xml.*")}, QDir::Files | QDir::Hidden),
             QStringList());

    // The list and the counter show what the file holds (nothing after a failure).
    QCOMPARE(list->topLevelItemCount(), rows);
    QCOMPARE(counter->text(), QString::number(rows));
    if (staged) {
        QStringList fileIds;
        for (const QStringList& row : ReportRows::read(after))
            fileIds << row[ReportRows::IdColumn];
        QStringList listIds = column(list, ReportRows::IdColumn);
        fileIds.sort();
        listIds.sort();
        QCOMPARE(listIds, fileIds);
    }

    // The detail shows the chosen row's record, or no window opens at all.
    QString number = QStringLiteral("?");
    ModalDriver detail("RICETTA", [&](QWidget* modal) {
        number = modal->findChild<QLineEdit*>(QStringLiteral("Text_NR"))->text();
        modal->close();
    });
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(detail.acted(), rows > 0);
    if (rows > 0)
        QVERIFY2(number.isEmpty() || number == list->currentItem()->text(4), qPrintable(number));
    f.activate();

    // The window is alive: the next report runs as usual.
    server.setMode(TlsTestServer::Mode::Answer);
    server.setSoapAnswer(200, goodAnswer());
    f.boxes.clear();
    QTest::mouseClick(elabora, Qt::LeftButton);
    QCOMPARE(f.boxes.texts(), QStringList());
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(counter->text(), QStringLiteral("3"));
}

QTEST_MAIN(tst_ReportFaults)
#include "test_report_faults.moc"
