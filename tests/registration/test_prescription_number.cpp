// The prescription number on the registration tab: its check character, the
// focus in its two fields, and what its look-up fills in or reports.
#include "Blanks.h"
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "ModalDriver.h"
#include "RegistraSteps.h"
#include "TlsTestServer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <memory>

using namespace Demo::Fixtures;
using namespace RegistraSteps;

class tst_PrescriptionNumber : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void lookedUpPrescriptionInHistoryAndReports();
    void checkCharacter_data();
    void checkCharacter();
    void focusHoldsInTheNumberFields();
    void patientButtonFollowsTheNumber();
    void lookUpFailures_data();
    void lookUpFailures();

private:
    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_PrescriptionNumber::initTestCase()
{
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

void tst_PrescriptionNumber::lookedUpPrescriptionInHistoryAndReports()
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

void tst_PrescriptionNumber::checkCharacter_data()
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

void tst_PrescriptionNumber::checkCharacter()
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

void tst_PrescriptionNumber::focusHoldsInTheNumberFields()
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

void tst_PrescriptionNumber::patientButtonFollowsTheNumber()
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

void tst_PrescriptionNumber::lookUpFailures_data()
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

void tst_PrescriptionNumber::lookUpFailures()
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

QTEST_MAIN(tst_PrescriptionNumber)
#include "test_prescription_number.moc"
