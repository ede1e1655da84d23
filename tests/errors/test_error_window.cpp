#include "AppContext.h"
#include "ColumnTag.h"
#include "ScriptedMessageBoxes.h"
#include "TestService.h"
#include "VedeErrori.h"

#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

// The table as the log-in caches it, one element per line; the last record
// has no subject and shows the one before it.
static const char table[] =
    "<TabErrori>\r<Errore>7</Errore>\r<Descrizione>RICETTA SCADUTA</Descrizione>\r"
    "<Soggetto>Farmacia</Soggetto>\r<TipoAddebito>Totale</TipoAddebito>\r</TabErrori>\r"
    "<TabErrori>\r<Errore>12</Errore>\r<Descrizione> FUSTELLA MANCANTE </Descrizione>\r"
    "<Soggetto>Farmacia</Soggetto>\r<TipoAddebito>Parziale</TipoAddebito>\r</TabErrori>\r"
    "<TabErrori>\r<Errore>40</Errore>\r<Descrizione>ricetta non firmata</Descrizione>\r"
    "<Soggetto>Medico</Soggetto>\r<TipoAddebito>Nessuno</TipoAddebito>\r</TabErrori>\r"
    "<TabErrori>\r<Errore>41</Errore>\r<Descrizione>RICETTA DUPLICATA</Descrizione>\r"
    "<TipoAddebito>Totale</TipoAddebito>\r</TabErrori>";

class tst_ErrorWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void filters_data();
    void filters();
    void keysAndClicks();
    void columnsAndSort();

private:
    VedeErrori* open(qint32 code, const QString& words);

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedMessageBoxes m_boxes;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<VedeErrori> m_window;
};

void tst_ErrorWindow::init()
{
    m_window.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_context = std::make_unique<AppContext>(TestService::unreachable(),
                                             StagingFolder(m_dir->path()), m_boxes);
    QVERIFY(m_context->service().staging().write(StagingFolder::errorTableFile, table));
}

VedeErrori* tst_ErrorWindow::open(qint32 code, const QString& words)
{
    Utenti& u = m_context->utenti;
    u.Errore_ricerca = code;
    u.Descrizione.set(words);
    u.Errore = 99;
    u.Soggetto.set(u"vecchio");
    m_window = std::make_unique<VedeErrori>(*m_context);
    m_window->show();
    return m_window.get();
}

void tst_ErrorWindow::filters_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("all") << 0 << "" << QStringList{"7", "12", "40", "41"};
    QTest::newRow("code") << 12 << "" << QStringList{"12"};
    QTest::newRow("words, case-sensitive") << 0 << "  RICETTA " << QStringList{"7", "41"};
    QTest::newRow("lower-case words") << 0 << "ricetta" << QStringList{"40"};
    QTest::newRow("both must match") << 7 << "DUPLICATA" << QStringList{};
    QTest::newRow("no cache file") << 0 << "-" << QStringList{};
}

void tst_ErrorWindow::filters()
{
    QFETCH(int, code);
    QFETCH(QString, words);
    QFETCH(QStringList, codes);
    if (words == u"-") {
        QVERIFY(QFile::remove(m_dir->filePath(StagingFolder::errorTableFile)));
        words.clear();
    }
    QTreeWidget* list = open(code, words)->listricette;
    QStringList listed;
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        listed << list->topLevelItem(r)->text(0);
    QCOMPARE(listed, codes);

    // A single row is picked as soon as the list is filled; otherwise the
    // caller's values stay, but the charge and subject are emptied.
    const Utenti& u = m_context->utenti;
    if (codes.size() == 1) {
        QCOMPARE(u.Errore, codes.first().toInt());
        QCOMPARE(u.Descrizione.text(), list->topLevelItem(0)->text(1).leftJustified(200));
    } else {
        QCOMPARE(u.Errore, 99);
        QCOMPARE(u.Soggetto.text(), QString(80, u' '));
    }
}

void tst_ErrorWindow::keysAndClicks()
{
    const Utenti& u = m_context->utenti;
    QTest::keyClick(open(0, QString())->listricette, Qt::Key_Escape); // no pick
    QVERIFY(!m_window->isVisible());
    QCOMPARE(u.Errore, 99);

    QTreeWidget* list = open(0, QString())->listricette;
    const QRect last = list->visualItemRect(list->topLevelItem(3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, last.center());
    QVERIFY(!m_window->isVisible());
    QCOMPARE(u.Errore, 41);
    QCOMPARE(u.Descrizione.trimmed(), QStringLiteral("RICETTA DUPLICATA"));
    QCOMPARE(u.TipoAddebito.trimmed(), QStringLiteral("Totale"));
    QCOMPARE(u.Soggetto.trimmed(), QStringLiteral("Medico"));

    // On an empty list Enter keeps the window open; a click closes it.
    list = open(5, QString())->listricette;
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(m_window->isVisible());
    QTest::mouseClick(list->viewport(), Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(u.Errore, 99);
}

void tst_ErrorWindow::columnsAndSort()
{
    QTreeWidget* list = open(0, QString())->listricette;
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QCOMPARE(m_window->objectName(), QStringLiteral("vede_errori"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("  ELENCO ERRORI"));
    QVERIFY(!m_window->accessibleName().isEmpty() && !list->accessibleName().isEmpty());
    QStringList headers, tags;
    for (int c = 0; c < list->columnCount(); ++c) {
        headers << list->headerItem()->text(c);
        tags << ColumnTag::headerTag(list, c);
    }
    QCOMPARE(headers, (QStringList{" CODICE ", "DESCRIZIONE", "ADDEBITO", "SOGGETTO"}));
    QCOMPARE(tags, (QStringList{"S|True|", "S|True|", "S|True|", ""}));

    QHeaderView* header = list->header();
    const auto clickHeader = [&](int section) {
        const QPoint at(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    clickHeader(1);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("12"));
    QVERIFY(list->hasFocus());
    clickHeader(3); // untagged: no sort
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("12"));
    // A pick after sorting takes the row shown.
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(m_context->utenti.Errore, 41);
}

QTEST_MAIN(tst_ErrorWindow)
#include "test_error_window.moc"
