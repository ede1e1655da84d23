// The PDF of a year's report for all pharmacies, read back with pdftotext.
#include "Cents.h"
#include "ExportFileDialog.h"
#include "MainWindowFixture.h"
#include "NoticeAnswer.h"
#include "PdfText.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QDate>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace NoticeAnswer;

class tst_ReportPdf : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void eachPharmacyItsPagesThenTheSummary();

private:
    QTreeWidget* report() { return m_session->find<QTreeWidget>("ListView1"); }

    TlsTestServer m_server;
    std::unique_ptr<MainWindowFixture> m_session;
    QTemporaryDir m_out;
};

void tst_ReportPdf::initTestCase()
{
    m_session = openReport(m_server);
    QVERIFY(m_session);
}

// Each pharmacy starts a page of its own; every page names the pharmacy whose
// rows it holds, and each total is the sum of the amounts listed above it.
// The summary ends the file on pages of its own: no pharmacy's page shows
// another's totals.
void tst_ReportPdf::eachPharmacyItsPagesThenTheSummary()
{
    const QString path = m_out.filePath("errori.pdf");
    ExportFileDialog::setChooser(
        [&](QWidget*, const QString&, const QString&, const QString&) { return path; });
    report()->setFocus();
    QTest::keyClick(report(), Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(m_session->boxes.texts(),
             QStringList{QStringLiteral("ESPORTAZIONE COMPLETATA - ERRORI ESPORTATI: 1000")});
    const QStringList pages = PdfText::pages(path);
    QVERIFY2(!pages.isEmpty(), "pdftotext (poppler-utils) could not read the file");
    for (const char* heading : {"ASP DI PALERMO", "MARIO BIANCHI", "Anno: 2026", "Mese: Annuo",
                                "Farmacia: Tutte le Farmacie", "Esportato il"})
        QVERIFY2(pages[0].contains(QLatin1String(heading)), heading);
    // The date with the year in full.
    const QString year = QString::number(QDate::currentDate().year());
    QVERIFY2(pages[0].contains(QRegularExpression(QStringLiteral("Esportato il [^:]*\\b") + year +
                                                  QStringLiteral("\\b"))),
             qPrintable(pages[0].left(300)));

    static const QRegularExpression number(QStringLiteral("\\b2026\\d{11}\\b"));
    static const QRegularExpression running(QStringLiteral("^FARMACIA (\\d{5}) "));
    QSet<QString> seen;
    QSet<int> done;
    int previous = 0;
    int p = 0;
    for (; p < pages.size() && !pages[p].startsWith(QStringLiteral("RIEPILOGO ")); ++p) {
        const QRegularExpressionMatch header = running.match(pages[p]);
        QVERIFY2(header.hasMatch(), qPrintable(pages[p].left(80)));
        QVERIFY(!pages[p].contains(QStringLiteral("TOTALE GENERALE")));
        const int pharmacy = header.captured(1).toInt();
        if (pharmacy != previous) {
            // A group's pages follow each other, the first one with its title.
            QVERIFY(!done.contains(pharmacy));
            done.insert(previous);
            QVERIFY(pages[p].contains(QStringLiteral("FARMACIA ") + codeOf(pharmacy) + u' ' +
                                      nameOf(pharmacy) + QStringLiteral(" RICETTA N°")));
        }
        previous = pharmacy;
        for (auto it = number.globalMatch(pages[p]); it.hasNext();) {
            const QString found = it.next().captured();
            QCOMPARE(pharmacyOf(recordOf(found)), pharmacy);
            seen.insert(found);
        }
        QVERIFY(pages[p].endsWith(QStringLiteral("Pagina %1 di %2").arg(p + 1).arg(pages.size())));
    }
    QCOMPARE(seen.size(), Records);
    const QString text = pages.mid(0, p).join(u' ');
    QString summary;
    for (int s = p; s < pages.size(); ++s) {
        QVERIFY(pages[s].startsWith(QStringLiteral("RIEPILOGO ")));
        QVERIFY(pages[s].endsWith(QStringLiteral("Pagina %1 di %2").arg(s + 1).arg(pages.size())));
        QVERIFY(!number.match(pages[s]).hasMatch());
        summary += pages[s] + u' ';
    }
    QVERIFY(summary.startsWith(QStringLiteral("RIEPILOGO Errori registrati D.P.C. - Anno 2026 - "
                                              "Annuo RIEPILOGO FARMACIA ERRORI LORDO ")));
    qint64 all = 0;
    for (int p = 1; p <= Pharmacies; ++p) {
        const int count = pharmacyCount(p);
        const QString total = QStringLiteral("Totale FARMACIA %1 %2: %3 errori - lordo %4")
                                  .arg(codeOf(p), nameOf(p))
                                  .arg(count)
                                  .arg(Cents::text(pharmacyCents(p)));
        QVERIFY2(text.contains(total), qPrintable(total));
        const QString row = QStringLiteral("FARMACIA %1 %2 %3 %4")
                                .arg(codeOf(p), nameOf(p))
                                .arg(count)
                                .arg(Cents::text(pharmacyCents(p)));
        QVERIFY2(summary.contains(row), qPrintable(row));
        all += pharmacyCents(p);
    }
    QVERIFY(summary.contains(QStringLiteral("TOTALE GENERALE: 1000 errori - lordo ") +
                             Cents::text(all)));
}

QTEST_MAIN(tst_ReportPdf)
#include "test_report_pdf.moc"
