#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "MainWindowFixture.h"
#include "PanelStatusBar.h"
#include "RegistraSteps.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace DemoFixtures;
using namespace RegistraSteps;
using namespace TestService;

namespace {

const QByteArray logIn =
    "<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome></LoginUserResult>";

QByteArray found(const QByteArray& prescription, const QByteArray& pharmacy)
{
    return answer(logIn + "<QueryRicetteResult>" + prescription + "</QueryRicetteResult>" +
                  pharmacy);
}

QColor background(QWidget* w)
{
    return w->palette().color(QPalette::Base);
}

} // namespace

class tst_PrescriptionEntry : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void checkCharacter_data();
    void checkCharacter();
    void focusHoldsInTheNumberFields();
    void lookUpFillsTheTab();
    void prescriptionNotFound();
    void answerValuesRead_data();
    void answerValuesRead();

private:
    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_PrescriptionEntry::initTestCase()
{
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

void tst_PrescriptionEntry::checkCharacter_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("numrickey");
    QTest::addColumn<QString>("message"); // empty: the look-up runs
    const QString wrong = QStringLiteral("Numero ricetta errato - Controllo Nr  1");
    QTest::newRow("check digit right") << "12345"
                                       << "0000043211"
                                       << "123450000043211"
                                       << "";
    QTest::newRow("check digit wrong") << "12345"
                                       << "0000043212"
                                       << "123450000043212" << wrong;
    QTest::newRow("999 prefix") << "99912"
                                << "0000043219"
                                << "999120000043219"
                                << "";
    QTest::newRow("fifth A, typed lower case") << "1234a"
                                               << "0000043219"
                                               << "1234A0000043219"
                                               << "";
    QTest::newRow("000 prefix") << "00012"
                                << "0000043219"
                                << "000120000043219"
                                << "";
    QTest::newRow("letter prefix") << "a2345"
                                   << "0000043219"
                                   << "A23450000043219"
                                   << "";
    QTest::newRow("letter in 15th place") << "12345"
                                          << "000004321x"
                                          << "12345000004321X" << wrong;
    QTest::newRow("blank in 15th place") << "12345"
                                         << "000004321"
                                         << "12345000004321 " << wrong;
    QTest::newRow("short exempt number keeps its blanks") << "99912"
                                                          << "34"
                                                          << "9991234        "
                                                          << "";
    QTest::newRow("apostrophe") << "12345"
                                << "00000'3211" << QString(15, u' ') << "Numero ricetta errato";
    QTest::newRow("blank inside") << "12 45"
                                  << "0000043211" << QString(15, u' ') << "Numero ricetta errato";
}

void tst_PrescriptionEntry::checkCharacter()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, numrickey);
    QFETCH(QString, message);
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, found("<Farmacia>5</Farmacia>",
                                    "<LoadListaFarmacieResult></LoadListaFarmacieResult>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    enterTab(f);
    const int before = server.requestCount();
    typeNumber(f, first, second);

    QCOMPARE(f.context->utenti.numrickey.text(), numrickey);
    if (message.isEmpty()) {
        QVERIFY2(f.boxes.shown().isEmpty(), qPrintable(f.boxes.texts().join('|')));
        QCOMPARE(server.requestCount(), before + 2);
        QVERIFY(server.lastRequest().body.contains("<codice>5</codice>"));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text_COD_AIC"));
    } else {
        QCOMPARE(f.boxes.texts(), QStringList{message});
        QCOMPARE(f.boxes.shown().first().title, QStringLiteral("QuorvelDPC"));
        QCOMPARE(f.boxes.shown().first().buttons, QMessageBox::Ok);
        QCOMPARE(server.requestCount(), before);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text12"));
    }
}

void tst_PrescriptionEntry::focusHoldsInTheNumberFields()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, answer(logIn));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    enterTab(f);
    auto* first = f.find<QLineEdit>("Text120");
    auto* second = f.find<QLineEdit>("Text12");
    const auto focus = [] { return QApplication::focusWidget()->objectName(); };
    QCOMPARE(background(first), QColor(0, 255, 255));
    QCOMPARE(background(second), QColor(192, 255, 255));

    // A prefix of 1 to 4 characters keeps the focus; an empty one lets it go.
    QTest::keyClicks(first, QStringLiteral("123"));
    QTest::keyClick(first, Qt::Key_Return);
    QCOMPARE(focus(), QStringLiteral("Text120"));
    first->clear();
    QTest::keyClick(first, Qt::Key_Return);
    QCOMPARE(focus(), QStringLiteral("Text12"));
    QCOMPARE(background(first), QColor(192, 255, 255));
    QCOMPARE(background(second), QColor(0, 255, 255));

    // Leaving the second part without the first sends the operator back to it.
    QTest::keyClicks(second, QStringLiteral("0000043211"));
    QTest::keyClick(second, Qt::Key_Return);
    QCOMPARE(focus(), QStringLiteral("Text120"));

    // An empty second part keeps the focus, even against Up.
    QTest::keyClicks(first, QStringLiteral("12345"));
    QTest::keyClick(first, Qt::Key_Return);
    second->clear();
    QTest::keyClick(second, Qt::Key_Return);
    QCOMPARE(focus(), QStringLiteral("Text12"));
    QTest::keyClick(second, Qt::Key_Up);
    QCOMPARE(focus(), QStringLiteral("Text12"));
    QCOMPARE(server.requestCount(), 2); // log-in and error table only
    QVERIFY(f.boxes.shown().isEmpty());

    // Up leaves a filled second part as any other exit: the look-up runs.
    QTest::keyClicks(second, QStringLiteral("0000043211"));
    QTest::keyClick(second, Qt::Key_Up);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("RICETTA NON TROVATA")});
    QCOMPARE(server.requestCount(), 3);
    QCOMPARE(focus(), QStringLiteral("Text120"));
}

void tst_PrescriptionEntry::lookUpFillsTheTab()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    enterTab(f);
    auto* label = f.find<QLabel>("Label18");
    auto* patient = f.find<QPushButton>("bott_assi");
    auto* bar = f.find<PanelStatusBar>("StatusBar4");
    const QString number = QString::fromLatin1(prescriptionPA);
    typeNumber(f, number.left(5), number.mid(5));

    QVERIFY2(f.boxes.shown().isEmpty(), qPrintable(f.boxes.texts().join('|')));
    QCOMPARE(label->text(), QString::fromLatin1(prescriptionProgressive));
    QVERIFY(patient->isEnabled());
    QCOMPARE(patient->text(), QStringLiteral("ASSISTITO : ") + patientName +
                                  QStringLiteral(" - Cod.Fisc. ") + patientFiscalCode);
    QCOMPARE(bar->text(0), QStringLiteral("SETTEMBRE 2024"));
    QCOMPARE(bar->text(1),
             QStringLiteral("1234 - ") + QString::fromLatin1(pharmacyName).leftJustified(80));
    const Utenti& u = f.context->utenti;
    QCOMPARE(u.Localita.trimmed(), QString::fromLatin1(pharmacyTown));
    QCOMPARE(u.Distretto.text(), QString::fromLatin1(pharmacyDistrict).leftJustified(10));
    QCOMPARE(u.Codice_assistito, QString::fromLatin1(patientFiscalCode));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text_COD_AIC"));

    // Back to the first part: the number and the patient button are let go.
    f.find<QLineEdit>("Text120")->setFocus(Qt::MouseFocusReason);
    QCOMPARE(u.numrickey.text(), QString(15, u' '));
    QVERIFY(!patient->isEnabled());
    QCOMPARE(patient->text(), QString());

    // An electronic number (fifth character A) has no check character.
    const QString exempt = QString::fromLatin1(prescriptionExemptPA);
    f.find<QLineEdit>("Text120")->clear();
    f.find<QLineEdit>("Text12")->clear();
    typeNumber(f, exempt.left(5), exempt.mid(5));
    QVERIFY2(f.boxes.shown().isEmpty(), qPrintable(f.boxes.texts().join('|')));
    QCOMPARE(bar->text(0), QStringLiteral("NOVEMBRE  2025"));
    QVERIFY(patient->isEnabled());
}

void tst_PrescriptionEntry::prescriptionNotFound()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    enterTab(f);
    auto* code = f.find<QLineEdit>("Text_COD_ERR");
    code->setText(QStringLiteral("12"));
    f.find<QLineEdit>("Text_add")->setText(QStringLiteral("Totale"));
    typeNumber(f, QStringLiteral("12345"), QStringLiteral("0000000000"));

    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("RICETTA NON TROVATA")});
    QCOMPARE(f.context->utenti.Farmacia, 0);
    QCOMPARE(code->text(), QString());
    QCOMPARE(f.find<QLineEdit>("Text_add")->text(), QString());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text120"));
    QVERIFY(!f.find<QPushButton>("bott_assi")->isEnabled());
    QCOMPARE(f.find<PanelStatusBar>("StatusBar4")->text(0), QString());
}

void tst_PrescriptionEntry::answerValuesRead_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("progressive");
    QTest::addColumn<QByteArray>("sentCode");
    QTest::newRow("pharmacy not found")
        << found("<Anno>2024</Anno><Mese>3</Mese><Progressivo> 5 </Progressivo>"
                 "<Farmacia>77</Farmacia>",
                 "<LoadListaFarmacieResponse/>")
        << "ATTENZIONE!FARMACIA NON TROVATA" << 2024 << 3 << "5" << QByteArray("77");
    QTest::newRow("no pharmacy in the prescription")
        << found("<Anno>2024</Anno><Mese>3</Mese>",
                 "<LoadListaFarmacieResult><Ragsoc>X</Ragsoc></LoadListaFarmacieResult>")
        << "" << 2024 << 3 << "" << QByteArray("0");
    QTest::newRow("empty and non-numeric values count as 0")
        << found("<Anno></Anno><Mese>marzo</Mese><Farmacia>x</Farmacia>",
                 "<LoadListaFarmacieResult/>")
        << "" << 0 << 0 << "" << QByteArray("0");
    QTest::newRow("a value without its end tag runs to the end")
        << answer(logIn +
                  "<QueryRicetteResult><Anno>2023</Anno><Progressivo> 12 </QueryRicetteResult>")
        << "ATTENZIONE!FARMACIA NON TROVATA" << 2023 << 0 << "12" << QByteArray("0");
}

void tst_PrescriptionEntry::answerValuesRead()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, message);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(QString, progressive);
    QFETCH(QByteArray, sentCode);
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, answer);
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    enterTab(f);
    typeNumber(f, QStringLiteral("99900"), QStringLiteral("0000000001"));

    // Whatever the pharmacy answer, Farmacia 0 is a prescription not found.
    QCOMPARE(f.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY(server.lastRequest().body.contains("<codice>" + sentCode + "</codice>"));
    const Utenti& u = f.context->utenti;
    QCOMPARE(u.Farmacia, 0);
    QCOMPARE(int(u.Anno), year);
    QCOMPARE(int(u.Mese), month);
    QCOMPARE(f.find<QLabel>("Label18")->text(), progressive);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text120"));
    QVERIFY(!f.find<QPushButton>("bott_assi")->isEnabled());
}

QTEST_MAIN(tst_PrescriptionEntry)
#include "test_prescription_entry.moc"
