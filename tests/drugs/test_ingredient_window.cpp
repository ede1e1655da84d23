#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "ListSetup.h"
#include "ListSnapshot.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

using namespace TestService;

namespace {

QByteArray record(const QByteArray& atc, const QByteArray& molecule, const QByteArray& aic,
                  const QByteArray& name)
{
    QByteArray r = "<FarmaciDPC><ATC>" + atc + "</ATC>";
    if (!molecule.isNull())
        r += "<Molecola>" + molecule + "</Molecola>";
    return r + "<AIC>" + aic + "</AIC><Farmaco>" + name + "</Farmaco></FarmaciDPC>";
}

QByteArray loginAndIngredient(const QByteArray& records)
{
    return answer("<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome>"
                  "</LoginUserResult><FarmacoDPCbyPattivoResult>" +
                  records +
                  "</FarmacoDPCbyPattivoResult><FarmacoDPCbyAICResult><AIC>PICKED</AIC>"
                  "</FarmacoDPCbyAICResult>");
}

const QByteArray threeRecords = record("B01AB05", "ZETA", "111111111", "ZETA 10 FL") +
                                record("B01AB05", "ALFA", "222222222", "ALFA 10 FL") +
                                record("B01AB05", "MEDIA", "333333333", "MEDIA 10 FL");

QTreeWidget* listOf(QWidget* modal)
{
    return modal->findChild<QTreeWidget*>(QStringLiteral("listricette"));
}

void clickRow(QTreeWidget* list, int row)
{
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class tst_IngredientWindow : public QObject
{
    Q_OBJECT
private slots:
    void rowsFollowTheAnswerDismissalPicksNothing_data();
    void rowsFollowTheAnswerDismissalPicksNothing();
    void pickAfterSortHandsBackThatRow();
    void emptyListEnterKeepsOpenClickCloses();
    void nothingFoundOpensNoWindow();
    void enterAfterTheSearchNeverMinimises_data();
    void enterAfterTheSearchNeverMinimises();
    void realServicePickShowsTheDrug();
    void searchesQueuedDuringASlowAnswerRunOneAtATime();

private:
    void search(MainWindowFixture& f, const QString& ingredient);
};

void tst_IngredientWindow::search(MainWindowFixture& f, const QString& ingredient)
{
    f.activate();
    auto* box = f.find<QLineEdit>("Text2");
    box->setFocus(Qt::MouseFocusReason);
    box->clear();
    QTest::keyClicks(box, ingredient);
    QTest::keyClick(box, Qt::Key_Return);
}

void tst_IngredientWindow::rowsFollowTheAnswerDismissalPicksNothing_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Esc") << false;
    QTest::newRow("close box") << true;
}

void tst_IngredientWindow::rowsFollowTheAnswerDismissalPicksNothing()
{
    QFETCH(bool, closeBox);
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAndIngredient(threeRecords + record("B01AB06", QByteArray(),
                                                                       "444444444", "SENZA")));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    f.boxes.clear();

    ListSnapshot seen;
    QString title;
    ModalDriver driver([&](QWidget* modal) {
        title = modal->windowTitle();
        seen = ListSnapshot::of(listOf(modal));
        if (closeBox)
            modal->close();
        else
            QTest::keyClick(listOf(modal), Qt::Key_Escape);
    });
    const int before = server.requestCount();
    search(f, QStringLiteral(" eparina "));
    QTRY_VERIFY(driver.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());

    QVERIFY(server.lastRequest().body.contains("<prov>PA</prov><pattivo>eparina</pattivo>"));
    QCOMPARE(server.requestCount(), before + 1); // no follow-up look-up without a pick
    QCOMPARE(title, QStringLiteral("  PRINCIPIO ATTIVO"));
    QCOMPARE(seen.headers, (QStringList{" ATC ", "MOLECOLA", "AIC", "FARMACO"}));
    QCOMPARE(seen.tags, QStringList(4, QStringLiteral("S|True|")));
    QCOMPARE(seen.rows.size(), 4);
    QCOMPARE(seen.rows[0], (QStringList{"B01AB05", "ZETA", "111111111", "ZETA 10 FL"}));
    QCOMPARE(seen.rows[2][1], QStringLiteral("MEDIA"));
    // A record without a molecule repeats the one before it.
    QCOMPARE(seen.rows[3], (QStringList{"B01AB06", "MEDIA", "444444444", "SENZA"}));
    QCOMPARE(f.context->utenti.AIC_SCELTO, QString());
    QVERIFY(f.find<QLineEdit>("Text_AIC")->text().isEmpty());
    QVERIFY(f.boxes.shown().isEmpty());
}

void tst_IngredientWindow::pickAfterSortHandsBackThatRow()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAndIngredient(threeRecords));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));

    QStringList sortedMolecules;
    ModalDriver driver([&](QWidget* modal) {
        QTreeWidget* list = listOf(modal);
        QHeaderView* header = list->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 4, header->height() / 2));
        for (int r = 0; r < list->topLevelItemCount(); ++r)
            sortedMolecules << list->topLevelItem(r)->text(1);
        clickRow(list, 0);
    });
    search(f, QStringLiteral("x"));
    QTRY_VERIFY(driver.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());

    QCOMPARE(sortedMolecules, (QStringList{"ALFA", "MEDIA", "ZETA"}));
    QCOMPARE(f.context->utenti.AIC_SCELTO, QStringLiteral("222222222"));
    QTRY_VERIFY(server.lastRequest().body.contains("<aic>222222222</aic>"));
    QCOMPARE(f.find<QLineEdit>("Text_AIC")->text().trimmed(), QStringLiteral("PICKED"));
    QCOMPARE(f.context->menu.AIC_CERCATO, QStringLiteral("222222222"));
    QVERIFY(f.find<QLineEdit>("Text1")->text().isEmpty());

    // The focus waits in the AIC box (never on "Riduci", where a hurried Enter
    // would minimise the window). Leaving the empty box forgets the pick, so the
    // next ingredient is searched, not refused.
    f.activate();
    QCOMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Text1"));
    f.boxes.clear();
    ModalDriver again([](QWidget* modal) { modal->close(); });
    search(f, QStringLiteral("y"));
    QTRY_VERIFY(again.acted());
    QCOMPARE(f.boxes.texts(), QStringList());
    QVERIFY(server.requests().at(server.requestCount() - 1).body.contains("<pattivo>y</pattivo>"));
}

void tst_IngredientWindow::emptyListEnterKeepsOpenClickCloses()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAndIngredient(QByteArray()));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));

    bool openAfterEnter = false;
    int columns = 0;
    ModalDriver driver([&](QWidget* modal) {
        QTreeWidget* list = listOf(modal);
        columns = list->columnCount();
        QTest::keyClick(list, Qt::Key_Return);
        openAfterEnter = modal->isVisible();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    });
    const int before = server.requestCount();
    search(f, QStringLiteral("x"));
    QTRY_VERIFY(driver.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(openAfterEnter);
    QCOMPARE(columns, 4);
    QCOMPARE(f.context->utenti.AIC_SCELTO, QString());
    QCOMPARE(server.requestCount(), before + 1);
}

void tst_IngredientWindow::nothingFoundOpensNoWindow()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, answer("<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>X</Nome>"
                                     "</LoginUserResult>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    f.boxes.clear();
    f.context->utenti.AIC_SCELTO = QStringLiteral("999999999"); // left by an earlier window
    ModalDriver driver([](QWidget* modal) { modal->close(); });
    const int before = server.requestCount();
    search(f, QStringLiteral("nulla"));
    QTRY_COMPARE(f.boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")});
    QTest::qWait(50);
    QVERIFY(!driver.acted());
    QCOMPARE(f.context->menu.NESSUN_DATO, 1);
    // The stale pick of an earlier window is not looked up again.
    QCOMPARE(server.requestCount(), before + 1);
}

void tst_IngredientWindow::enterAfterTheSearchNeverMinimises_data()
{
    QTest::addColumn<QByteArray>("records"); // null: nothing found
    QTest::newRow("pick") << threeRecords;
    QTest::newRow("nothing found") << QByteArray();
}

// A hurried operator: Enter to search, Enter to pick (or to close the message),
// Enter again. The Enter that left the ingredient box moved the focus on to
// "Riduci"; it must not be there for the last one.
void tst_IngredientWindow::enterAfterTheSearchNeverMinimises()
{
    QFETCH(QByteArray, records);
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, records.isNull() ? answer("<LoginUserResult><ID>1</ID><Prov>PA</Prov>"
                                                        "<Nome>X</Nome></LoginUserResult>")
                                               : loginAndIngredient(records));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    f.boxes.clear();
    ModalDriver driver([](QWidget* modal) { QTest::keyClick(listOf(modal), Qt::Key_Return); });
    search(f, QStringLiteral("eparina"));
    if (records.isNull())
        QTRY_COMPARE(f.boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")});
    else
        QTRY_COMPARE(f.find<QLineEdit>("Text_AIC")->text().trimmed(), QStringLiteral("PICKED"));
    QTRY_VERIFY(!QApplication::activeModalWidget());
    f.activate();
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Text1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!f.window->isMinimized());
    QVERIFY(f.window->isVisible());
}

void tst_IngredientWindow::realServicePickShowsTheDrug()
{
    QTemporaryDir data;
    DemoServiceProcess demo;
    QVERIFY(demo.start(data.filePath(QStringLiteral("demo.sqlite"))));
    MainWindowFixture f(demo.config());
    QVERIFY(f.logIn(Demo::Fixtures::userPA, Demo::Fixtures::passwordPA));

    ListSnapshot seen;
    ModalDriver driver([&](QWidget* modal) {
        seen = ListSnapshot::of(listOf(modal));
        QTest::keyClick(listOf(modal), Qt::Key_Return);
    });
    search(f, QString::fromLatin1(Demo::Fixtures::namePartNoPlan).toLower());
    QTRY_VERIFY(driver.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(seen.rows.size(), Demo::Fixtures::packagesNoPlanMolecule);
    for (const QStringList& row : seen.rows)
        QVERIFY(row[1].contains(QString::fromLatin1(Demo::Fixtures::namePartNoPlan)));
    QTRY_COMPARE(f.find<QLineEdit>("Text_AIC")->text().trimmed(), seen.rows[0][2]);
    QCOMPARE(f.find<QLineEdit>("Text_MOLE")->text().trimmed(), seen.rows[0][1]);
}

// Leaving the ingredient box for "Ricerca" queues one search and the click runs
// another; the queued one reaches the service while the slow first answer is
// awaited. It must wait its turn: never two requests out at once.
void tst_IngredientWindow::searchesQueuedDuringASlowAnswerRunOneAtATime()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAndIngredient(threeRecords));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    server.setAnswerDelay(300);

    int windows = 0;
    // A window opened from inside another action's wait or window is one loop deeper.
    QList<int> loopLevels;
    std::unique_ptr<ModalDriver> second;
    const auto escape = [&windows, &loopLevels](QWidget* modal) {
        ++windows;
        loopLevels << QThread::currentThread()->loopLevel();
        QTest::keyClick(listOf(modal), Qt::Key_Escape);
    };
    ModalDriver first([&](QWidget* modal) {
        escape(modal);
        second = std::make_unique<ModalDriver>(escape);
    });
    const int before = server.requestCount();
    auto* box = f.find<QLineEdit>("Text2");
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(box, QStringLiteral("eparina"));
    // Press and release arrive together, as on a display: the search queued by
    // leaving Text2 comes due while the click's own search is waiting.
    auto* ricerca = f.find<QPushButton>("Com_RIC_MN");
    ricerca->setFocus(Qt::MouseFocusReason); // what the press does first
    const QPointF at = ricerca->rect().center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, ricerca->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(ricerca, &event);
    }
    QTRY_COMPARE(windows, 2);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(server.requestCount(), before + 2);
    QCOMPARE(server.mostWaitingAtOnce(), 1);
    // The search queued by leaving Text2 ran once the click's search had ended,
    // not nested inside its wait or its window.
    QCOMPARE(loopLevels, QList<int>({1, 1}));
}

QTEST_MAIN(tst_IngredientWindow)
#include "test_ingredient_window.moc"
