#include "Blanks.h"
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "ModalDriver.h"
#include "PanelStatusBar.h"
#include "RegistraSteps.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <memory>

using namespace Demo::Fixtures;
using namespace RegistraSteps;
using namespace TestService;

namespace {

QString text(MainWindowFixture& f, const char* field)
{
    if (auto* box = f.find<QPlainTextEdit>(field))
        return box->toPlainText().trimmed();
    return f.find<QLineEdit>(field)->text().trimmed();
}

const auto pressEsc = [](QTreeWidget* list) { QTest::keyClick(list, Qt::Key_Escape); };

} // namespace

class tst_Registration : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void keyboardOnlyRegistration();
    void lookedUpPrescriptionInHistoryAndReports();
    void checkCharacter_data();
    void checkCharacter();
    void focusHoldsInTheNumberFields();
    void patientButtonFollowsTheNumber();
    void lookUpFailures_data();
    void lookUpFailures();
    void errorChoice();
    void quantityFilter();
    void clearingAndLeavingTheTab();
    void submission_data();
    void submission();
    void rejectedNumberIsNeverRegistered();

private:
    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_Registration::initTestCase()
{
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

void tst_Registration::keyboardOnlyRegistration()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    const QList<QPair<QString, QString>> month = {
        {"prov", "PA"}, {"flusso", "2"}, {"anno", "2024"}, {"mese", "9"}, {"farmacia", "1234"}};
    const auto listed = [&] {
        const QString response = f.context->service().post("F_LoadErroreByAnnoMese", month);
        return ServiceCall::inMemory(response, "F_LoadErroreByAnnoMese", true).value_or("");
    };
    const qsizetype before = listed().count(QStringLiteral("<ID>"));
    enterTab(f);

    // Every key goes to whatever has the focus.
    const auto type = [](const QString& text, Qt::Key then) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), then);
    };
    type(QStringLiteral("12345"), Qt::Key_Return);
    type(QStringLiteral("0000043211"), Qt::Key_Return);
    QCOMPARE(focusName(), QStringLiteral("Text_COD_AIC"));
    QCOMPARE(f.find<QLabel>("Label18")->text(), QString::fromLatin1(prescriptionProgressive));
    QCOMPARE(f.find<QPushButton>("bott_assi")->text(),
             QStringLiteral("ASSISTITO : RUSSO GIUSEPPE - Cod.Fisc. RSSGPP50A01G273X"));
    QVERIFY(f.find<QPushButton>("bott_assi")->isEnabled());
    QCOMPARE(f.find<PanelStatusBar>("StatusBar4")->text(0), QStringLiteral("SETTEMBRE 2024"));
    QCOMPARE(f.find<PanelStatusBar>("StatusBar4")->text(1),
             QStringLiteral("1234 - ") + QString::fromLatin1(pharmacyName).leftJustified(80));
    type(QString::fromLatin1(aicPlan), Qt::Key_Return);
    QCOMPARE(text(f, "Text_DESCR_AIC"), QString::fromLatin1(namePlan));
    QCOMPARE(focusName(), QStringLiteral("Text_COD_ERR"));

    // The error code's single row: Enter in the list takes it.
    bool listHadFocus = false;
    ModalDriver driver([&listHadFocus](QWidget* modal) {
        // The window takes the focus once it is active; the keys go to its list
        // even if it never does, so a fault fails the test instead of hanging it.
        auto* list = modal->findChild<QTreeWidget*>(QStringLiteral("listricette"));
        listHadFocus = QTest::qWaitFor([list] { return QApplication::focusWidget() == list; });
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    });
    type(QStringLiteral("12"), Qt::Key_Return);
    QTRY_VERIFY(driver.acted());
    QVERIFY(listHadFocus);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    f.activate();
    QTRY_COMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));

    // The quantity is one Tab after the button; back with Shift+Tab.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focusName(), QStringLiteral("Text_QTA_AIC"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    type(QStringLiteral("1"), Qt::Key_Backtab);
    QCOMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));

    // Enter on the focused button presses it.
    f.boxes.answerNext(QMessageBox::Yes);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(f.boxes.texts().size(), 2);
    const MessageRequest& confirm = f.boxes.shown().at(0);
    QCOMPARE(confirm.text.split(u'\n'),
             (QStringList{"Registrare :", "Mese / Anno : 9/2024", "Farmacia N° 1234",
                          "Ricetta  N° 123450000043211", "AIC      N° 035946023 Q.tà 1",
                          "Errore   N° 12"}));
    QCOMPARE(confirm.title, QStringLiteral("QuorvelDPC"));
    QCOMPARE(confirm.icon, QMessageBox::Question);
    QCOMPARE(f.boxes.texts().at(1), QStringLiteral("REGISTRAZIONE EFFETTUATA"));

    // The service lists it, with the amount of one package.
    const QString now = listed();
    QCOMPARE(now.count(QStringLiteral("<ID>")), before + 1);
    const QString last = now.mid(now.lastIndexOf(QStringLiteral("<Errore>")));
    for (const char* expected :
         {"<NumricKey>123450000043211</NumricKey>", "<AIC>035946023</AIC>", "<Pezzi>1</Pezzi>",
          "<Lordo>1234.50</Lordo>", "<CodErrore>12</CodErrore>"})
        QVERIFY2(last.contains(QLatin1String(expected)), expected);
    // Nothing on the tab changed: a further error can be recorded at once.
    QCOMPARE(text(f, "Text_COD_ERR"), QStringLiteral("12"));
}

void tst_Registration::lookedUpPrescriptionInHistoryAndReports()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    enterTab(f);
    typeNumber(f, QStringLiteral("123450000043211"));
    typeIn(f, "Text_COD_AIC", QString::fromLatin1(aicPlan));

    // The patient button opens the patient's drugs, the looked-up molecule's row current.
    QString current;
    ModalDriver history([&](QWidget* modal) {
        QCOMPARE(modal->objectName(), QStringLiteral("legge_FAR"));
        auto* list = modal->findChild<QTreeWidget*>(QStringLiteral("listricette"));
        current = list->currentItem() ? list->currentItem()->text(2) : QString();
        QTest::keyClick(list, Qt::Key_Escape);
    });
    QTest::mouseClick(f.find<QPushButton>("bott_assi"), Qt::LeftButton);
    QTRY_VERIFY(history.acted());
    QCOMPARE(Blanks::trim(current), QStringLiteral("ADALIMUMAB"));
    f.activate();

    // Ctrl+Tab to REPORTS: the prescription's year and month, its pharmacy's
    // registered errors among the rows, the list focused.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(f.find<QTabWidget>("SSTab1")->currentIndex(), 3);
    QCOMPARE(f.find<QLineEdit>("Txt_SC_ANNO")->text(), QStringLiteral("2024"));
    QVERIFY(f.find<QRadioButton>("Option1_8")->isChecked());
    auto* list = f.find<QTreeWidget>("ListView1");
    QVERIFY(list->topLevelItemCount() > 0);
    QCOMPARE(focusName(), QStringLiteral("ListView1"));
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        QCOMPARE(list->topLevelItem(r)->text(1).trimmed(), QStringLiteral("9"));
}

void tst_Registration::checkCharacter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("numrickey");
    QTest::addColumn<QString>("message"); // empty: the number is looked up
    const QString wrong = QStringLiteral("Numero ricetta errato - Controllo Nr  1");
    const QString refused = QStringLiteral("Numero ricetta errato");
    QTest::newRow("check digit right") << "123450000043211"
                                       << "123450000043211"
                                       << "";
    QTest::newRow("check digit wrong") << "123450000043212" << QString(15, u' ') << wrong;
    QTest::newRow("999 prefix") << "999120000043219"
                                << "999120000043219"
                                << "";
    QTest::newRow("fifth A, typed lower") << "1234a0000043219"
                                          << "1234A0000043219"
                                          << "";
    QTest::newRow("000 prefix") << "000120000043219"
                                << "000120000043219"
                                << "";
    QTest::newRow("letter prefix") << "a23450000043219"
                                   << "A23450000043219"
                                   << "";
    QTest::newRow("letter 15th") << "12345000004321x" << QString(15, u' ') << wrong;
    QTest::newRow("blank 15th") << "12345000004321" << QString(15, u' ') << wrong;
    QTest::newRow("short exempt") << "9991234"
                                  << "9991234        "
                                  << "";
    // Digits whose remainder by 9 differs from what near misses give: another
    // modulus (7: 6, 8: 7, 10: 1, 11: 6) or another slice of digits (5 to 13: 3,
    // 1 to 14: 5, 6 to 13: 7).
    const QString eight = QStringLiteral("Numero ricetta errato - Controllo Nr  8");
    QTest::newRow("digits 6 to 14 by 9") << "123453982597918"
                                         << "123453982597918"
                                         << "";
    for (const char last : {'6', '7', '1', '3', '5'})
        QTest::newRow(qPrintable(QStringLiteral("near miss %1").arg(QChar::fromLatin1(last))))
            << QStringLiteral("12345398259791") + QChar::fromLatin1(last) << QString(15, u' ')
            << eight;
    QTest::newRow("apostrophe") << "1234500000'3211" << QString(15, u' ') << refused;
    QTest::newRow("blank inside") << "12 450000043211" << QString(15, u' ') << refused;
}

void tst_Registration::checkCharacter()
{
    QFETCH(QString, typed);
    QFETCH(QString, numrickey);
    QFETCH(QString, message);
    auto tab = onTheTab(world());
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    const int before = server.requestCount();
    typeNumber(f, typed);

    QCOMPARE(f.context->utenti.numrickey.text(), numrickey);
    if (message.isEmpty()) {
        QCOMPARE(f.boxes.texts(), QStringList());
        QCOMPARE(server.requestCount(), before + 2);
        QCOMPARE(focusName(), QStringLiteral("Text_COD_AIC"));
        // The number goes out whole, trailing blanks included; the pharmacy
        // request holds its four children in order.
        QVERIFY(server.requests().at(before).body.contains("<query> WHERE Ricette.numrickey='" +
                                                           numrickey.toLatin1() + "'</query>"));
        QVERIFY2(server.lastRequest().body.contains(
                     "<LoadListaFarmacie xmlns='http://tempuri.org/'><prov>PA</prov>"
                     "<codice>77</codice><ragsoc></ragsoc><distretto></distretto>"
                     "</LoadListaFarmacie>"),
                 server.lastRequest().body.constData());
    } else {
        QCOMPARE(f.boxes.texts(), QStringList{message});
        QCOMPARE(f.boxes.shown().first().title, QStringLiteral("QuorvelDPC"));
        QCOMPARE(server.requestCount(), before); // nothing sent
        QCOMPARE(focusName(), QStringLiteral("Text12"));
    }
}

void tst_Registration::focusHoldsInTheNumberFields()
{
    auto tab = onTheTab(world(QByteArray()));
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    const auto colour = [&](const char* field) {
        return f.find<QLineEdit>(field)->palette().color(QPalette::Base);
    };
    QCOMPARE(colour("Text120"), QColor(0, 255, 255));
    QCOMPARE(colour("Text12"), QColor(192, 255, 255));

    typeIn(f, "Text120", QStringLiteral("123")); // 1 to 4 characters: stays
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    f.find<QLineEdit>("Text120")->clear();
    typeIn(f, "Text120", QString()); // empty: accepted
    QCOMPARE(focusName(), QStringLiteral("Text12"));
    QCOMPARE(colour("Text12"), QColor(0, 255, 255));
    typeIn(f, "Text12", QStringLiteral("0000043211")); // but the first part is needed
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    typeIn(f, "Text120", QStringLiteral("12345"));
    f.find<QLineEdit>("Text12")->clear();
    typeIn(f, "Text12", QString()); // an empty second part keeps the focus,
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); // even against Up
    QCOMPARE(focusName(), QStringLiteral("Text12"));
    QCOMPARE(server.requestCount(), 2); // the log-in's only

    // Up leaves a filled second part as any other exit does: the look-up runs.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("0000043211"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("RICETTA NON TROVATA")});
    QCOMPARE(focusName(), QStringLiteral("Text120"));
}

void tst_Registration::patientButtonFollowsTheNumber()
{
    const QByteArray rossi =
        "<QueryRicetteResult><Anno>2024</Anno><Mese>3</Mese><Progressivo>5</Progressivo>"
        "<Assistito>ROSSI MARIO</Assistito><Codice_assistito>RSSMRA80A01H501U</Codice_assistito>"
        "<Farmacia>77</Farmacia></QueryRicetteResult>"
        "<LoadListaFarmacieResult><Farmacie><Ragsoc>FARMACIA UNO</Ragsoc></Farmacie>"
        "</LoadListaFarmacieResult>";
    auto tab = onTheTab(world(rossi));
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    auto* button = f.find<QPushButton>("bott_assi");
    const QString rossiCaption =
        QStringLiteral("ASSISTITO : ROSSI MARIO - Cod.Fisc. RSSMRA80A01H501U");

    // Up leaves a found number as any exit does: it is looked up, and entering
    // Text120 then forgets it and blanks the button.
    typeIn(f, "Text120", QStringLiteral("12345"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("0000043211"));
    const int before = server.requestCount();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QCOMPARE(server.requestCount(), before + 2);
    QCOMPARE(f.find<QLabel>("Label18")->text(), QStringLiteral("5"));
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    QCOMPARE(f.context->utenti.numrickey.text(), QString(15, u' '));
    QCOMPARE(button->text(), QString());
    QVERIFY(!button->isEnabled());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(focusName(), QStringLiteral("Text_COD_AIC"));
    QCOMPARE(button->text(), rossiCaption);
    QVERIFY(button->isEnabled());

    // Back into the second part alone, then a number whose prescription names
    // another patient and whose pharmacy is not found. The message box takes
    // the activation, as a real one does, so no focus handler of Text120 runs.
    server.setSoapAnswer(
        200, world("<QueryRicetteResult><Assistito>BIANCHI LUIGI</Assistito>"
                   "<Codice_assistito>BNCLGU70A01H501X</Codice_assistito><Farmacia>78</Farmacia>"
                   "</QueryRicetteResult>"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focusName(), QStringLiteral("Text12"));
    QWidget elsewhere;
    elsewhere.show();
    f.boxes.whileShown = [&](const MessageRequest&) {
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    };
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("0000043222"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    f.boxes.whileShown = nullptr;
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("ATTENZIONE!FARMACIA NON TROVATA")});
    elsewhere.close();
    f.activate();
    QCOMPARE(f.context->utenti.Codice_assistito, QStringLiteral("BNCLGU70A01H501X"));
    QCOMPARE(button->text(), QString());
    QVERIFY(!button->isEnabled());
}

void tst_Registration::lookUpFailures_data()
{
    QTest::addColumn<QByteArray>("prescription");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("progressive");
    QTest::addColumn<QByteArray>("sentCode");
    QTest::newRow("prescription not found") << QByteArray("<QueryRicetteResponse/>")
                                            << "RICETTA NON TROVATA" << 0 << "" << QByteArray();
    QTest::newRow("pharmacy not found")
        << QByteArray("<QueryRicetteResult><Anno>2024</Anno><Progressivo> 5 </Progressivo>"
                      "<Farmacia>77</Farmacia></QueryRicetteResult>")
        << "ATTENZIONE!FARMACIA NON TROVATA" << 2024 << "5" << QByteArray("77");
    QTest::newRow("no pharmacy in the prescription")
        << QByteArray("<QueryRicetteResult><Anno>2024</Anno></QueryRicetteResult>"
                      "<LoadListaFarmacieResult></LoadListaFarmacieResult>")
        << "" << 2024 << "" << QByteArray("0");
    QTest::newRow("empty or non-numeric values count as 0")
        << QByteArray("<QueryRicetteResult><Anno></Anno><Farmacia>x</Farmacia>"
                      "</QueryRicetteResult><LoadListaFarmacieResult/>")
        << "" << 0 << "" << QByteArray("0");
    QTest::newRow("a value without its end tag runs to the end")
        << QByteArray("<QueryRicetteResult><Anno>2023</Anno><Progressivo> 12 "
                      "</QueryRicetteResult>")
        << "ATTENZIONE!FARMACIA NON TROVATA" << 2023 << "12" << QByteArray("0");
}

void tst_Registration::lookUpFailures()
{
    QFETCH(QByteArray, prescription);
    QFETCH(QString, message);
    QFETCH(int, year);
    QFETCH(QString, progressive);
    QFETCH(QByteArray, sentCode);
    auto tab = onTheTab(world(prescription));
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    f.find<QLineEdit>("Text_COD_ERR")->setText(QStringLiteral("7"));
    typeNumber(f, QStringLiteral("999000000000001"));

    // Farmacia 0 is a prescription not found, whatever the pharmacy answer.
    QCOMPARE(f.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!sentCode.isEmpty())
        QVERIFY(server.lastRequest().body.contains("<codice>" + sentCode + "</codice>"));
    QCOMPARE(f.context->utenti.Farmacia, 0);
    QCOMPARE(int(f.context->utenti.Anno), year);
    QCOMPARE(f.find<QLabel>("Label18")->text(), progressive);
    QCOMPARE(text(f, "Text_COD_ERR"), QString()); // the error fields are cleared
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    QVERIFY(!f.find<QPushButton>("bott_assi")->isEnabled());
}

void tst_Registration::errorChoice()
{
    auto tab = onTheTab(world());
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    auto* code = f.find<QLineEdit>("Text_COD_ERR");
    QVERIFY(opensNoWindow(f, "Text_COD_ERR", QStringLiteral("0")));
    code->clear();
    QVERIFY(opensNoWindow(f, "Text_COD_ERR", QStringLiteral("ab")));
    code->clear();

    // A unique row counts as chosen even when the window is left with Esc.
    QStringList listed;
    QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("7"), [&](QTreeWidget* list) {
        listed = rows(list);
        pressEsc(list);
    }));
    QCOMPARE(listed, QStringList{"7|RICETTA SCADUTA|Totale|Farmacia"});
    QCOMPARE(text(f, "Text_DESCR_ERR"), QStringLiteral("RICETTA SCADUTA"));
    QCOMPARE(text(f, "Text_add"), QStringLiteral("Totale"));
    QCOMPARE(f.find<QLineEdit>("Text_sogg")->text(), QStringLiteral("Farmacia").leftJustified(80));
    // Their trailing blanks kept, the narrow fields still show the start of the text.
    QCOMPARE(f.find<QLineEdit>("Text_add")->cursorPosition(), 0);
    QCOMPARE(f.find<QLineEdit>("Text_sogg")->cursorPosition(), 0);
    QTRY_COMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));

    // With an error chosen, another code typed over it changes nothing.
    code->setFocus(Qt::MouseFocusReason);
    code->clear();
    QVERIFY(opensNoWindow(f, "Text_COD_ERR", QStringLiteral("9")));
    QCOMPARE(text(f, "Text_add"), QStringLiteral("Totale"));
    QCOMPARE(f.context->utenti.Errore, 7);

    // After SVUOTA a code matching nothing leaves no error, the focus back in the field.
    QTest::mouseClick(f.find<QPushButton>("BOTT_SVUOTA"), Qt::LeftButton);
    QCOMPARE(text(f, "Text_add"), QString());
    QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("99"), [&](QTreeWidget* list) {
        listed = rows(list);
        pressEsc(list);
    }));
    QCOMPARE(listed, QStringList());
    QCOMPARE(f.context->utenti.Errore, 0);
    QTRY_COMPARE(focusName(), QStringLiteral("Text_COD_ERR"));

    // By description, case-sensitive; Enter takes the row selected.
    code->clear();
    QVERIFY(searchError(f, "Text_DESCR_ERR", QStringLiteral("RICETTA"), [&](QTreeWidget* list) {
        listed = rows(list);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    }));
    QCOMPARE(listed.size(), 2);
    QCOMPARE(text(f, "Text_COD_ERR"), QStringLiteral("8"));

    // Moving from the words straight into the emptied code field clears the
    // error fields on the way, yet the words typed are what is searched.
    QTest::mouseClick(f.find<QPushButton>("BOTT_SVUOTA"), Qt::LeftButton);
    f.find<QPlainTextEdit>("Text_DESCR_ERR")->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ricetta"));
    ModalDriver driver([&](QWidget* modal) {
        listed = rows(modal->findChild<QTreeWidget*>());
        modal->close();
    });
    code->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(driver.acted());
    QCOMPARE(listed, QStringList{"9|ricetta smarrita|Nessuno|farmacia di turno"});
    QCOMPARE(text(f, "Text_COD_ERR"), QStringLiteral("9"));
}

void tst_Registration::quantityFilter()
{
    MainWindowFixture f(unreachable());
    auto* box = f.find<QLineEdit>("Text_QTA_AIC");
    QCOMPARE(box->text(), QStringLiteral("2"));
    const QList<QPair<QString, QString>> cases = {
        {"123", "12"}, {"-1", "-1"}, {"1,", "1,"}, {"a. 1b", "1"}};
    for (const auto& [typed, kept] : cases) {
        box->clear();
        typeIn(f, "Text_QTA_AIC", typed);
        QCOMPARE(box->text(), kept);
    }
}

void tst_Registration::clearingAndLeavingTheTab()
{
    auto tab = onTheTab(world());
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    typeNumber(f, QStringLiteral("999000000000001"));
    typeIn(f, "Text_COD_AIC", QStringLiteral("035683042"));
    QCOMPARE(text(f, "Text_MOLECO"), QStringLiteral("ENOXAPARINA"));
    // A click in the drug's name moves on to the error code, with no second look-up.
    const int sent = server.requestCount();
    QTest::mouseClick(f.find<QLineEdit>("Text_DESCR_AIC"), Qt::LeftButton);
    QTRY_COMPARE(focusName(), QStringLiteral("Text_COD_ERR"));
    QCOMPARE(server.requestCount(), sent);
    QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("7"), pressEsc));
    f.find<QLineEdit>("Text_QTA_AIC")->setText(QStringLiteral("5"));

    QTest::mouseClick(f.find<QPushButton>("Command3"), Qt::LeftButton);
    QWidget* page = f.find<QTabWidget>("SSTab1")->widget(2);
    for (QLineEdit* box : page->findChildren<QLineEdit*>())
        QVERIFY2(box->text().isEmpty() || box->objectName() == "Text_QTA_AIC",
                 qPrintable(box->objectName()));
    QCOMPARE(text(f, "Text_DESCR_ERR"), QString());
    QCOMPARE(text(f, "Text_QTA_AIC"), QStringLiteral("5"));
    QCOMPARE(f.find<QLabel>("Label18")->text(), QString());
    QVERIFY(!f.find<QPushButton>("bott_assi")->isEnabled());
    QCOMPARE(f.find<PanelStatusBar>("StatusBar4")->text(1), QString());
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    QCOMPARE(f.context->utenti.Errore, 0);
    QCOMPARE(f.context->menu.AIC_CERCATO, QString());
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QCOMPARE(f.boxes.texts(), QStringList{"NUMERO RICETTA MANCANTE"}); // nothing left to register

    // REPORTS clears the tab too, but leaves no focus on its hidden controls.
    typeIn(f, "Text_COD_AIC", QStringLiteral("1"));
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(3);
    QCOMPARE(text(f, "Text_COD_AIC"), QString());
    QVERIFY(!QApplication::focusWidget() || !page->isAncestorOf(QApplication::focusWidget()));
    enterTab(f);

    // Every control carries a name, and an accessible name for screen readers
    // or, where the text shown is data and is read itself, a description.
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
            qobject_cast<QPushButton*>(w) || qobject_cast<QGroupBox*>(w) ||
            (qobject_cast<QLabel*>(w) && w->parentWidget() != f.find<QWidget>("StatusBar4") &&
             w->parentWidget() != f.find<QWidget>("StatusBar2")))
            QVERIFY2(!w->objectName().isEmpty() &&
                         (!w->accessibleName().isEmpty() || !w->accessibleDescription().isEmpty()),
                     qPrintable(w->objectName()));
    }
}

void tst_Registration::submission_data()
{
    QTest::addColumn<QString>("code"); // error chosen, if any
    QTest::addColumn<QByteArray>("registration");
    QTest::addColumn<QStringList>("messages");
    const QByteArray record = "<ErroreDPCResult><Errore><ID>9</ID></Errore>nota, altro"
                              "</ErroreDPCResult>";
    const QString confirm = QStringLiteral("?");
    QTest::newRow("no error chosen") << "" << record << QStringList{"Soggetto non Farmacia"};
    QTest::newRow("FARMACIA in capitals") << "8" << record << QStringList{"Soggetto non Farmacia"};
    QTest::newRow("recorded") << "9" << record << QStringList{confirm, "REGISTRAZIONE EFFETTUATA"};
    QTest::newRow("no record in the result")
        << "9" << QByteArray("<ErroreDPCResult>OK</ErroreDPCResult><Errore>")
        << QStringList{confirm, "REGISTRAZIONE NON RIUSCITA"};
    QTest::newRow("no result") << "9" << QByteArray("<ErroreDPCResponse/>")
                               << QStringList{confirm, "REGISTRAZIONE NON RIUSCITA"};
    // No answer, and none to the look-up before either: nothing is known.
    QTest::newRow("no answer") << "9" << QByteArray()
                               << QStringList{confirm,
                                              "ESITO DELLA REGISTRAZIONE NON CONFERMATO: "
                                              "VERIFICARE IN REPORTS PRIMA DI REGISTRARE DI NUOVO"};
}

void tst_Registration::submission()
{
    QFETCH(QString, code);
    QFETCH(QByteArray, registration);
    QFETCH(QStringList, messages);
    auto tab = onTheTab(world(foundPrescription, registration));
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    typeNumber(f, QStringLiteral("999000000000001"));
    typeIn(f, "Text_COD_AIC", QStringLiteral("012345678"));
    if (!code.isEmpty())
        QVERIFY(searchError(f, "Text_COD_ERR", code, pressEsc));
    f.boxes.clear();
    const int before = server.requestCount();

    // Answered No: no registration is sent.
    const auto registrations = [&server] {
        QList<QByteArray> bodies;
        for (const TlsRequest& r : server.requests()) {
            if (r.header("SOAPAction").endsWith("/ErroreDPC"))
                bodies << r.body;
        }
        return bodies;
    };
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QCOMPARE(registrations().size(), 0);
    f.boxes.clear();

    f.boxes.answerNext(QMessageBox::Yes);
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QStringList shown = f.boxes.texts();
    if (shown.size() == 2)
        shown[0] = QStringLiteral("?");
    QCOMPARE(shown, messages);
    QCOMPARE(f.boxes.shown().last().icon, QMessageBox::NoIcon);
    QCOMPARE(f.boxes.shown().last().title, QStringLiteral("QuorvelDPC"));
    if (messages.size() == 1) {
        QCOMPARE(server.requestCount(), before); // not even a look-up
        return;
    }
    // Numbers without leading zeros, the prescription number whole.
    QCOMPARE(registrations().size(), 1);
    QVERIFY2(registrations().first().contains(
                 "<ErroreDPC xmlns='http://tempuri.org/'><prov>PA</prov><anno>2024</anno>"
                 "<mese>3</mese><codfarma>77</codfarma><numrickey>999000000000001</numrickey>"
                 "<aic>012345678</aic><pezzi>2</pezzi><errore>9</errore></ErroreDPC>"),
             registrations().first().constData());
    QVERIFY(f.boxes.texts().first().contains(QStringLiteral("\nMese / Anno : 3/2024\n")));
}

void tst_Registration::rejectedNumberIsNeverRegistered()
{
    auto tab = onTheTab(
        world(foundPrescription, "<ErroreDPCResult><Errore><ID>9</ID></Errore></ErroreDPCResult>"));
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    typeNumber(f, QStringLiteral("123450000043211"));
    typeIn(f, "Text_COD_AIC", QStringLiteral("012345678"));
    QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("9"), pressEsc));

    // The operator goes back into the second part only and mistypes it.
    auto* text12 = f.find<QLineEdit>("Text12");
    text12->setFocus(Qt::MouseFocusReason);
    text12->selectAll();
    QTest::keyClicks(text12, QStringLiteral("0000043212"));
    f.boxes.clear();
    QTest::keyClick(text12, Qt::Key_Return);
    QCOMPARE(f.boxes.texts(),
             QStringList{QStringLiteral("Numero ricetta errato - Controllo Nr  1")});

    f.boxes.clear();
    f.boxes.answerNext(QMessageBox::Yes);
    const int before = server.requestCount();
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    // Leaving Text12 for the button checks the number again, and the button
    // finds none held; nothing is confirmed or sent.
    QCOMPARE(f.boxes.texts(),
             (QStringList{"Numero ricetta errato - Controllo Nr  1", "NUMERO RICETTA MANCANTE"}));
    QCOMPARE(server.requestCount(), before);
}

QTEST_MAIN(tst_Registration)
#include "test_registration.moc"
