#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "DrugSearchPage.h"
#include "MainWindowFixture.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using namespace Demo::Fixtures;

using namespace TestService;

namespace {

// One canned answer serves the log-in and the drug look-up: each operation
// cuts its own result element out of it.
QByteArray loginAndDrug(const QByteArray& drug)
{
    return answer("<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome>"
                  "</LoginUserResult><FarmacoDPCbyAICResult>" +
                  drug + "</FarmacoDPCbyAICResult>");
}

} // namespace

class tst_DrugSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void lookUpByAicShowsTheDrugUnknownAicKeepsIt();
    void blankAicDoesNotSearch();
    void readerLetterBeforeTheAic_data();
    void readerLetterBeforeTheAic();
    void enterSearchesOnceRicercaFromTheBoxTwice();
    void planAndPriceDisplayRules_data();
    void planAndPriceDisplayRules();
    void onlyOneSelectionAtATime();
    void svuotaEmptiesTheTabAndTheLogInBoxes();
    void returningToTheTabStartsNothing();
    void tabOrderAndFonts();
    void logInAfterAFailureEndsInTheAicBox();

private:
    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_DrugSearch::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

static void searchAic(MainWindowFixture& f, const QString& aic)
{
    auto* box = f.find<QLineEdit>("Text1");
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, aic);
    QTest::keyClick(box, Qt::Key_Return);
}

void tst_DrugSearch::lookUpByAicShowsTheDrugUnknownAicKeepsIt()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    searchAic(f, QString::fromLatin1(aicPlan));
    QTRY_COMPARE(f.find<QLineEdit>("Text_AIC")->text().trimmed(), QString::fromLatin1(aicPlan));
    QVERIFY2(f.boxes.shown().isEmpty(), qPrintable(f.boxes.texts().join('|')));

    QCOMPARE(f.find<QLineEdit>("Text_MOLE")->text(),
             QString::fromLatin1(moleculePlan).leftJustified(40));
    QCOMPARE(f.find<QLineEdit>("Text_ATC")->text(), QString::fromLatin1(atcPlan).leftJustified(8));
    QCOMPARE(f.find<QLineEdit>("Text_FARMA")->text().trimmed(), QString::fromLatin1(namePlan));
    QCOMPARE(f.find<QLineEdit>("Text_data")->text().trimmed(), QString::fromLatin1(dataPlan));
    QCOMPARE(f.find<QLineEdit>("Text_NOTA")->text().trimmed(), QString::fromLatin1(notaPlan));
    QCOMPARE(f.find<QLineEdit>("Text_PREZZO")->text(), QStringLiteral("1.234,50"));
    QVERIFY(f.find<QCheckBox>("Check_PT")->isChecked());
    QCOMPARE(f.find<QComboBox>("Combo1")->currentText(),
             QStringLiteral("R: piano terapeutico su modello regionale"));
    // Every comma of the answer reaches the screen as a full stop.
    QCOMPARE(f.find<QPlainTextEdit>("Text_DISPO")->toPlainText().trimmed(),
             QString::fromLatin1(disposizioniPlan).replace(',', '.'));
    QCOMPARE(f.context->menu.AIC_CERCATO, QString::fromLatin1(aicPlan));

    // An unknown code keeps the drug shown and its staged answer.
    QFile file(f.stagingPath(StagingFolder::exportFile));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    searchAic(f, QString::fromLatin1(aicUnknown));
    QTRY_COMPARE(f.boxes.texts(), QStringList{QStringLiteral("FARMACO NON TROVATO")});
    QCOMPARE(f.boxes.shown().first().title, QStringLiteral("QuorvelDPC"));
    QCOMPARE(f.find<QLineEdit>("Text_AIC")->text().trimmed(), QString::fromLatin1(aicPlan));
    QCOMPARE(f.context->utenti.Molecola.trimmed(), QString::fromLatin1(moleculePlan));
    QCOMPARE(f.context->menu.FARMACO_NON_TROVATO, 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void tst_DrugSearch::blankAicDoesNotSearch()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAndDrug("<AIC>1</AIC>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    const int before = server.requestCount();
    f.context->menu.AIC_CERCATO = QStringLiteral("stale");
    searchAic(f, QStringLiteral("   "));
    QCOMPARE(server.requestCount(), before);
    QCOMPARE(f.context->menu.AIC_CERCATO, QString());
}

void tst_DrugSearch::readerLetterBeforeTheAic_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sent");
    QTest::newRow("reader") << " A035946023 "
                            << "035946023";
    QTest::newRow("lower case") << "a035946023"
                                << "035946023";
    QTest::newRow("eight digits") << "A03594602"
                                  << "A03594602";
    QTest::newRow("ten digits") << "A0359460231"
                                << "A0359460231";
    QTest::newRow("a letter inside") << "A03594602X"
                                     << "A03594602X";
}

// A barcode reader types the letter printed before the code on the pack.
void tst_DrugSearch::readerLetterBeforeTheAic()
{
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAndDrug("<AIC>035946023</AIC>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    const int before = server.requestCount();
    searchAic(f, typed);
    QCOMPARE(server.requestCount(), before + 1);
    QVERIFY(server.lastRequest().body.contains("<aic>" + sent.toLatin1() + "</aic>"));
    QCOMPARE(f.context->menu.AIC_CERCATO, sent);
    QCOMPARE(f.find<QLineEdit>("Text1")->text(), typed);
}

void tst_DrugSearch::enterSearchesOnceRicercaFromTheBoxTwice()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAndDrug("<AIC>035946023</AIC><Farmaco>HUMIRA</Farmaco>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));

    int before = server.requestCount();
    searchAic(f, QStringLiteral(" 035946023 "));
    QTRY_COMPARE(f.find<QLineEdit>("Text_FARMA")->text().trimmed(), QStringLiteral("HUMIRA"));
    QCOMPARE(server.requestCount(), before + 1);
    QVERIFY(server.lastRequest().body.contains("<prov>PA</prov><aic>035946023</aic>"));

    f.find<QLineEdit>("Text_FARMA")->clear();
    before = server.requestCount();
    auto* box = f.find<QLineEdit>("Text1");
    box->setFocus();
    QTest::mouseClick(f.find<QPushButton>("Com_RIC_MN"), Qt::LeftButton);
    QTRY_COMPARE(server.requestCount(), before + 2);
    QCOMPARE(f.find<QLineEdit>("Text_FARMA")->text().trimmed(), QStringLiteral("HUMIRA"));
}

void tst_DrugSearch::planAndPriceDisplayRules_data()
{
    QTest::addColumn<QByteArray>("drug");
    QTest::addColumn<bool>("plan");
    QTest::addColumn<int>("planType");
    QTest::addColumn<QString>("price");
    QTest::newRow("any letter ticks the plan")
        << QByteArray("<ReqPT>N</ReqPT><TipoPT>T</TipoPT>"
                      "<PrezzoAcquisto>12,5</PrezzoAcquisto>")
        << true << 0 << QStringLiteral("12,50");
    QTest::newRow("blank plan, lower-case type") << QByteArray("<ReqPT> </ReqPT><TipoPT>t</TipoPT>"
                                                               "<PrezzoAcquisto></PrezzoAcquisto>")
                                                 << false << -1 << QStringLiteral("0,00");
    QTest::newRow("unknown type, grouped price")
        << QByteArray(
               "<ReqPT>S</ReqPT><TipoPT>X</TipoPT><PrezzoAcquisto>1234567,891</PrezzoAcquisto>")
        << true << -1 << QStringLiteral("1.234.567,89");
}

void tst_DrugSearch::planAndPriceDisplayRules()
{
    QFETCH(QByteArray, drug);
    QFETCH(bool, plan);
    QFETCH(int, planType);
    QFETCH(QString, price);
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200,
                         loginAndDrug("<Farmaco>" + QByteArray(60, 'F') + "</Farmaco>" + drug));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    // A previous drug with a plan, so the display is really reset.
    f.find<QCheckBox>("Check_PT")->setChecked(!plan);
    f.find<QComboBox>("Combo1")->setCurrentIndex(1);
    searchAic(f, QStringLiteral("1"));
    QTRY_COMPARE(f.find<QLineEdit>("Text_PREZZO")->text(), price);
    QCOMPARE(f.find<QCheckBox>("Check_PT")->isChecked(), plan);
    QCOMPARE(f.find<QComboBox>("Combo1")->currentIndex(), planType);
    QCOMPARE(f.find<QLineEdit>("Text_FARMA")->text(), QString(50, 'F'));
}

void tst_DrugSearch::onlyOneSelectionAtATime()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    searchAic(f, QString::fromLatin1(aicPlan));
    QTRY_COMPARE(f.find<QLineEdit>("Text_AIC")->text().trimmed(), QString::fromLatin1(aicPlan));

    // With an AIC held, leaving the ingredient box refuses, even when it is empty.
    auto* ingredient = f.find<QLineEdit>("Text2");
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QPushButton>("SVUOTA"));
    ingredient->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(ingredient, Qt::Key_Return);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("USARE SOLO UNA SELEZIONE")});
    QCOMPARE(f.context->menu.PRINCIPIO_CERCATO, QString());

    // With an ingredient typed the refusal still ends the handler: nothing is
    // stored, so nothing is searched later.
    f.boxes.clear();
    ingredient->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(ingredient, QString::fromLatin1(namePartNoPlan));
    QTest::keyClick(ingredient, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("USARE SOLO UNA SELEZIONE")});
    QCOMPARE(f.context->menu.PRINCIPIO_CERCATO, QString());
    QVERIFY(!QApplication::activeModalWidget());

    // Both set when "Ricerca" runs: refused too.
    f.context->menu.PRINCIPIO_CERCATO = QString::fromLatin1(namePartNoPlan);
    f.boxes.clear();
    f.window->drugPage->ricerca();
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("USARE SOLO UNA SELEZIONE")});
}

void tst_DrugSearch::svuotaEmptiesTheTabAndTheLogInBoxes()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    searchAic(f, QString::fromLatin1(aicPlan));
    QTRY_VERIFY(!f.find<QLineEdit>("Text_AIC")->text().isEmpty());
    f.find<QLineEdit>("Text_UTE")->setText(QStringLiteral("someone"));
    f.find<QLineEdit>("Text_PASS")->setText(QStringLiteral("secret"));
    f.find<QLineEdit>("Text2")->setText(QStringLiteral("abc"));

    QTest::mouseClick(f.find<QPushButton>("SVUOTA"), Qt::LeftButton);
    for (const char* name : {"Text_AIC", "Text_ATC", "Text_data", "Text_FARMA", "Text_MOLE",
                             "Text_NOTA", "Text_PREZZO", "Text1", "Text2", "Text_UTE", "Text_PASS"})
        QVERIFY2(f.find<QLineEdit>(name)->text().isEmpty(), name);
    QVERIFY(f.find<QPlainTextEdit>("Text_DISPO")->toPlainText().isEmpty());
    QVERIFY(!f.find<QCheckBox>("Check_PT")->isChecked());
    QCOMPARE(f.find<QComboBox>("Combo1")->currentText(), QString());
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Text1"));
    // The drug fields and the searched code stay.
    QCOMPARE(f.context->utenti.AIC.trimmed(), QString::fromLatin1(aicPlan));
    QCOMPARE(f.context->menu.AIC_CERCATO, QString::fromLatin1(aicPlan));
}

void tst_DrugSearch::tabOrderAndFonts()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    auto* ingredient = f.find<QLineEdit>("Text2");
    ingredient->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(ingredient, Qt::Key_Return);
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command6"));

    f.find<QWidget>("Com_01")->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int i = 0; i < 16; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited,
             (QStringList{"Text_DISPO", "Text_NOTA", "Combo1", "Text_PREZZO", "Check_PT",
                          "Text_FARMA", "Text_AIC", "Text_MOLE", "Text_ATC", "Text_data",
                          "Com_RIC_MN", "Text1", "SVUOTA", "Text2", "Command6", "Com_01"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command6"));
    QVERIFY(f.boxes.shown().isEmpty());

    QWidget* page = f.window->drugPage;
    for (QLabel* label : page->findChildren<QLabel*>()) {
        if (!label->objectName().startsWith(u"Label"))
            continue; // status bar panels
        QCOMPARE(label->font().pointSizeF(), 12.0);
    }
    for (const char* name : {"Text1", "Text2", "Text_FARMA"})
        QCOMPARE(f.find<QWidget>(name)->font().pointSizeF(), 12.0);
    for (const char* name : {"Text_MOLE", "Text_PREZZO", "Text_DISPO", "Check_PT", "Combo1"})
        QCOMPARE(f.find<QWidget>(name)->font().pointSizeF(), 9.75);
}

static void clickTab(MainWindowFixture& f, int index)
{
    QTabBar* bar = f.find<QTabWidget>("SSTab1")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    QCOMPARE(f.currentTab(), index);
}

// The toolkit gives the focus back to the box last used on a tab; leaving that
// box afterwards is not the operator's doing and must not search or complain.
void tst_DrugSearch::returningToTheTabStartsNothing()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAndDrug("<AIC>035946023</AIC><Farmaco>HUMIRA</Farmaco>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    auto* aic = f.find<QLineEdit>("Text1");
    auto* ingredient = f.find<QLineEdit>("Text2");
    auto* shown = f.find<QLineEdit>("Text_FARMA");

    // Left from the AIC box: its search runs once, on leaving.
    QTest::keyClicks(aic, QStringLiteral("035946023"));
    clickTab(f, 2);
    int requests = server.requestCount();
    clickTab(f, 1);
    QTest::mouseClick(shown, Qt::LeftButton);
    QCOMPARE(server.requestCount(), requests);

    // Left from the ingredient box while an AIC is held: refused once, on leaving
    // (entering REGISTRA clears the AIC, the log-in tab does not).
    searchAic(f, QStringLiteral("035946023"));
    ingredient->setFocus(Qt::MouseFocusReason);
    f.boxes.clear();
    clickTab(f, 0);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("USARE SOLO UNA SELEZIONE")});
    clickTab(f, 1);
    QTest::mouseClick(shown, Qt::LeftButton);
    QCOMPARE(f.boxes.shown().size(), 1);

    // Back through a new log-in, from the same box: nothing but the log-in.
    ingredient->setFocus(Qt::MouseFocusReason);
    clickTab(f, 0);
    f.boxes.clear();
    requests = server.requestCount();
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")}); // no error table
    QCOMPARE(server.requestCount(), requests + 2);
    QTRY_COMPARE(QApplication::focusWidget(), aic);
}

void tst_DrugSearch::logInAfterAFailureEndsInTheAicBox()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(500, answer("<soap:Fault><soap:Reason>x</soap:Reason></soap:Fault>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(!f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("UTENZA O PASSWORD ERRATA")});
    server.setSoapAnswer(200, loginAndDrug("<AIC>1</AIC>"));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Text1"));
    // What the operator types next is the AIC.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("035"));
    QCOMPARE(f.find<QLineEdit>("Text1")->text(), QStringLiteral("035"));
}

QTEST_MAIN(tst_DrugSearch)
#include "test_drug_search.moc"
