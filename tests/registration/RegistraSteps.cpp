#include "RegistraSteps.h"

#include "ModalDriver.h"

#include <QTabWidget>
#include <QTreeWidget>

namespace RegistraSteps {

void enterTab(MainWindowFixture& f)
{
    f.boxes.clear();
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(2);
    QTRY_COMPARE(focusName(), QStringLiteral("Text120"));
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
