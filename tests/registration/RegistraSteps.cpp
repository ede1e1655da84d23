#include "RegistraSteps.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace RegistraSteps {

void enterTab(MainWindowFixture& f)
{
    f.boxes.clear();
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(2);
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Text120"));
}

void typeNumber(MainWindowFixture& f, const QString& first, const QString& second)
{
    auto* a = f.find<QLineEdit>("Text120");
    a->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(a, first);
    QTest::keyClick(a, Qt::Key_Return);
    auto* b = f.find<QLineEdit>("Text12");
    QTest::keyClicks(b, second);
    QTest::keyClick(b, Qt::Key_Return);
}

void typeAic(MainWindowFixture& f, const QString& aic)
{
    auto* box = f.find<QLineEdit>("Text_COD_AIC");
    box->setFocus(Qt::MouseFocusReason);
    box->clear();
    QTest::keyClicks(box, aic);
    QTest::keyClick(box, Qt::Key_Return);
}

QTreeWidget* errorList(QWidget* modal)
{
    if (!modal || modal->objectName() != QStringLiteral("vede_errori"))
        return nullptr;
    return modal->findChild<QTreeWidget*>(QStringLiteral("listricette"));
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

QString call(MainWindowFixture& f, const QString& operation,
             const QList<QPair<QString, QString>>& children)
{
    const QString response = f.context->service().post(operation, children);
    return ServiceCall::inMemory(response, operation, true).value_or(QString());
}

} // namespace RegistraSteps
