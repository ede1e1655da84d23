// What the exports of the REPORTS tab refuse before writing anything, and
// where they write: amounts and codes that are not plain, a text longer than
// a spreadsheet's cell, and symbolic links at the names they write.
#include "ExportFileDialog.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "Ricetta.h"
#include "TestService.h"
#include "TlsTestServer.h"
#include "XlsxText.h"

#include <QDir>
#include <QJsonArray>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

const QString Second = QStringLiteral("202600000000002");

// Two errors; the second one's code, amount (null: no <Lordo> at all) and
// description as given.
QByteArray answer(const QByteArray& code, const QByteArray& lordo,
                  const QByteArray& description = "RICETTA SCADUTA")
{
    const auto record = [](const QByteArray& id, const QByteArray& codfarma,
                           const QByteArray& amount, const QByteArray& text) {
        return "<Errore><ID>" + id +
               "</ID><Flusso>DPC</Flusso><Anno>2026</Anno><Mese>3</Mese><Codfarma>" + codfarma +
               "</Codfarma><Farmacia>FARMACIA " + codfarma +
               "</Farmacia><NumricKey>20260000000000" + id +
               "</NumricKey><Assistito>ROSSI MARIA</Assistito><Pezzi>1</Pezzi>" +
               (amount.isNull() ? QByteArray() : "<Lordo>" + amount + "</Lordo>") +
               "<CodErrore>12</CodErrore><DescrizioneErrore>" + text +
               "</DescrizioneErrore></Errore>";
    };
    return TestService::answer(
        "<LoginUserResult><ID>1</ID><Prov>PA</Prov><ASP>ASP</ASP><Nome>MARIO</Nome>"
        "</LoginUserResult><F_LoadErroreByAnnoMeseResult>" +
        record("1", "4", "10,00", "RICETTA SCADUTA") + record("2", code, lordo, description) +
        "</F_LoadErroreByAnnoMeseResult>");
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file a link will point at, "bersaglio.pdf" holding "bersaglio"; empty when it cannot be made.
QString plantTarget(const QString& folder)
{
    const QString target = QDir(folder).filePath(QStringLiteral("bersaglio.pdf"));
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write("bersaglio") != 9)
        return {};
    return target;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class tst_NoticeRefusals : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void refusedBeforeAnyFile_data();
    void refusedBeforeAnyFile();
    void textLongerThanACell();
    void noticesReplaceLinks();
    void filesReplaceLinks();

private:
    QTreeWidget* list() { return m_f->find<QTreeWidget>("ListView1"); }
    // The report run anew on this answer.
    void report(const QByteArray& body);
    // One export into `folder`: "csv", "xlsx" or "pdf" by Ctrl+E, "notices" per pharmacy.
    void exportInto(const QString& folder, const QString& kind,
                    const QString& name = QStringLiteral("errori"));
    QString newFolder();

    TlsTestServer m_server;
    std::unique_ptr<MainWindowFixture> m_f;
    QTemporaryDir m_out;
    int m_folders = 0;
};

void tst_NoticeRefusals::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setSoapAnswer(200, answer("5", "2,50"));
    m_f = std::make_unique<MainWindowFixture>(TestService::configFor(m_server));
    QVERIFY(m_f->logIn(QStringLiteral("u"), QStringLiteral("p")));
    m_f->context->utenti.Anno = 2026;
    m_f->find<QTabWidget>("SSTab1")->setCurrentIndex(3);
    QTRY_COMPARE(list()->topLevelItemCount(), 2);
}

void tst_NoticeRefusals::init()
{
    ExportFileDialog::reset();
    m_f->boxes.clear();
}

void tst_NoticeRefusals::report(const QByteArray& body)
{
    m_server.setSoapAnswer(200, body);
    m_f->activate();
    QTest::mouseClick(m_f->find<QPushButton>("Comm_ELABORA"), Qt::LeftButton);
    m_f->boxes.clear();
}

QString tst_NoticeRefusals::newFolder()
{
    const QString folder = m_out.filePath(QString::number(++m_folders));
    QDir().mkpath(folder);
    return folder;
}

void tst_NoticeRefusals::exportInto(const QString& folder, const QString& kind, const QString& name)
{
    m_f->activate();
    list()->setFocus();
    if (kind == u"notices") {
        ExportFileDialog::setFolderChooser(
            [folder](QWidget*, const QString&, const QString&) { return folder; });
        list()->findChild<QAction*>("EsportaPerFarmacia")->trigger();
        return;
    }
    const QString path = QDir(folder).filePath(name + u'.' + kind);
    ExportFileDialog::setChooser(
        [path](QWidget*, const QString&, const QString&, const QString&) { return path; });
    QTest::keyClick(list(), Qt::Key_E, Qt::ControlModifier);
}

void tst_NoticeRefusals::refusedBeforeAnyFile_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QByteArray>("lordo");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("onlyNotices"); // the other files are written as usual
    const QString invalid = QStringLiteral("IMPORTO NON VALIDO NELLA RICETTA ") + Second;
    QTest::newRow("both separators")
        << QByteArray("5") << QByteArray("1.234,56") << invalid << false;
    QTest::newRow("letters") << QByteArray("5") << QByteArray("abc") << invalid << false;
    QTest::newRow("empty") << QByteArray("5") << QByteArray("") << invalid << false;
    QTest::newRow("missing") << QByteArray("5") << QByteArray() << invalid << false;
    QTest::newRow("14 whole digits")
        << QByteArray("5") << QByteArray("12345678901234,00")
        << QStringLiteral("IMPORTO TROPPO GRANDE NELLA RICETTA ") + Second << false;
    for (const char* code : {"5A", "5.5", ""})
        QTest::newRow(code) << QByteArray(code) << QByteArray("2,50")
                            << QStringLiteral("CODICE FARMACIA NON VALIDO NELLA RICETTA ") + Second
                            << true;
}

// Refused with a message naming the prescription; the folder stays empty.
void tst_NoticeRefusals::refusedBeforeAnyFile()
{
    QFETCH(QByteArray, code);
    QFETCH(QByteArray, lordo);
    QFETCH(QString, message);
    QFETCH(bool, onlyNotices);
    report(answer(code, lordo));
    QCOMPARE(list()->topLevelItemCount(), 2);
    for (const char* kind : {"csv", "xlsx", "pdf", "notices"}) {
        m_f->boxes.clear();
        const QString folder = newFolder();
        exportInto(folder, QLatin1String(kind));
        if (onlyNotices && QLatin1String(kind) != u"notices") {
            QCOMPARE(m_f->boxes.texts(),
                     QStringList{QStringLiteral("ESPORTAZIONE COMPLETATA - ERRORI ESPORTATI: 2")});
            QCOMPARE(filesIn(folder), QStringList{QStringLiteral("errori.") + QLatin1String(kind)});
            continue;
        }
        QCOMPARE(m_f->boxes.texts(), QStringList{message});
        QCOMPARE(filesIn(folder), QStringList());
    }
}

// A spreadsheet's cell holds 32,767 characters: a longer text is named, not
// reported as a file that cannot be written.
void tst_NoticeRefusals::textLongerThanACell()
{
    report(answer("5", "2,50", QByteArray(32767, 'A')));
    const QString folder = newFolder();
    exportInto(folder, QStringLiteral("xlsx"));
    QCOMPARE(m_f->boxes.texts(),
             QStringList{QStringLiteral("ESPORTAZIONE COMPLETATA - ERRORI ESPORTATI: 2")});
    const QJsonArray rows = XlsxText::read(QDir(folder).filePath("errori.xlsx"))
                                .value("sheets")
                                .toArray()[0]
                                .toObject()
                                .value("rows")
                                .toArray();
    QCOMPARE(rows[2].toArray()[13].toObject().value("v").toString().size(), 32767);

    report(answer("5", "2,50", QByteArray(32767, 'A') + "&#xE0;"));
    const QString over = newFolder();
    exportInto(over, QStringLiteral("xlsx"));
    QCOMPARE(m_f->boxes.texts(),
             QStringList{QStringLiteral("TESTO TROPPO LUNGO PER IL FOGLIO DI CALCOLO (PIÙ DI %1 "
                                        "CARATTERI) NELLA RICETTA %2, COLONNA DESCRIZIONE ERRORE")
                             .arg(QLocale().toString(32767), Second)});
    QCOMPARE(filesIn(over), QStringList());
    exportInto(over, QStringLiteral("csv")); // a CSV cell has no such limit
    QCOMPARE(filesIn(over), QStringList{QStringLiteral("errori.csv")});
}

// Links planted at two notices' names, one at a file outside the folder and
// one pointing nowhere: the question is asked; No leaves them, Yes replaces
// the links themselves.
void tst_NoticeRefusals::noticesReplaceLinks()
{
    report(answer("5", "2,50"));
    const QString outside = newFolder();
    const QString target = plantTarget(outside);
    QVERIFY(!target.isEmpty());
    const QString nowhere = QDir(outside).filePath("assente.pdf");
    const QString folder = newFolder();
    const QString first = QDir(folder).filePath("errori_2026_annuo_00004.pdf");
    const QString second = QDir(folder).filePath("errori_2026_annuo_00005.pdf");
    // A link that points nowhere, alone, is asked about too.
    QVERIFY(QFile::link(nowhere, second));
    exportInto(folder, QStringLiteral("notices"));
    QCOMPARE(m_f->boxes.texts(), QStringList{QStringLiteral("SOVRASCRIVERE I FILE ESISTENTI?")});
    QVERIFY(QFileInfo(second).isSymLink());
    QVERIFY(QFile::link(target, first));
    for (const bool yes : {false, true}) {
        m_f->boxes.clear();
        if (yes)
            m_f->boxes.answerNext(QMessageBox::Yes);
        exportInto(folder, QStringLiteral("notices"));
        QCOMPARE(m_f->boxes.texts().first(), QStringLiteral("SOVRASCRIVERE I FILE ESISTENTI?"));
        QCOMPARE(QFileInfo(first).isSymLink(), !yes);
        QCOMPARE(QFileInfo(second).isSymLink(), !yes);
        QCOMPARE(fileBytes(target), QByteArray("bersaglio"));
        QVERIFY(!QFileInfo::exists(nowhere));
    }
    QVERIFY(fileBytes(first).startsWith("%PDF"));
    QVERIFY(fileBytes(second).startsWith("%PDF"));
    QCOMPARE(filesIn(outside), QStringList{QStringLiteral("bersaglio.pdf")});
}

// The CSV, the spreadsheet, the PDF and the detail saved as PDF replace a
// link at their name; what it points to stays as it was.
void tst_NoticeRefusals::filesReplaceLinks()
{
    report(answer("5", "2,50"));
    const QString target = plantTarget(newFolder());
    QVERIFY(!target.isEmpty());
    const QString folder = newFolder();
    for (const QString& kind :
         {QStringLiteral("csv"), QStringLiteral("xlsx"), QStringLiteral("pdf")}) {
        const QString path = QDir(folder).filePath(QStringLiteral("errori.") + kind);
        QVERIFY(QFile::link(target, path));
        exportInto(folder, kind);
        QVERIFY(!QFileInfo(path).isSymLink());
        QVERIFY(QFileInfo(path).size() > 100);
    }
    QCOMPARE(m_f->boxes.texts(),
             QStringList(3, QStringLiteral("ESPORTAZIONE COMPLETATA - ERRORI ESPORTATI: 2")));
    m_f->boxes.clear();
    const QString detail = QDir(folder).filePath("ricetta.pdf");
    QVERIFY(QFile::link(target, detail));
    m_f->context->utenti.Id_errore = QStringLiteral("2");
    Ricetta window(*m_f->context, m_f->window.get());
    ExportFileDialog::setChooser(
        [&](QWidget*, const QString&, const QString&, const QString&) { return detail; });
    window.findChild<QAction*>("SalvaPdf")->trigger();
    QVERIFY(!QFileInfo(detail).isSymLink());
    QVERIFY(fileBytes(detail).startsWith("%PDF"));
    QCOMPARE(fileBytes(target), QByteArray("bersaglio"));
    QCOMPARE(m_f->boxes.texts(), QStringList());
}

QTEST_MAIN(tst_NoticeRefusals)
#include "test_notice_refusals.moc"
