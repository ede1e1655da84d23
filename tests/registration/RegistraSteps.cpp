#include "RegistraSteps.h"

#include "ModalDriver.h"
#include "TestService.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>

namespace RegistraSteps {

const QByteArray foundPrescription =
    "<QueryRicetteResult><Anno>2024</Anno><Mese>3</Mese><Progressivo> 5 </Progressivo>"
    "<Farmacia>77</Farmacia></QueryRicetteResult>"
    "<LoadListaFarmacieResult><Farmacie><Ragsoc>FARMACIA UNO</Ragsoc></Farmacie>"
    "</LoadListaFarmacieResult>";

QByteArray world(const QByteArray& prescription, const QByteArray& rest)
{
    return TestService::answer(
        "<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome></LoginUserResult>"
        "<LoadTabErroriResult>"
        "<TabErrori><Errore>7</Errore><Descrizione>RICETTA SCADUTA</Descrizione>"
        "<Soggetto>Farmacia</Soggetto><TipoAddebito>Totale</TipoAddebito></TabErrori>"
        "<TabErrori><Errore>8</Errore><Descrizione>RICETTA DUPLICATA</Descrizione>"
        "<Soggetto>FARMACIA</Soggetto><TipoAddebito>Parziale</TipoAddebito></TabErrori>"
        "<TabErrori><Errore>9</Errore><Descrizione>ricetta smarrita</Descrizione>"
        "<Soggetto>farmacia di turno</Soggetto><TipoAddebito>Nessuno</TipoAddebito></TabErrori>"
        "</LoadTabErroriResult>"
        "<FarmacoDPCbyAICResult><ATC>B01AB05</ATC><Molecola>ENOXAPARINA</Molecola>"
        "<Farmaco>CLEXANE</Farmaco></FarmacoDPCbyAICResult>" +
        prescription + rest);
}

void enterTab(MainWindowFixture& f)
{
    f.boxes.clear();
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(2);
    QTRY_COMPARE(focusName(), QStringLiteral("Text120"));
}

std::unique_ptr<CannedTab> onTheTab(const QByteArray& answer)
{
    auto tab = std::make_unique<CannedTab>();
    if (!tab->server.listen())
        return nullptr;
    tab->server.setSoapAnswer(200, answer);
    tab->f = std::make_unique<MainWindowFixture>(TestService::configFor(tab->server));
    if (!tab->f->logIn(QStringLiteral("u"), QStringLiteral("p")))
        return nullptr;
    enterTab(*tab->f);
    tab->loggedIn = tab->server.requestCount();
    return tab;
}

void typeIn(MainWindowFixture& f, const char* field, const QString& text)
{
    f.find<QWidget>(field)->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(QApplication::focusWidget(), text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

void typeNumber(MainWindowFixture& f, const QString& number)
{
    typeIn(f, "Text120", number.left(5));
    typeIn(f, "Text12", number.mid(5));
}

bool searchError(MainWindowFixture& f, const char* field, const QString& text,
                 const std::function<void(QTreeWidget*)>& act)
{
    ModalDriver driver([&](QWidget* modal) {
        act(modal->findChild<QTreeWidget*>(QStringLiteral("listricette")));
    });
    typeIn(f, field, text);
    if (!QTest::qWaitFor([&] { return driver.acted(); }) ||
        !QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }))
        return false;
    f.activate();
    return true;
}

bool opensNoWindow(MainWindowFixture& f, const char* field, const QString& text)
{
    bool opened = false;
    ModalDriver driver([&](QWidget* modal) {
        opened = true;
        modal->close();
    });
    typeIn(f, field, text);
    QCoreApplication::processEvents(); // runs what leaving the field queued
    return !opened;
}

QString text(MainWindowFixture& f, const char* field)
{
    if (auto* box = f.find<QPlainTextEdit>(field))
        return box->toPlainText().trimmed();
    return f.find<QLineEdit>(field)->text().trimmed();
}

QStringList rows(QTreeWidget* list)
{
    QStringList out;
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->topLevelItem(r)->text(c);
        out << cells.join(u'|');
    }
    return out;
}

QString focusName()
{
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

} // namespace RegistraSteps
