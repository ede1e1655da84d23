#include "ModalDriver.h"
#include "RegistraSteps.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

using namespace RegistraSteps;
using namespace TestService;

namespace {

// Keys as the window system delivers them, each to whatever has the focus at
// that moment, `pause` ms apart; a line feed is Enter. A barcode reader types
// 2 ms apart.
void type(const QString& keys, int pause)
{
    for (const QChar c : keys) {
        QWindow* window = QGuiApplication::focusWindow();
        if (c == u'\n')
            QTest::keyClick(window, Qt::Key_Return);
        else
            QTest::keyClick(window, c.toLatin1());
        QTest::qWait(pause);
    }
}

// 15 characters whose check character passes; a reader may send letters in lower case.
const QString scanned = QStringLiteral("190a01234567890");

QString field(MainWindowFixture& f, const char* name)
{
    if (auto* box = f.find<QPlainTextEdit>(name))
        return box->toPlainText().trimmed();
    return f.find<QLineEdit>(name)->text().trimmed();
}

// What the service received after the log-in: each request's action and body.
QStringList sentSince(const TlsTestServer& server, int from)
{
    QStringList out;
    for (int i = from; i < server.requestCount(); ++i) {
        const TlsRequest& r = server.requests().at(i);
        out << QString::fromUtf8(r.header("SOAPAction") + ' ' + r.body);
    }
    return out;
}

} // namespace

class tst_BarcodeEntry : public QObject
{
    Q_OBJECT
private slots:
    void prescriptionNumber_data();
    void prescriptionNumber();
    void pastesAreNeverCut();
    void scanOverAHeldNumber();
    void aicCode_data();
    void aicCode();
    void scanSequenceEndsAsTypedSlowly();
};

void tst_BarcodeEntry::prescriptionNumber_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("by hand, 5 Enter 10 Enter") << "hand";
    QTest::newRow("barcode reader") << "reader";
    QTest::newRow("pasted") << "paste";
    QTest::newRow("pasted from the field's menu") << "menu";
}

void tst_BarcodeEntry::prescriptionNumber()
{
    QFETCH(QString, how);
    auto tab = onTheTab(world());
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    auto* first = f.find<QLineEdit>("Text120");
    if (how == u"hand") {
        type(scanned.left(5) + u'\n' + scanned.mid(5) + u'\n', 20);
    } else if (how == u"reader") {
        type(scanned + u'\n', 2);
    } else {
        QGuiApplication::clipboard()->setText(scanned + u'\n'); // as a copied cell brings it
        if (how == u"paste") {
            QTest::keyClick(first, Qt::Key_V, Qt::ControlModifier);
        } else {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(2, 2),
                                    first->mapToGlobal(QPoint(2, 2)));
            QCoreApplication::sendEvent(first, &event);
            QMenu* menu = nullptr;
            QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
            const QString caption = QCoreApplication::translate("QLineEdit", "&Paste");
            const QList<QAction*> actions = menu->actions();
            const auto paste = std::find_if(actions.begin(), actions.end(), [&](QAction* a) {
                return a->text().startsWith(caption);
            });
            QVERIFY(paste != actions.end());
            (*paste)->trigger();
            menu->close();
            f.activate();
        }
        QTRY_COMPARE(focusName(), QStringLiteral("Text12"));
        type(QStringLiteral("\n"), 2);
    }

    // The whole number, upper-cased in both parts, looked up once; the same
    // bytes whichever way it came.
    QCOMPARE(field(f, "Text120"), QStringLiteral("190A0"));
    QCOMPARE(field(f, "Text12"), QStringLiteral("1234567890"));
    QCOMPARE(focusName(), QStringLiteral("Text_COD_AIC"));
    const QStringList sent = sentSince(tab->server, tab->loggedIn);
    QCOMPARE(sent.size(), 2);
    QVERIFY(sent.first().startsWith(QStringLiteral("http://tempuri.org/QueryRicette ")));
    QVERIFY2(sent.first().contains(QStringLiteral(
                 "<QueryRicette xmlns='http://tempuri.org/'><prov>PA</prov><flusso>2</flusso>"
                 "<query> WHERE Ricette.numrickey='190A01234567890'</query></QueryRicette>")),
             qPrintable(sent.first()));
    QCOMPARE(f.context->utenti.numrickey.text(), QStringLiteral("190A01234567890"));
    QCOMPARE(f.boxes.texts(), QStringList());

    // Screen readers read the hint with the field.
    for (const char* name : {"Text120", "Text_COD_AIC"})
        QCOMPARE(QAccessible::queryAccessibleInterface(f.find<QLineEdit>(name))
                     ->text(QAccessible::Description),
                 QStringLiteral("Si può usare il lettore di codici a barre"));
}

void tst_BarcodeEntry::pastesAreNeverCut()
{
    auto tab = onTheTab(world());
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    auto* first = f.find<QLineEdit>("Text120");
    auto* second = f.find<QLineEdit>("Text12");
    QClipboard* clipboard = QGuiApplication::clipboard();
    const auto paste = [](QLineEdit* box) { QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier); };

    // More than both parts hold: nothing changes.
    clipboard->setText(QStringLiteral("1234567890123456"));
    paste(first);
    QCOMPARE(first->text(), QString());
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    // What the first part still holds counts: 2 + 14 would not fit.
    QTest::keyClicks(first, QStringLiteral("12"));
    clipboard->setText(QStringLiteral("34567890123456"));
    paste(first);
    QCOMPARE(first->text(), QStringLiteral("12"));
    // A short paste goes where the cursor is, as ever.
    first->setCursorPosition(1);
    clipboard->setText(QStringLiteral("ab"));
    paste(first);
    QCOMPARE(first->text(), QStringLiteral("1AB2"));
    first->clear(); // or leaving it would keep the focus there

    // The second part takes a paste only whole.
    second->setFocus(Qt::MouseFocusReason);
    clipboard->setText(QStringLiteral("12345678901"));
    paste(second);
    QCOMPARE(second->text(), QString());
    QTest::keyClicks(second, QStringLiteral("12345"));
    clipboard->setText(QStringLiteral("678901"));
    paste(second);
    QCOMPARE(second->text(), QStringLiteral("12345"));
    clipboard->setText(QStringLiteral("67890"));
    paste(second);
    QCOMPARE(second->text(), QStringLiteral("1234567890"));
    QCOMPARE(tab->server.requestCount(), tab->loggedIn);
}

// Back in a full first part, typing at its end goes nowhere, as ever: a new
// number is never joined to the old one's first part. Selected, it is replaced
// whole, the second part with it.
void tst_BarcodeEntry::scanOverAHeldNumber()
{
    auto tab = onTheTab(world());
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    type(scanned + u'\n', 2);
    QCOMPARE(focusName(), QStringLiteral("Text_COD_AIC"));
    f.find<QLineEdit>("Text12")->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    const int before = tab->server.requestCount();

    type(QStringLiteral("99912"), 2);
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    QCOMPARE(field(f, "Text120"), QStringLiteral("190A0"));
    QCOMPARE(field(f, "Text12"), QStringLiteral("1234567890"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("999120000043219\n"), 2);
    QCOMPARE(field(f, "Text120"), QStringLiteral("99912"));
    QCOMPARE(field(f, "Text12"), QStringLiteral("0000043219"));
    QCOMPARE(tab->server.requestCount(), before + 2);
    QVERIFY(tab->server.requests().at(before).body.contains("numrickey='999120000043219'"));
}

void tst_BarcodeEntry::aicCode_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("sent");
    QTest::newRow("reader's letter") << "A012345678"
                                     << "A012345678"
                                     << "012345678";
    QTest::newRow("lower-case letter") << "a012345678"
                                       << "a012345678"
                                       << "012345678";
    QTest::newRow("by hand") << "012345678"
                             << "012345678"
                             << "012345678";
    QTest::newRow("ten digits: the tenth refused") << "0123456789"
                                                   << "012345678"
                                                   << "012345678";
    QTest::newRow("eight digits after the letter") << "A01234567"
                                                   << "A01234567"
                                                   << "A01234567";
    QTest::newRow("letter and ten digits") << "A0123456789"
                                           << "A012345678"
                                           << "012345678";
    QTest::newRow("another letter") << "B012345678"
                                    << "B01234567"
                                    << "B01234567";
}

void tst_BarcodeEntry::aicCode()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, sent);
    auto tab = onTheTab(world());
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    f.find<QLineEdit>("Text_COD_AIC")->setFocus(Qt::TabFocusReason);
    type(typed + u'\n', 2);

    QCOMPARE(field(f, "Text_COD_AIC"), shown);
    const QStringList requests = sentSince(tab->server, tab->loggedIn);
    QCOMPARE(requests.size(), 1);
    QVERIFY2(requests.first().contains(QStringLiteral("<prov>PA</prov><aic>") + sent +
                                       QStringLiteral("</aic></FarmacoDPCbyAIC>")),
             qPrintable(requests.first()));
    QCOMPARE(f.context->menu.AIC_CERCATO, sent);
    QCOMPARE(field(f, "Text_DESCR_AIC"), QStringLiteral("CLEXANE"));
}

// Prescription, Enter, AIC, Enter, error code, Enter: at a reader's pace and
// slowly, the same requests and the same tab at the end.
void tst_BarcodeEntry::scanSequenceEndsAsTypedSlowly()
{
    const QString keys = scanned + QStringLiteral("\nA035683042\n7\n");
    QList<QStringList> outcomes;
    for (const int delay : {2, 40}) {
        auto tab = onTheTab(world());
        QVERIFY(tab);
        MainWindowFixture& f = *tab->f;
        ModalDriver table([](QWidget* modal) {
            QTest::keyClick(modal->findChild<QTreeWidget*>(QStringLiteral("listricette")),
                            Qt::Key_Return);
        });
        type(keys, delay);
        QTRY_VERIFY(table.acted());
        QTRY_VERIFY(!QApplication::activeModalWidget());
        f.activate();
        QTRY_COMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));
        QStringList outcome = sentSince(tab->server, tab->loggedIn);
        for (const char* name : {"Text120", "Text12", "Text_COD_AIC", "Text_DESCR_AIC",
                                 "Text_MOLECO", "Text_COD_ERR", "Text_DESCR_ERR", "Text_sogg"})
            outcome << field(f, name);
        outcome << f.context->utenti.numrickey.text() << f.context->menu.AIC_CERCATO
                << QString::number(f.context->utenti.Errore) << f.boxes.texts();
        outcomes << outcome;
    }
    QCOMPARE(outcomes.first(), outcomes.last());
    const QStringList& outcome = outcomes.first();
    QCOMPARE(outcome.size(), 3 + 8 + 3);
    QVERIFY(outcome.at(2).contains(QStringLiteral("<aic>035683042</aic>")));
    QCOMPARE(outcome.mid(3, 8), (QStringList{"190A0", "1234567890", "A035683042", "CLEXANE",
                                             "ENOXAPARINA", "7", "RICETTA SCADUTA", "Farmacia"}));
}

QTEST_MAIN(tst_BarcodeEntry)
#include "test_barcode_entry.moc"
