// Errors cancelled from the detail window while their report is listed: the
// list keeps their rows, the detail says they are cancelled, and no file
// made from the report charges them, until the next report run.
#include "Cents.h"
#include "CsvText.h"
#include "ExportFileDialog.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "PdfText.h"
#include "TestService.h"
#include "TlsTestServer.h"
#include "XlsxText.h"

#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

// Pharmacy 1 has the errors 11 and 12, pharmacy 2 the error 21, pharmacy 3 the error 31.
struct Error
{
    int id;
    int pharmacy;
    qint64 cents;
};
const QList<Error> Errors = {{11, 1, 1000}, {12, 1, 250}, {21, 2, 700}, {31, 3, 100}};

QString prescriptionOf(int id)
{
    return QStringLiteral("2026000000000") + QString::number(id);
}

QByteArray answer()
{
    QByteArray records;
    for (const Error& e : Errors) {
        records += "<Errore><ID>" + QByteArray::number(e.id) +
                   "</ID><Flusso>DPC</Flusso><Anno>2026</Anno><Mese>3</Mese><Codfarma>" +
                   QByteArray::number(e.pharmacy) + "</Codfarma><Farmacia>FARMACIA " +
                   QByteArray::number(e.pharmacy) + "</Farmacia><NumricKey>" +
                   prescriptionOf(e.id).toLatin1() +
                   "</NumricKey><Assistito>ROSSI MARIA</Assistito><Pezzi>1</Pezzi><Lordo>" +
                   Cents::plain(e.cents).toLatin1() + "</Lordo><CodErrore>12</CodErrore></Errore>";
    }
    return TestService::answer(
        "<LoginUserResult><ID>1</ID><Prov>PA</Prov><ASP>ASP DI PALERMO</ASP><Nome>MARIO</Nome>"
        "</LoginUserResult><F_LoadErroreByAnnoMeseResult>" +
        records +
        "</F_LoadErroreByAnnoMeseResult><AnnullaErroreFarmaciaResult><Errore><ID>1</ID></Errore>"
        "</AnnullaErroreFarmaciaResult>");
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_ReportCancellation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cancelledErrorsAreNeverCharged();

private:
    QTreeWidget* list() { return m_f->find<QTreeWidget>("ListView1"); }
    // Opens the detail of the error's row by keyboard and acts on it.
    void openDetail(int id, const std::function<void(QWidget*)>& action);
    void cancel(int id);
    // Ctrl+E into `path`: the CSV, spreadsheet or PDF by its extension.
    void exportTo(const QString& path);

    TlsTestServer m_server;
    std::unique_ptr<MainWindowFixture> m_f;
    QTemporaryDir m_out;
};

void tst_ReportCancellation::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setSoapAnswer(200, answer());
    m_f = std::make_unique<MainWindowFixture>(TestService::configFor(m_server));
    QVERIFY(m_f->logIn(QStringLiteral("u"), QStringLiteral("p")));
    m_f->context->utenti.Anno = 2026;
    m_f->find<QTabWidget>("SSTab1")->setCurrentIndex(3);
    QTRY_COMPARE(list()->topLevelItemCount(), Errors.size());
}

void tst_ReportCancellation::openDetail(int id, const std::function<void(QWidget*)>& action)
{
    m_f->activate();
    for (int r = 0; r < list()->topLevelItemCount(); ++r) {
        if (list()->topLevelItem(r)->text(5) == QString::number(id))
            list()->setCurrentItem(list()->topLevelItem(r));
    }
    ModalDriver driver("RICETTA", [&](QWidget* modal) {
        action(modal);
        QTest::keyClick(modal->findChild<QPushButton*>("Com_03"), Qt::Key_Space);
    });
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Return);
    QVERIFY(driver.acted());
    m_f->activate();
}

void tst_ReportCancellation::cancel(int id)
{
    m_f->boxes.clear();
    m_f->boxes.answerNext(QMessageBox::Yes);
    bool shown = false;
    openDetail(id, [&](QWidget* modal) {
        auto* state = modal->findChild<QLabel*>("Lab_annullato");
        QVERIFY(!state->isVisibleTo(modal));
        QTest::keyClick(modal->findChild<QPushButton*>("bott_elim"), Qt::Key_Space);
        shown = state->isVisibleTo(modal);
    });
    QCOMPARE(m_f->boxes.texts(),
             (QStringList{"PROVVEDO ALLA ELIMINAZIONE ? ", "ERRORE CANCELLATO"}));
    QVERIFY(shown);
}

void tst_ReportCancellation::exportTo(const QString& path)
{
    ExportFileDialog::setChooser(
        [path](QWidget*, const QString&, const QString&, const QString&) { return path; });
    m_f->activate();
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_E, Qt::ControlModifier);
}

// Cancelled: one of pharmacy 1's two errors and pharmacy 2's only one.
void tst_ReportCancellation::cancelledErrorsAreNeverCharged()
{
    const int before = m_server.requestCount();
    cancel(12);
    cancel(21);
    QCOMPARE(m_server.requestCount(), before + 2);
    QCOMPARE(list()->topLevelItemCount(), Errors.size()); // the rows stay until the next run

    // Reopened, the error shows as cancelled and prints so; it may be cancelled again.
    const QString detail = m_out.filePath("ricetta.pdf");
    ExportFileDialog::setChooser(
        [&](QWidget*, const QString&, const QString&, const QString&) { return detail; });
    bool shown = false, canCancel = false;
    openDetail(12, [&](QWidget* modal) {
        shown = modal->findChild<QLabel*>("Lab_annullato")->isVisibleTo(modal);
        canCancel = modal->findChild<QPushButton*>("bott_elim")->isEnabled();
        modal->findChild<QAction*>("SalvaPdf")->trigger();
    });
    QVERIFY(shown);
    QVERIFY(canCancel);
    QVERIFY(PdfText::text(detail).contains(QStringLiteral("ERRORE ANNULLATO")));

    // Per pharmacy: pharmacy 2 has no notice left, pharmacy 1 is charged for 11 alone.
    m_f->boxes.clear();
    const QString folder = m_out.filePath("notifiche");
    QVERIFY(QDir().mkpath(folder));
    ExportFileDialog::setFolderChooser(
        [&](QWidget*, const QString&, const QString&) { return folder; });
    list()->findChild<QAction*>("EsportaPerFarmacia")->trigger();
    QCOMPARE(m_f->boxes.texts(), QStringList{QStringLiteral("ESPORTAZIONE COMPLETATA - FILE "
                                                            "SCRITTI: 2 DI 2 - ERRORI ANNULLATI "
                                                            "ESCLUSI: 2")});
    QCOMPARE(QDir(folder).entryList(QDir::Files),
             (QStringList{"elenco_2026_annuo.csv", "errori_2026_annuo_00001.pdf",
                          "errori_2026_annuo_00003.pdf"}));
    const QString first = PdfText::text(QDir(folder).filePath("errori_2026_annuo_00001.pdf"));
    QVERIFY(first.contains(prescriptionOf(11)));
    QVERIFY(!first.contains(prescriptionOf(12)));
    QVERIFY(first.contains(QStringLiteral("Totale FARMACIA 00001 FARMACIA 1: 1 errore - lordo ") +
                           Cents::text(1000)));
    QVERIFY(fileBytes(QDir(folder).filePath("elenco_2026_annuo.csv"))
                .contains("\r\n00001;FARMACIA 1;1;10,00;errori_2026_annuo_00001.pdf;"));

    // The CSV, the spreadsheet and the PDF of the whole report.
    m_f->boxes.clear();
    exportTo(m_out.filePath("errori.csv"));
    QList<QStringList> rows;
    QVERIFY(CsvText::parse(QString::fromUtf8(fileBytes(m_out.filePath("errori.csv")).mid(3)), u';',
                           &rows));
    QCOMPARE(rows.size(), 3);
    QCOMPARE((QStringList{rows[1][4], rows[2][4]}),
             (QStringList{prescriptionOf(11), prescriptionOf(31)}));

    exportTo(m_out.filePath("errori.xlsx"));
    const QJsonArray sheets =
        XlsxText::read(m_out.filePath("errori.xlsx")).value("sheets").toArray();
    QCOMPARE(sheets[0].toObject().value("rows").toArray().size(), 3);
    const QJsonArray totals = sheets[1].toObject().value("rows").toArray();
    QCOMPARE(totals.size(), 4); // pharmacies 1 and 3, then the total
    const QJsonArray all = totals[3].toArray();
    QCOMPARE(all[2].toObject().value("v").toInt(), 2);
    QCOMPARE(qRound64(all[3].toObject().value("v").toDouble() * 100), qint64(1100));

    exportTo(m_out.filePath("errori.pdf"));
    const QString report = PdfText::text(m_out.filePath("errori.pdf"));
    for (int id : {12, 21})
        QVERIFY(!report.contains(prescriptionOf(id)));
    QVERIFY(!report.contains(QStringLiteral("FARMACIA 00002")));
    QVERIFY(
        report.contains(QStringLiteral("TOTALE GENERALE: 2 errori - lordo ") + Cents::text(1100)));
    // Each says how many went out, and how many cancelled ones were left out.
    QCOMPARE(m_f->boxes.texts(),
             QStringList(3, QStringLiteral("ESPORTAZIONE COMPLETATA - ERRORI ESPORTATI: 2 - ERRORI "
                                           "ANNULLATI ESCLUSI: 2")));

    // A new run starts afresh: what the service still lists goes out again.
    QTest::mouseClick(m_f->find<QPushButton>("Comm_ELABORA"), Qt::LeftButton);
    QCOMPARE(list()->topLevelItemCount(), Errors.size());
    exportTo(m_out.filePath("di-nuovo.csv"));
    rows.clear();
    QVERIFY(CsvText::parse(QString::fromUtf8(fileBytes(m_out.filePath("di-nuovo.csv")).mid(3)),
                           u';', &rows));
    QCOMPARE(rows.size(), Errors.size() + 1);
}

QTEST_MAIN(tst_ReportCancellation)
#include "test_report_cancellation.moc"
