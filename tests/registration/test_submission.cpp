#include "CannedLine.h"
#include "RegisteredErrors.h"
#include "RegistraSteps.h"

#include <QLineEdit>
#include <QPushButton>

using namespace CannedLine;
using namespace RegistraSteps;
using Failure = CannedErrorService::Failure;

namespace {

const QString done = QStringLiteral("REGISTRAZIONE EFFETTUATA");
const QString failed = QStringLiteral("REGISTRAZIONE NON RIUSCITA");
const QString unknown = QStringLiteral(
    "ESITO DELLA REGISTRAZIONE NON CONFERMATO: VERIFICARE IN REPORTS PRIMA DI REGISTRARE DI NUOVO");

// Empties a field as the operator does and leaves it with Enter.
void empty(MainWindowFixture& f, const char* field)
{
    f.find<QWidget>(field)->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

void checkInformation(const MessageRequest& box, const QString& text)
{
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, QStringLiteral("QuorvelDPC"));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
}

} // namespace

class tst_Submission : public QObject
{
    Q_OBJECT
private slots:
    void lookUpAnswer_data();
    void lookUpAnswer();
    void lostAnswer_data();
    void lostAnswer();
    void missingPiece_data();
    void missingPiece();
};

void tst_Submission::lookUpAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("records"); // -1: the look-up failed
    const QString head =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
                       "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>");
    const QString tail = QStringLiteral("</soap:Body></soap:Envelope>");
    const QString fault = QStringLiteral("<Fault><Code><Value>Receiver</Value></Code></Fault>");
    QTest::newRow("an empty month") << head +
                                           "<F_LoadErroreByAnnoMeseResponse "
                                           "xmlns=\"http://tempuri.org/\"/>" +
                                           tail
                                    << 0;
    QTest::newRow("an empty month, with an end tag")
        << head + "<F_LoadErroreByAnnoMeseResponse>\r\n</F_LoadErroreByAnnoMeseResponse>\n" + tail
        << 0;
    QTest::newRow("two records")
        << head +
               "<F_LoadErroreByAnnoMeseResponse><F_LoadErroreByAnnoMeseResult><Errore><ID>1</ID>"
               "</Errore><Errore><ID>2</ID></Errore></F_LoadErroreByAnnoMeseResult>"
               "</F_LoadErroreByAnnoMeseResponse>" +
               tail
        << 2;
    QTest::newRow("a fault under another prefix")
        << QString(head + tail)
               .replace(QStringLiteral("soap:"), QStringLiteral("env:"))
               .replace(QStringLiteral("</env:Body>"),
                        QStringLiteral("<env:Fault><env:Reason/></env:Fault></env:Body>"))
        << -1;
    QTest::newRow("a fault without a prefix")
        << head + "<F_LoadErroreByAnnoMeseResponse/>" + fault + tail << -1;
    QTest::newRow("a failed call") << "Error: 5 - Operation canceled" << -1;
    QTest::newRow("no body") << "" << -1;
    QTest::newRow("cut short") << head + "<F_LoadErroreByAnnoMeseResponse/></soap:Bo" << -1;
    QTest::newRow("another operation's answer") << head + "<ErroreDPCResponse/>" + tail << -1;
    QTest::newRow("a longer name") << head + "<F_LoadErroreByAnnoMeseResponses/>" + tail << -1;
    QTest::newRow("an element not closed")
        << head + "<F_LoadErroreByAnnoMeseResponse>" + tail << -1;
}

void tst_Submission::lookUpAnswer()
{
    QFETCH(QString, answer);
    QFETCH(int, records);
    const std::optional<QList<RegisteredError>> read = RegisteredErrors::read(answer);
    QCOMPARE(read ? int(read->size()) : -1, records);
}

void tst_Submission::lostAnswer_data()
{
    QTest::addColumn<QList<QByteArray>>("registered"); // listed before sending
    QTest::addColumn<int>("lookUpBefore");
    QTest::addColumn<int>("answer"); // how ErroreDPC is answered
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QList<QByteArray>>("storedMeanwhile"); // by another operator
    QTest::addColumn<int>("lookUpAfter");
    QTest::addColumn<QString>("quantity"); // empty: as the tab starts (2)
    QTest::addColumn<bool>("warned");
    QTest::addColumn<QString>("message");

    const int ok = int(Failure::None);
    const int dropped = int(Failure::Dropped);
    const int gateway = int(Failure::BadGateway);
    const int fault = int(Failure::Fault);
    const QList<QByteArray> none;
    const QList<QByteArray> line{record("5")};
    const QList<QByteArray> otherLine{record("4", "012345678", "7")};
    const QList<QByteArray> sameLineAgain{record("300", "012345678", "9", "999000000000001", "2")};

    // Both look-ups answered (an empty month is an answer).
    QTest::newRow("empty month, stored")
        << none << ok << dropped << true << none << ok << "" << false << done;
    QTest::newRow("stored, and another line's record is new too")
        << otherLine << ok << gateway << true << QList<QByteArray>{record("300", "012345678", "7")}
        << ok << "" << false << done;
    QTest::newRow("the line listed already, stored again")
        << line << ok << dropped << true << none << ok << "" << true << done;
    QTest::newRow("a quantity with a comma, stored")
        << none << ok << dropped << true << none << ok << ",5" << false << done;
    QTest::newRow("empty month before and after")
        << none << ok << dropped << false << none << ok << "" << false << failed;
    QTest::newRow("the line listed already, not stored")
        << line << ok << dropped << false << none << ok << "" << true << failed;
    QTest::newRow("a fault, not stored")
        << otherLine << ok << fault << false << none << ok << "" << false << failed;
    QTest::newRow("refused") << none << ok << int(Failure::Refused) << false << none << ok << ""
                             << false << failed;
    // Not lost: the service answered without a result, as it does to refuse.
    QTest::newRow("answered without a result, the look-up before faults")
        << line << fault << int(Failure::NoResult) << false << none << ok << "" << false << failed;
    // The new records do not single one out.
    QTest::newRow("two new records")
        << none << ok << dropped << true << sameLineAgain << ok << "" << false << unknown;
    QTest::newRow("one new record, with another quantity")
        << none << ok << dropped << false
        << QList<QByteArray>{record("300", "012345678", "9", "999000000000001", "5")} << ok << ""
        << false << unknown;
    const QByteArray withoutId = "<NumricKey>999000000000001</NumricKey><AIC>012345678</AIC>"
                                 "<Pezzi>2</Pezzi><CodErrore>9</CodErrore>";
    QTest::newRow("records without their IDs")
        << QList<QByteArray>{withoutId} << ok << dropped << false << QList<QByteArray>{withoutId}
        << ok << "" << true << unknown;
    // A look-up failed.
    QTest::newRow("the look-up before faults, the line listed already")
        << line << fault << dropped << false << none << ok << "" << false << unknown;
    QTest::newRow("the look-up before is dropped, stored")
        << none << dropped << gateway << true << none << ok << "" << false << unknown;
    QTest::newRow("the look-up after faults, stored")
        << none << ok << gateway << true << none << fault << "" << false << unknown;
    QTest::newRow("the look-up after is dropped, not stored")
        << none << ok << dropped << false << none << dropped << "" << false << unknown;
    QTest::newRow("the look-up after times out, not stored")
        << none << ok << dropped << false << none << int(Failure::Hung) << "" << false << unknown;
}

void tst_Submission::lostAnswer()
{
    QFETCH(QList<QByteArray>, registered);
    QFETCH(int, lookUpBefore);
    QFETCH(int, answer);
    QFETCH(bool, stored);
    QFETCH(QList<QByteArray>, storedMeanwhile);
    QFETCH(int, lookUpAfter);
    QFETCH(QString, quantity);
    QFETCH(bool, warned);
    QFETCH(QString, message);
    auto tab = lineFilled(registered);
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    CannedErrorService& service = tab->service;
    if (!quantity.isEmpty()) {
        empty(f, "Text_QTA_AIC");
        typeIn(f, "Text_QTA_AIC", quantity);
    }
    service.failLookUp(Failure(lookUpBefore));
    service.failRegistration(Failure(answer), stored);
    service.onRequest = [&](const QString& operation) {
        if (operation != QLatin1String("ErroreDPC"))
            return;
        for (const QByteArray& children : storedMeanwhile)
            service.addRecord(2024, 3, 77, children);
        service.failLookUp(Failure(lookUpAfter));
    };

    if (warned)
        f.boxes.answerNext(QMessageBox::Yes);
    f.boxes.answerNext(QMessageBox::Yes);
    tab->press();
    QCOMPARE(f.boxes.shown().size(), warned ? 3 : 2);
    checkInformation(f.boxes.shown().last(), message);
    // Sent once: a lost answer is never sent again behind the operator's back.
    QCOMPARE(service.registrations(), 1);
    QVERIFY2(
        service.registrationBodies().first().contains(
            "<pezzi>" + (quantity.isEmpty() ? QByteArray("2") : quantity.toUtf8()) + "</pezzi>"),
        service.registrationBodies().first().constData());
    if (Failure(answer) == Failure::Refused || Failure(answer) == Failure::NoResult)
        QCOMPARE(service.lookUps(), 1); // none after an answer
    QCOMPARE(tab->stagedNow(), tab->staged);
}

void tst_Submission::missingPiece_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("field");
    // The focus passed back through Text120: the number still shows but is not held.
    QTest::newRow("number") << "number"
                            << "NUMERO RICETTA MANCANTE"
                            << "Text120";
    QTest::newRow("AIC") << "aic"
                         << "AIC MANCANTE"
                         << "Text_COD_AIC";
    QTest::newRow("quantity") << "quantity"
                              << "QUANTITA' MANCANTE"
                              << "Text_QTA_AIC";
    // "Svuota" keeps the quantity: the number is named first.
    QTest::newRow("everything but the quantity") << "all"
                                                 << "NUMERO RICETTA MANCANTE"
                                                 << "Text120";
}

void tst_Submission::missingPiece()
{
    QFETCH(QString, missing);
    QFETCH(QString, message);
    QFETCH(QString, field);
    auto tab = lineFilled();
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    if (missing == u"number") {
        f.find<QWidget>("Text120")->setFocus(Qt::BacktabFocusReason);
        QCOMPARE(f.find<QLineEdit>("Text12")->text(), number.mid(5));
    } else if (missing == u"aic") {
        empty(f, "Text_COD_AIC");
    } else if (missing == u"quantity") {
        empty(f, "Text_QTA_AIC");
    } else {
        QTest::mouseClick(f.find<QPushButton>("Command3"), Qt::LeftButton);
    }
    const int requests = tab->service.server().requestCount();
    auto* button = f.find<QPushButton>("Comm_REGISTRA");
    button->setFocus(Qt::TabFocusReason);
    QCOMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));

    // The box takes the activation, as a real one does; the focus is where the
    // piece is typed once the window has it back.
    QWidget elsewhere;
    elsewhere.show();
    f.boxes.clear();
    f.boxes.whileShown = [&](const MessageRequest&) {
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    };
    QTest::keyClick(button, Qt::Key_Space);
    f.boxes.whileShown = nullptr;
    QCOMPARE(f.boxes.shown().size(), 1);
    checkInformation(f.boxes.shown().first(), message);
    elsewhere.close();
    f.activate();
    QTRY_COMPARE(focusName(), field);
    QCOMPARE(tab->service.server().requestCount(), requests);
}

QTEST_MAIN(tst_Submission)
#include "test_submission.moc"
