#include "CsvText.h"
#include "ExportFileDialog.h"
#include "MainWindowFixture.h"
#include "NumberText.h"
#include "ReadOnlyFolder.h"
#include "Ricetta.h"
#include "RicettaPrint.h"
#include "TestService.h"
#include "TlsTestServer.h"
#include "VedeErrori.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace TestService;

namespace {

constexpr int Records = 1000;
constexpr int Pharmacies = 7;

const QString QuotedName = QStringLiteral("FARMACIA \"LA SALUTE\"; DR. ROSSI");
const QString AccentedName = QStringLiteral("FARMACIA SANTA LUCÌA DI NICCOLÒ");

QString pharmacyName(int code)
{
    if (code == 100)
        return QuotedName;
    if (code == 101)
        return AccentedName;
    return QStringLiteral("FARMACIA NUMERO %1").arg(code);
}

// Record i (1-based): its pharmacy, prescription number and gross amount in cents.
int pharmacyOf(int i)
{
    return 100 + i % Pharmacies;
}
QString prescriptionOf(int i)
{
    return QStringLiteral("2025") + QString::number(i).rightJustified(11, u'0');
}
qint64 centsOf(int i)
{
    if (i == 3)
        return 123450; // sent as 1234,5
    if (i == 4)
        return 0;
    return (qint64(i) * 7919) % 500000 + 1;
}

QByteArray lordoOf(int i)
{
    if (i == 3)
        return "1234,5";
    const qint64 cents = centsOf(i);
    return QByteArray::number(cents / 100) + ',' +
           QByteArray::number(cents % 100).rightJustified(2, '0');
}

QByteArray records()
{
    QByteArray xml;
    for (int i = 1; i <= Records; ++i) {
        xml += "<Errore><ID>" + QByteArray::number(i) + "</ID><Flusso>" + (i % 2 ? "DPC" : "DD") +
               "</Flusso><Anno>2025</Anno><Mese>" + QByteArray::number(1 + i % 12) +
               "</Mese><Codfarma>" + QByteArray::number(pharmacyOf(i)) + "</Codfarma><Farmacia>" +
               pharmacyName(pharmacyOf(i)).toUtf8() + "</Farmacia><NumricKey>" +
               prescriptionOf(i).toUtf8() + "</NumricKey><Assistito>ROSSI MARIA " +
               QByteArray::number(i) +
               "</Assistito><CodAssistito>RSSMRA50A41G273X</CodAssistito><AIC>035946023</AIC>"
               "<Farmaco>HUMIRA 40 MG</Farmaco><Molecola>ADALIMUMAB</Molecola><Pezzi>" +
               QByteArray::number(1 + i % 3) + "</Pezzi><Lordo>" + lordoOf(i) +
               "</Lordo><CodErrore>12</CodErrore><DescrizioneErrore>RICETTA SCADUTA"
               "</DescrizioneErrore><TipoAddebito>Totale</TipoAddebito><Soggetto>Farmacia"
               "</Soggetto></Errore>";
    }
    return xml;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text of a PDF, blanks and line breaks folded into single blanks.
QString pdfText(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
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
    void csvHoldsEveryRecordInListOrder();
    void pdfHoldsHeadingRecordsAndTotals();
    void copyFromTwoLists();
    void detailPrintsEveryField();
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
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QVERIFY(m_server.listen());
    m_server.setSoapAnswer(
        200, answer("<LoginUserResult><ID>1</ID><Prov>PA</Prov><ASP>ASP DI PALERMO</ASP>"
                    "<Nome>MARIO BIANCHI</Nome></LoginUserResult><F_LoadErroreByAnnoMeseResult>" +
                    records() + "</F_LoadErroreByAnnoMeseResult>"));
    m_session = std::make_unique<MainWindowFixture>(configFor(m_server));
    QVERIFY(m_session->logIn(QStringLiteral("u"), QStringLiteral("p")));
    m_session->context->utenti.Anno = 2025;
    m_session->find<QTabWidget>("SSTab1")->setCurrentIndex(3); // the year's report runs
    QTRY_COMPARE(report()->topLevelItemCount(), Records);
}

void tst_ReportExport::init()
{
    ExportFileDialog::reset();
    m_session->boxes.clear();
}

void tst_ReportExport::exportTo(const QString& path)
{
    QString proposed;
    ExportFileDialog::setChooser([&](QWidget*, const QString&, const QString& p, const QString&) {
        proposed = p;
        return path;
    });
    report()->setFocus();
    QTest::keyClick(report(), Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("errori_2025_annuo.csv"));
}

// Every record behind the rows, in the order the list shows after a sort by
// prescription number (descending), read back field by field.
void tst_ReportExport::csvHoldsEveryRecordInListOrder()
{
    QTreeWidget* list = report();
    QHeaderView* header = list->header();
    for (int click = 0; click < 2; ++click)
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(4) + 4, header->height() / 2));
    QVERIFY(column(list, 4).first() > column(list, 4).last());

    // A later look-up stages another answer in the same file: the export still
    // writes the records behind the rows.
    const StagingFolder& staging = m_session->context->service().staging();
    const QByteArray staged = staging.readUtf8(StagingFolder::exportFile);
    QVERIFY(staging.writeBytes(StagingFolder::exportFile, "<Codice>7</Codice>\r\n"));
    const QString path = m_out.filePath("errori.csv");
    exportTo(path);
    QVERIFY(staging.writeBytes(StagingFolder::exportFile, staged));
    QCOMPARE(m_session->boxes.texts(), QStringList());
    const QByteArray bytes = fileBytes(path);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(bytes.count("\r\n"), Records + 1);
    QCOMPARE(bytes.count('\n'), Records + 1);

    QList<QStringList> rows;
    QVERIFY(CsvText::parse(QString::fromUtf8(bytes.mid(3)), u';', &rows));
    QCOMPARE(rows.size(), Records + 1);
    QCOMPARE(rows[0], (QStringList{"ANNO", "MESE", "CODICE FARMACIA", "FARMACIA", "NUMERO RICETTA",
                                   "ASSISTITO", "CODICE FISCALE", "AIC", "FARMACO", "MOLECOLA",
                                   "QUANTITA'", "LORDO", "CODICE ERRORE", "DESCRIZIONE ERRORE",
                                   "ADDEBITO", "SOGGETTO", "FLUSSO"}));
    const QStringList shown = column(list, 4);
    for (int r = 1; r <= Records; ++r) {
        const QStringList& f = rows[r];
        QCOMPARE(f.size(), 17);
        QCOMPARE(f[4], shown[r - 1]);
        const int i = f[4].right(11).toInt();
        const QString cents = QString::number(centsOf(i) % 100).rightJustified(2, u'0');
        const QStringList expected = {"2025",
                                      QString::number(1 + i % 12).rightJustified(2, u'0'),
                                      QString::number(pharmacyOf(i)),
                                      pharmacyName(pharmacyOf(i)),
                                      prescriptionOf(i),
                                      "ROSSI MARIA " + QString::number(i),
                                      "RSSMRA50A41G273X",
                                      "035946023",
                                      "HUMIRA 40 MG",
                                      "ADALIMUMAB",
                                      QString::number(1 + i % 3),
                                      QString::number(centsOf(i) / 100) + u',' + cents,
                                      "12",
                                      "RICETTA SCADUTA",
                                      "Totale",
                                      "Farmacia",
                                      i % 2 ? "DPC" : "DD"};
        QCOMPARE(f, expected);
    }
    // The awkward values, as they stand in the file.
    QVERIFY(bytes.contains(";\"FARMACIA \"\"LA SALUTE\"\"; DR. ROSSI\";"));
    QVERIFY(bytes.contains(QStringLiteral(";FARMACIA SANTA LUCÌA DI NICCOLÒ;").toUtf8()));
    QVERIFY(bytes.contains(";" + prescriptionOf(3).toUtf8()));
    QCOMPARE(rows[shown.indexOf(prescriptionOf(3)) + 1][11], QStringLiteral("1234,50"));
    QCOMPARE(rows[shown.indexOf(prescriptionOf(4)) + 1][11], QStringLiteral("0,00"));
}

void tst_ReportExport::pdfHoldsHeadingRecordsAndTotals()
{
    const QString path = m_out.filePath("errori.pdf");
    exportTo(path);
    QCOMPARE(m_session->boxes.texts(), QStringList());
    QVERIFY(fileBytes(path).startsWith("%PDF"));
    const QString text = pdfText(path);
    QVERIFY2(!text.isEmpty(), "pdftotext (poppler-utils) could not read the file");

    for (const char* heading : {"ASP DI PALERMO", "MARIO BIANCHI", "Anno: 2025", "Mese: Annuo",
                                "Farmacia: Tutte le Farmacie", "Esportato il"})
        QVERIFY2(text.contains(QLatin1String(heading)), heading);
    for (int i = 1; i <= Records; ++i)
        QVERIFY2(text.contains(prescriptionOf(i)), qPrintable(prescriptionOf(i)));

    qint64 all = 0;
    for (int code = 100; code < 100 + Pharmacies; ++code) {
        qint64 cents = 0;
        int count = 0;
        for (int i = 1; i <= Records; ++i) {
            if (pharmacyOf(i) == code) {
                cents += centsOf(i);
                ++count;
            }
        }
        all += cents;
        const QString total = QStringLiteral("Totale FARMACIA %1 %2: %3 errori - lordo %4")
                                  .arg(code)
                                  .arg(pharmacyName(code))
                                  .arg(count)
                                  .arg(NumberText::money(cents / 100.0));
        QVERIFY2(text.contains(total), qPrintable(total));
    }
    const QString grand = QStringLiteral("TOTALE GENERALE: %1 errori - lordo %2")
                              .arg(Records)
                              .arg(NumberText::money(all / 100.0));
    QVERIFY2(text.contains(grand), qPrintable(grand));
    QVERIFY(text.contains(QStringLiteral("Pagina 1 di ")));
}

// Three rows of the report list (the hidden ID left out) and of the error
// table, through Ctrl+C and through the menu opened from the keyboard.
void tst_ReportExport::copyFromTwoLists()
{
    QTreeWidget* list = report();
    list->clearSelection();
    for (int r : {5, 1, 3})
        list->topLevelItem(r)->setSelected(true);
    list->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QString expected = "ANNO\tMESE\tCODICE\tFARMACIA\tRICETTA N°\n";
    for (int r : {1, 3, 5}) {
        const QTreeWidgetItem* row = list->topLevelItem(r);
        expected +=
            QStringList{row->text(0), row->text(1), row->text(2), row->text(3), row->text(4)}.join(
                u'\t') +
            u'\n';
    }
    QCOMPARE(QApplication::clipboard()->text(), expected);

    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    QMenu* menu = openPopupMenu();
    QVERIFY(menu);
    QCOMPARE(menuTexts(menu), (QStringList{"Copia", "Esporta…", "Statistiche…"}));
    QVERIFY(!menu->accessibleName().isEmpty());
    menu->close();

    AppContext& context = *m_session->context;
    QVERIFY(context.service().staging().write(
        StagingFolder::errorTableFile,
        "<TabErrori>\r<Errore>7</Errore>\r<Descrizione>RICETTA SCADUTA</Descrizione>\r"
        "<Soggetto>Farmacia</Soggetto>\r<TipoAddebito>Totale</TipoAddebito>\r</TabErrori>\r"
        "<TabErrori>\r<Errore>12</Errore>\r<Descrizione>FUSTELLA\tMANCANTE</Descrizione>\r"
        "</TabErrori>\r<TabErrori>\r<Errore>40</Errore>\r<Descrizione>NON FIRMATA</Descrizione>\r"
        "<Soggetto>Medico</Soggetto>\r</TabErrori>\r"));
    context.utenti.Errore_ricerca = 0;
    context.utenti.Descrizione.set(u"");
    context.utenti.Errore = 99;
    VedeErrori errors(context);
    errors.show();
    QTreeWidget* table = errors.findChild<QTreeWidget*>("listricette");
    table->selectAll();
    // A right click opens the menu and picks nothing.
    const QRect first = table->visualItemRect(table->topLevelItem(0));
    QTest::mouseClick(table->viewport(), Qt::RightButton, {}, first.center());
    QVERIFY(errors.isVisible());
    QCOMPARE(context.utenti.Errore, 99);
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();

    table->selectAll();
    QApplication::clipboard()->clear();
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Menu);
    menu = openPopupMenu();
    QVERIFY(menu);
    QCOMPARE(menuTexts(menu), QStringList{"Copia"});
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_COMPARE(QApplication::clipboard()->text(),
                 QStringLiteral(" CODICE \tDESCRIZIONE\tADDEBITO\tSOGGETTO\n"
                                "7\tRICETTA SCADUTA\tTotale\tFarmacia\n"
                                "12\tFUSTELLA MANCANTE\tTotale\tFarmacia\n"
                                "40\tNON FIRMATA\tTotale\tMedico\n"));
    QVERIFY(errors.isVisible());
}

// The detail printed through a PDF printer, and saved as PDF from its menu.
void tst_ReportExport::detailPrintsEveryField()
{
    AppContext& context = *m_session->context;
    context.utenti.Id_errore = QStringLiteral("3");
    Ricetta detail(context, m_session->window.get());
    detail.show();
    QCOMPARE(detail.Text_FAR->text(), pharmacyName(pharmacyOf(3)));

    const QString printed = m_out.filePath("stampa.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        detail.printable().print(&printer);
    }
    const QStringList captions = {"NUMERO RICETTA",     "MESE / ANNO",    "CODICE FARMACIA",
                                  "FARMACIA",           "CODICE FISCALE", "ASSISTITO",
                                  "AIC FARMACO",        "FARMACO",        "MOLECOLA",
                                  "QUANTITA'",          "LORDO",          "CODICE ERRORE",
                                  "DESCRIZIONE ERRORE", "ADDEBITO",       "SOGGETTO"};
    const QStringList values = {prescriptionOf(3),
                                QString::number(1 + 3 % 12).rightJustified(2, u'0') + "/2025",
                                QString::number(pharmacyOf(3)),
                                pharmacyName(pharmacyOf(3)),
                                "RSSMRA50A41G273X",
                                "ROSSI MARIA 3",
                                "035946023",
                                "HUMIRA 40 MG",
                                "ADALIMUMAB",
                                QString::number(1 + 3 % 3),
                                NumberText::money(1234.5),
                                "12",
                                "RICETTA SCADUTA",
                                "Totale",
                                "Farmacia"};
    const auto check = [&](const QString& text) {
        QVERIFY(!text.isEmpty());
        for (const QString& s : captions + values + QStringList{"ASP DI PALERMO", "MARIO BIANCHI"})
            QVERIFY2(text.contains(s), qPrintable(s));
    };
    check(pdfText(printed));

    // "Salva come PDF…" from the menu opened with the Menu key on a field.
    const QString saved = m_out.filePath("ricetta");
    ExportFileDialog::setChooser(
        [&](QWidget*, const QString&, const QString&, const QString&) { return saved; });
    detail.Text_FAR->setFocus();
    QTest::keyClick(detail.Text_FAR, Qt::Key_Menu);
    QMenu* menu = openPopupMenu();
    QVERIFY(menu);
    QVERIFY(menuTexts(menu).contains("Stampa…"));
    QAction* save = menu->findChild<QAction*>("SalvaPdf");
    if (!save) {
        for (QAction* a : menu->actions())
            save = a->objectName() == "SalvaPdf" ? a : save;
    }
    QVERIFY(save);
    menu->close();
    save->trigger();
    check(pdfText(saved + ".pdf"));
    QCOMPARE(m_session->boxes.texts(), QStringList());
}

// A folder that cannot be written: one message naming the file, the earlier
// file unchanged. An empty list: nothing is written, and the operator is told.
void tst_ReportExport::failedAndEmptyExports()
{
    const QString folder = m_out.filePath("sola-lettura");
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/errori.csv";
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

    m_session->boxes.clear();
    const QString pdf = folder + "/errori.pdf";
    {
        ReadOnlyFolder readOnly(folder);
        QVERIFY(readOnly.isActive());
        exportTo(pdf);
    }
    QCOMPARE(m_session->boxes.texts(),
             QStringList{"IMPOSSIBILE SCRIVERE IL FILE " + QDir::toNativeSeparators(pdf)});
    QVERIFY(!QFileInfo::exists(pdf));

    m_session->boxes.clear();
    report()->clear();
    bool asked = false;
    ExportFileDialog::setChooser([&](QWidget*, const QString&, const QString&, const QString&) {
        asked = true;
        return m_out.filePath("vuoto.csv");
    });
    report()->setFocus();
    QTest::keyClick(report(), Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(m_session->boxes.texts(), QStringList{"NESSUN DATO DA ESPORTARE"});
    QVERIFY(!asked);
    QVERIFY(!QFileInfo::exists(m_out.filePath("vuoto.csv")));
}

QTEST_MAIN(tst_ReportExport)
#include "test_report_export.moc"
