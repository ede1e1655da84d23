#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "PanelStatusBar.h"
#include "RegistraSteps.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace DemoFixtures;
using namespace RegistraSteps;
using namespace TestService;

namespace {

QByteArray world(const QByteArray& drug)
{
    return answer(
        "<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome></LoginUserResult>"
        "<LoadTabErroriResult>"
        "<TabErrori><Errore>7</Errore><Descrizione>RICETTA SCADUTA</Descrizione>"
        "<Soggetto>Farmacia</Soggetto><TipoAddebito>Totale</TipoAddebito></TabErrori>"
        "<TabErrori><Errore>8</Errore><Descrizione>RICETTA DUPLICATA</Descrizione>"
        "<Soggetto>Farmacia</Soggetto><TipoAddebito>Parziale</TipoAddebito></TabErrori>"
        "<TabErrori><Errore>9</Errore><Descrizione>ricetta smarrita</Descrizione>"
        "<Soggetto>Medico</Soggetto><TipoAddebito>Nessuno</TipoAddebito></TabErrori>"
        "</LoadTabErroriResult>" +
        drug);
}

const QByteArray aDrug = "<FarmacoDPCbyAICResult><ATC>B01AB05</ATC><Molecola>ENOXAPARINA"
                         "</Molecola><AIC>035683042</AIC><Farmaco>CLEXANE</Farmaco>"
                         "</FarmacoDPCbyAICResult>";

QString focusName()
{
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

// Leaves an error search field with the given text and acts on the window it opens.
void search(MainWindowFixture& f, const char* field, const QString& text,
            const std::function<void(QTreeWidget*)>& act)
{
    ModalDriver driver([&](QWidget* modal) { act(errorList(modal)); });
    QWidget* box = f.find<QWidget>(field);
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_VERIFY(driver.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    f.activate();
}

// Leaves a field and lets any queued reaction run: no window may open.
bool opensNoWindow(MainWindowFixture& f, const char* field, const QString& text)
{
    QWidget* box = f.find<QWidget>(field);
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
    bool opened = false;
    ModalDriver driver([&](QWidget* modal) {
        opened = true;
        QTest::keyClick(errorList(modal), Qt::Key_Escape);
    });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return !opened && !driver.acted();
}

} // namespace

class tst_ErrorEntry : public QObject
{
    Q_OBJECT
private slots:
    void choiceByCode();
    void choiceByDescription();
    void drugFields();
    void quantityFilter_data();
    void quantityFilter();
    void svuotaClearsAllButTheQuantity();
    void reportsTakeTheFocusAway();
    void everyControlIsNamed();
};

void tst_ErrorEntry::choiceByCode()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, world(aDrug));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    enterTab(f);
    auto* code = f.find<QLineEdit>("Text_COD_ERR");
    auto* charge = f.find<QLineEdit>("Text_add");

    QVERIFY(opensNoWindow(f, "Text_COD_ERR", QStringLiteral("0")));
    code->clear();
    QVERIFY(opensNoWindow(f, "Text_COD_ERR", QStringLiteral("ab")));
    code->clear();

    // A unique row counts as chosen even when the window is left with Esc.
    QStringList listed;
    search(f, "Text_COD_ERR", QStringLiteral("8"), [&](QTreeWidget* list) {
        listed = rows(list);
        QTest::keyClick(list, Qt::Key_Escape);
    });
    QCOMPARE(listed, QStringList{"8|RICETTA DUPLICATA|Parziale|Farmacia"});
    QCOMPARE(code->text(), QStringLiteral("8"));
    QCOMPARE(f.find<QPlainTextEdit>("Text_DESCR_ERR")->toPlainText().trimmed(),
             QStringLiteral("RICETTA DUPLICATA"));
    QCOMPARE(charge->text().trimmed(), QStringLiteral("Parziale"));
    QCOMPARE(f.find<QLineEdit>("Text_sogg")->text().trimmed(), QStringLiteral("Farmacia"));
    QCOMPARE(f.context->utenti.Errore, 8);
    QTRY_COMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));
    QCOMPARE(code->palette().color(QPalette::Base), QColor(192, 255, 255));

    // With an error chosen, another code typed over it changes nothing.
    code->setFocus(Qt::MouseFocusReason);
    QCOMPARE(code->palette().color(QPalette::Base), QColor(0, 255, 255));
    code->clear();
    QVERIFY(opensNoWindow(f, "Text_COD_ERR", QStringLiteral("7")));
    QCOMPARE(charge->text().trimmed(), QStringLiteral("Parziale"));
    QCOMPARE(f.context->utenti.Errore, 8);

    // After SVUOTA: a code that matches nothing leaves no error and the focus
    // back in the field.
    QTest::mouseClick(f.find<QPushButton>("BOTT_SVUOTA"), Qt::LeftButton);
    QCOMPARE(code->text(), QString());
    QCOMPARE(charge->text(), QString());
    search(f, "Text_COD_ERR", QStringLiteral("99"), [&](QTreeWidget* list) {
        listed = rows(list);
        QTest::keyClick(list, Qt::Key_Escape);
    });
    QCOMPARE(listed, QStringList());
    QCOMPARE(f.context->utenti.Errore, 0);
    QCOMPARE(charge->text(), QString());
    QCOMPARE(f.find<QLineEdit>("Text_sogg")->text(), QString());
    QTRY_COMPARE(focusName(), QStringLiteral("Text_COD_ERR"));
    QVERIFY(f.boxes.shown().isEmpty());
}

void tst_ErrorEntry::choiceByDescription()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, world(aDrug));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    enterTab(f);

    // Case-sensitive: the lower-case record is not listed. Enter on the
    // second row picks it.
    QStringList listed;
    search(f, "Text_DESCR_ERR", QStringLiteral("RICETTA"), [&](QTreeWidget* list) {
        listed = rows(list);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    });
    QCOMPARE(listed, (QStringList{"7|RICETTA SCADUTA|Totale|Farmacia",
                                  "8|RICETTA DUPLICATA|Parziale|Farmacia"}));
    QCOMPARE(f.find<QLineEdit>("Text_COD_ERR")->text(), QStringLiteral("8"));
    QCOMPARE(f.find<QLineEdit>("Text_add")->text().trimmed(), QStringLiteral("Parziale"));
    QTRY_COMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));

    // Entering the emptied field forgets the choice; nothing picked from a
    // list of several keeps the focus in the field.
    auto* words = f.find<QPlainTextEdit>("Text_DESCR_ERR");
    words->clear();
    search(f, "Text_DESCR_ERR", QStringLiteral("ricetta"), [&](QTreeWidget* list) {
        listed = rows(list);
        QTest::keyClick(list, Qt::Key_Escape);
    });
    QCOMPARE(listed, QStringList{"9|ricetta smarrita|Nessuno|Medico"});
    QCOMPARE(f.context->utenti.Errore, 9);
    QCOMPARE(f.find<QLineEdit>("Text_sogg")->text().trimmed(), QStringLiteral("Medico"));

    QTest::mouseClick(f.find<QPushButton>("BOTT_SVUOTA"), Qt::LeftButton);
    search(f, "Text_DESCR_ERR", QStringLiteral("RICETTA"),
           [&](QTreeWidget* list) { QTest::keyClick(list, Qt::Key_Escape); });
    QCOMPARE(f.find<QLineEdit>("Text_add")->text(), QString());
    QTRY_COMPARE(focusName(), QStringLiteral("Text_DESCR_ERR"));

    // Moving from the words straight into the empty code field empties the
    // error fields on the way, yet the words typed are what is searched.
    words->clear();
    QTest::keyClicks(words, QStringLiteral("DUPLICATA"));
    ModalDriver driver([&](QWidget* modal) {
        listed = rows(errorList(modal));
        QTest::keyClick(errorList(modal), Qt::Key_Escape);
    });
    f.find<QLineEdit>("Text_COD_ERR")->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(driver.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(listed, QStringList{"8|RICETTA DUPLICATA|Parziale|Farmacia"});
    QCOMPARE(f.find<QLineEdit>("Text_COD_ERR")->text(), QStringLiteral("8"));
    QCOMPARE(words->toPlainText().trimmed(), QStringLiteral("RICETTA DUPLICATA"));
}

void tst_ErrorEntry::drugFields()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, world(aDrug));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    enterTab(f);
    int before = server.requestCount();
    typeAic(f, QStringLiteral(" 35683042"));
    QCOMPARE(server.requestCount(), before + 1);
    QVERIFY(server.lastRequest().body.contains("<aic>35683042</aic>"));
    auto* name = f.find<QLineEdit>("Text_DESCR_AIC");
    QCOMPARE(name->text().trimmed(), QStringLiteral("CLEXANE"));
    QCOMPARE(f.find<QLineEdit>("Text_ATCX")->text(), QStringLiteral("B01AB05 "));
    QCOMPARE(f.find<QLineEdit>("Text_MOLECO")->text().trimmed(), QStringLiteral("ENOXAPARINA"));
    QCOMPARE(focusName(), QStringLiteral("Text_COD_ERR"));

    // The drug name is not a stop: tabbing into it goes on to the error code,
    // and no look-up runs again.
    before = server.requestCount();
    f.find<QLineEdit>("Text_MOLECO")->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(focusName(), QStringLiteral("Text_COD_ERR"));
    QCOMPARE(server.requestCount(), before);

    // A drug the service does not know: its message, and the last drug stays.
    server.setSoapAnswer(200, world(QByteArray()));
    typeAic(f, QStringLiteral("000000000"));
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("FARMACO NON TROVATO")});
    QCOMPARE(name->text().trimmed(), QStringLiteral("CLEXANE"));
    QCOMPARE(f.context->menu.AIC_CERCATO, QStringLiteral("000000000"));
}

void tst_ErrorEntry::quantityFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("digits") << "12"
                            << "12";
    QTest::newRow("at most two") << "123"
                                 << "12";
    QTest::newRow("minus") << "-1"
                           << "-1";
    QTest::newRow("comma") << "1,"
                           << "1,";
    QTest::newRow("letters, point and blanks refused") << "a. 1b"
                                                       << "1";
}

void tst_ErrorEntry::quantityFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    MainWindowFixture f(unreachable());
    auto* box = f.find<QLineEdit>("Text_QTA_AIC");
    QCOMPARE(box->text(), QStringLiteral("2"));
    box->clear();
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(box, typed);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->text(), kept);
}

void tst_ErrorEntry::svuotaClearsAllButTheQuantity()
{
    DemoServiceProcess demo;
    QTemporaryDir data;
    QVERIFY(demo.start(data.filePath(QStringLiteral("demo.sqlite"))));
    MainWindowFixture f(demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    enterTab(f);
    const QString number = QString::fromLatin1(prescriptionPA);
    typeNumber(f, number.left(5), number.mid(5));
    typeAic(f, QString::fromLatin1(aicPlan));
    search(f, "Text_COD_ERR", QString::number(errorPharmacy),
           [](QTreeWidget* list) { QTest::keyClick(list, Qt::Key_Return); });
    f.find<QLineEdit>("Text_QTA_AIC")->setText(QStringLiteral("5"));
    QVERIFY(!f.find<QLineEdit>("Text_sogg")->text().isEmpty());

    QTest::mouseClick(f.find<QPushButton>("Command3"), Qt::LeftButton);
    for (const char* name : {"Text120", "Text12", "Text_COD_AIC", "Text_DESCR_AIC", "Text_ATCX",
                             "Text_MOLECO", "Text_COD_ERR", "Text_add", "Text_sogg"})
        QVERIFY2(f.find<QLineEdit>(name)->text().isEmpty(), name);
    QCOMPARE(f.find<QPlainTextEdit>("Text_DESCR_ERR")->toPlainText(), QString());
    QCOMPARE(f.find<QLabel>("Label18")->text(), QString());
    QCOMPARE(f.find<QPushButton>("bott_assi")->text(), QString());
    QVERIFY(!f.find<QPushButton>("bott_assi")->isEnabled());
    QCOMPARE(f.find<PanelStatusBar>("StatusBar4")->text(0), QString());
    QCOMPARE(f.find<PanelStatusBar>("StatusBar4")->text(1), QString());
    QCOMPARE(f.find<QLineEdit>("Text_QTA_AIC")->text(), QStringLiteral("5"));
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    const Utenti& u = f.context->utenti;
    QCOMPARE(u.numrickey.text(), QString(15, u' '));
    QCOMPARE(u.Errore, 0);
    QCOMPARE(f.context->menu.AIC_CERCATO, QString());
    // The prescription's month and pharmacy are kept.
    QCOMPARE(u.Farmacia, pharmacyCode);

    // Nothing is left to register.
    f.boxes.clear();
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QVERIFY(f.boxes.shown().isEmpty());
}

void tst_ErrorEntry::reportsTakeTheFocusAway()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, world(aDrug));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    enterTab(f);
    typeAic(f, QStringLiteral("035683042"));
    auto* tabs = f.find<QTabWidget>("SSTab1");
    QWidget* registra = tabs->widget(2);

    // Entering REPORTS clears the registration tab but leaves no focus on it.
    tabs->setCurrentIndex(3);
    QCOMPARE(f.find<QLineEdit>("Text_COD_AIC")->text(), QString());
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(!focus || !registra->isAncestorOf(focus));

    // Coming back puts the operator on the number again.
    tabs->setCurrentIndex(2);
    QTRY_COMPARE(focusName(), QStringLiteral("Text120"));
    QVERIFY(f.boxes.shown().isEmpty());
}

void tst_ErrorEntry::everyControlIsNamed()
{
    MainWindowFixture f(unreachable());
    QWidget* page = f.find<QTabWidget>("SSTab1")->widget(2);
    int controls = 0;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QPlainTextEdit*>(w) &&
            !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QGroupBox*>(w) &&
            !qobject_cast<QLabel*>(w))
            continue;
        // Labels inside the status bars are its panels, named by the bar.
        if (w->parentWidget() && w->parentWidget()->inherits("PanelStatusBar"))
            continue;
        ++controls;
        QVERIFY2(!w->objectName().isEmpty(), w->metaObject()->className());
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }
    QCOMPARE(controls, 22);
}

QTEST_MAIN(tst_ErrorEntry)
#include "test_error_entry.moc"
