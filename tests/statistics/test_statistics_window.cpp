#include "Cents.h"
#include "ExportFileDialog.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "ReadOnlyFolder.h"
#include "Statistiche.h"
#include "TestService.h"
#include "TlsTestServer.h"
#include "XlsxText.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace TestService;

namespace {

constexpr int BigPharmacy = 7;
const QByteArray BigPharmacyName = "FARMACIA GRANDE, DR. ROSSI";
// April and August have no errors.
constexpr std::array<int, 10> Months = {1, 2, 3, 5, 6, 7, 9, 10, 11, 12};

struct Expected
{
    std::array<qint64, 12> monthErrors{};
    std::array<qint64, 12> monthCents{};
    qint64 totalCents = 0;
};

// An amount as the service writes it; whole tenths are written with one decimal.
QByteArray amount(qint64 cents)
{
    QByteArray text = QByteArray::number(cents / 100) + ',';
    return cents % 10 == 0 ? text + QByteArray::number(cents % 100 / 10)
                           : text + QByteArray::number(cents % 100).rightJustified(2, '0');
}

QByteArray record(int id, int month, int pharmacy, const QByteArray& name, qint64 cents, int code)
{
    return "<Errore><ID>" + QByteArray::number(id) +
           "</ID><Flusso>DPC</Flusso><Anno>2024</Anno>"
           "<Mese>" +
           QByteArray::number(month) + "</Mese><Codfarma>" + QByteArray::number(pharmacy) +
           "</Codfarma><Farmacia>" + name + "</Farmacia><NumricKey>123450000000" +
           QByteArray::number(id) + "</NumricKey><Lordo>" + amount(cents) + "</Lordo><CodErrore>" +
           QByteArray::number(code) + "</CodErrore><DescrizioneErrore>ERRORE " +
           QByteArray::number(code) + "</DescrizioneErrore></Errore>";
}

// 2,000 records: pharmacy 7 holds 1,000 of them and half the gross total; the
// others spread over ten pharmacies, one of them with an amount of 0,01.
QByteArray year2000(Expected& expected)
{
    QByteArray records;
    qint64 bigCents = 0;
    qint64 otherCents = 0;
    const auto add = [&](int id, int pharmacy, const QByteArray& name, qint64 cents) {
        const int month = Months[size_t(id % 10)];
        records += record(id, month, pharmacy, name, cents, 10 + id % 7);
        expected.monthErrors[size_t(month - 1)] += 1;
        expected.monthCents[size_t(month - 1)] += cents;
        expected.totalCents += cents;
    };
    for (int i = 0; i < 999; ++i) {
        const qint64 cents = 10 + (i * 37) % 5000; // 0,10 and up, many inexact in binary
        add(i, BigPharmacy, BigPharmacyName, cents);
        bigCents += cents;
    }
    for (int i = 1000; i < 1999; ++i) {
        const qint64 cents = i == 1000 ? 1 : 20 + (i * 53) % 4000;
        add(i, 100 + i % 10, "FARMACIA " + QByteArray::number(100 + i % 10), cents);
        otherCents += cents;
    }
    // The last two records even the halves out.
    add(999, BigPharmacy, BigPharmacyName, 100000 + std::max<qint64>(0, otherCents - bigCents));
    bigCents += 100000 + std::max<qint64>(0, otherCents - bigCents);
    add(1999, 104, "FARMACIA 104", bigCents - otherCents);
    return records;
}

QByteArray answerWith(const QByteArray& records)
{
    QByteArray results = "<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome>"
                         "</LoginUserResult>";
    if (!records.isNull())
        results += "<F_LoadErroreByAnnoMeseResult>" + records + "</F_LoadErroreByAnnoMeseResult>";
    return answer(results);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 exact(QTreeWidget* list, int row, int column)
{
    return list->topLevelItem(row)->data(column, Qt::UserRole).toLongLong();
}

} // namespace

class tst_StatisticsWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void yearFiguresMatchTheAnswerAndTheChart();
    void noRecordsShowNoWindow();
    void pickingAPharmacySetsTheFilter();
    void monthsOutOfTheYearAndAmountsTooLarge();
    void exportsReadBack();

private:
    struct Session
    {
        TlsTestServer server;
        std::unique_ptr<MainWindowFixture> f;
    };
    std::unique_ptr<Session> reportsTab(const QByteArray& records);
    // Opens the list's context menu with Shift+F10 and takes "Statistiche…"
    // with the arrow keys and Enter; `inWindow` runs in the window.
    static bool openFromKeyboard(MainWindowFixture& f, std::function<void(Statistiche*)> inWindow,
                                 Qt::Key key = Qt::Key_F10);
    QTemporaryDir m_out;
};

void tst_StatisticsWindow::init()
{
    ExportFileDialog::reset();
}

std::unique_ptr<tst_StatisticsWindow::Session>
tst_StatisticsWindow::reportsTab(const QByteArray& records)
{
    auto s = std::make_unique<Session>();
    if (!s->server.listen())
        return nullptr;
    s->server.setSoapAnswer(200, answerWith(records));
    s->f = std::make_unique<MainWindowFixture>(configFor(s->server));
    if (!s->f->logIn(QStringLiteral("u"), QStringLiteral("p")))
        return nullptr;
    s->f->context->utenti.Anno = 2024;
    s->f->find<QTabWidget>("SSTab1")->setCurrentIndex(3);
    s->f->boxes.clear();
    return s;
}

bool tst_StatisticsWindow::openFromKeyboard(MainWindowFixture& f,
                                            std::function<void(Statistiche*)> inWindow, Qt::Key key)
{
    auto* list = f.find<QTreeWidget>("ListView1");
    list->setFocus(Qt::OtherFocusReason);
    bool menuShown = false;
    bool menuDone = false;
    QTimer menuKeys;
    QObject::connect(&menuKeys, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        menuKeys.stop();
        menuShown = true;
        while (menu->activeAction() == nullptr ||
               menu->activeAction()->objectName() != u"Act_STATISTICHE")
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return); // runs the entry to its end
        menuDone = true;
    });
    menuKeys.start(10);
    ModalDriver driver("STATISTICHE", [&](QWidget* window) {
        inWindow(qobject_cast<Statistiche*>(window));
        if (window->isVisible())
            QTest::keyClick(window->findChild<QTreeWidget*>("List_errori"), Qt::Key_Escape);
    });
    QTest::keyClick(list, key, key == Qt::Key_F10 ? Qt::ShiftModifier : Qt::NoModifier);
    // The menu pops up without a loop of its own: wait until its entry has run.
    return QTest::qWaitFor([&] { return menuDone; }, 10000) && menuShown && driver.acted();
}

void tst_StatisticsWindow::yearFiguresMatchTheAnswerAndTheChart()
{
    Expected expected;
    const QByteArray records = year2000(expected);
    auto s = reportsTab(records);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    const QString staged = f.stagingPath(QStringLiteral("export_xml.xml"));
    const QByteArray before = readAll(staged);
    QVERIFY(before.contains("<Errore>"));
    // The window's own request gets a different answer: had it been staged,
    // the file would change.
    s->server.setSoapAnswer(200, answerWith(records + record(5000, 1, 1, "X", 100, 1)));

    bool checked = false;
    QVERIFY(openFromKeyboard(f, [&](Statistiche* w) {
        QVERIFY(w);
        QVERIFY(s->server.lastRequest().body.contains(
            "<anno>2024</anno><mese>0</mese><farmacia>0</farmacia>"));
        const ErrorStatistics& st = w->statistics();
        QCOMPARE(st.total.errors, qint64(2001));

        // By month: the expected sums, empty months at 0, and the chart the same.
        auto* view = qobject_cast<QChartView*>(w->Grafico_mesi);
        QVERIFY(view); // the chart module was loaded
        auto* chart = view->chart();
        QBarSet* bars = nullptr;
        QLineSeries* line = nullptr;
        for (QAbstractSeries* series : chart->series()) {
            if (auto* b = qobject_cast<QBarSeries*>(series))
                bars = b->barSets().value(0);
            if (auto* l = qobject_cast<QLineSeries*>(series))
                line = l;
        }
        QVERIFY(bars && line);
        QCOMPARE(bars->count(), 12);
        QCOMPARE(line->count(), 12);
        for (int m = 0; m < 12; ++m) {
            const qint64 errors = expected.monthErrors[size_t(m)] + (m == 0 ? 1 : 0);
            const qint64 cents = expected.monthCents[size_t(m)] + (m == 0 ? 100 : 0);
            QCOMPARE(w->List_mesi->topLevelItem(m)->text(2), QString::number(errors));
            QCOMPARE(exact(w->List_mesi, m, 3), cents);
            QCOMPARE(w->List_mesi->topLevelItem(m)->text(3), Cents::text(cents));
            QCOMPARE(bars->at(m), qreal(errors));
            QCOMPARE(line->at(m).y(), qreal(cents) / 100.0);
        }
        QCOMPARE(w->List_mesi->topLevelItem(3)->text(2), QStringLiteral("0"));
        QCOMPARE(w->List_mesi->topLevelItem(7)->text(3), Cents::text(0));

        // By pharmacy: largest amount first; pharmacy 7 holds half the total
        // before the extra record of pharmacy 1.
        const qint64 total = expected.totalCents + 100;
        QCOMPARE(w->List_farmacie->topLevelItem(0)->text(0), QStringLiteral("00007"));
        QCOMPARE(w->List_farmacie->topLevelItem(0)->text(1), QString::fromLatin1(BigPharmacyName));
        QCOMPARE(w->List_farmacie->topLevelItem(0)->text(2), QStringLiteral("1000"));
        QCOMPARE(exact(w->List_farmacie, 0, 3), expected.totalCents / 2);
        QCOMPARE(exact(w->List_farmacie, 0, 4),
                 Cents::shareHundredths(expected.totalCents / 2, total));
        for (int r = 1; r < w->List_farmacie->topLevelItemCount(); ++r)
            QVERIFY(exact(w->List_farmacie, r - 1, 3) >= exact(w->List_farmacie, r, 3));
        qint64 sum = 0;
        for (int r = 0; r < w->List_farmacie->topLevelItemCount(); ++r)
            sum += exact(w->List_farmacie, r, 3);
        QCOMPARE(sum, total);
        QCOMPARE(w->Lab_tot_farmacie->text(),
                 QStringLiteral("TOTALE: 2001 errori, importo lordo ") + Cents::text(total));

        // By error code: the seven codes and the extra one.
        QCOMPARE(w->List_errori->topLevelItemCount(), 8);
        qint64 codeSum = 0;
        for (int r = 0; r < 8; ++r)
            codeSum += exact(w->List_errori, r, 3);
        QCOMPARE(codeSum, total);

        QVERIFY(w->Grafico_mesi->accessibleDescription().contains(
            QStringLiteral("totale dell'anno 2001 errori, importo lordo ") + Cents::text(total)));
        checked = true;
    }));
    QVERIFY(checked);
    QCOMPARE(readAll(staged), before);
}

void tst_StatisticsWindow::noRecordsShowNoWindow()
{
    auto s = reportsTab(QByteArray(""));
    QVERIFY(s);
    for (const QByteArray& answerRecords : {QByteArray(), QByteArray("")}) {
        s->server.setSoapAnswer(200, answerWith(answerRecords));
        s->f->boxes.clear();
        QVERIFY(!openFromKeyboard(
            *s->f, [](Statistiche*) {}, Qt::Key_Menu));
        QCOMPARE(s->f->boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")});
    }
}

void tst_StatisticsWindow::pickingAPharmacySetsTheFilter()
{
    Expected expected;
    auto s = reportsTab(year2000(expected));
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    QVERIFY(f.find<QCheckBox>("Check_TT")->isChecked());
    QStringList second;
    QVERIFY(openFromKeyboard(f, [&](Statistiche* w) {
        QTest::keyClick(w->List_farmacie, Qt::Key_Down);
        const QTreeWidgetItem* row = w->List_farmacie->currentItem();
        second = QStringList{QString::number(row->text(0).toInt()), row->text(1)};
        QTest::keyClick(w->List_farmacie, Qt::Key_Return);
    }));
    QVERIFY(!f.find<QCheckBox>("Check_TT")->isChecked());
    QCOMPARE(
        (QStringList{f.find<QLineEdit>("Txt_cod")->text(), f.find<QLineEdit>("txt_rag")->text()}),
        second);
    const QString code = second.value(0);

    // The window then covers that pharmacy only.
    QVERIFY(openFromKeyboard(f, [&](Statistiche* w) {
        QVERIFY(
            s->server.lastRequest().body.contains("<farmacia>" + code.toLatin1() + "</farmacia>"));
        QVERIFY(w->Lab_titolo->text().contains(f.find<QLineEdit>("txt_rag")->text()));
    }));
}

// A record whose month is not one of the year has a row of its own, so the
// months add up to the total; an amount too large to hold opens no window.
void tst_StatisticsWindow::monthsOutOfTheYearAndAmountsTooLarge()
{
    auto s = reportsTab(record(1, 3, 7, "A", 250, 1) + record(2, 14, 7, "A", 100, 1));
    QVERIFY(s);
    QVERIFY(openFromKeyboard(*s->f, [&](Statistiche* w) {
        QCOMPARE(w->List_mesi->topLevelItemCount(), 13);
        const QTreeWidgetItem* invalid = w->List_mesi->topLevelItem(12);
        QCOMPARE(invalid->text(1), QStringLiteral("MESE NON VALIDO"));
        QCOMPARE(invalid->text(2), QStringLiteral("1"));
        QCOMPARE(exact(w->List_mesi, 12, 3), qint64(100));
        QCOMPARE(w->Lab_tot_mesi->text(), w->Lab_tot_farmacie->text());
        QCOMPARE(w->Lab_tot_mesi->text(),
                 QStringLiteral("TOTALE: 2 errori, importo lordo ") + Cents::text(350));
    }));

    QByteArray huge = record(3, 3, 7, "A", 100, 1);
    huge.replace("<Lordo>1,0</Lordo>", "<Lordo>123456789012345,00</Lordo>");
    s->server.setSoapAnswer(200, answerWith(huge));
    s->f->boxes.clear();
    QVERIFY(!openFromKeyboard(
        *s->f, [](Statistiche*) {}, Qt::Key_Menu));
    QCOMPARE(s->f->boxes.texts(),
             QStringList{QStringLiteral("IMPORTO TROPPO GRANDE NELLA RICETTA 1234500000003")});
}

void tst_StatisticsWindow::exportsReadBack()
{
    Expected expected;
    auto s = reportsTab(year2000(expected));
    QVERIFY(s);
    const QString csvPath = m_out.filePath(QStringLiteral("statistiche.csv"));
    const QString pngPath = m_out.filePath(QStringLiteral("grafico"));
    const QString pdfPath = m_out.filePath(QStringLiteral("grafico.pdf"));
    const QString xlsxPath = m_out.filePath(QStringLiteral("statistiche.xlsx"));
    QTemporaryDir locked;
    const QString lockedPath = locked.filePath(QStringLiteral("statistiche.csv"));
    QStringList proposed;
    QSize chartSize;
    QStringList lockedMessages;
    QVERIFY(openFromKeyboard(*s->f, [&](Statistiche* w) {
        QString next;
        ExportFileDialog::setChooser(
            [&](QWidget*, const QString&, const QString& proposedPath, const QString&) {
                proposed << QFileInfo(proposedPath).fileName();
                return next;
            });
        const auto exportAs = [&](const char* action, const QString& path) {
            next = path;
            w->findChild<QAction*>(QString::fromLatin1(action))->trigger();
        };
        exportAs("Act_esporta_csv", csvPath);
        exportAs("Act_esporta_png", pngPath);
        exportAs("Act_esporta_pdf", pdfPath);
        exportAs("Act_esporta_xlsx", xlsxPath);
        chartSize = w->Grafico_mesi->size() * w->Grafico_mesi->devicePixelRatio();
        // A folder that cannot be written: the failure is shown, nothing is left.
        ReadOnlyFolder readOnly(locked.path());
        QVERIFY(readOnly.isActive());
        s->f->boxes.clear();
        exportAs("Act_esporta_csv", lockedPath);
        lockedMessages = s->f->boxes.texts();
    }));
    QCOMPARE(
        proposed,
        (QStringList{QStringLiteral("statistiche_2024.csv"), QStringLiteral("grafico_2024.png"),
                     QStringLiteral("grafico_2024.pdf"), QStringLiteral("statistiche_2024.xlsx"),
                     QStringLiteral("statistiche_2024.csv")}));
    QCOMPARE(lockedMessages,
             QStringList{QStringLiteral("IMPOSSIBILE SCRIVERE IL FILE ") + lockedPath});
    QVERIFY(!QFile::exists(lockedPath));
    QVERIFY(readAll(pdfPath).startsWith("%PDF-"));

    QByteArray csv = readAll(csvPath);
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n"));
    const QString total = Cents::plain(expected.totalCents);
    // Each list: heading, columns, 12 months / 11 pharmacies / 7 codes, total, blank.
    QCOMPARE(lines.value(0), QStringLiteral("ERRORI PER MESE 2024"));
    QCOMPARE(lines.value(1), QStringLiteral("N°;MESE;ERRORI;IMPORTO LORDO"));
    QCOMPARE(lines.value(5).section(u';', 2, 3), QStringLiteral("0;0,00")); // April
    QCOMPARE(lines.value(14), QStringLiteral("TOTALE;;2000;") + total);
    QCOMPARE(lines.value(16), QStringLiteral("ERRORI PER FARMACIA 2024"));
    QCOMPARE(lines.value(18), QStringLiteral("00007;") + QString::fromLatin1(BigPharmacyName) +
                                  QStringLiteral(";1000;") + Cents::plain(expected.totalCents / 2) +
                                  QStringLiteral(";50,00"));
    QCOMPARE(lines.value(29), QStringLiteral("TOTALE;;2000;") + total + u';');
    QCOMPARE(lines.value(31), QStringLiteral("ERRORI PER CODICE 2024"));
    QCOMPARE(lines.value(40), QStringLiteral("TOTALE;;2000;") + total);

    // The spreadsheet: a sheet per list, counts and amounts as numbers, the
    // pharmacy code as text, the share as a fraction shown as a percentage.
    const QJsonArray sheets = XlsxText::read(xlsxPath).value("sheets").toArray();
    QCOMPARE(sheets.size(), 3);
    QStringList names;
    for (const QJsonValue& sheet : sheets)
        names << sheet.toObject().value("name").toString();
    QCOMPARE(names, (QStringList{"Per mese", "Per farmacia", "Per codice di errore"}));
    const auto cell = [&](int sheet, int row, int column) {
        return sheets[sheet].toObject().value("rows").toArray()[row].toArray()[column].toObject();
    };
    QCOMPARE(sheets[0].toObject().value("freeze").toString(), QStringLiteral("A2"));
    QVERIFY(cell(0, 0, 3).value("b").toBool());
    QCOMPARE(cell(0, 1, 0).value("v").toInt(), 1);
    QCOMPARE(cell(0, 1, 2).value("t").toString(), QStringLiteral("n"));
    QCOMPARE(cell(0, 13, 0).value("v").toString(), QStringLiteral("TOTALE"));
    QCOMPARE(cell(0, 13, 2).value("v").toInt(), 2000);
    QCOMPARE(qRound64(cell(0, 13, 3).value("v").toDouble() * 100), expected.totalCents);
    QCOMPARE(cell(0, 13, 3).value("f").toString(), QStringLiteral("#,##0.00"));
    QCOMPARE(cell(1, 1, 0).value("v").toString(), QStringLiteral("00007"));
    QCOMPARE(cell(1, 1, 1).value("v").toString(), QString::fromLatin1(BigPharmacyName));
    QCOMPARE(qRound64(cell(1, 1, 3).value("v").toDouble() * 100), expected.totalCents / 2);
    QCOMPARE(cell(1, 1, 4).value("v").toDouble(), 0.5);
    QCOMPARE(cell(1, 1, 4).value("f").toString(), QStringLiteral("0.00%"));

    // The chart at the size it has on screen; the extension comes from the filter.
    const QImage image(pngPath + QStringLiteral(".png"));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), chartSize);
}

QTEST_MAIN(tst_StatisticsWindow)
#include "test_statistics_window.moc"
