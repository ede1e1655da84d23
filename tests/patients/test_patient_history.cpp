#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "ListSetup.h"
#include "ListSnapshot.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "NumberText.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

using namespace TestService;

namespace {

const QString fiscalCode = QStringLiteral("RSSMRA80A01H501U");
const QString patientName = QStringLiteral("ROSSI MARIO");

QByteArray farmaci(const QByteArray& atc, const QByteArray& group, const QByteArray& description,
                   const QByteArray& confezioni = "1", const QByteArray& ddd = "10")
{
    QByteArray r = "<Farmaci><Atc>" + atc + "</Atc>";
    if (!group.isNull())
        r += "<Gruppo>" + group + "</Gruppo>";
    return r + "<Descrizione>" + description +
           "</Descrizione><Inizio>01/02/2024</Inizio><Fine>03/04/2025</Fine><Confezioni>" +
           confezioni + "</Confezioni><Ddd>" + ddd + "</Ddd></Farmaci>";
}

const QByteArray twoRegistryRecords =
    "<FindByCFResult><ListaAnagrafica><Anagrafica><ID> 4,7 </ID><Cognome>ROSSI</Cognome>"
    "</Anagrafica><Anagrafica><ID>99</ID></Anagrafica></ListaAnagrafica></FindByCFResult>";

// 60 ATC groups: the first carries the counts to format, the second lacks its
// group, the eleventh has a group starting with the molecule and the 48th a
// description starting with it.
QByteArray longDrugList()
{
    QByteArray records;
    for (int i = 0; i < 60; ++i) {
        const QByteArray n = QByteArray::number(i).rightJustified(2, '0');
        QByteArray group = "GRUPPO " + n;
        QByteArray description = "FARMACO " + n;
        QByteArray conf = "1", ddd = "10";
        if (i == 0) {
            conf = "2,5";
            ddd = "1500";
        } else if (i == 1) {
            group = QByteArray();
            ddd = "30,4";
        } else if (i == 10) {
            group = "OMEPRAZOLO E SIMILI";
        } else if (i == 47) {
            description = "OMEPRAZOLO 20 MG";
        }
        records += farmaci("A" + n, group, description, conf, ddd);
    }
    return "<FindFarmaResult>" + records + "</FindFarmaResult>";
}

const QByteArray packages = "<FindFarmaByIdResult>" + farmaci("12345678", "GR", "CONF A", "2,5") +
                            farmaci("1234567890", "GR", "CONF B") + farmaci("ABC", "GR", "CONF C") +
                            "</FindFarmaByIdResult>";

QByteArray canned(const QByteArray& results)
{
    return answer("<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome>"
                  "</LoginUserResult>" +
                  results);
}

QTreeWidget* listOf(QWidget* window, const char* name)
{
    return window->findChild<QTreeWidget*>(QString::fromLatin1(name));
}

QPoint rowCentre(QTreeWidget* list, int row)
{
    return list->visualItemRect(list->topLevelItem(row)).center();
}

} // namespace

class tst_PatientHistory : public QObject
{
    Q_OBJECT
private slots:
    void countPattern();
    void drugListSelectsTheMoleculeRowFarDown();
    void patientNotFound_data();
    void patientNotFound();
    void atcWindowOpensFromARowAndEscReturns();
    void emptyAndMissingResults();
    void demoServiceHistory();

private:
    // Logs in, selects the registration tab and holds a prescription for the
    // patient, as the prescription look-up leaves it.
    static void holdPrescription(MainWindowFixture& f, const QString& code, const QString& name,
                                 const QString& molecule);
    static QPushButton* patientButton(MainWindowFixture& f)
    {
        return f.find<QPushButton>("bott_assi");
    }
};

void tst_PatientHistory::holdPrescription(MainWindowFixture& f, const QString& code,
                                          const QString& name, const QString& molecule)
{
    f.activate();
    f.window->findChild<QTabWidget*>("SSTab1")->setCurrentIndex(2);
    Utenti& u = f.context->utenti;
    u.Codice_assistito = code;
    u.Assistito = name;
    u.Molecola.set(molecule);
    patientButton(f)->setText(QStringLiteral("ASSISTITO : ") + name +
                              QStringLiteral(" - Cod.Fisc. ") + code);
    patientButton(f)->setEnabled(true);
    f.boxes.clear();
}

void tst_PatientHistory::countPattern()
{
    // Halves away from zero; far out of range still gives a number.
    QCOMPARE(NumberText::count(2.5), QStringLiteral("3"));
    QCOMPARE(NumberText::count(-2.5), QStringLiteral("-3"));
    QVERIFY(!NumberText::count(1e300).isEmpty());
}

void tst_PatientHistory::drugListSelectsTheMoleculeRowFarDown()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, canned(twoRegistryRecords + longDrugList()));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    holdPrescription(f, fiscalCode, patientName, QStringLiteral("omeprazolo"));

    ListSnapshot seen;
    QString title, accessible, request;
    bool rowVisible = false;
    ModalDriver far("legge_FAR", [&](QWidget* modal) {
        QTreeWidget* list = listOf(modal, "listricette");
        title = modal->windowTitle();
        accessible = modal->accessibleDescription();
        request = QString::fromUtf8(server.lastRequest().body);
        seen = ListSnapshot::of(list);
        rowVisible =
            list->viewport()->rect().intersects(list->visualItemRect(list->topLevelItem(47)));
        QTest::keyClick(list, Qt::Key_Escape);
    });
    // Space on the focused button, as an operator working from the keyboard.
    patientButton(f)->setFocus();
    QTest::keyClick(patientButton(f), Qt::Key_Space);
    QTRY_VERIFY(far.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());

    QVERIFY(f.boxes.shown().isEmpty());
    // The first registry record counts; blanks dropped, its comma read as a point.
    QCOMPARE(f.context->utenti.idassistito, QStringLiteral("4.7"));
    QVERIFY(request.contains(
        QStringLiteral("<provincia>PA</provincia><idassistito>4.7</idassistito>")));
    QCOMPARE(title, QStringLiteral("    ROSSI MARIO - RSSMRA80A01H501U"));
    QVERIFY(!accessible.isEmpty());
    QCOMPARE(seen.headers,
             (QStringList{"GRUPPO", "ATC", "DESCRIZIONE", "INIZIO", "FINE", "CONF.", "DDD"}));
    QCOMPARE(seen.tags,
             (QStringList{"S|True|", "S|True|", "S|True|", "S|True|", "S|True|", "S|True|", ""}));
    QCOMPARE(seen.rows.size(), 60);
    QCOMPARE(seen.rows[0], (QStringList{"GRUPPO 00", "A00", "FARMACO 00", "01/02/2024",
                                        "03/04/2025", "3", "1500"}));
    // A record without its group repeats the one before; 30,4 is a whole 30.
    QCOMPARE(seen.rows[1][0], QStringLiteral("GRUPPO 00"));
    QCOMPARE(seen.rows[1][6], QStringLiteral("30"));
    // The molecule's row, not the group that starts with it, nor the first row.
    QCOMPARE(seen.selected, QList<int>{47});
    QCOMPARE(seen.current, 47);
    QVERIFY(rowVisible);
}

void tst_PatientHistory::patientNotFound_data()
{
    QTest::addColumn<QByteArray>("registry");
    QTest::newRow("no result") << QByteArray();
    QTest::newRow("no registry list") << QByteArray("<FindByCFResult><ID>5</ID></FindByCFResult>");
    // An earlier patient's identifier must not list this patient's drugs.
    QTest::newRow("registry record without identifier")
        << QByteArray("<FindByCFResult><ListaAnagrafica><Anagrafica><Cognome>ROSSI</Cognome>"
                      "</Anagrafica></ListaAnagrafica></FindByCFResult>");
    QTest::newRow("blank identifier")
        << QByteArray("<FindByCFResult><ListaAnagrafica><Anagrafica><ID>  </ID></Anagrafica>"
                      "</ListaAnagrafica></FindByCFResult>");
}

void tst_PatientHistory::patientNotFound()
{
    QFETCH(QByteArray, registry);
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, canned(registry + longDrugList()));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    holdPrescription(f, fiscalCode, patientName, QString());
    f.context->utenti.idassistito = QStringLiteral("123"); // an earlier patient's

    ModalDriver far("legge_FAR", [](QWidget* modal) { modal->close(); });
    const int before = server.requestCount();
    QTest::mouseClick(patientButton(f), Qt::LeftButton);

    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("ASSISTITO NON TROVATO")});
    const MessageRequest& box = f.boxes.shown().first();
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.title, MessageBoxes::applicationTitle);
    QCOMPARE(server.requestCount(), before + 1);
    QVERIFY(server.lastRequest().body.contains(
        "<FindByCF xmlns='http://tempuri.org/'><prov>PA</prov><codice>RSSMRA80A01H501U</codice>"
        "</FindByCF>"));
    QCOMPARE(f.context->utenti.idassistito, QStringLiteral("123"));
    QTest::qWait(50);
    QVERIFY(!far.acted());
}

void tst_PatientHistory::atcWindowOpensFromARowAndEscReturns()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, canned(twoRegistryRecords + longDrugList() + packages));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    holdPrescription(f, fiscalCode, patientName, QStringLiteral("NESSUNA"));

    ListSnapshot opened, beforeAtc, afterAtc, atc;
    QString atcTitle, atcAccessible, atcRequest, secondAtcTitle;
    bool openAfterEnter = false, openAfterDoubleClick = false;
    int requestsInAtc = -1;
    std::unique_ptr<ModalDriver> firstAtc, secondAtc;
    ModalDriver far("legge_FAR", [&](QWidget* modal) {
        QTreeWidget* list = listOf(modal, "listricette");
        opened = ListSnapshot::of(list);
        // Sort by description, descending on the second click, then go to the second row.
        QHeaderView* header = list->header();
        const QPoint descriptionHeader(
            header->sectionViewportPosition(2) + header->sectionSize(2) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, descriptionHeader);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, descriptionHeader);
        QTest::keyClick(list, Qt::Key_Home);
        QTest::keyClick(list, Qt::Key_Down);
        beforeAtc = ListSnapshot::of(list);

        firstAtc = std::make_unique<ModalDriver>("legge_ATC", [&](QWidget* window) {
            QTreeWidget* packageList = listOf(window, "listfarmaci");
            atcTitle = window->windowTitle();
            atcAccessible = window->accessibleDescription();
            atcRequest = QString::fromUtf8(server.lastRequest().body);
            atc = ListSnapshot::of(packageList);
            requestsInAtc = server.requestCount();
            QTest::keyClick(packageList, Qt::Key_Return);
            openAfterEnter = window->isVisible();
            QTest::mouseDClick(packageList->viewport(), Qt::LeftButton, {},
                               rowCentre(packageList, 1));
            openAfterDoubleClick = window->isVisible();
            QTest::keyClick(packageList, Qt::Key_Escape);
        });
        QTest::keyClick(list, Qt::Key_Return); // returns once legge_ATC has closed
        afterAtc = ListSnapshot::of(list);

        // A mouse click on another row opens that row's packages; the close box ends it.
        secondAtc = std::make_unique<ModalDriver>("legge_ATC", [&](QWidget* window) {
            secondAtcTitle = window->windowTitle();
            window->close();
        });
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 5));
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    QTest::mouseClick(patientButton(f), Qt::LeftButton);
    QTRY_VERIFY(far.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(firstAtc && firstAtc->acted());
    QVERIFY(secondAtc && secondAtc->acted());
    QVERIFY(f.boxes.shown().isEmpty());

    // No row matches the molecule: the first row alone is selected.
    QCOMPARE(opened.selected, QList<int>{0});
    QCOMPARE(opened.current, 0);

    // Descending by description, so row 1 is FARMACO 58 ("OMEPRAZOLO" sorts last).
    QCOMPARE(beforeAtc.rows[0][2], QStringLiteral("OMEPRAZOLO 20 MG"));
    QCOMPARE(beforeAtc.rows[1][1], QStringLiteral("A59"));
    QCOMPARE(beforeAtc.current, 1);
    QCOMPARE(atcTitle, QStringLiteral("    ROSSI MARIO - RSSMRA80A01H501U - ATC : A59"));
    QVERIFY(!atcAccessible.isEmpty());
    QVERIFY(atcRequest.contains(
        QStringLiteral("<provincia>PA</provincia><idassistito>4.7</idassistito><atc>A59</atc>")));
    QCOMPARE(atc.headers, (QStringList{"AIC", "DESCRIZIONE", "DATA INIZIO", "DATA FINE", "CONF.",
                                       "DDD", "GRUPPO"}));
    QCOMPARE(atc.tags.last(), QString());
    QCOMPARE(atc.rows.size(), 3);
    QCOMPARE(atc.rows[0],
             (QStringList{"012345678", "CONF A", "01/02/2024", "03/04/2025", "3", "10", "GR"}));
    QCOMPARE(atc.rows[1][0], QStringLiteral("1234567890"));
    QCOMPARE(atc.rows[2][0], QStringLiteral("000000000"));
    QCOMPARE(atc.current, 0);
    // Enter and double click only show: no request, the window stays.
    QVERIFY(openAfterEnter);
    QVERIFY(openAfterDoubleClick);
    QCOMPARE(requestsInAtc, server.requestCount() - 1); // only the second window's
    // Back in the drug list, order and selection as they were.
    QCOMPARE(afterAtc.rows, beforeAtc.rows);
    QCOMPARE(afterAtc.selected, beforeAtc.selected);
    QCOMPARE(afterAtc.current, beforeAtc.current);
    QCOMPARE(secondAtcTitle, QStringLiteral("    ROSSI MARIO - RSSMRA80A01H501U - ATC : A55"));
    QCOMPARE(f.context->utenti.ATC_SCELTO, QStringLiteral("A55"));
}

void tst_PatientHistory::emptyAndMissingResults()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, canned(twoRegistryRecords + "<FindFarmaResult></FindFarmaResult>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    holdPrescription(f, fiscalCode, patientName, QString());

    // A patient without dispensing: headers, no rows, clicks and Enter do nothing.
    ListSnapshot empty;
    int requests = -1;
    bool stillOpen = false;
    ModalDriver emptyList("legge_FAR", [&](QWidget* modal) {
        QTreeWidget* list = listOf(modal, "listricette");
        empty = ListSnapshot::of(list);
        requests = server.requestCount();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTest::keyClick(list, Qt::Key_Return);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        stillOpen = QApplication::activeModalWidget() == modal;
        QTest::keyClick(list, Qt::Key_Escape);
    });
    QTest::mouseClick(patientButton(f), Qt::LeftButton);
    QVERIFY(emptyList.acted());
    QCOMPARE(empty.headers.size(), 7);
    QVERIFY(empty.rows.isEmpty());
    QVERIFY(stillOpen);
    QCOMPARE(server.requestCount(), requests);
    QVERIFY(f.boxes.shown().isEmpty());

    // No drug-list result: the message, then an empty window without columns.
    server.setSoapAnswer(200, canned(twoRegistryRecords));
    int columns = -1;
    ModalDriver noColumns("legge_FAR", [&](QWidget* modal) {
        columns = listOf(modal, "listricette")->columnCount();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    f.activate();
    QTest::mouseClick(patientButton(f), Qt::LeftButton);
    QVERIFY(noColumns.acted());
    QCOMPARE(columns, 0);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("ASSISTITO NON TROVATO")});

    // No package result: "FARMACI NON TROVATI" and an empty package window.
    server.setSoapAnswer(200, canned(twoRegistryRecords + longDrugList()));
    f.boxes.clear();
    int packageColumns = -1;
    QStringList messagesInAtc;
    std::unique_ptr<ModalDriver> atc;
    ModalDriver list("legge_FAR", [&](QWidget* modal) {
        server.setSoapAnswer(200, canned(QByteArray()));
        atc = std::make_unique<ModalDriver>("legge_ATC", [&](QWidget* window) {
            packageColumns = listOf(window, "listfarmaci")->columnCount();
            messagesInAtc = f.boxes.texts();
            QTest::keyClick(window, Qt::Key_Escape);
        });
        QTest::keyClick(listOf(modal, "listricette"), Qt::Key_Enter);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    f.activate();
    QTest::mouseClick(patientButton(f), Qt::LeftButton);
    QVERIFY(list.acted());
    QVERIFY(atc && atc->acted());
    QCOMPARE(packageColumns, 0);
    QCOMPARE(messagesInAtc, QStringList{QStringLiteral("FARMACI NON TROVATI")});
}

void tst_PatientHistory::demoServiceHistory()
{
    QTemporaryDir data;
    DemoServiceProcess demo;
    QVERIFY(demo.start(data.filePath(QStringLiteral("demo.sqlite"))));
    MainWindowFixture f(demo.config());
    QVERIFY(f.logIn(Demo::Fixtures::userPA, Demo::Fixtures::passwordPA));
    holdPrescription(f, QString::fromLatin1(Demo::Fixtures::patientFiscalCode),
                     QString::fromLatin1(Demo::Fixtures::patientName),
                     QString::fromLatin1(Demo::Fixtures::moleculePlan));

    ListSnapshot drugs, atc;
    std::unique_ptr<ModalDriver> packagesWindow;
    ModalDriver far("legge_FAR", [&](QWidget* modal) {
        QTreeWidget* list = listOf(modal, "listricette");
        drugs = ListSnapshot::of(list);
        packagesWindow = std::make_unique<ModalDriver>("legge_ATC", [&](QWidget* window) {
            atc = ListSnapshot::of(listOf(window, "listfarmaci"));
            QTest::keyClick(listOf(window, "listfarmaci"), Qt::Key_Escape);
        });
        QTest::keyClick(list, Qt::Key_Return);
        QTest::keyClick(list, Qt::Key_Escape);
    });
    patientButton(f)->setFocus();
    QTest::keyClick(patientButton(f), Qt::Key_Space);
    QVERIFY(far.acted());
    QVERIFY(f.boxes.shown().isEmpty());

    QCOMPARE(drugs.selected.size(), 1);
    const QStringList& row = drugs.rows[drugs.selected.first()];
    QCOMPARE(row[1], QString::fromLatin1(Demo::Fixtures::atcPlan));
    QCOMPARE(row[2], QString::fromLatin1(Demo::Fixtures::moleculePlan));
    QVERIFY(packagesWindow && packagesWindow->acted());
    QVERIFY(!atc.rows.isEmpty());
    bool found = false;
    for (const QStringList& package : atc.rows)
        found = found || (package[0] == QLatin1String(Demo::Fixtures::aicPlan) &&
                          package[1] == QLatin1String(Demo::Fixtures::namePlan));
    QVERIFY(found);
}

QTEST_MAIN(tst_PatientHistory)
#include "test_patient_history.moc"
