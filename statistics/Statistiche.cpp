#include "Statistiche.h"

#include "AppContext.h"
#include "BusyCursor.h"
#include "Cents.h"
#include "ColumnSort.h"
#include "CsvWriter.h"
#include "ExportFileDialog.h"
#include "ListSetup.h"
#include "MonthChart.h"
#include "ResultStager.h"
#include "StatisticsWorkbook.h"
#include "Utenti.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString Operation = QStringLiteral("F_LoadErroreByAnnoMese");

QString count(qint64 n)
{
    return QString::number(n);
}

// A list with the shared set-up, sorted by a click on a tagged header, and its
// totals line underneath.
QTreeWidget* figuresList(const char* name, const QString& accessible,
                         const QList<ListColumn>& columns)
{
    auto* list = new QTreeWidget;
    list->setObjectName(QString::fromLatin1(name));
    list->setAccessibleName(accessible);
    ListSetup::prepare(list, columns);
    ListSetup::sortOnHeaderClick(list);
    return list;
}

QLabel* totalsLabel(const char* name, const QString& description)
{
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleDescription(description);
    label->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    label->setFocusPolicy(Qt::StrongFocus);
    return label;
}

QWidget* titled(const QString& caption, QWidget* list, QLabel* totals)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption);
    label->setBuddy(list);
    layout->addWidget(label);
    layout->addWidget(list, 1);
    layout->addWidget(totals);
    return box;
}

// Cells whose exact value (cents, hundredths of a percent) the CSV writes
// unformatted keep it under this role.
constexpr int ExactRole = Qt::UserRole;

void setExact(QTreeWidget* list, int row, int column, qint64 hundredths)
{
    list->topLevelItem(row)->setData(column, ExactRole, hundredths);
}

QList<ListColumn> monthColumns()
{
    return {{QStringLiteral("N°"), 500, Qt::AlignRight, QStringLiteral("N|True|")},
            {QStringLiteral("MESE"), 1500, Qt::AlignLeft, QStringLiteral("S|True|")},
            {QStringLiteral("ERRORI"), 1000, Qt::AlignRight, QStringLiteral("N|True|")},
            {QStringLiteral("IMPORTO LORDO"), 1700, Qt::AlignRight, QStringLiteral("N|True|")}};
}

// The amount column starts with "next sort descending", so that sorting it
// once on opening puts the largest amounts first.
QList<ListColumn> pharmacyColumns()
{
    return {{QStringLiteral("CODICE"), 1000, Qt::AlignRight, QStringLiteral("N|True|")},
            {QStringLiteral("FARMACIA"), 4200, Qt::AlignLeft, QStringLiteral("S|True|")},
            {QStringLiteral("ERRORI"), 1000, Qt::AlignRight, QStringLiteral("N|True|")},
            {QStringLiteral("IMPORTO LORDO"), 1700, Qt::AlignRight, QStringLiteral("N|False|")},
            {QStringLiteral("QUOTA %"), 1100, Qt::AlignRight, QStringLiteral("N|True|")}};
}

QList<ListColumn> codeColumns()
{
    return {{QStringLiteral("CODICE"), 900, Qt::AlignRight, QStringLiteral("N|True|")},
            {QStringLiteral("DESCRIZIONE"), 4800, Qt::AlignLeft, QStringLiteral("S|True|")},
            {QStringLiteral("ERRORI"), 1000, Qt::AlignRight, QStringLiteral("N|True|")},
            {QStringLiteral("IMPORTO LORDO"), 1700, Qt::AlignRight, QStringLiteral("N|True|")}};
}

} // namespace

std::optional<ErrorStatistics> Statistiche::fetch(AppContext& context, QWidget* parent, qint16 year,
                                                  qint32 pharmacy)
{
    std::optional<ErrorStatistics> statistics;
    {
        BusyCursor busy;
        const QByteArray response = context.service().postUtf8(
            Operation, {{QStringLiteral("prov"), context.utenti.Prov.text()},
                        {QStringLiteral("flusso"), QStringLiteral("2")},
                        {QStringLiteral("anno"), QString::number(year)},
                        {QStringLiteral("mese"), QStringLiteral("0")},
                        {QStringLiteral("farmacia"), QString::number(pharmacy)}});
        // Split in memory exactly as the report stages it, commas kept: amounts
        // are read with either separator and names stay as the service wrote them.
        const std::optional<QByteArray> split =
            ResultStager::stagedBytes(QByteArrayView(response), Operation, false);
        if (split)
            statistics = ErrorStatistics::read(*split);
    }
    if (statistics && !statistics->problem.isEmpty()) {
        context.boxes().inform(parent, statistics->problem);
        return std::nullopt;
    }
    if (!statistics || statistics->isEmpty()) {
        context.boxes().inform(parent, QStringLiteral("NESSUN DATO TROVATO"));
        return std::nullopt;
    }
    return statistics;
}

Statistiche::Statistiche(AppContext& context, ErrorStatistics statistics, qint16 year,
                         const QString& scope, QWidget* parent)
    : QDialog(parent), m_context(context), m_statistics(std::move(statistics)), m_year(year)
{
    setObjectName(QStringLiteral("STATISTICHE"));
    setWindowTitle(QStringLiteral("STATISTICHE"));
    setAccessibleName(QStringLiteral("STATISTICHE"));
    resize(1180, 780);

    Lab_titolo = new QLabel(QStringLiteral("ANNO %1 - %2").arg(year).arg(scope));
    Lab_titolo->setObjectName(QStringLiteral("Lab_titolo"));
    QFont heading = Lab_titolo->font();
    heading.setBold(true);
    Lab_titolo->setFont(heading);

    Grafico_mesi = MonthChart::createView();
    Grafico_mesi->setObjectName(QStringLiteral("Grafico_mesi"));
    Grafico_mesi->setAccessibleName(QStringLiteral("Grafico degli errori per mese"));
    Grafico_mesi->setFocusPolicy(Qt::StrongFocus);
    Grafico_mesi->setMinimumSize(560, 320);

    List_mesi = figuresList("List_mesi", QStringLiteral("Errori per mese"), monthColumns());
    Lab_tot_mesi = totalsLabel("Lab_tot_mesi", QStringLiteral("Totale dell'anno"));
    List_farmacie =
        figuresList("List_farmacie", QStringLiteral("Errori per farmacia"), pharmacyColumns());
    List_farmacie->setAccessibleDescription(
        QStringLiteral("Invio o doppio clic sceglie la farmacia per il report"));
    Lab_tot_farmacie = totalsLabel("Lab_tot_farmacie", QStringLiteral("Totale delle farmacie"));
    List_errori = figuresList("List_errori", QStringLiteral("Errori per codice"), codeColumns());
    Lab_tot_errori = totalsLabel("Lab_tot_errori", QStringLiteral("Totale dei codici di errore"));

    Comm_ESPORTA = new QPushButton(QStringLiteral("Esporta…"));
    Comm_ESPORTA->setObjectName(QStringLiteral("Comm_ESPORTA"));
    Comm_ESPORTA->setAccessibleName(QStringLiteral("Esporta"));
    Comm_CHIUDI = new QPushButton(QStringLiteral("Chiudi"));
    Comm_CHIUDI->setObjectName(QStringLiteral("Comm_CHIUDI"));
    Comm_CHIUDI->setAccessibleName(QStringLiteral("Chiudi"));
    for (QPushButton* b : {Comm_ESPORTA, Comm_CHIUDI})
        b->setAutoDefault(false);

    // "Esporta…" opens its choices: the lists as CSV, the chart as PNG or PDF.
    auto* choices = new QMenu(this);
    choices->setObjectName(QStringLiteral("Menu_esporta"));
    const auto addChoice = [&](const char* name, const QString& text, auto handler) {
        QAction* action = choices->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
    };
    addChoice("Act_esporta_csv", QStringLiteral("Tabelle (CSV)…"), [this] {
        const QString path = ExportFileDialog::choose(
            this, QStringLiteral("Esporta le tabelle"),
            QStringLiteral("statistiche_%1.csv").arg(m_year), ExportFileDialog::csvFilter());
        if (!path.isEmpty())
            exportTo(path);
    });
    addChoice("Act_esporta_xlsx", QStringLiteral("Tabelle (Excel)…"), [this] {
        const QString path = ExportFileDialog::choose(
            this, QStringLiteral("Esporta le tabelle"),
            QStringLiteral("statistiche_%1.xlsx").arg(m_year), ExportFileDialog::xlsxFilter());
        if (!path.isEmpty())
            exportTo(path);
    });
    addChoice("Act_esporta_png", QStringLiteral("Grafico (PNG)…"), [this] {
        const QString path = ExportFileDialog::choose(this, QStringLiteral("Esporta il grafico"),
                                                      QStringLiteral("grafico_%1.png").arg(m_year),
                                                      QStringLiteral("Immagine PNG (*.png)"));
        if (!path.isEmpty())
            exportTo(path);
    });
    addChoice("Act_esporta_pdf", QStringLiteral("Grafico (PDF)…"), [this] {
        const QString path = ExportFileDialog::choose(this, QStringLiteral("Esporta il grafico"),
                                                      QStringLiteral("grafico_%1.pdf").arg(m_year),
                                                      ExportFileDialog::pdfFilter());
        if (!path.isEmpty())
            exportTo(path);
    });
    Comm_ESPORTA->setMenu(choices);
    connect(Comm_CHIUDI, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(Grafico_mesi, 3);
    top->addWidget(titled(QStringLiteral("Per &mese"), List_mesi, Lab_tot_mesi), 2);
    auto* middle = new QHBoxLayout;
    middle->addWidget(titled(QStringLiteral("Per &farmacia"), List_farmacie, Lab_tot_farmacie), 3);
    middle->addWidget(titled(QStringLiteral("Per &codice di errore"), List_errori, Lab_tot_errori),
                      2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Comm_ESPORTA);
    buttons->addWidget(Comm_CHIUDI);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Lab_titolo);
    layout->addLayout(top, 1);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    setTabOrder(Grafico_mesi, List_mesi);
    setTabOrder(List_mesi, Lab_tot_mesi);
    setTabOrder(Lab_tot_mesi, List_farmacie);
    setTabOrder(List_farmacie, Lab_tot_farmacie);
    setTabOrder(Lab_tot_farmacie, List_errori);
    setTabOrder(List_errori, Lab_tot_errori);
    setTabOrder(Lab_tot_errori, Comm_ESPORTA);
    setTabOrder(Comm_ESPORTA, Comm_CHIUDI);

    connect(List_farmacie, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* row) { pick(row); });
    List_farmacie->installEventFilter(this);

    fillLists();
    MonthChart::draw(Grafico_mesi, m_statistics, m_year);
    List_farmacie->setFocus(Qt::OtherFocusReason);
}

QString Statistiche::totalText(const ErrorStatistics::Figures& figures) const
{
    return QStringLiteral("TOTALE: %1 errori, importo lordo %2")
        .arg(count(figures.errors), Cents::text(figures.cents));
}

void Statistiche::fillLists()
{
    const ErrorStatistics& s = m_statistics;

    QList<QStringList> months;
    for (int m = 1; m <= 12; ++m) {
        const ErrorStatistics::Figures& f = s.months[size_t(m - 1)];
        months.append(
            {QString::number(m), Utenti::MESI(m).trimmed(), count(f.errors), Cents::text(f.cents)});
    }
    // Records without a month of the year: a row of their own.
    if (s.invalidMonth.errors > 0)
        months.append({QString(), QStringLiteral("MESE NON VALIDO"), count(s.invalidMonth.errors),
                       Cents::text(s.invalidMonth.cents)});
    ListSetup::addRows(List_mesi, months);
    for (int m = 0; m < 12; ++m)
        setExact(List_mesi, m, 3, s.months[size_t(m)].cents);
    if (s.invalidMonth.errors > 0)
        setExact(List_mesi, 12, 3, s.invalidMonth.cents);
    Lab_tot_mesi->setText(totalText(s.total));

    QList<QStringList> pharmacies;
    pharmacies.reserve(s.pharmacies.size());
    for (const ErrorStatistics::Pharmacy& p : s.pharmacies) {
        pharmacies.append(
            {QString::number(p.code).rightJustified(5, u'0'), p.name, count(p.figures.errors),
             Cents::text(p.figures.cents),
             Cents::shareText(Cents::shareHundredths(p.figures.cents, s.total.cents))});
    }
    ListSetup::addRows(List_farmacie, pharmacies);
    for (int r = 0; r < s.pharmacies.size(); ++r) {
        const qint64 cents = s.pharmacies[r].figures.cents;
        setExact(List_farmacie, r, 3, cents);
        setExact(List_farmacie, r, 4, Cents::shareHundredths(cents, s.total.cents));
    }
    // The rows come in largest-amount order; the sort sets the header's state to match.
    ColumnSort::ORDINA_COLONNA(List_farmacie, 4);
    Lab_tot_farmacie->setText(totalText(s.total));

    QList<QStringList> codes;
    codes.reserve(s.codes.size());
    for (const ErrorStatistics::ErrorCode& c : s.codes)
        codes.append(
            {c.code, c.description, count(c.figures.errors), Cents::text(c.figures.cents)});
    ListSetup::addRows(List_errori, codes);
    for (int r = 0; r < s.codes.size(); ++r)
        setExact(List_errori, r, 3, s.codes[r].figures.cents);
    Lab_tot_errori->setText(totalText(s.total));

    for (QTreeWidget* list : {List_mesi, List_farmacie, List_errori}) {
        if (list->topLevelItemCount() > 0)
            list->setCurrentItem(list->topLevelItem(0));
    }
}

void Statistiche::pick(QTreeWidgetItem* row)
{
    if (!row)
        return;
    m_picked = true;
    m_pickedCode = row->text(0).toLongLong();
    m_pickedName = row->text(1);
    accept();
}

bool Statistiche::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == List_farmacie && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            pick(List_farmacie->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool Statistiche::exportTo(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool written = false;
    QString error;
    if (suffix == u"png")
        written = MonthChart::writePng(Grafico_mesi, path);
    else if (suffix == u"xlsx")
        written = writeXlsx(path, &error);
    else if (suffix == u"pdf")
        written = MonthChart::writePdf(Grafico_mesi, path, windowTitle());
    else
        written = writeCsv(path);
    if (!written)
        m_context.boxes().inform(this, error.isEmpty() ? CsvWriter::cannotWriteText(path) : error);
    return written;
}

bool Statistiche::writeCsv(const QString& path)
{
    // The three lists one after the other, each with its heading, its columns
    // and its total, in the order the window shows their rows.
    CsvWriter csv(path);
    const auto list = [&](const QString& heading, QTreeWidget* view, int amountColumn,
                          const ErrorStatistics::Figures& total, int totalCountColumn) {
        csv.writeRow(QStringList{heading});
        QStringList header;
        for (int c = 0; c < view->columnCount(); ++c)
            header << view->headerItem()->text(c);
        csv.writeRow(header);
        for (int r = 0; r < view->topLevelItemCount(); ++r) {
            const QTreeWidgetItem* item = view->topLevelItem(r);
            QStringList fields;
            for (int c = 0; c < view->columnCount(); ++c) {
                const QVariant exact = item->data(c, ExactRole);
                fields << (exact.isValid() ? Cents::plain(exact.toLongLong()) : item->text(c));
            }
            csv.writeRow(fields);
        }
        QStringList totals(view->columnCount());
        totals[0] = QStringLiteral("TOTALE");
        totals[totalCountColumn] = count(total.errors);
        totals[amountColumn] = Cents::plain(total.cents);
        csv.writeRow(totals);
        csv.writeRow(QStringList{});
    };
    list(QStringLiteral("ERRORI PER MESE %1").arg(m_year), List_mesi, 3, m_statistics.total, 2);
    list(QStringLiteral("ERRORI PER FARMACIA %1").arg(m_year), List_farmacie, 3, m_statistics.total,
         2);
    list(QStringLiteral("ERRORI PER CODICE %1").arg(m_year), List_errori, 3, m_statistics.total, 2);
    return csv.commit();
}

bool Statistiche::writeXlsx(const QString& path, QString* error)
{
    using Cell = StatisticsWorkbook::Cell;
    const ErrorStatistics::Figures& total = m_statistics.total;
    return StatisticsWorkbook::write(
        path,
        {{QStringLiteral("Per mese"),
          List_mesi,
          {Cell::Count, Cell::Text, Cell::Errors, Cell::Money},
          total},
         {QStringLiteral("Per farmacia"),
          List_farmacie,
          {Cell::Text, Cell::Text, Cell::Errors, Cell::Money, Cell::Share},
          total},
         {QStringLiteral("Per codice di errore"),
          List_errori,
          {Cell::Text, Cell::Text, Cell::Errors, Cell::Money},
          total}},
        ExactRole, error);
}
