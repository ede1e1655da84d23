// Entering the REPORTS tab and running a report: the filters preset and
// checked, the month and "Annuo", reports that find nothing, and pharmacy
// searches that find none.
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "ReportTabSession.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace ReportTabSession;
using namespace TestService;

class tst_ReportFilters : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void enteringPresetsTheFiltersAndRunsTheReport();
    void enteringWithoutDataLeavesTheFocusOnThisTab();
    void monthChoiceAndAnnuo();
    void requestValues_data();
    void requestValues();
    void noDataKeepsTheStagedAnswer();
    void pharmacyLookUpsThatFindNone_data();
    void pharmacyLookUpsThatFindNone();
};

void tst_ReportFilters::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}

void tst_ReportFilters::enteringPresetsTheFiltersAndRunsTheReport()
{
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    f.find<QCheckBox>("Check_TT")->setChecked(false);
    f.find<QLineEdit>("Txt_cod")->setText(QStringLiteral("77"));

    // No prescription looked up: the current year, the whole year, all pharmacies.
    enterReports(f);
    const QString year = QString::number(QDate::currentDate().year());
    QCOMPARE(f.find<QLineEdit>("Txt_SC_ANNO")->text(), year);
    QCOMPARE(f.context->utenti.Anno, year.toShort());
    QVERIFY(f.find<QCheckBox>("Check1")->isChecked());
    QVERIFY(f.find<QCheckBox>("Check_TT")->isChecked());
    QVERIFY(f.find<QLineEdit>("Txt_cod")->text().isEmpty());
    QVERIFY(s->server.lastRequest().body.contains("<prov>PA</prov><flusso>2</flusso><anno>" +
                                                  year.toLatin1() +
                                                  "</anno><mese>0</mese><farmacia>0</farmacia>"));
    QCOMPARE(QApplication::focusWidget(), f.find<QTreeWidget>("ListView1"));

    // A prescription of September 2019 looked up: its month and year.
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(1);
    f.context->utenti.Anno = 2019;
    f.context->utenti.Mese = 9;
    enterReports(f);
    QCOMPARE(f.find<QLineEdit>("Txt_SC_ANNO")->text(), QStringLiteral("2019"));
    QCOMPARE(f.context->utenti.Anno, qint16(2019));
    QVERIFY(f.find<QRadioButton>("Option1_8")->isChecked());
    QVERIFY(!f.find<QCheckBox>("Check1")->isChecked());
    QVERIFY(s->server.lastRequest().body.contains("<anno>2019</anno><mese>9</mese>"));
}

void tst_ReportFilters::enteringWithoutDataLeavesTheFocusOnThisTab()
{
    auto s = logIn(QByteArray());
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(2);
    enterReports(f);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")});
    QCOMPARE(f.find<QLabel>("Lab_conta")->text(), QStringLiteral("0"));
    auto* list = f.find<QTreeWidget>("ListView1");
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(list->columnCount(), 6);
    QWidget* focused = QApplication::focusWidget();
    QVERIFY(focused && focused != list);
    QVERIFY2(focused->isVisible(), focused->objectName().toLatin1());

    // Keys and clicks on the empty list open nothing.
    ModalDriver driver([](QWidget* modal) { modal->close(); });
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::qWait(50);
    QVERIFY(!driver.acted());
}

void tst_ReportFilters::monthChoiceAndAnnuo()
{
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f); // Mese 0: "Annuo"
    auto* annuo = f.find<QCheckBox>("Check1");
    auto* march = f.find<QRadioButton>("Option1_2");
    auto* elabora = f.find<QPushButton>("Comm_ELABORA");
    QVERIFY(annuo->isChecked());

    // The month chosen stays chosen and unticks "Annuo".
    QTest::mouseClick(march, Qt::LeftButton);
    QVERIFY(march->isChecked());
    QVERIFY(!annuo->isChecked());
    QTest::mouseClick(elabora, Qt::LeftButton);
    QVERIFY(s->server.lastRequest().body.contains("<mese>3</mese>"));
    QCOMPARE(f.context->utenti.Mese, qint16(3));

    // "Annuo" clears the months and sends 0; unticked, the last month comes back.
    QTest::mouseClick(annuo, Qt::LeftButton);
    QVERIFY(!march->isChecked());
    QTest::mouseClick(elabora, Qt::LeftButton);
    QVERIFY(s->server.lastRequest().body.contains("<mese>0</mese>"));
    QCOMPARE(f.context->utenti.Mese, qint16(3));
    QTest::mouseClick(annuo, Qt::LeftButton);
    QVERIFY(march->isChecked());
}

void tst_ReportFilters::requestValues_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QByteArray>("sent"); // empty: refused, nothing sent
    QTest::newRow("empty code") << ""
                                << "2024" << QByteArray("<farmacia>0</farmacia>");
    QTest::newRow("zeros") << "00123"
                           << "2024" << QByteArray("<farmacia>123</farmacia>");
    QTest::newRow("decimal comma") << "12,5"
                                   << " 2025 " << QByteArray("<farmacia>12</farmacia>");
    QTest::newRow("no year") << ""
                             << "" << QByteArray();
    QTest::newRow("not whole") << ""
                               << "2024.0" << QByteArray();
    QTest::newRow("too early") << ""
                               << "1899" << QByteArray();
    QTest::newRow("too late") << ""
                              << "2101" << QByteArray();
}

void tst_ReportFilters::requestValues()
{
    QFETCH(QString, code);
    QFETCH(QString, year);
    QFETCH(QByteArray, sent);
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f);
    auto* list = f.find<QTreeWidget>("ListView1");
    const int rows = list->topLevelItemCount();
    const int requests = s->server.requestCount();
    f.find<QLineEdit>("Txt_cod")->setText(code);
    f.find<QLineEdit>("Txt_SC_ANNO")->setText(year);
    f.boxes.clear();
    QTest::mouseClick(f.find<QPushButton>("Comm_ELABORA"), Qt::LeftButton);
    if (sent.isEmpty()) {
        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("ANNO NON VALIDO")});
        QCOMPARE(f.boxes.shown().first().title, QStringLiteral("QuorvelDPC"));
        QCOMPARE(s->server.requestCount(), requests);
        QCOMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Txt_SC_ANNO"));
        QCOMPARE(list->topLevelItemCount(), rows);
    } else {
        QVERIFY(f.boxes.shown().isEmpty());
        QVERIFY(s->server.lastRequest().body.contains(sent));
        QVERIFY(s->server.lastRequest().body.contains("<anno>" + year.trimmed().toLatin1() +
                                                      "</anno>"));
    }
}

void tst_ReportFilters::noDataKeepsTheStagedAnswer()
{
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f);
    auto* list = f.find<QTreeWidget>("ListView1");
    QVERIFY(list->topLevelItemCount() > 0);
    QFile staged(f.stagingPath(QStringLiteral("export_xml.xml")));
    QVERIFY(staged.open(QIODevice::ReadOnly));
    const QByteArray before = staged.readAll();
    staged.close();

    s->server.setSoapAnswer(200, answer("<F_LoadErroreByAnnoMeseResponse/>"));
    f.boxes.clear();
    QTest::mouseClick(f.find<QPushButton>("Comm_ELABORA"), Qt::LeftButton);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")});
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(list->columnCount(), 6);
    QCOMPARE(f.find<QLabel>("Lab_conta")->text(), QStringLiteral("0"));
    QVERIFY(staged.open(QIODevice::ReadOnly));
    QCOMPARE(staged.readAll(), before);

    // Nothing is left to open, so nothing to cancel: no window, no request.
    const int requests = s->server.requestCount();
    bool opened = false;
    ModalDriver driver([&](QWidget* modal) {
        opened = true;
        modal->close();
    });
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    QTest::keyClick(list, Qt::Key_Return);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QCoreApplication::processEvents();
    QVERIFY(!opened);
    QCOMPARE(s->server.requestCount(), requests);
}

void tst_ReportFilters::pharmacyLookUpsThatFindNone_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("byCode");
    QTest::addColumn<bool>("allTicked"); // "Tutte le Farmacie" before the search
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("allAfter");
    const QByteArray none("<LoadListaFarmacieResponse/>");
    const QByteArray empty("<LoadListaFarmacieResult></LoadListaFarmacieResult>");
    QTest::newRow("name, no result") << none << false << true << "FARMACIA NON TROVATA"
                                     << ""
                                     << "NESSUNA" << true;
    QTest::newRow("name, no pharmacy") << empty << false << true << ""
                                       << ""
                                       << "NESSUNA" << true;
    QTest::newRow("code, no pharmacy, all ticked") << empty << true << true << ""
                                                   << ""
                                                   << "" << false;
    QTest::newRow("code, no pharmacy, all unticked") << empty << true << false << ""
                                                     << "12"
                                                     << "" << false;
}

void tst_ReportFilters::pharmacyLookUpsThatFindNone()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, byCode);
    QFETCH(bool, allTicked);
    QFETCH(QString, message);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(bool, allAfter);
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f);
    s->server.setSoapAnswer(200, TestService::answer(answer));
    auto* codeBox = f.find<QLineEdit>("Txt_cod");
    auto* nameBox = f.find<QLineEdit>("txt_rag");
    auto* all = f.find<QCheckBox>("Check_TT");
    all->setChecked(allTicked);
    f.boxes.clear();

    QLineEdit* box = byCode ? codeBox : nameBox;
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(box, byCode ? QStringLiteral("12") : QStringLiteral("NESSUNA"));
    const int before = s->server.requestCount();
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_COMPARE(s->server.requestCount(), before + 1);
    QCoreApplication::processEvents();
    QCOMPARE(f.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(codeBox->text(), code);
    QCOMPARE(nameBox->text(), name);
    QCOMPARE(all->isChecked(), allAfter);
    if (!message.isEmpty())
        QCOMPARE(QApplication::focusWidget(), codeBox);
}

QTEST_MAIN(tst_ReportFilters)
#include "test_report_filters.moc"
