#include "AppContext.h"
#include "ListSetup.h"
#include "ScriptedMessageBoxes.h"
#include "TestService.h"
#include "VedeErrori.h"

#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QString record(const QString& code, const QString& description, const QString& subject,
               const QString& charge)
{
    QString r = QStringLiteral("<TabErrori>\r<Errore>") + code + QStringLiteral("</Errore>\r");
    if (!description.isNull())
        r += QStringLiteral("<Descrizione>") + description + QStringLiteral("</Descrizione>\r");
    if (!subject.isNull())
        r += QStringLiteral("<Soggetto>") + subject + QStringLiteral("</Soggetto>\r");
    return r + QStringLiteral("<TipoAddebito>") + charge + QStringLiteral("</TipoAddebito>\r") +
           QStringLiteral("</TabErrori>\r");
}

// The table as the log-in caches it, one element per line.
const QString table = record("7", "RICETTA SCADUTA", "Farmacia", "Totale") +
                      record("12", " FUSTELLA MANCANTE ", "Farmacia", "Parziale") +
                      record("40", "ricetta non firmata", "Medico prescrittore", "Nessuno") +
                      record("41", "RICETTA DUPLICATA", QString(), "Totale");

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

} // namespace

class tst_ErrorWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsTheCachedTable();
    void filters_data();
    void filters();
    void enterEscAndClicks();
    void headerClickSorts();
    void missingCacheListsNothing();

private:
    void open(qint32 code, const QString& words);

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedMessageBoxes m_boxes;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<VedeErrori> m_window;
};

void tst_ErrorWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_context = std::make_unique<AppContext>(TestService::unreachable(),
                                             StagingFolder(m_dir->path()), m_boxes);
    QVERIFY(m_context->service().staging().write(StagingFolder::errorTableFile, table));
}

void tst_ErrorWindow::cleanup()
{
    m_window.reset();
    m_context.reset();
    m_dir.reset();
}

void tst_ErrorWindow::open(qint32 code, const QString& words)
{
    Utenti& u = m_context->utenti;
    u.Errore_ricerca = code;
    u.Descrizione.set(words);
    u.Errore = 99;
    u.TipoAddebito.set(u"vecchio");
    u.Soggetto.set(u"vecchio");
    m_window = std::make_unique<VedeErrori>(*m_context);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_ErrorWindow::listsTheCachedTable()
{
    open(0, QString());
    QCOMPARE(m_window->objectName(), QStringLiteral("vede_errori"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("  ELENCO ERRORI"));
    QVERIFY(!m_window->accessibleName().isEmpty());
    QTreeWidget* list = m_window->listricette;
    QVERIFY(!list->accessibleName().isEmpty());
    QStringList headers, tags;
    for (int c = 0; c < list->columnCount(); ++c) {
        headers << list->headerItem()->text(c);
        tags << ListSetup::headerTag(list, c);
    }
    QCOMPARE(headers, (QStringList{" CODICE ", "DESCRIZIONE", "ADDEBITO", "SOGGETTO"}));
    QCOMPARE(tags, (QStringList{"S|True|", "S|True|", "S|True|", ""}));
    // A record without a subject repeats the previous record's.
    QCOMPARE(rows(list), (QStringList{"7|RICETTA SCADUTA|Totale|Farmacia",
                                      "12|FUSTELLA MANCANTE|Parziale|Farmacia",
                                      "40|ricetta non firmata|Nessuno|Medico prescrittore",
                                      "41|RICETTA DUPLICATA|Totale|Medico prescrittore"}));
    // Several rows: nothing is picked until the operator picks.
    const Utenti& u = m_context->utenti;
    QCOMPARE(u.Errore, 99);
    QCOMPARE(u.TipoAddebito.text(), QString(80, u' '));
    QCOMPARE(u.Soggetto.text(), QString(80, u' '));
}

void tst_ErrorWindow::filters_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("code") << 12 << "" << QStringList{"12"};
    QTest::newRow("negative code lists all") << -3 << "" << QStringList{"7", "12", "40", "41"};
    QTest::newRow("words, case-sensitive") << 0 << "  RICETTA " << QStringList{"7", "41"};
    QTest::newRow("lower-case words") << 0 << "ricetta" << QStringList{"40"};
    QTest::newRow("both must match") << 7 << "DUPLICATA" << QStringList{};
    QTest::newRow("both match") << 41 << "DUPLICATA" << QStringList{"41"};
    QTest::newRow("no such code") << 5 << "" << QStringList{};
}

void tst_ErrorWindow::filters()
{
    QFETCH(int, code);
    QFETCH(QString, words);
    QFETCH(QStringList, codes);
    open(code, words);
    QStringList listed;
    for (int r = 0; r < m_window->listricette->topLevelItemCount(); ++r)
        listed << m_window->listricette->topLevelItem(r)->text(0);
    QCOMPARE(listed, codes);

    // A single row is picked as soon as the list is filled; otherwise the
    // variables keep what the caller left in them.
    const Utenti& u = m_context->utenti;
    if (codes.size() == 1) {
        QCOMPARE(u.Errore, codes.first().toInt());
        QVERIFY(!u.Descrizione.trimmed().isEmpty());
        QVERIFY(!u.Soggetto.trimmed().isEmpty());
    } else {
        QCOMPARE(u.Errore, 99);
    }
}

void tst_ErrorWindow::enterEscAndClicks()
{
    // Esc: no pick.
    open(0, QString());
    QTest::keyClick(m_window->listricette, Qt::Key_Down);
    QTest::keyClick(m_window->listricette, Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_context->utenti.Errore, 99);

    // Enter picks the current row and closes.
    open(0, QString());
    QTest::keyClick(m_window->listricette, Qt::Key_Down);
    QTest::keyClick(m_window->listricette, Qt::Key_Return);
    QVERIFY(!m_window->isVisible());
    const Utenti& u = m_context->utenti;
    QCOMPARE(u.Errore, 12);
    QCOMPARE(u.Descrizione.text(), QStringLiteral("FUSTELLA MANCANTE").leftJustified(200));
    QCOMPARE(u.TipoAddebito.trimmed(), QStringLiteral("Parziale"));
    QCOMPARE(u.Soggetto.trimmed(), QStringLiteral("Farmacia"));

    // A click picks the row under the pointer.
    open(0, QString());
    QTreeWidget* list = m_window->listricette;
    const QRect third = list->visualItemRect(list->topLevelItem(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third.center());
    QVERIFY(!m_window->isVisible());
    QCOMPARE(u.Errore, 40);

    // On an empty list Enter keeps the window; a click closes it.
    open(5, QString());
    QTest::keyClick(m_window->listricette, Qt::Key_Return);
    QVERIFY(m_window->isVisible());
    QTest::mouseClick(m_window->listricette->viewport(), Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(u.Errore, 99);
}

void tst_ErrorWindow::headerClickSorts()
{
    open(0, QString());
    QTreeWidget* list = m_window->listricette;
    QHeaderView* header = list->header();
    const auto clickHeader = [&](int section) {
        const QPoint at(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    clickHeader(1);
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("FUSTELLA MANCANTE"));
    QVERIFY(list->hasFocus());
    // The untagged column does not sort.
    clickHeader(3);
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("FUSTELLA MANCANTE"));
    // A pick after sorting takes the row shown.
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(m_context->utenti.Errore, 12);
}

void tst_ErrorWindow::missingCacheListsNothing()
{
    QVERIFY(QFile::remove(m_context->service().staging().path(StagingFolder::errorTableFile)));
    open(0, QString());
    QCOMPARE(m_window->listricette->topLevelItemCount(), 0);
    QCOMPARE(m_window->listricette->columnCount(), 4);
    QTest::keyClick(m_window->listricette, Qt::Key_Escape);
    QCOMPARE(m_context->utenti.Errore, 99);
}

QTEST_MAIN(tst_ErrorWindow)
#include "test_error_window.moc"
