#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace Demo::Fixtures;

class tst_ReportService : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pharmacyByCodeAndByName();
    void pharmacyChoiceFromTheKeyboard();
    void cancelledErrorLeavesTheNextReport();
    void detailAfterAPharmacyLookUpIsEmpty();

private:
    std::unique_ptr<MainWindowFixture> reports(const char* user, const char* password, int year);
    static void typeAndLeave(QLineEdit* box, const QString& text)
    {
        box->setFocus(Qt::MouseFocusReason);
        box->clear();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_ReportService::initTestCase()
{
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

std::unique_ptr<MainWindowFixture> tst_ReportService::reports(const char* user,
                                                              const char* password, int year)
{
    auto f = std::make_unique<MainWindowFixture>(m_demo.config());
    if (!f->logIn(QString::fromLatin1(user), QString::fromLatin1(password)))
        return nullptr;
    f->context->utenti.Anno = qint16(year);
    f->find<QTabWidget>("SSTab1")->setCurrentIndex(3);
    return f;
}

void tst_ReportService::pharmacyByCodeAndByName()
{
    auto f = reports(userPA, passwordPA, firstSeededYear);
    QVERIFY(f);
    auto* code = f->find<QLineEdit>("Txt_cod");
    auto* name = f->find<QLineEdit>("txt_rag");
    auto* all = f->find<QCheckBox>("Check_TT");

    // Keys other than digits, comma and minus are dropped.
    typeAndLeave(code, QStringLiteral("12a3x4"));
    QTRY_COMPARE(name->text(), QString::fromLatin1(pharmacyName));
    QCOMPARE(code->text(), QString::number(pharmacyCode));
    QVERIFY(!all->isChecked());

    f->boxes.clear();
    typeAndLeave(code, QStringLiteral("99999"));
    QTRY_COMPARE(f->boxes.texts(), QStringList{QStringLiteral("FARMACIA NON TROVATA")});
    QVERIFY(code->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), code);

    // "Tutte le Farmacie" empties both fields, whichever way it goes.
    name->setText(QStringLiteral("X"));
    QTest::mouseClick(all, Qt::LeftButton);
    QVERIFY(name->text().isEmpty());

    auto ct = reports(userCT, passwordCT, firstSeededYear);
    QVERIFY(ct);
    typeAndLeave(ct->find<QLineEdit>("txt_rag"), QStringLiteral("etna, dr. carmelo"));
    QTRY_COMPARE(ct->find<QLineEdit>("Txt_cod")->text(), QString::number(pharmacyCodeCT));
    QCOMPARE(ct->find<QLineEdit>("txt_rag")->text(), QString::fromLatin1(pharmacyNameCT));
    QVERIFY(!ct->find<QCheckBox>("Check_TT")->isChecked());
}

void tst_ReportService::pharmacyChoiceFromTheKeyboard()
{
    auto f = reports(userPA, passwordPA, firstSeededYear);
    QVERIFY(f);
    auto* code = f->find<QLineEdit>("Txt_cod");
    auto* name = f->find<QLineEdit>("txt_rag");

    // Esc leaves the fields as they were.
    int rows = 0;
    ModalDriver escape([&](QWidget* modal) {
        rows = modal->findChild<QTreeWidget*>("listfarmacie")->topLevelItemCount();
        QTest::keyClick(modal->findChild<QTreeWidget*>("listfarmacie"), Qt::Key_Escape);
    });
    typeAndLeave(name, QStringLiteral("farmacia"));
    QTRY_VERIFY(escape.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(rows >= 40);
    QCOMPARE(name->text(), QStringLiteral("farmacia"));
    QVERIFY(code->text().isEmpty());
    QVERIFY(f->find<QCheckBox>("Check_TT")->isChecked());
    f->activate();

    // Esc after a code search: the code comes back and, as at the end of every
    // code search, "Tutte le Farmacie" is unticked, so "Elabora" asks for it.
    ModalDriver escapeCode([&](QWidget* modal) {
        QTest::keyClick(modal->findChild<QTreeWidget*>("listfarmacie"), Qt::Key_Escape);
    });
    typeAndLeave(code, QStringLiteral("0"));
    QTRY_VERIFY(escapeCode.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(code->text(), QStringLiteral("0"));
    QVERIFY(!f->find<QCheckBox>("Check_TT")->isChecked());
    f->activate();

    // Code 0 asks for every pharmacy; the third row picked with the keyboard stays
    // in the fields (the file's last pharmacy does not replace it).
    QStringList third;
    bool listFocused = false;
    ModalDriver pick([&](QWidget* modal) {
        auto* list = modal->findChild<QTreeWidget*>("listfarmacie");
        listFocused = modal->focusWidget() == list;
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        third = QStringList{list->currentItem()->text(0), list->currentItem()->text(1)};
        QTest::keyClick(list, Qt::Key_Return);
    });
    typeAndLeave(code, QStringLiteral("0"));
    QTRY_VERIFY(pick.acted());
    QVERIFY(listFocused);
    QTRY_COMPARE((QStringList{code->text(), name->text()}), third);
    QVERIFY(!f->find<QCheckBox>("Check_TT")->isChecked());
}

void tst_ReportService::cancelledErrorLeavesTheNextReport()
{
    auto f = reports(userPA, passwordPA, firstSeededYear);
    QVERIFY(f);
    auto* list = f->find<QTreeWidget>("ListView1");
    QTRY_VERIFY(list->topLevelItemCount() > 0);
    const int before = list->topLevelItemCount();
    QCOMPARE(f->find<QLabel>("Lab_conta")->text(), QString::number(before));
    const QString id = list->topLevelItem(0)->text(5);

    QString number, month;
    f->boxes.answerNext(QMessageBox::Yes);
    ModalDriver driver([&](QWidget* modal) {
        number = modal->findChild<QLineEdit*>("Text_NR")->text();
        month = modal->findChild<QLineEdit*>("Text_mese")->text();
        QTest::mouseClick(modal->findChild<QPushButton*>("bott_elim"), Qt::LeftButton);
        QTest::mouseClick(modal->findChild<QPushButton*>("Com_03"), Qt::LeftButton);
    });
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(driver.acted());
    QCOMPARE(number, list->topLevelItem(0)->text(4));
    QVERIFY(month.endsWith(QStringLiteral("/%1").arg(firstSeededYear)));
    QCOMPARE(f->boxes.texts().last(), QStringLiteral("ERRORE CANCELLATO"));
    f->activate();

    QTest::mouseClick(f->find<QPushButton>("Comm_ELABORA"), Qt::LeftButton);
    QCOMPARE(list->topLevelItemCount(), before - 1);
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        QVERIFY(list->topLevelItem(r)->text(5) != id);
}

void tst_ReportService::detailAfterAPharmacyLookUpIsEmpty()
{
    auto f = reports(userPA, passwordPA, firstSeededYear);
    QVERIFY(f);
    auto* list = f->find<QTreeWidget>("ListView1");
    QTRY_VERIFY(list->topLevelItemCount() > 0);
    typeAndLeave(f->find<QLineEdit>("Txt_cod"), QString::number(pharmacyCode));
    QTRY_VERIFY(!f->find<QLineEdit>("txt_rag")->text().isEmpty());

    QString number = QStringLiteral("?");
    bool canCancel = true;
    ModalDriver driver([&](QWidget* modal) {
        number = modal->findChild<QLineEdit*>("Text_NR")->text();
        canCancel = modal->findChild<QPushButton*>("bott_elim")->isEnabled();
        modal->close();
    });
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(0)).center());
    QTRY_VERIFY(driver.acted());
    QVERIFY(number.isEmpty());
    QVERIFY(!canCancel);
}

QTEST_MAIN(tst_ReportService)
#include "test_report_service.moc"
