#include "Cents.h"
#include "CsvText.h"
#include "ExportFileDialog.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "NoticeAnswer.h"
#include "PdfText.h"
#include "ReadOnlyFolder.h"
#include "ReportRecords.h"
#include "Ricetta.h"
#include "TestService.h"
#include "TlsTestServer.h"
#include "VedeErrori.h"
#include "XlsxText.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QHeaderView>
#include <QJsonArray>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace NoticeAnswer;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList column(const QTreeWidget* list, int c)
{
    QStringList cells;
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        cells << list->topLevelItem(r)->text(c);
    return cells;
}

QMenu* openPopupMenu()
{
    QMenu* menu = nullptr;
    if (!QTest::qWaitFor([&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->isVisible();
        }))
        return nullptr;
    return menu;
}

// The message "Esporta…" ends with when every listed error went out.
const QStringList Done{QStringLiteral("ESPORTAZIONE COMPLETATA - ERRORI ESPORTATI: 1000")};

QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* a : menu->actions()) {
        if (!a->isSeparator())
            texts << a->text();
    }
    return texts;
}

} // namespace

class tst_ReportExport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void csvCarriesTheServicesText();
    void spreadsheetHasTypedCells();
    void endsSayingSoInTheList();
    void copyFollowsTheList();
    void detailPrintsTheServicesText();
    void failedAndEmptyExports();

private:
    QTreeWidget* report() { return m_session->find<QTreeWidget>("ListView1"); }
    // Exports through Ctrl+E with the file dialog answered by `path`.
    void exportTo(const QString& path);

    TlsTestServer m_server;
    std::unique_ptr<MainWindowFixture> m_session;
    QTemporaryDir m_out;
};

void tst_ReportExport::initTestCase()
{
    m_session = openReport(m_server);
    QVERIFY(m_session);
}

void tst_ReportExport::init()
{
    ExportFileDialog::reset();
    m_session->boxes.clear();
}

void tst_ReportExport::exportTo(const QString& path)
{
    QString proposed;
    QString filters;
    ExportFileDialog::setChooser(
        [&](QWidget*, const QString&, const QString& p, const QString& filter) {
            proposed = p;
            filters = filter;
            return path;
        });
    // A progress dialog that showed took the activation with it.
    m_session->activate();
    report()->setFocus();
    QTest::keyClick(report(), Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("errori_2026_annuo.csv"));
    QCOMPARE(filters,
             QStringLiteral("File CSV (*.csv);;Cartella Excel (*.xlsx);;File PDF (*.pdf)"));
}

// Every record behind the rows, in the order the list shows after a sort by
// prescription number, with every text as the service sent it, after a
// pharmacy look-up has staged another answer over the list's.
void tst_ReportExport::csvCarriesTheServicesText()
{
    QTreeWidget* list = report();
    QHeaderView* header = list->header();
    for (int click = 0; click < 2; ++click)
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(4) + 4, header->height() / 2));
    QVERIFY(column(list, 4).first() > column(list, 4).last());
    // The list shows the staged text, commas turned into full stops.
    QVERIFY(column(list, 3).contains(QStringLiteral("FARMACIA PATTI. DR.SSA MARIA")));

    const QString kept = m_session->stagingPath(ReportRecords::stagedFile);
    QCOMPARE(QFileInfo(kept).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    const StagingFolder& staging = m_session->context->service().staging();
    const QByteArray staged = staging.readUtf8(StagingFolder::exportFile);
    QVERIFY(staging.writeBytes(StagingFolder::exportFile, "<Codice>7</Codice>\r\n"));
    const QString path = m_out.filePath("errori.csv");
    exportTo(path);
    QVERIFY(staging.writeBytes(StagingFolder::exportFile, staged));
    QCOMPARE(m_session->boxes.texts(), Done);

    const QByteArray bytes = fileBytes(path);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QList<QStringList> rows;
    QVERIFY(CsvText::parse(QString::fromUtf8(bytes.mid(3)), u';', &rows));
    QCOMPARE(rows.size(), Records + 1);
    QCOMPARE(rows[0].size(), 17);
    const QStringList shown = column(list, 4);
    for (int r = 1; r <= Records; ++r) {
        QCOMPARE(rows[r].value(4), shown[r - 1]);
        QStringList expected = fields(recordOf(rows[r][4]));
        // A spreadsheet would run these as formulas: they open as text.
        for (QString& f : expected) {
            if (f.startsWith(u'=') || (f.startsWith(u'-') && !f.at(1).isDigit()))
                f.prepend(u'\'');
        }
        QCOMPARE(rows[r], expected);
    }
    QVERIFY(bytes.contains(";\"FARMACIA \"\"LA SALUTE\"\"; DR. ROSSI\";"));
    QVERIFY(bytes.contains(";'-BIANCHI, LUCA;"));
}

// The spreadsheet as a spreadsheet program reads it: codes as text with their
// zeros, numbers as numbers, amounts to the cent, totals per pharmacy.
void tst_ReportExport::spreadsheetHasTypedCells()
{
    const QString path = m_out.filePath("errori.xlsx");
    exportTo(path);
    QCOMPARE(m_session->boxes.texts(), Done);
    const QJsonArray sheets = XlsxText::read(path).value("sheets").toArray();
    QCOMPARE(sheets.size(), 2);
    const QJsonObject errors = sheets[0].toObject();
    QCOMPARE(errors.value("name").toString(), QStringLiteral("Errori"));
    QCOMPARE(errors.value("freeze").toString(), QStringLiteral("A2"));
    QCOMPARE(errors.value("filter").toString(), QStringLiteral("A1:Q1001"));
    const QJsonArray rows = errors.value("rows").toArray();
    QCOMPARE(rows.size(), Records + 1);
    const QJsonArray head = rows[0].toArray();
    QCOMPARE(head[4].toObject().value("v").toString(), QStringLiteral("NUMERO RICETTA"));
    QVERIFY(head[4].toObject().value("b").toBool());
    // Wide enough for a prescription number and a fiscal code.
    QVERIFY(errors.value("widths").toObject().value("E").toDouble() >= 15);
    QVERIFY(errors.value("widths").toObject().value("G").toDouble() >= 16);

    const QList<int> numbers = {0, 1, 10};
    for (int r = 1; r <= Records; ++r) {
        const QJsonArray cells = rows[r].toArray();
        const int i = recordOf(cells[4].toObject().value("v").toString());
        const QStringList f = fields(i);
        for (int c = 0; c < 17; ++c) {
            const QJsonObject cell = cells[c].toObject();
            const QString where = QStringLiteral("row %1 column %2").arg(r).arg(c);
            if (c == 11) {
                QCOMPARE(cell.value("t").toString(), QStringLiteral("n"));
                QCOMPARE(qRound64(cell.value("v").toDouble() * 100), centsOf(i));
                QCOMPARE(cell.value("f").toString(), QStringLiteral("#,##0.00"));
            } else if (numbers.contains(c)) {
                QCOMPARE(cell.value("t").toString(), QStringLiteral("n"));
                QCOMPARE(cell.value("v").toInt(), f[c].toInt());
                // Shown with the CSV's digits: the month as 03.
                QCOMPARE(cell.value("f").toString(), c == 0   ? QStringLiteral("0000")
                                                     : c == 1 ? QStringLiteral("00")
                                                              : QStringLiteral("General"));
            } else {
                QVERIFY2(cell.value("t").toString() == u"s", qPrintable(where));
                QCOMPARE(cell.value("v").toString(), f[c]); // the code as 00007, as in the CSV
            }
        }
    }

    const QJsonObject totals = sheets[1].toObject();
    QCOMPARE(totals.value("name").toString(), QStringLiteral("Totali per farmacia"));
    const QJsonArray totalRows = totals.value("rows").toArray();
    QCOMPARE(totalRows.size(), Pharmacies + 2);
    qint64 all = 0;
    for (int p = 1; p <= Pharmacies; ++p) {
        const QJsonArray cells = totalRows[p].toArray();
        QCOMPARE(cells[0].toObject().value("v").toString(), codeOf(p));
        QCOMPARE(cells[0].toObject().value("t").toString(), QStringLiteral("s"));
        QCOMPARE(cells[1].toObject().value("v").toString(), nameOf(p));
        QCOMPARE(cells[2].toObject().value("v").toInt(), pharmacyCount(p));
        QCOMPARE(qRound64(cells[3].toObject().value("v").toDouble() * 100), pharmacyCents(p));
        all += pharmacyCents(p);
    }
    const QJsonArray grand = totalRows[Pharmacies + 1].toArray();
    QCOMPARE(grand[0].toObject().value("v").toString(), QStringLiteral("TOTALE"));
    QCOMPARE(grand[2].toObject().value("v").toInt(), Records);
    QCOMPARE(qRound64(grand[3].toObject().value("v").toDouble() * 100), all);
}

// "Esporta…" to each kind, wherever the focus was, ends with its message and
// leaves the focus in the list.
void tst_ReportExport::endsSayingSoInTheList()
{
    QAction* esporta = report()->findChild<QAction*>("Esporta");
    QVERIFY(esporta);
    for (const char* name : {"fine.csv", "fine.xlsx", "fine.pdf"}) {
        m_session->boxes.clear();
        const QString path = m_out.filePath(QLatin1String(name));
        ExportFileDialog::setChooser(
            [&](QWidget*, const QString&, const QString&, const QString&) { return path; });
        m_session->activate();
        QLineEdit* year = m_session->find<QLineEdit>("Txt_SC_ANNO");
        year->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), year);
        esporta->trigger();
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(m_session->boxes.texts(), Done);
        // The window's own focus: a slow run shows a progress window, and the
        // offscreen platform gives the activation back to no window after it.
        QTRY_COMPARE(report()->window()->focusWidget(), report());
    }
}

// Ctrl+C copies what the list shows, rows in the list's order, under the busy
// pointer; the list's menu holds the exports.
void tst_ReportExport::copyFollowsTheList()
{
    m_session->activate(); // a progress dialog that showed took the activation with it
    QTreeWidget* list = report();
    list->clearSelection();
    for (int r : {5, 1, 3})
        list->topLevelItem(r)->setSelected(true);
    list->setFocus();
    QApplication::clipboard()->clear();
    int cursorWhileCopying = -1;
    const QMetaObject::Connection watch =
        connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [&] {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            cursorWhileCopying = cursor ? int(cursor->shape()) : -1;
        });
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    disconnect(watch);
    QString expected = "ANNO\tMESE\tCODICE\tFARMACIA\tRICETTA N°\n";
    for (int r : {1, 3, 5}) {
        const QTreeWidgetItem* row = list->topLevelItem(r);
        expected +=
            QStringList{row->text(0), row->text(1), row->text(2), row->text(3), row->text(4)}.join(
                u'\t') +
            u'\n';
    }
    QCOMPARE(QApplication::clipboard()->text(), expected);
    QCOMPARE(cursorWhileCopying, int(Qt::WaitCursor));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    QMenu* menu = openPopupMenu();
    QVERIFY(menu);
    QCOMPARE(menuTexts(menu),
             (QStringList{"Copia", "Esporta…", "Esporta per farmacia…", "Statistiche…"}));
    menu->close();
}

// The printed detail carries the service's text, commas kept; after a
// cancellation it says so; with no record it prints nothing.
void tst_ReportExport::detailPrintsTheServicesText()
{
    AppContext& context = *m_session->context;
    const QString saved = m_out.filePath("ricetta.pdf");
    const auto savePdf = [&](Ricetta& detail) {
        QFile::remove(saved);
        bool asked = false;
        ExportFileDialog::setChooser([&](QWidget*, const QString&, const QString&, const QString&) {
            asked = true;
            return saved;
        });
        detail.findChild<QAction*>("SalvaPdf")->trigger();
        return asked;
    };
    {
        context.utenti.Id_errore = QStringLiteral("30");
        Ricetta detail(context, m_session->window.get());
        detail.show();
        QCOMPARE(detail.Text_FAR->text(), QStringLiteral("FARMACIA PATTI. DR.SSA MARIA"));
        QVERIFY(savePdf(detail));
        const QString text = PdfText::text(saved);
        for (const QString& s :
             {nameOf(1), QStringLiteral("ROSSI, MARIA 30"),
              QStringLiteral("TICKET NON RISCOSSO <ART. 8>"), Cents::text(101),
              QStringLiteral("FZASVT87T15G273J"), QStringLiteral("ASP DI PALERMO")})
            QVERIFY2(text.contains(s), qPrintable(s));
        QVERIFY(!text.contains(QStringLiteral("ANNULLATO")));

        // Printing loads its module when first asked: the system's dialog
        // opens; closed, nothing is printed and nothing is said.
        m_session->boxes.clear();
        ModalDriver closePrintDialog(
            "StampaRicetta", [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
        detail.findChild<QAction*>("Stampa")->trigger();
        QVERIFY(closePrintDialog.acted());
        QVERIFY(m_session->boxes.texts().isEmpty());

        m_server.setSoapAnswer(200, TestService::answer("<AnnullaErroreFarmaciaResult><Errore>30"
                                                        "</Errore></AnnullaErroreFarmaciaResult>"));
        m_session->boxes.answerNext(QMessageBox::Yes);
        detail.bott_elim->click();
        m_server.setSoapAnswer(200, answer());
        QCOMPARE(m_session->boxes.texts().last(), QStringLiteral("ERRORE CANCELLATO"));
        QVERIFY(savePdf(detail));
        QVERIFY(PdfText::text(saved).contains(
            QStringLiteral("NOTIFICA DI ERRORE D.P.C. - ERRORE ANNULLATO")));
    }
    {
        // The longest values wrap within the page.
        context.utenti.Id_errore = QStringLiteral("29");
        Ricetta detail(context, m_session->window.get());
        QVERIFY(savePdf(detail));
        const QList<QList<PdfText::Word>> words = PdfText::words(saved);
        QVERIFY(!words.isEmpty());
        QString joined;
        for (const PdfText::Word& w : words[0]) {
            QVERIFY2(w.box.right() <= 595 - 15 * 72 / 25.4 + 1, qPrintable(w.text));
            joined += w.text;
        }
        QVERIFY(joined.contains(
            QStringLiteral("SOLUZIONEINIETTABILEINPENNAPRERIEMPITADAQUARANTAMILLIGRAMMI")));
    }
    {
        // A look-up has staged another answer: the window shows no record.
        m_session->boxes.clear();
        const StagingFolder& staging = context.service().staging();
        const QByteArray staged = staging.readUtf8(StagingFolder::exportFile);
        QVERIFY(staging.writeBytes(StagingFolder::exportFile, "<Codice>7</Codice>\r\n"));
        context.utenti.Id_errore = QStringLiteral("30");
        Ricetta detail(context, m_session->window.get());
        detail.show();
        detail.findChild<QAction*>("Stampa")->trigger(); // no print dialog opens
        QVERIFY(!savePdf(detail));
        QVERIFY(staging.writeBytes(StagingFolder::exportFile, staged));
        QCOMPARE(m_session->boxes.texts(),
                 (QStringList{"NESSUN DATO DA STAMPARE", "NESSUN DATO DA STAMPARE"}));
        QVERIFY(!QFileInfo::exists(saved));
    }
}

// A folder that cannot be written: one message naming the file, the earlier
// file unchanged, for each type. An empty list: nothing is written.
void tst_ReportExport::failedAndEmptyExports()
{
    const QString folder = m_out.filePath("sola-lettura");
    QVERIFY(QDir().mkpath(folder));
    for (const char* name : {"errori.csv", "errori.xlsx", "errori.pdf"}) {
        m_session->boxes.clear();
        const QString path = folder + u'/' + QLatin1String(name);
        {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("precedente\r\n");
        }
        {
            ReadOnlyFolder readOnly(folder);
            QVERIFY(readOnly.isActive());
            exportTo(path);
        }
        QCOMPARE(m_session->boxes.texts(),
                 QStringList{"IMPOSSIBILE SCRIVERE IL FILE " + QDir::toNativeSeparators(path)});
        QCOMPARE(fileBytes(path), QByteArray("precedente\r\n"));
    }
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 3);

    m_session->boxes.clear();
    report()->clear();
    bool asked = false;
    ExportFileDialog::setChooser([&](QWidget*, const QString&, const QString&, const QString&) {
        asked = true;
        return m_out.filePath("vuoto.csv");
    });
    m_session->activate();
    report()->setFocus();
    QTest::keyClick(report(), Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(m_session->boxes.texts(), QStringList{"NESSUN DATO DA ESPORTARE"});
    QVERIFY(!asked);
    QVERIFY(!QFileInfo::exists(m_out.filePath("vuoto.csv")));
}

QTEST_MAIN(tst_ReportExport)
#include "test_report_export.moc"
