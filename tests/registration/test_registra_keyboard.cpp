#include "ModalDriver.h"
#include "PanelStatusBar.h"
#include "RegistraSteps.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>
#include <memory>

using namespace RegistraSteps;
using namespace TestService;

namespace {

// A prescription and a drug looked up on the registration tab, by keyboard.
std::unique_ptr<CannedTab> prescriptionAndDrug()
{
    auto tab = onTheTab(world());
    if (!tab)
        return nullptr;
    typeNumber(*tab->f, QStringLiteral("123450000043211"));
    typeIn(*tab->f, "Text_COD_AIC", QStringLiteral("012345678"));
    return tab;
}

// Presses Tab (or Shift+Tab) `times` times, noting where the focus settles and
// whether the prescription number is still held there.
QStringList walk(MainWindowFixture& f, int times, bool backwards, QStringList* lost)
{
    QStringList visited;
    for (int i = 0; i < times; ++i) {
        QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        QCoreApplication::processEvents();
        visited << focusName();
        if (f.context->utenti.numrickey.trimmed().isEmpty())
            *lost << focusName();
    }
    return visited;
}

QStringList cycle(const QStringList& lap, int times)
{
    QStringList out;
    for (int i = 0; i < times; ++i)
        out << lap.at(i % lap.size());
    return out;
}

} // namespace

class tst_RegistraKeyboard : public QObject
{
    Q_OBJECT
private slots:
    void tabReachesEveryField_data();
    void tabReachesEveryField();
    void paddedFieldsShowTheirStart();
    void prescriptionNotFoundEmptiesItsStatusBar();
};

void tst_RegistraKeyboard::tabReachesEveryField_data()
{
    QTest::addColumn<bool>("errorChosen");
    QTest::newRow("error code empty") << false;
    QTest::newRow("error chosen") << true;
}

void tst_RegistraKeyboard::tabReachesEveryField()
{
    QFETCH(bool, errorChosen);
    auto tab = prescriptionAndDrug();
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    if (errorChosen) {
        QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("7"),
                            [](QTreeWidget* list) { QTest::keyClick(list, Qt::Key_Escape); }));
        QTRY_COMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));
    }
    f.find<QLineEdit>("Text_COD_ERR")->setFocus(Qt::MouseFocusReason);

    // The drug's fields lead on to the button, the quantity next; the drug's
    // name, passed on by a click, is no stop of its own.
    QStringList lost;
    const QStringList forward = walk(f, 30, false, &lost);
    QCOMPARE(forward,
             cycle({"Text_ATCX", "Text_MOLECO", "Comm_REGISTRA", "Text_QTA_AIC", "Text_DESCR_ERR",
                    "Text_add", "BOTT_SVUOTA", "Command3", "Command5", "Com_02", "Text_sogg",
                    "bott_assi", "Text120", "Text12", "Text_COD_AIC", "Text_COD_ERR"},
                   30));
    // Only entering the number's first part forgets it, until the second is left.
    QCOMPARE(lost, (QStringList{"Text120", "Text12", "Text120", "Text12"}));

    // Backwards from the error code; the patient's button, disabled while the
    // number's first part has the focus, is passed over.
    f.find<QLineEdit>("Text_COD_ERR")->setFocus(Qt::MouseFocusReason);
    lost.clear();
    QCOMPARE(walk(f, 30, true, &lost),
             cycle({"Text_COD_AIC", "Text12", "Text120", "Text_sogg", "Com_02", "Command5",
                    "Command3", "BOTT_SVUOTA", "Text_add", "Text_DESCR_ERR", "Text_QTA_AIC",
                    "Comm_REGISTRA", "Text_MOLECO", "Text_ATCX", "Text_COD_ERR"},
                   30));
    QCOMPARE(f.boxes.texts(), QStringList());
    QCOMPARE(f.context->utenti.Errore, errorChosen ? 7 : 0);
}

void tst_RegistraKeyboard::paddedFieldsShowTheirStart()
{
    auto tab = prescriptionAndDrug();
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("7"),
                        [](QTreeWidget* list) { QTest::keyClick(list, Qt::Key_Escape); }));
    auto* charge = f.find<QLineEdit>("Text_add");
    auto* subject = f.find<QLineEdit>("Text_sogg");
    QCOMPARE(subject->text(), QStringLiteral("Farmacia").leftJustified(80));
    // What a field shows: its cursor's place on screen tells how far it is scrolled.
    const auto showsStart = [](QLineEdit* box) {
        box->grab(); // lays the text out as a paint does
        const QRect cursor = box->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        return box->cursorPosition() == 0 && cursor.left() < box->width() / 4;
    };

    // Tab into the field: whole text selected for a copy, its start in view.
    f.find<QWidget>("Text_DESCR_ERR")->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focusName(), QStringLiteral("Text_add"));
    QCOMPARE(charge->selectedText(), charge->text());
    QVERIFY(showsStart(charge));
    // Its menu, opening, leaves the text selected for "Copia".
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(2, 2),
                              charge->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(charge, &menuKey);
    QMenu* menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
    QCOMPARE(charge->selectedText(), charge->text());
    menu->close();
    f.activate();
    QTest::keyClick(charge, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(focusName(), QStringLiteral("Text_add"));
    QVERIFY(showsStart(charge));

    // Scrolled to the end by the operator, the field is back at its start once left.
    subject->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(subject, Qt::Key_End);
    QVERIFY(!showsStart(subject));
    QTest::keyClick(subject, Qt::Key_Tab);
    QCOMPARE(focusName(), QStringLiteral("bott_assi"));
    QVERIFY(showsStart(subject));
    QVERIFY(showsStart(charge));
}

void tst_RegistraKeyboard::prescriptionNotFoundEmptiesItsStatusBar()
{
    auto tab = prescriptionAndDrug();
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    auto* bar = f.find<PanelStatusBar>("StatusBar4");
    QCOMPARE(bar->text(0), QStringLiteral("MARZO     2024"));
    QVERIFY(bar->text(1).startsWith(QStringLiteral("77 - FARMACIA UNO")));

    tab->server.setSoapAnswer(200, world("<QueryRicetteResponse/>"));
    f.find<QLineEdit>("Text120")->clear();
    f.find<QLineEdit>("Text12")->clear();
    typeNumber(f, QStringLiteral("123450000043222"));
    QVERIFY(tab->server.lastRequest().body.contains("numrickey='123450000043222'"));
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("RICETTA NON TROVATA")});
    QCOMPARE(bar->text(0), QString());
    QCOMPARE(bar->text(1), QString());
}

QTEST_MAIN(tst_RegistraKeyboard)
#include "test_registra_keyboard.moc"
