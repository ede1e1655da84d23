// The REPORTS tab's list and what opens from it: columns, formats and sort
// order, the detail of a record, and cancelling the error it shows.
#include "ColumnTag.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "ReportTabSession.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace ReportTabSession;

namespace {

QStringList column(QTreeWidget* list, int c)
{
    QStringList cells;
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        cells << list->topLevelItem(r)->text(c);
    return cells;
}

void clickHeader(QTreeWidget* list, int section)
{
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(section) + 4, header->height() / 2));
}

} // namespace

class tst_ReportList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void listColumnsFormatsAndOrder();
    void detailShowsTheChosenRecord();
    void cancellation_data();
    void cancellation();
};

void tst_ReportList::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}

void tst_ReportList::listColumnsFormatsAndOrder()
{
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f);
    auto* list = f.find<QTreeWidget>("ListView1");
    QStringList headers, tags;
    for (int c = 0; c < list->columnCount(); ++c) {
        headers << list->headerItem()->text(c);
        tags << ColumnTag::headerTag(list, c);
    }
    QCOMPARE(headers, (QStringList{"ANNO", "MESE", "CODICE", "FARMACIA", "RICETTA N°", ""}));
    // CODICE has been sorted once: its next click sorts descending.
    QCOMPARE(tags, (QStringList{"S|True|", "S|True|", "S|False|", "S|True|", "N|True|", ""}));
    QVERIFY(list->header()->isSectionHidden(5));
    QCOMPARE(f.find<QLabel>("Lab_conta")->text(), QStringLiteral("4"));

    // Ascending CODICE; "##" leaves month 0 empty; a comma arrives as a full stop;
    // the record without a year or name repeats the previous record's values.
    QCOMPARE(column(list, 2), (QStringList{"00005", "00030", "00120", "01000"}));
    QCOMPARE(column(list, 1), (QStringList{"2", "", "10", "11"}));
    QCOMPARE(column(list, 3)[2], QStringLiteral("FARMACIA ROSSI. DR. BIANCHI"));
    QCOMPARE(list->topLevelItem(3)->text(0), QStringLiteral("2024"));
    QCOMPARE(list->topLevelItem(3)->text(3), QStringLiteral("FARMACIA DEL CORSO"));
    QCOMPARE(column(list, 5), (QStringList{"42", "43", "41", "7x"}));
    QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(0)});
    QCOMPARE(list->currentItem(), list->topLevelItem(0));

    clickHeader(list, 2);
    QCOMPARE(column(list, 2), (QStringList{"01000", "00120", "00030", "00005"}));
    clickHeader(list, 1); // months sort as text
    QCOMPARE(column(list, 1), (QStringList{"", "10", "11", "2"}));
    QCOMPARE(QApplication::focusWidget(), list);
}

void tst_ReportList::detailShowsTheChosenRecord()
{
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f);
    auto* list = f.find<QTreeWidget>("ListView1");

    // Row 00005 (ID 42) by Enter; Elimina asked and answered No sends nothing.
    QMap<QString, QString> seen;
    bool canCancel = false;
    bool cfFits = false;
    int requests = 0;
    ModalDriver first([&](QWidget* modal) {
        for (auto* box : modal->findChildren<QLineEdit*>())
            seen[box->objectName()] = box->text();
        seen["Text_DESCR_ERR"] = modal->findChild<QPlainTextEdit*>("Text_DESCR_ERR")->toPlainText();
        // A whole fiscal code fits its field, frame and margins aside.
        auto* cf = modal->findChild<QLineEdit*>("Text_CF");
        cfFits = cf->width() - 8 >= cf->fontMetrics().horizontalAdvance("RSSGPP50A01G273X");
        auto* elimina = modal->findChild<QPushButton*>("bott_elim");
        canCancel = elimina->isEnabled();
        requests = s->server.requestCount();
        QTest::mouseClick(elimina, Qt::LeftButton);
        requests = s->server.requestCount() - requests;
        QTest::mouseClick(modal->findChild<QPushButton*>("Com_03"), Qt::LeftButton);
    });
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(first.acted());
    QCOMPARE(f.context->utenti.Id_errore, QStringLiteral("42"));
    QCOMPARE(seen["Text_mese"], QStringLiteral("02/2024"));
    QCOMPARE(seen["Text_COD"], QStringLiteral("5"));
    QCOMPARE(seen["Text_NR"], QStringLiteral("123450000042"));
    QCOMPARE(seen["Text_NETTO"], QStringLiteral("1.234,50"));
    QCOMPARE(seen["Text_DESCR_ERR"], QStringLiteral("RICETTA SCADUTA"));
    QVERIFY(seen["Text_CF"].isEmpty());
    QVERIFY(cfFits);
    QVERIFY(canCancel);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("PROVVEDO ALLA ELIMINAZIONE ? ")});
    QCOMPARE(f.boxes.shown().first().title, QString());
    QCOMPARE(requests, 0);
    f.activate();

    // A flow other than DPC cancels with 1.
    f.boxes.clear();
    f.boxes.answerNext(QMessageBox::Yes);
    ModalDriver second([&](QWidget* modal) {
        QTest::mouseClick(modal->findChild<QPushButton*>("bott_elim"), Qt::LeftButton);
        canCancel = modal->findChild<QPushButton*>("bott_elim")->isEnabled();
        modal->close();
    });
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(1)).center());
    QTRY_VERIFY(second.acted());
    QVERIFY(s->server.lastRequest().body.contains("<prov>PA</prov><flusso>1</flusso><id>43</id>"));
    QCOMPARE(f.boxes.texts().last(), QStringLiteral("ERRORE CANCELLATO"));
    QVERIFY(!canCancel);
    QCOMPARE(f.context->utenti.Id_errore, QString());
    f.activate();

    // An ID that is not a whole number cannot be cancelled.
    ModalDriver third([&](QWidget* modal) {
        canCancel = modal->findChild<QPushButton*>("bott_elim")->isEnabled();
        modal->close();
    });
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Space);
    QTRY_VERIFY(third.acted());
    QCOMPARE(f.context->utenti.Id_errore, QStringLiteral("7x"));
    QVERIFY(!canCancel);
}

void tst_ReportList::cancellation_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QByteArray>("answer"); // to the cancellation
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("dropped"); // the connection closes before the answer
    const QByteArray done = "<AnnullaErroreFarmaciaResult><Errore><ID>1</ID></Errore>"
                            "</AnnullaErroreFarmaciaResult>";
    const QByteArray dpc = "<prov>PA</prov><flusso>2</flusso><id>42</id>";
    QTest::newRow("DPC flow") << QByteArray("42") << done << dpc << "ERRORE CANCELLATO" << false;
    QTest::newRow("empty flow") << QByteArray("44") << done
                                << QByteArray("<prov>PA</prov><flusso>1</flusso><id>44</id>")
                                << "ERRORE CANCELLATO" << false;
    QTest::newRow("no result")
        << QByteArray("42")
        << QByteArray(
               "<AnnullaErroreFarmaciaResponse><Errore>1</Errore></AnnullaErroreFarmaciaResponse>")
        << dpc << "ERRORE NON TROVATO" << false;
    QTest::newRow("result without Errore")
        << QByteArray("42")
        << QByteArray("<AnnullaErroreFarmaciaResult>1</AnnullaErroreFarmaciaResult>") << dpc
        << "ERRORE NON TROVATO" << false;
    // Never posted a second time behind the operator's back.
    QTest::newRow("answer lost") << QByteArray("42") << done << dpc << "ERRORE NON TROVATO" << true;
}

void tst_ReportList::cancellation()
{
    QFETCH(QByteArray, id);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, sent);
    QFETCH(QString, message);
    QFETCH(bool, dropped);
    auto s = logIn(record("42", "2", "5", "FARMACIA CENTRALE") +
                   record("44", "3", "6", "FARMACIA NUOVA", ""));
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f);
    auto* list = f.find<QTreeWidget>("ListView1");
    QTreeWidgetItem* row = nullptr;
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        if (list->topLevelItem(r)->text(5) == QString::fromLatin1(id))
            row = list->topLevelItem(r);
    }
    QVERIFY(row);
    // From here on the service answers only the cancellation.
    s->server.setResponder([&](const TlsRequest&) {
        TlsAnswer a = TlsAnswer::soap(200, TestService::answer(answer));
        if (dropped)
            a.delivery = TlsAnswer::Delivery::Dropped;
        return a;
    });
    const bool cancelled = message == QLatin1String("ERRORE CANCELLATO");

    // Opened twice: a cancelled row can be cancelled again, a failed one retried.
    int cancellations = 0;
    for (int opening = 0; opening < 2; ++opening) {
        bool enabledBefore = false, enabledAfter = true;
        f.boxes.clear();
        f.boxes.answerNext(QMessageBox::Yes);
        const int before = s->server.requestCount();
        ModalDriver driver([&](QWidget* modal) {
            auto* elimina = modal->findChild<QPushButton*>("bott_elim");
            enabledBefore = elimina->isEnabled();
            QTest::mouseClick(elimina, Qt::LeftButton);
            enabledAfter = elimina->isEnabled();
            modal->close();
        });
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
        QTRY_VERIFY(driver.acted());
        QTRY_VERIFY(!QApplication::activeModalWidget());
        f.activate();
        QVERIFY(enabledBefore);
        QCOMPARE(s->server.requestCount(), before + 1);
        ++cancellations;
        QVERIFY2(s->server.lastRequest().body.contains(
                     "<AnnullaErroreFarmacia xmlns='http://tempuri.org/'>" + sent +
                     "</AnnullaErroreFarmacia>"),
                 s->server.lastRequest().body.constData());
        QCOMPARE(f.boxes.texts(),
                 (QStringList{QStringLiteral("PROVVEDO ALLA ELIMINAZIONE ? "), message}));
        // A failure reported as such leaves "Elimina" to try again.
        QCOMPARE(enabledAfter, !cancelled);
    }
    QCOMPARE(cancellations, 2);
}

QTEST_MAIN(tst_ReportList)
#include "test_report_list.moc"
