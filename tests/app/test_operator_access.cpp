#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using namespace TestService;

namespace {

const QByteArray login = "<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome>"
                         "</LoginUserResult>";
const QByteArray prescription =
    "<QueryRicetteResult><Anno>2024</Anno><Mese>3</Mese><Progressivo>42</Progressivo>"
    "<Assistito>ROSSI MARIO</Assistito><Codice_assistito>RSSMRA80A01H501U</Codice_assistito>"
    "<Farmacia>77</Farmacia></QueryRicetteResult>"
    "<LoadListaFarmacieResult><Farmacie><Codice>77</Codice><Ragsoc>FARMACIA UNO</Ragsoc>"
    "</Farmacie></LoadListaFarmacieResult>";
const QByteArray history =
    "<FindByCFResult><ListaAnagrafica><Anagrafica><ID>5</ID></Anagrafica></ListaAnagrafica>"
    "</FindByCFResult>"
    "<FindFarmaResult><Farmaci><Atc>B01AB05</Atc><Gruppo>EPARINE</Gruppo>"
    "<Descrizione>CLEXANE</Descrizione></Farmaci></FindFarmaResult>"
    "<FindFarmaByIdResult><Farmaci><Atc>35946023</Atc><Descrizione>CLEXANE</Descrizione>"
    "</Farmaci></FindFarmaByIdResult>";
const QByteArray twoErrors =
    "<F_LoadErroreByAnnoMeseResult>"
    "<Errore><ID>1</ID><Anno>2024</Anno><Mese>3</Mese><Codfarma>77</Codfarma></Errore>"
    "<Errore><ID>2</ID><Anno>2024</Anno><Mese>3</Mese><Codfarma>77</Codfarma></Errore>"
    "</F_LoadErroreByAnnoMeseResult>";

struct Session
{
    TlsTestServer server;
    std::unique_ptr<MainWindowFixture> f;
};

std::unique_ptr<Session> logIn(const QByteArray& results)
{
    auto s = std::make_unique<Session>();
    if (!s->server.listen())
        return nullptr;
    s->server.setSoapAnswer(200, answer(login + results));
    s->f = std::make_unique<MainWindowFixture>(configFor(s->server));
    if (!s->f->logIn(QStringLiteral("u"), QStringLiteral("p")))
        return nullptr;
    s->f->boxes.clear();
    return s;
}

QString accessible(QWidget* widget, QAccessible::Text which)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(which) : QStringLiteral("<none>");
}

// What the operator sees on the control: a window's title, a label's or button's text.
QString visibleText(QWidget* widget)
{
    if (widget->isWindow())
        return widget->windowTitle();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    return qobject_cast<QAbstractButton*>(widget)->text();
}

struct Heard
{
    QString name, description, shown;
};

Heard hear(QWidget* widget)
{
    return {accessible(widget, QAccessible::Name), accessible(widget, QAccessible::Description),
            visibleText(widget)};
}

void typeNumber(MainWindowFixture& f)
{
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(2);
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QWidget>("Text120"));
    for (const char* part : {"12345", "0000043211"}) {
        QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(part));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
}

void sendKey(QWidget* widget, Qt::Key key, const QString& text, Qt::KeyboardModifiers mods = {})
{
    QTest::sendKeyEvent(QTest::Press, widget, key, text, mods);
    QTest::sendKeyEvent(QTest::Release, widget, key, text, mods);
}

} // namespace

class tst_OperatorAccess : public QObject
{
    Q_OBJECT
private slots:
    void dataControlsAreReadWithTheirText_data();
    void dataControlsAreReadWithTheirText();
    void editingKeysInFilteredFields();
};

void tst_OperatorAccess::dataControlsAreReadWithTheirText_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("purpose");
    QTest::addColumn<QString>("filled");  // what the look-up shows
    QTest::addColumn<QString>("cleared"); // what is shown once cleared; null: not cleared
    const QString patient = QStringLiteral("ROSSI MARIO - RSSMRA80A01H501U");
    QTest::newRow("Label18") << "Label18"
                             << "Progressivo"
                             << "42"
                             << "";
    QTest::newRow("bott_assi") << "bott_assi"
                               << "Assistito della ricetta"
                               << "ASSISTITO : ROSSI MARIO - Cod.Fisc. RSSMRA80A01H501U"
                               << "";
    QTest::newRow("Lab_conta") << "Lab_conta"
                               << "Record N°"
                               << "2"
                               << "0";
    QTest::newRow("legge_FAR") << "legge_FAR"
                               << "Farmaci dell'assistito"
                               << "    " + patient << QString();
    QTest::newRow("legge_ATC") << "legge_ATC"
                               << "Farmaci dell'assistito per ATC"
                               << "    " + patient + " - ATC : B01AB05" << QString();
}

void tst_OperatorAccess::dataControlsAreReadWithTheirText()
{
    QFETCH(QString, control);
    QFETCH(QString, purpose);
    QFETCH(QString, filled);
    QFETCH(QString, cleared);
    auto s = logIn(prescription + history + twoErrors);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    typeNumber(f);

    Heard whenFilled, whenCleared;
    if (control == QLatin1String("legge_FAR") || control == QLatin1String("legge_ATC")) {
        std::unique_ptr<ModalDriver> atc;
        ModalDriver far("legge_FAR", [&](QWidget* window) {
            if (control == QLatin1String("legge_FAR")) {
                whenFilled = hear(window);
            } else {
                atc = std::make_unique<ModalDriver>("legge_ATC", [&](QWidget* inner) {
                    whenFilled = hear(inner);
                    inner->close();
                });
                QTest::keyClick(window->findChild<QTreeWidget*>("listricette"), Qt::Key_Return);
            }
            window->close();
        });
        QTest::mouseClick(f.find<QPushButton>("bott_assi"), Qt::LeftButton);
        QTRY_VERIFY(far.acted());
        QTRY_VERIFY(!QApplication::activeModalWidget());
    } else if (control == QLatin1String("Lab_conta")) {
        f.find<QTabWidget>("SSTab1")->setCurrentIndex(3);
        whenFilled = hear(f.find<QWidget>("Lab_conta"));
        s->server.setSoapAnswer(200, answer(login));
        QTest::mouseClick(f.find<QPushButton>("Comm_ELABORA"), Qt::LeftButton);
        whenCleared = hear(f.find<QWidget>("Lab_conta"));
    } else {
        whenFilled = hear(f.find<QWidget>(control.toLatin1().constData()));
        QTest::mouseClick(f.find<QPushButton>("Command3"), Qt::LeftButton);
        whenCleared = hear(f.find<QWidget>(control.toLatin1().constData()));
    }

    // The name is the text on screen, the purpose is the description.
    QCOMPARE(whenFilled.shown, filled);
    QCOMPARE(whenFilled.name, filled);
    QCOMPARE(whenFilled.description, purpose);
    if (!cleared.isNull()) {
        QCOMPARE(whenCleared.shown, cleared);
        // An empty control is named by the toolkit (after its frame); never
        // by the data it no longer shows.
        if (cleared.isEmpty())
            QVERIFY2(!whenCleared.name.contains(filled), qPrintable(whenCleared.name));
        else
            QCOMPARE(whenCleared.name, cleared);
        QCOMPARE(whenCleared.description, purpose);
    }
}

void tst_OperatorAccess::editingKeysInFilteredFields()
{
    auto s = logIn(QByteArray());
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    struct Field
    {
        int tab;
        const char* name;
        QString typed, afterDelete, pasted, afterPaste;
    };
    // In an order the number fields' focus rules let through.
    // Typed, Home, Delete (as Linux sends it, with the text "\x7f"), then a
    // paste over the whole text: the paste goes through the same filter.
    const QList<Field> fields = {
        {2, "Text_QTA_AIC", "-1", "1", "a7", "7"},
        {2, "Text120", "1a2", "A2", "x9y-z", "X9Y-Z"},
        {2, "Text12", "b34", "34", "12ab", "12AB"},
        {3, "Txt_cod", "1,2", ",2", " 1a2,-3.", "12,-3"},
    };
    for (const Field& field : fields) {
        f.find<QTabWidget>("SSTab1")->setCurrentIndex(field.tab);
        f.boxes.clear();
        auto* box = f.find<QLineEdit>(field.name);
        box->setFocus(Qt::MouseFocusReason);
        QVERIFY(box->hasFocus());
        box->clear();
        QTest::keyClicks(box, field.typed);
        sendKey(box, Qt::Key_Home, QString());
        sendKey(box, Qt::Key_Delete, QStringLiteral("\x7f"));
        QVERIFY2(box->text() == field.afterDelete,
                 qPrintable(QStringLiteral("%1: %2").arg(field.name, box->text())));
        // Ctrl+A, Ctrl+V with the control characters they carry.
        QGuiApplication::clipboard()->setText(field.pasted);
        sendKey(box, Qt::Key_A, QStringLiteral("\x01"), Qt::ControlModifier);
        sendKey(box, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
        QVERIFY2(box->text() == field.afterPaste,
                 qPrintable(QStringLiteral("%1: %2").arg(field.name, box->text())));
        // Backspace still edits.
        sendKey(box, Qt::Key_Backspace, QStringLiteral("\x08"));
        QVERIFY2(box->text() == field.afterPaste.chopped(1), field.name);
        box->clear();
    }
}

QTEST_MAIN(tst_OperatorAccess)
#include "test_operator_access.moc"
