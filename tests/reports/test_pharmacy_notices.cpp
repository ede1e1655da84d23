#include "Cents.h"
#include "CsvText.h"
#include "ErrorStatistics.h"
#include "ExportFileDialog.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "NoticeAnswer.h"
#include "NoticePdf.h"
#include "NoticeProgress.h"
#include "NoticeTable.h"
#include "PdfText.h"
#include "ReadOnlyFolder.h"
#include "ReportRecords.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace NoticeAnswer;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fileOf(int pharmacy)
{
    return QStringLiteral("errori_2026_annuo_%1.pdf").arg(codeOf(pharmacy));
}

// Every file in the folder, hidden ones too: a partial or temporary file would show.
QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

// The words of the table on a page: below the header, above the totals and the footer.
struct Table
{
    QList<PdfText::Word> header;
    QList<PdfText::Word> cells;
};

Table tableOf(const QList<PdfText::Word>& page)
{
    static const QRegularExpression prescription(QStringLiteral("^2026\\d{11}$"));
    qreal headerTop = -1, rowsTop = 1e9, rowsBottom = 1e9;
    for (const PdfText::Word& w : page) {
        if (w.text == u"RICETTA" && headerTop < 0)
            headerTop = w.box.top();
        if (prescription.match(w.text).hasMatch())
            rowsTop = std::min(rowsTop, w.box.top());
        if (w.text == u"Totale" || w.text == u"Pagina")
            rowsBottom = std::min(rowsBottom, w.box.top());
    }
    Table t;
    for (const PdfText::Word& w : page) {
        if (w.box.top() >= headerTop - 1 && w.box.top() < rowsTop - 1)
            t.header.append(w);
        else if (w.box.top() >= rowsTop - 1 && w.box.top() < rowsBottom - 1)
            t.cells.append(w);
    }
    return t;
}

} // namespace

class tst_PharmacyNotices : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void oneNoticePerPharmacy();
    void noTextIsClipped();
    void archivalNoticesAndTheirList();
    void cancellingLeavesWholeFilesOnly();
    void failuresStopTheRunAndSaySo();
    void noToOverwritingKeepsTheOldFiles();

private:
    QTreeWidget* report() { return m_session->find<QTreeWidget>("ListView1"); }
    // "Esporta per farmacia…" into `folder`, chosen without the dialog.
    void exportInto(const QString& folder);
    QString newFolder(const QString& name);

    TlsTestServer m_server;
    std::unique_ptr<MainWindowFixture> m_session;
    QTemporaryDir m_out;
};

void tst_PharmacyNotices::initTestCase()
{
    m_session = openReport(m_server);
    QVERIFY(m_session);
}

void tst_PharmacyNotices::init()
{
    ExportFileDialog::reset();
    m_session->boxes.clear();
}

void tst_PharmacyNotices::cleanup()
{
    NoticeProgress::setShowAfter(NoticeProgress::DefaultShowAfter);
}

QString tst_PharmacyNotices::newFolder(const QString& name)
{
    const QString folder = m_out.filePath(name);
    QDir().mkpath(folder);
    return folder;
}

void tst_PharmacyNotices::exportInto(const QString& folder)
{
    ExportFileDialog::setFolderChooser(
        [folder](QWidget*, const QString&, const QString&) { return folder; });
    report()->findChild<QAction*>("EsportaPerFarmacia")->trigger();
}

// Chosen from the list's menu with the keyboard, the folder typed in the
// dialog: one file per pharmacy, each with its own records only, its heading,
// its count and a total that equals its amounts in cents, as the statistics
// count them.
void tst_PharmacyNotices::oneNoticePerPharmacy()
{
    const QString folder = newFolder("notifiche");
    ExportFileDialog::setLastFolder(m_out.path());
    ModalDriver dialog("ExportFolderDialog", [&](QWidget* w) {
        auto* name = w->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name);
        // As on a desktop, the dialog is the active window and its name field has
        // the focus (the closing menu may hand the activation back to the main
        // window after the dialog took it).
        QVERIFY(QTest::qWaitFor([&] {
            if (!name->hasFocus()) {
                w->activateWindow();
                name->setFocus();
            }
            return name->hasFocus();
        }));
        QTest::keyClicks(name, folder);
        // Never a folder other than the test's own.
        QTest::keyClick(name, name->text() == folder ? Qt::Key_Return : Qt::Key_Escape);
    });
    bool ran = false;
    QTimer menuKeys;
    connect(&menuKeys, &QTimer::timeout, this, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        menuKeys.stop();
        while (!menu->activeAction() || menu->activeAction()->objectName() != u"EsportaPerFarmacia")
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        ran = true;
    });
    menuKeys.start(10);
    const int requests = m_server.requestCount();
    report()->setFocus();
    QTest::keyClick(report(), Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(QTest::qWaitFor([&] { return ran; }, 60000));
    QVERIFY(dialog.acted());
    QCOMPARE(m_server.requestCount(), requests); // the headings ask the service nothing
    QCOMPARE(ExportFileDialog::lastFolder(), folder);
    QCOMPARE(m_session->boxes.texts(),
             QStringList{QStringLiteral("ESPORTAZIONE COMPLETATA - FILE SCRITTI: 30 DI 30")});

    QStringList expected{QStringLiteral("elenco_2026_annuo.csv")};
    for (int p = 1; p <= Pharmacies; ++p)
        expected << fileOf(p);
    QCOMPARE(filesIn(folder), expected);

    // The statistics read the same answer: their sums are the notices' totals.
    const ErrorStatistics statistics =
        ErrorStatistics::read(fileBytes(m_session->stagingPath(ReportRecords::stagedFile)));
    QCOMPARE(statistics.pharmacies.size(), Pharmacies);

    static const QRegularExpression number(QStringLiteral("\\b2026\\d{11}\\b"));
    for (const ErrorStatistics::Pharmacy& s : statistics.pharmacies) {
        const int p = int(s.code);
        const QStringList pages = PdfText::pages(QDir(folder).filePath(fileOf(p)));
        QVERIFY(!pages.isEmpty());
        QSet<QString> own, shown;
        qint64 cents = 0;
        for (int i = 1; i <= Records; ++i) {
            if (pharmacyOf(i) == p) {
                own.insert(prescriptionOf(i));
                cents += centsOf(i);
            }
        }
        for (int page = 0; page < pages.size(); ++page) {
            QVERIFY(pages[page].startsWith(QStringLiteral("FARMACIA ") + codeOf(p)));
            QVERIFY(pages[page].endsWith(
                QStringLiteral("Pagina %1 di %2").arg(page + 1).arg(pages.size())));
            for (auto it = number.globalMatch(pages[page]); it.hasNext();)
                shown.insert(it.next().captured());
        }
        QCOMPARE(shown, own);
        for (const QString& heading :
             {QStringLiteral("ASP: ASP DI PALERMO"), QStringLiteral("Operatore: MARIO BIANCHI"),
              QStringLiteral("Anno: 2026"), QStringLiteral("Mese: Annuo"),
              QStringLiteral("Farmacia: ") + codeOf(p) + u' ' + nameOf(p),
              QStringLiteral("Esportato il")})
            QVERIFY2(pages[0].contains(heading), qPrintable(heading));
        QCOMPARE(s.figures.cents, cents);
        const QString total = QStringLiteral("Totale FARMACIA %1 %2: %3 errori - lordo %4")
                                  .arg(codeOf(p), nameOf(p))
                                  .arg(own.size())
                                  .arg(Cents::text(cents));
        QVERIFY2(pages.last().contains(total), qPrintable(total));
    }
}

// On the pharmacy whose records hold the longest values, every word of every
// row lies within its column, the fiscal code whole, the longest word broken
// but all there; the header holds whole words only.
void tst_PharmacyNotices::noTextIsClipped()
{
    const QString folder = newFolder("colonne");
    exportInto(folder);
    const QList<QList<PdfText::Word>> pages =
        PdfText::words(QDir(folder).filePath(fileOf(LongPharmacy)));
    QVERIFY(!pages.isEmpty());
    const QList<QPair<qreal, qreal>> spans = NoticePdf::columnSpans();
    QSet<QString> captionWords;
    for (const QString& caption : NoticeTable::captions()) {
        for (const QString& word : caption.split(u' '))
            captionWords.insert(word);
    }

    for (const QList<PdfText::Word>& page : pages) {
        const Table table = tableOf(page);
        QSet<QString> headerWords;
        for (const PdfText::Word& w : table.header)
            headerWords.insert(w.text);
        QCOMPARE(headerWords, captionWords);
        QVERIFY(!table.cells.isEmpty());
        QList<qreal> rowTops;
        QList<PdfText::Word> farmaco;
        for (const PdfText::Word& w : table.cells + table.header) {
            int c = 0;
            while (c + 1 < spans.size() && w.box.left() >= spans[c + 1].first - 0.5)
                ++c;
            QVERIFY2(w.box.left() >= spans[c].first - 0.5 && w.box.right() <= spans[c].second + 0.5,
                     qPrintable(QStringLiteral("%1 [%2, %3] outside column %4 [%5, %6]")
                                    .arg(w.text)
                                    .arg(w.box.left())
                                    .arg(w.box.right())
                                    .arg(c)
                                    .arg(spans[c].first)
                                    .arg(spans[c].second)));
            if (table.header.contains(w))
                continue;
            if (c == 0)
                rowTops.append(w.box.top());
            if (c == 3)
                QCOMPARE(w.text, QStringLiteral("MMMMMM00M00M000M"));
            if (c == 5)
                farmaco.append(w);
        }
        // The first row's pieces of the longest word, top to bottom, make it whole.
        std::sort(rowTops.begin(), rowTops.end());
        const qreal nextRow = rowTops.size() > 1 ? rowTops[1] - 1 : 1e9;
        std::sort(farmaco.begin(), farmaco.end(),
                  [](const PdfText::Word& a, const PdfText::Word& b) {
                      return a.box.top() < b.box.top();
                  });
        QString pieces;
        for (const PdfText::Word& w : std::as_const(farmaco)) {
            if (w.box.top() < nextRow)
                pieces += w.text;
        }
        QCOMPARE(pieces,
                 QStringLiteral("SOLUZIONEINIETTABILEINPENNAPRERIEMPITADAQUARANTAMILLIGRAMMI"));
    }
}

// Each notice is PDF/A-1b with every font embedded and the authority as its
// author; the list beside them names each file with its count, its total and
// its SHA-256, and nothing of the patients.
void tst_PharmacyNotices::archivalNoticesAndTheirList()
{
    const QString folder = newFolder("elenco");
    exportInto(folder);
    const QString list = QDir(folder).filePath(QStringLiteral("elenco_2026_annuo.csv"));
    const QByteArray bytes = fileBytes(list);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QList<QStringList> rows;
    QVERIFY(CsvText::parse(QString::fromUtf8(bytes.mid(3)), u';', &rows));
    QCOMPARE(rows.size(), Pharmacies + 1);
    QCOMPARE(rows[0],
             (QStringList{"CODICE FARMACIA", "FARMACIA", "ERRORI", "LORDO", "FILE", "SHA-256"}));
    for (int p = 1; p <= Pharmacies; ++p) {
        const QString file = QDir(folder).filePath(fileOf(p));
        const QByteArray pdf = fileBytes(file);
        // A spreadsheet would take this name for a formula: it goes out as text.
        const QString name = p == 5 ? u'\'' + nameOf(p) : nameOf(p);
        QCOMPARE(rows[p],
                 (QStringList{codeOf(p), name, QString::number(pharmacyCount(p)),
                              Cents::plain(pharmacyCents(p)), fileOf(p),
                              QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toHex()}));
        const QList<QPair<QString, bool>> fonts = PdfText::fonts(file);
        QVERIFY(!fonts.isEmpty());
        for (const auto& [font, embedded] : fonts)
            QVERIFY2(embedded, qPrintable(font));
        const QString meta = PdfText::metadata(file);
        for (const QString& entry :
             {QStringLiteral("pdfaid:part=\"1\""), QStringLiteral("pdfaid:conformance=\"B\""),
              QStringLiteral("<rdf:li>ASP DI PALERMO</rdf:li>"),
              QStringLiteral("Errori registrati D.P.C. - FARMACIA ") + codeOf(p),
              QStringLiteral("xmp:CreateDate=\"")})
            QVERIFY2(meta.contains(entry), qPrintable(entry));
    }
    for (int i = 1; i <= Records; i += 7) {
        for (const QString& patient : {fields(i)[5], fields(i)[6]})
            QVERIFY2(!bytes.contains(patient.toUtf8()), qPrintable(patient));
    }
}

// "Annulla" stops the run: the files written before it stay whole, nothing
// half-written is left, and the operator is told how many there are.
void tst_PharmacyNotices::cancellingLeavesWholeFilesOnly()
{
    const QString folder = newFolder("annullata");
    NoticeProgress::setShowAfter(0);
    ModalDriver cancel("NoticeProgress", [](QWidget* w) {
        auto* button = w->findChild<QPushButton*>();
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Annulla"));
        QTest::keyClick(button, Qt::Key_Space);
    });
    exportInto(folder);
    QVERIFY(cancel.acted());
    const QStringList files = filesIn(folder);
    QVERIFY(files.size() < Pharmacies);
    QCOMPARE(
        m_session->boxes.texts(),
        QStringList{
            QStringLiteral("ESPORTAZIONE ANNULLATA - FILE SCRITTI: %1 DI 30").arg(files.size())});
    for (int p = 1; p <= files.size(); ++p) {
        QCOMPARE(files[p - 1], fileOf(p));
        QVERIFY(fileBytes(QDir(folder).filePath(files[p - 1])).trimmed().endsWith("%%EOF"));
    }
}

// A folder that cannot be written, and a file that cannot replace what is in
// its place: the run stops there, names the file and how many were written.
void tst_PharmacyNotices::failuresStopTheRunAndSaySo()
{
    const QString locked = newFolder("sola-lettura");
    {
        ReadOnlyFolder readOnly(locked);
        QVERIFY(readOnly.isActive());
        exportInto(locked);
    }
    QCOMPARE(m_session->boxes.texts(), QStringList{QStringLiteral("IMPOSSIBILE SCRIVERE IL FILE ") +
                                                   QDir(locked).filePath(fileOf(1)) +
                                                   QStringLiteral(" - FILE SCRITTI: 0 DI 30")});
    QCOMPARE(filesIn(locked), QStringList());

    m_session->boxes.clear();
    const QString folder = newFolder("a-meta");
    QVERIFY(QDir(folder).mkdir(fileOf(3)));
    m_session->boxes.answerNext(QMessageBox::Yes);
    exportInto(folder);
    QCOMPARE(m_session->boxes.texts(),
             (QStringList{QStringLiteral("SOVRASCRIVERE I FILE ESISTENTI?"),
                          QStringLiteral("IMPOSSIBILE SCRIVERE IL FILE ") +
                              QDir(folder).filePath(fileOf(3)) +
                              QStringLiteral(" - FILE SCRITTI: 2 DI 30")}));
    QCOMPARE(filesIn(folder), (QStringList{fileOf(1), fileOf(2), fileOf(3)}));
}

// Asked once; No writes nothing and leaves the old files as they were.
void tst_PharmacyNotices::noToOverwritingKeepsTheOldFiles()
{
    const QString folder = newFolder("esistenti");
    for (int p : {1, 7}) {
        QFile old(QDir(folder).filePath(fileOf(p)));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("vecchio " + QByteArray::number(p));
    }
    exportInto(folder); // the scripted boxes answer No
    QCOMPARE(m_session->boxes.shown().size(), 1);
    const MessageRequest& question = m_session->boxes.shown().first();
    QCOMPARE(question.text, QStringLiteral("SOVRASCRIVERE I FILE ESISTENTI?"));
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(filesIn(folder), (QStringList{fileOf(1), fileOf(7)}));
    QCOMPARE(fileBytes(QDir(folder).filePath(fileOf(1))), QByteArray("vecchio 1"));
    QCOMPARE(fileBytes(QDir(folder).filePath(fileOf(7))), QByteArray("vecchio 7"));
}

QTEST_MAIN(tst_PharmacyNotices)
#include "test_pharmacy_notices.moc"
