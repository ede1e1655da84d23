#include "ReportsPage.h"

#include "AppContext.h"
#include "Blanks.h"
#include "BusyCursor.h"
#include "ColumnSort.h"
#include "Deferred.h"
#include "EnterAsTab.h"
#include "FocusWatch.h"
#include "ListContextMenu.h"
#include "ListSetup.h"
#include "NumberText.h"
#include "ReportNotices.h"
#include "ReportRows.h"
#include "ResultStager.h"
#include "Ricetta.h"
#include "SceltaFarmacia.h"
#include "Statistiche.h"
#include "ValueReader.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDate>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

// The columns of the registered-errors list; the last one, hidden, holds the ID.
QList<ListColumn> reportColumns()
{
    return {{QStringLiteral("ANNO"), 780, Qt::AlignLeft, QStringLiteral("S|True|")},
            {QStringLiteral("MESE"), 780, Qt::AlignRight, QStringLiteral("S|True|")},
            {QStringLiteral("CODICE"), 1000, Qt::AlignRight, QStringLiteral("S|True|")},
            {QStringLiteral("FARMACIA"), 4800, Qt::AlignLeft, QStringLiteral("S|True|")},
            {QStringLiteral("RICETTA N°"), 2100, Qt::AlignLeft, QStringLiteral("N|True|")},
            {QString(), 0, Qt::AlignLeft, QString()}};
}

// A report year: digits only, 1900 to 2100.
bool validYear(const QString& text, qint16& year)
{
    if (text.isEmpty() || text.size() > 4)
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    const int value = text.toInt();
    if (value < 1900 || value > 2100)
        return false;
    year = qint16(value);
    return true;
}

} // namespace

ReportsPage::ReportsPage(AppContext& context, QWidget* parent)
    : QWidget(parent), ReportsLayout(this), m_context(context)
{
    for (int i = 0; i < 12; ++i) {
        connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                Option1_Click(i);
        });
    }

    // The list starts with its columns, before any report has run.
    ListSetup::prepare(ListView1, reportColumns());
    ListSetup::sortOnHeaderClick(ListView1);
    ListView1->installEventFilter(this);
    connect(ListView1, &QTreeWidget::itemClicked, this, [this] { openDetail(); });
    ListContextMenu* menu = ListContextMenu::attach(ListView1);
    menu->addEntry(QStringLiteral("Esporta…"), QKeySequence(Qt::CTRL | Qt::Key_E),
                   [this] { esporta(); })
        ->setObjectName(QStringLiteral("Esporta"));
    menu->addEntry(QStringLiteral("Esporta per farmacia…"), QKeySequence(),
                   [this] { esportaPerFarmacia(); })
        ->setObjectName(QStringLiteral("EsportaPerFarmacia"));
    menu->addEntry(QStringLiteral("Statistiche…"), QKeySequence(), [this] { openStatistics(); })
        ->setObjectName(QStringLiteral("Act_STATISTICHE"));

    EnterAsTab::install(Txt_cod);
    EnterAsTab::install(txt_rag);
    FocusWatch::onLeave(Txt_cod, [this] { Txt_cod_LostFocus(); });
    FocusWatch::onLeave(txt_rag, [this] { txt_rag_LostFocus(); });
    connect(Check1, &QCheckBox::toggled, this, &ReportsPage::Check1_Click);
    connect(Check_TT, &QCheckBox::toggled, this, &ReportsPage::Check_TT_Click);
    connect(Command4, &QPushButton::clicked, this, &ReportsPage::Command4_Click);
    connect(Comm_ELABORA, &QPushButton::clicked, this, &ReportsPage::Comm_ELABORA_Click);
}

void ReportsPage::enter()
{
    Utenti& u = m_context.utenti;
    Check_TT->setChecked(true);
    Txt_SC_ANNO->setText(QString::number(u.Anno != 0 ? int(u.Anno) : QDate::currentDate().year()));
    u.Anno = NumberText::toInt16(NumberText::leadingNumber(Blanks::trim(Txt_SC_ANNO->text())));
    legge_report();
    if (ListView1->topLevelItemCount() > 0) {
        focusList();
        return;
    }
    // No rows: the focus stays where it was, unless that control is not on
    // screen (a control of another tab); then the year is the place to start.
    const QWidget* focused = QApplication::focusWidget();
    if (!focused || !focused->isVisible())
        Txt_SC_ANNO->setFocus(Qt::OtherFocusReason);
}

void ReportsPage::selectMonth(int month)
{
    if (month >= 1 && month <= 12) {
        Option1[month - 1]->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied one button at a time.
    m_months->setExclusive(false);
    for (QRadioButton* option : std::as_const(Option1))
        option->setChecked(false);
    m_months->setExclusive(true);
}

void ReportsPage::Option1_Click(int)
{
    // Choosing a month leaves "Annuo" without running its own action, which
    // would put back the previous month in place of the one just chosen.
    m_monthPicking = true;
    Check1->setChecked(false);
    m_monthPicking = false;
}

void ReportsPage::Check1_Click()
{
    if (m_monthPicking)
        return;
    selectMonth(0);
    if (!Check1->isChecked())
        selectMonth(m_context.utenti.Mese);
}

void ReportsPage::Check_TT_Click()
{
    Txt_cod->clear();
    txt_rag->clear();
}

void ReportsPage::Command4_Click()
{
    Txt_cod->clear();
    txt_rag->clear();
    Check_TT->setChecked(true);
}

void ReportsPage::Comm_ELABORA_Click()
{
    qint16 year = 0;
    if (!validYear(Blanks::trim(Txt_SC_ANNO->text()), year)) {
        m_context.boxes().inform(this, QStringLiteral("ANNO NON VALIDO"));
        Txt_SC_ANNO->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_context.utenti.Anno = year;
    legge_archi();
    if (ListView1->topLevelItemCount() > 0)
        focusList();
}

void ReportsPage::legge_report()
{
    const qint16 month = m_context.utenti.Mese;
    if (month >= 1 && month <= 12)
        selectMonth(month);
    else
        Check1->setChecked(true);
    legge_archi();
}

void ReportsPage::legge_archi()
{
    BusyCursor busy;
    Utenti& u = m_context.utenti;
    if (!Check1->isChecked() && m_months->checkedId() >= 0)
        u.Mese = qint16(m_months->checkedId() + 1);

    ListSetup::prepare(ListView1, reportColumns());
    m_records = ReportRecords();
    m_cancelled.clear();
    const qint32 pharmacy = ReportRows::pharmacyCode(Txt_cod->text());
    m_heading = NoticeHeading{
        u.ASP.trimmed(),
        u.Nome.trimmed(),
        QString::number(u.Anno),
        Check1->isChecked() ? QStringLiteral("Annuo") : Utenti::MESI(u.Mese).trimmed(),
        pharmacy == 0 ? QStringLiteral("Tutte le Farmacie")
                      : QString::number(pharmacy) + u' ' + Blanks::trim(txt_rag->text()),
        Check1->isChecked() ? QStringLiteral("annuo")
                            : QString::number(u.Mese).rightJustified(2, u'0'),
        {}};

    // A year of a province is tens of megabytes: the answer is staged as it
    // arrives, never held whole, in the list's file (commas as full stops) and,
    // with the service's own text, in the one the operator's exports read.
    const QString operation = QStringLiteral("F_LoadErroreByAnnoMese");
    const QList<ServiceCall::Staged> staged = m_context.service().postAndStage(
        operation,
        {{QStringLiteral("prov"), u.Prov.text()},
         {QStringLiteral("flusso"), QStringLiteral("2")},
         {QStringLiteral("anno"), QString::number(u.Anno)},
         {QStringLiteral("mese"), QString::number(Check1->isChecked() ? 0 : int(u.Mese))},
         {QStringLiteral("farmacia"), QString::number(ReportRows::pharmacyCode(Txt_cod->text()))}},
        {{StagingFolder::exportFile, true}, {ReportRecords::stagedFile, false}});
    if (!m_context.staged(this, staged[0], StagingFolder::exportFile,
                          QStringLiteral("NESSUN DATO TROVATO"))) {
        Lab_conta->setText(QStringLiteral("0"));
        return;
    }
    // The list shows its rows even when the exports' file failed.
    const bool kept = m_context.staged(this, staged[1], ReportRecords::stagedFile,
                                       QStringLiteral("NESSUN DATO TROVATO"));
    Lab_conta->setText(QStringLiteral("0"));

    std::vector<qsizetype> recordEnds;
    // Read where the file is mapped: a year's answer is not copied once more.
    QList<QStringList> rows;
    m_context.service().withUtf8(StagingFolder::exportFile, [&](QByteArrayView staged) {
        rows = ReportRows::read(staged, &recordEnds);
    });
    if (kept)
        m_records = ReportRecords::fromFile(
            m_context.service().staging().path(ReportRecords::stagedFile), std::move(recordEnds));
    ListSetup::addRows(ListView1, rows, ReportRecords::PositionRole);
    Lab_conta->setText(QString::number(rows.size()));
    ColumnSort::ORDINA_COLONNA(ListView1, 3);

    if (ListView1->topLevelItemCount() > 0) {
        ListView1->clearSelection();
        ListView1->setCurrentItem(ListView1->topLevelItem(0));
        focusList();
    }
}

void ReportsPage::focusList()
{
    ListView1->setFocus(Qt::OtherFocusReason);
}

void ReportsPage::openDetail()
{
    QTreeWidgetItem* row = ListView1->currentItem();
    if (!row || !row->isSelected()) {
        const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
        row = selected.isEmpty() ? nullptr : selected.first();
    }
    if (!row)
        return;
    m_context.utenti.Id_errore = Blanks::trim(row->text(ReportRows::IdColumn));
    Ricetta detail(m_context, window(), &m_cancelled);
    detail.exec();
}

void ReportsPage::openStatistics()
{
    qint16 year = 0;
    if (!validYear(Blanks::trim(Txt_SC_ANNO->text()), year)) {
        m_context.boxes().inform(this, QStringLiteral("ANNO NON VALIDO"));
        Txt_SC_ANNO->setFocus(Qt::OtherFocusReason);
        return;
    }
    const qint32 pharmacy = ReportRows::pharmacyCode(Txt_cod->text());
    std::optional<ErrorStatistics> statistics =
        Statistiche::fetch(m_context, window(), year, pharmacy);
    if (!statistics)
        return;
    const QString scope = pharmacy == 0
                              ? QStringLiteral("TUTTE LE FARMACIE")
                              : QStringLiteral("FARMACIA %1 %2")
                                    .arg(QString::number(pharmacy).rightJustified(5, u'0'),
                                         Blanks::trim(txt_rag->text()))
                                    .trimmed();
    Statistiche statisticsWindow(m_context, std::move(*statistics), year, scope, window());
    statisticsWindow.exec();
    if (!statisticsWindow.picked())
        return;
    // Unchecking "Tutte le Farmacie" empties the fields before they are set.
    Check_TT->setChecked(false);
    Txt_cod->setText(QString::number(statisticsWindow.pickedCode()));
    txt_rag->setText(statisticsWindow.pickedName());
}

void ReportsPage::esporta()
{
    ReportNotices(m_context.boxes(), window())
        .exportFile(ReportNotices::listedPositions(ListView1), m_records, m_cancelled, m_heading);
    focusList(); // the dialogs are gone: the work goes on in the list
}

void ReportsPage::esportaPerFarmacia()
{
    ReportNotices(m_context.boxes(), window())
        .exportPerPharmacy(ReportNotices::listedPositions(ListView1), m_records, m_cancelled,
                           m_heading);
    focusList();
}

void ReportsPage::Txt_cod_LostFocus()
{
    if (Blanks::trim(Txt_cod->text()).isEmpty() || m_lookUpQueued)
        return;
    // The look-up may open a modal window: run it once the focus change is over.
    m_lookUpQueued = true;
    Deferred::run(this, [this] {
        m_lookUpQueued = false;
        // Nothing to look up, or the operator has left the tab (entering it
        // again empties the pharmacy fields).
        if (Blanks::trim(Txt_cod->text()).isEmpty() || !isVisible())
            return;
        const QString code = Txt_cod->text();
        const QString name = txt_rag->text();
        txt_rag->clear();
        switch (lookUpPharmacy()) {
        case Choice::Escaped:
            // A code search ends with "Tutte le Farmacie" unticked, as after a
            // pick; unticking empties the fields, so it comes first.
            Check_TT->setChecked(false);
            Txt_cod->setText(code);
            txt_rag->setText(name);
            break;
        case Choice::Picked:
            break;
        case Choice::None:
            LEGGEUNICO();
            break;
        }
    });
}

void ReportsPage::txt_rag_LostFocus()
{
    if (Blanks::trim(txt_rag->text()).isEmpty() || !Blanks::trim(Txt_cod->text()).isEmpty() ||
        m_lookUpQueued)
        return;
    m_lookUpQueued = true;
    Deferred::run(this, [this] {
        m_lookUpQueued = false;
        if (Blanks::trim(txt_rag->text()).isEmpty() || !Blanks::trim(Txt_cod->text()).isEmpty() ||
            !isVisible())
            return;
        const QString code = Txt_cod->text();
        const QString name = txt_rag->text();
        Txt_cod->clear();
        if (lookUpPharmacy() == Choice::Escaped) {
            Txt_cod->setText(code);
            txt_rag->setText(name);
        }
    });
}

void ReportsPage::legge_codfarm()
{
    lookUpPharmacy();
}

ReportsPage::Choice ReportsPage::lookUpPharmacy()
{
    const QString operation = QStringLiteral("LoadListaFarmacie");
    const QString response = m_context.service().post(
        operation, {{QStringLiteral("prov"), m_context.utenti.Prov.text()},
                    {QStringLiteral("codice"), Blanks::trim(Txt_cod->text())},
                    {QStringLiteral("ragsoc"), Blanks::trim(txt_rag->text())},
                    {QStringLiteral("distretto"), QString()}});
    const std::optional<QString> result = ResultStager::cut(response, operation, false);
    if (!result) {
        m_context.boxes().inform(this, QStringLiteral("FARMACIA NON TROVATA"));
        Txt_cod->clear();
        Txt_cod->setFocus(Qt::OtherFocusReason);
    }
    // Staged even when not found: then the whole answer, split.
    const QString staged = ResultStager::split(result ? *result : response);
    if (!m_context.service().staging().write(StagingFolder::exportFile, staged)) {
        m_context.boxes().inform(this, QStringLiteral("IMPOSSIBILE SCRIVERE IL FILE ") +
                                           StagingFolder::exportFile);
        return Choice::None;
    }

    const qsizetype pharmacies = staged.count(QStringLiteral("<Farmacie>"));
    if (pharmacies == 1)
        LEGGEUNICO();
    if (pharmacies <= 1)
        return Choice::None;

    SceltaFarmacia choice(m_context, window());
    choice.exec();
    if (!choice.picked())
        return Choice::Escaped;
    Check_TT->setChecked(false);
    Txt_cod->setText(choice.codice());
    txt_rag->setText(choice.ragsoc());
    return Choice::Picked;
}

void ReportsPage::LEGGEUNICO()
{
    Check_TT->setChecked(false);
    m_context.service().forEachLine(StagingFolder::exportFile, [this](QStringView line) {
        if (ValueReader::hasTag(line, u"Codice"))
            Txt_cod->setText(ValueReader::LEGGI_VALORE(line, u"Codice"));
        if (ValueReader::hasTag(line, u"Ragsoc"))
            txt_rag->setText(ValueReader::LEGGI_VALORE(line, u"Ragsoc"));
        return true;
    });
}

bool ReportsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == ListView1) {
        // Any character typed in the list opens the chosen row, as a click does.
        const QString text = key->text();
        if (enter || (!text.isEmpty() && text[0].isPrint())) {
            openDetail();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
