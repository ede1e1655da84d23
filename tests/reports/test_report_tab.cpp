#include "ColumnTag.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "Ricetta.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace TestService;

namespace {

QByteArray record(const QByteArray& id, const QByteArray& mese, const QByteArray& codfarma,
                  const QByteArray& farmacia, const QByteArray& flusso = "DPC")
{
    return "<Errore><ID> " + id + " </ID><Flusso>" + flusso + "</Flusso><Anno>2024</Anno><Mese>" +
           mese + "</Mese><Codfarma>" + codfarma + "</Codfarma><Farmacia>" + farmacia +
           "</Farmacia><NumricKey>1234500000" + id.trimmed().left(5) +
           "</NumricKey><Assistito>RUSSO</Assistito><Pezzi>2</Pezzi><Lordo>1234,5</Lordo>"
           "<CodErrore>12</CodErrore><DescrizioneErrore>RICETTA SCADUTA</DescrizioneErrore>"
           "</Errore>";
}

// One answer for every operation: each cuts its own result out of it.
QByteArray answerWith(const QByteArray& records)
{
    QByteArray results = "<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome>"
                         "</LoginUserResult>";
    if (!records.isNull())
        results += "<F_LoadErroreByAnnoMeseResult>" + records + "</F_LoadErroreByAnnoMeseResult>";
    return answer(results + "<AnnullaErroreFarmaciaResult><Errore><ID>1</ID></Errore>"
                            "</AnnullaErroreFarmaciaResult>");
}

const QByteArray fourRecords =
    record("41", "10", "120", "FARMACIA ROSSI, DR. BIANCHI") +
    record("42", "2", "5", "FARMACIA CENTRALE") +
    record("43", "0", "30", "FARMACIA DEL CORSO", "ALTRO") +
    "<Errore><ID>7x</ID><Mese>11</Mese><Codfarma>1000</Codfarma></Errore>";

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

class tst_ReportTab : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void enteringPresetsTheFiltersAndRunsTheReport();
    void enteringWithoutDataLeavesTheFocusOnThisTab();
    void monthChoiceAndAnnuo();
    void requestValues_data();
    void requestValues();
    void listColumnsFormatsAndOrder();
    void detailShowsTheChosenRecord();
    void cancellation_data();
    void cancellation();
    void noDataKeepsTheStagedAnswer();
    void pharmacyLookUpsThatFindNone_data();
    void pharmacyLookUpsThatFindNone();

private:
    struct Session
    {
        TlsTestServer server;
        std::unique_ptr<MainWindowFixture> f;
    };
    std::unique_ptr<Session> logIn(const QByteArray& records);
    static void enterReports(MainWindowFixture& f)
    {
        f.find<QTabWidget>("SSTab1")->setCurrentIndex(3);
    }
};

void tst_ReportTab::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}

std::unique_ptr<tst_ReportTab::Session> tst_ReportTab::logIn(const QByteArray& records)
{
    auto s = std::make_unique<Session>();
    if (!s->server.listen())
        return nullptr;
    s->server.setSoapAnswer(200, answerWith(records));
    s->f = std::make_unique<MainWindowFixture>(configFor(s->server));
    if (!s->f->logIn(QStringLiteral("u"), QStringLiteral("p")))
        return nullptr;
    s->f->boxes.clear();
    return s;
}

void tst_ReportTab::enteringPresetsTheFiltersAndRunsTheReport()
{
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    f.find<QCheckBox>("Check_TT")->setChecked(false);
    f.find<QLineEdit>("Txt_cod")->setText(QStringLiteral("77"));

    // No prescription looked up: the current year, the whole year, all pharmacies.
    enterReports(f);
    const QString year = QString::number(QDate::currentDate().year());
    QCOMPARE(f.find<QLineEdit>("Txt_SC_ANNO")->text(), year);
    QCOMPARE(f.context->utenti.Anno, year.toShort());
    QVERIFY(f.find<QCheckBox>("Check1")->isChecked());
    QVERIFY(f.find<QCheckBox>("Check_TT")->isChecked());
    QVERIFY(f.find<QLineEdit>("Txt_cod")->text().isEmpty());
    QVERIFY(s->server.lastRequest().body.contains("<prov>PA</prov><flusso>2</flusso><anno>" +
                                                  year.toLatin1() +
                                                  "</anno><mese>0</mese><farmacia>0</farmacia>"));
    QCOMPARE(QApplication::focusWidget(), f.find<QTreeWidget>("ListView1"));

    // A prescription of September 2019 looked up: its month and year.
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(1);
    f.context->utenti.Anno = 2019;
    f.context->utenti.Mese = 9;
    enterReports(f);
    QCOMPARE(f.find<QLineEdit>("Txt_SC_ANNO")->text(), QStringLiteral("2019"));
    QCOMPARE(f.context->utenti.Anno, qint16(2019));
    QVERIFY(f.find<QRadioButton>("Option1_8")->isChecked());
    QVERIFY(!f.find<QCheckBox>("Check1")->isChecked());
    QVERIFY(s->server.lastRequest().body.contains("<anno>2019</anno><mese>9</mese>"));
}

void tst_ReportTab::enteringWithoutDataLeavesTheFocusOnThisTab()
{
    auto s = logIn(QByteArray());
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(2);
    enterReports(f);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")});
    QCOMPARE(f.find<QLabel>("Lab_conta")->text(), QStringLiteral("0"));
    auto* list = f.find<QTreeWidget>("ListView1");
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(list->columnCount(), 6);
    QWidget* focused = QApplication::focusWidget();
    QVERIFY(focused && focused != list);
    QVERIFY2(focused->isVisible(), focused->objectName().toLatin1());

    // Keys and clicks on the empty list open nothing.
    ModalDriver driver([](QWidget* modal) { modal->close(); });
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::qWait(50);
    QVERIFY(!driver.acted());
}

void tst_ReportTab::monthChoiceAndAnnuo()
{
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f); // Mese 0: "Annuo"
    auto* annuo = f.find<QCheckBox>("Check1");
    auto* march = f.find<QRadioButton>("Option1_2");
    auto* elabora = f.find<QPushButton>("Comm_ELABORA");
    QVERIFY(annuo->isChecked());

    // The month chosen stays chosen and unticks "Annuo".
    QTest::mouseClick(march, Qt::LeftButton);
    QVERIFY(march->isChecked());
    QVERIFY(!annuo->isChecked());
    QTest::mouseClick(elabora, Qt::LeftButton);
    QVERIFY(s->server.lastRequest().body.contains("<mese>3</mese>"));
    QCOMPARE(f.context->utenti.Mese, qint16(3));

    // "Annuo" clears the months and sends 0; unticked, the last month comes back.
    QTest::mouseClick(annuo, Qt::LeftButton);
    QVERIFY(!march->isChecked());
    QTest::mouseClick(elabora, Qt::LeftButton);
    QVERIFY(s->server.lastRequest().body.contains("<mese>0</mese>"));
    QCOMPARE(f.context->utenti.Mese, qint16(3));
    QTest::mouseClick(annuo, Qt::LeftButton);
    QVERIFY(march->isChecked());
}

void tst_ReportTab::requestValues_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QByteArray>("sent"); // empty: refused, nothing sent
    QTest::newRow("empty code") << ""
                                << "2024" << QByteArray("<farmacia>0</farmacia>");
    QTest::newRow("zeros") << "00123"
                           << "2024" << QByteArray("<farmacia>123</farmacia>");
    QTest::newRow("decimal comma") << "12,5"
                                   << " 2025 " << QByteArray("<farmacia>12</farmacia>");
    QTest::newRow("no year") << ""
                             << "" << QByteArray();
    QTest::newRow("not whole") << ""
                               << "2024.0" << QByteArray();
    QTest::newRow("too early") << ""
                               << "1899" << QByteArray();
    QTest::newRow("too late") << ""
                              << "2101" << QByteArray();
}

void tst_ReportTab::requestValues()
{
    QFETCH(QString, code);
    QFETCH(QString, year);
    QFETCH(QByteArray, sent);
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f);
    auto* list = f.find<QTreeWidget>("ListView1");
    const int rows = list->topLevelItemCount();
    const int requests = s->server.requestCount();
    f.find<QLineEdit>("Txt_cod")->setText(code);
    f.find<QLineEdit>("Txt_SC_ANNO")->setText(year);
    f.boxes.clear();
    QTest::mouseClick(f.find<QPushButton>("Comm_ELABORA"), Qt::LeftButton);
    if (sent.isEmpty()) {
        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("ANNO NON VALIDO")});
        QCOMPARE(f.boxes.shown().first().title, QStringLiteral("QuorvelDPC"));
        QCOMPARE(s->server.requestCount(), requests);
        QCOMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Txt_SC_ANNO"));
        QCOMPARE(list->topLevelItemCount(), rows);
    } else {
        QVERIFY(f.boxes.shown().isEmpty());
        QVERIFY(s->server.lastRequest().body.contains(sent));
        QVERIFY(s->server.lastRequest().body.contains("<anno>" + year.trimmed().toLatin1() +
                                                      "</anno>"));
    }
}

void tst_ReportTab::listColumnsFormatsAndOrder()
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

void tst_ReportTab::detailShowsTheChosenRecord()
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

void tst_ReportTab::cancellation_data()
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

void tst_ReportTab::cancellation()
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

void tst_ReportTab::noDataKeepsTheStagedAnswer()
{
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f);
    auto* list = f.find<QTreeWidget>("ListView1");
    QVERIFY(list->topLevelItemCount() > 0);
    QFile staged(f.stagingPath(QStringLiteral("export_xml.xml")));
    QVERIFY(staged.open(QIODevice::ReadOnly));
    const QByteArray before = staged.readAll();
    staged.close();

    s->server.setSoapAnswer(200, answer("<F_LoadErroreByAnnoMeseResponse/>"));
    f.boxes.clear();
    QTest::mouseClick(f.find<QPushButton>("Comm_ELABORA"), Qt::LeftButton);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")});
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(list->columnCount(), 6);
    QCOMPARE(f.find<QLabel>("Lab_conta")->text(), QStringLiteral("0"));
    QVERIFY(staged.open(QIODevice::ReadOnly));
    QCOMPARE(staged.readAll(), before);

    // Nothing is left to open, so nothing to cancel: no window, no request.
    const int requests = s->server.requestCount();
    bool opened = false;
    ModalDriver driver([&](QWidget* modal) {
        opened = true;
        modal->close();
    });
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    QTest::keyClick(list, Qt::Key_Return);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QCoreApplication::processEvents();
    QVERIFY(!opened);
    QCOMPARE(s->server.requestCount(), requests);
}

void tst_ReportTab::pharmacyLookUpsThatFindNone_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("byCode");
    QTest::addColumn<bool>("allTicked"); // "Tutte le Farmacie" before the search
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("allAfter");
    const QByteArray none("<LoadListaFarmacieResponse/>");
    const QByteArray empty("<LoadListaFarmacieResult></LoadListaFarmacieResult>");
    QTest::newRow("name, no result") << none << false << true << "FARMACIA NON TROVATA"
                                     << ""
                                     << "NESSUNA" << true;
    QTest::newRow("name, no pharmacy") << empty << false << true << ""
                                       << ""
                                       << "NESSUNA" << true;
    QTest::newRow("code, no pharmacy, all ticked") << empty << true << true << ""
                                                   << ""
                                                   << "" << false;
    QTest::newRow("code, no pharmacy, all unticked") << empty << true << false << ""
                                                     << "12"
                                                     << "" << false;
}

void tst_ReportTab::pharmacyLookUpsThatFindNone()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, byCode);
    QFETCH(bool, allTicked);
    QFETCH(QString, message);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(bool, allAfter);
    auto s = logIn(fourRecords);
    QVERIFY(s);
    MainWindowFixture& f = *s->f;
    enterReports(f);
    s->server.setSoapAnswer(200, TestService::answer(answer));
    auto* codeBox = f.find<QLineEdit>("Txt_cod");
    auto* nameBox = f.find<QLineEdit>("txt_rag");
    auto* all = f.find<QCheckBox>("Check_TT");
    all->setChecked(allTicked);
    f.boxes.clear();

    QLineEdit* box = byCode ? codeBox : nameBox;
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(box, byCode ? QStringLiteral("12") : QStringLiteral("NESSUNA"));
    const int before = s->server.requestCount();
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_COMPARE(s->server.requestCount(), before + 1);
    QCoreApplication::processEvents();
    QCOMPARE(f.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(codeBox->text(), code);
    QCOMPARE(nameBox->text(), name);
    QCOMPARE(all->isChecked(), allAfter);
    if (!message.isEmpty())
        QCOMPARE(QApplication::focusWidget(), codeBox);
}

QTEST_MAIN(tst_ReportTab)
#include "test_report_tab.moc"
