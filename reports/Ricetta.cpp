#include "Ricetta.h"

#include "AppContext.h"
#include "CancelledErrors.h"
#include "ExportFileDialog.h"
#include "ListContextMenu.h"
#include "NumberText.h"
#include "PrintJob.h"
#include "ReportRecords.h"
#include "RicettaPrint.h"
#include "ShowFromStart.h"
#include "Twips.h"
#include "ValueReader.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include <optional>

namespace {

const QColor FieldBackground(192, 255, 255);

// A display field: read-only, bold, pale cyan; `colour` invalid keeps the
// window-text colour.
template <typename W>
W* field(W* box, const char* name, const QString& accessible, const QColor& colour = QColor(),
         qreal points = 9.75)
{
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(accessible);
    box->setReadOnly(true);
    QFont font = box->font();
    font.setBold(true);
    font.setPointSizeF(points);
    box->setFont(font);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, FieldBackground);
    if (colour.isValid())
        palette.setColor(QPalette::Text, colour);
    box->setPalette(palette);
    return box;
}

QGroupBox* frame(const QString& caption, const char* name, std::initializer_list<QWidget*> fields,
                 std::initializer_list<int> stretches = {})
{
    auto* box = new QGroupBox(caption);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(caption.trimmed());
    auto* layout = new QHBoxLayout(box);
    auto stretch = stretches.begin();
    for (QWidget* w : fields)
        layout->addWidget(w, stretch != stretches.end() ? *stretch++ : 0);
    return box;
}

} // namespace

Ricetta::Ricetta(AppContext& context, QWidget* parent, CancelledErrors* cancelled)
    : QDialog(parent), m_context(context), m_cancelledErrors(cancelled)
{
    setObjectName(QStringLiteral("RICETTA"));
    setWindowTitle(QStringLiteral("RICETTA"));
    setAccessibleName(QStringLiteral("RICETTA"));
    resize(Twips::px(10200), Twips::px(6600));

    const QColor darkRed(192, 0, 0), darkBlue(0, 0, 192), navy(0, 0, 64);
    Text_NR = field(new QLineEdit, "Text_NR", QStringLiteral("NUMERO RICETTA"), navy, 12);
    Text_mese = field(new QLineEdit, "Text_mese", QStringLiteral("MESE / ANNO"), navy);
    Text_COD = field(new QLineEdit, "Text_COD", QStringLiteral("CODICE"), darkBlue);
    Text_FAR = field(new QLineEdit, "Text_FAR", QStringLiteral("FARMACIA"), darkBlue);
    Text_CF = field(new QLineEdit, "Text_CF", QStringLiteral("CODICE FISCALE"));
    // Wide enough for a whole fiscal code in its widest letters.
    Text_CF->setMinimumWidth(
        Text_CF->fontMetrics().horizontalAdvance(QStringLiteral("MMMMMM00M00M000M")) +
        Twips::px(180));
    Text4_ASS = field(new QLineEdit, "Text4_ASS", QStringLiteral("ASSISTITO"));
    Text_COD_AIC = field(new QLineEdit, "Text_COD_AIC", QStringLiteral("AIC FARMACO"), darkRed);
    Text_DESCR_AIC = field(new QLineEdit, "Text_DESCR_AIC", QStringLiteral("FARMACO"), darkRed);
    Text_MOLE = field(new QLineEdit, "Text_MOLE", QStringLiteral("MOLECOLA"), darkRed);
    Text_QTA_AIC = field(new QLineEdit, "Text_QTA_AIC", QStringLiteral("QUANTITA'"), Qt::black);
    Text_QTA_AIC->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text_NETTO = field(new QLineEdit, "Text_NETTO", QStringLiteral("LORDO"));
    Text_NETTO->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text_COD_ERR = field(new QLineEdit, "Text_COD_ERR", QStringLiteral("CODICE ERRORE"));
    Text_COD_ERR->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text_DESCR_ERR =
        field(new QPlainTextEdit, "Text_DESCR_ERR", QStringLiteral("DESCRIZIONE ERRORE"));
    Text_DESCR_ERR->setMaximumHeight(Twips::px(900));
    Text_add = field(new QLineEdit, "Text_add", QStringLiteral("ADDEBITO"));
    Text_sogg = field(new QLineEdit, "Text_sogg", QStringLiteral("SOGGETTO"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(frame(QStringLiteral("NUMERO RICETTA "), "Frame_NR", {Text_NR}), 0, 0, 1, 2);
    grid->addWidget(frame(QStringLiteral(" MESE / ANNO "), "Frame_mese", {Text_mese}), 0, 2);
    grid->addWidget(frame(QStringLiteral("CODICE"), "Frame_COD", {Text_COD}), 1, 0);
    grid->addWidget(frame(QStringLiteral("FARMACIA  "), "Frame_FAR", {Text_FAR}), 1, 1, 1, 2);
    grid->addWidget(frame(QStringLiteral("CODICE FISCALE"), "Frame_CF", {Text_CF}), 2, 0);
    grid->addWidget(frame(QStringLiteral("ASSISTITO "), "Frame_ASS", {Text4_ASS}), 2, 1, 1, 2);
    grid->addWidget(
        frame(QStringLiteral("AIC FARMACO"), "Frame_AIC", {Text_COD_AIC, Text_DESCR_AIC}, {1, 4}),
        3, 0, 1, 3);
    auto* row5 = new QHBoxLayout;
    row5->addWidget(frame(QStringLiteral("MOLECOLA"), "Frame_MOLE", {Text_MOLE}), 3);
    row5->addWidget(frame(QStringLiteral("QUANTITA'"), "Frame_QTA", {Text_QTA_AIC}), 1);
    row5->addWidget(frame(QStringLiteral("LORDO"), "Frame_LORDO", {Text_NETTO}), 1);
    grid->addLayout(row5, 4, 0, 1, 3);
    auto* errorFrame = new QGroupBox(QStringLiteral("ERRORE"));
    errorFrame->setObjectName(QStringLiteral("Frame_ERR"));
    errorFrame->setAccessibleName(QStringLiteral("ERRORE"));
    auto* errorGrid = new QGridLayout(errorFrame);
    errorGrid->addWidget(Text_COD_ERR, 0, 0);
    errorGrid->addWidget(Text_DESCR_ERR, 0, 1, 1, 2);
    errorGrid->addWidget(Text_add, 1, 1);
    errorGrid->addWidget(Text_sogg, 1, 2);
    errorGrid->setColumnStretch(1, 1);
    errorGrid->setColumnStretch(2, 1);
    grid->addWidget(errorFrame, 5, 0, 1, 3);

    bott_elim = new QPushButton(QStringLiteral("Elimina"));
    bott_elim->setObjectName(QStringLiteral("bott_elim"));
    bott_elim->setAccessibleName(QStringLiteral("Elimina"));
    Com_03 = new QPushButton(QStringLiteral("Esci"));
    Com_03->setObjectName(QStringLiteral("Com_03"));
    Com_03->setAccessibleName(QStringLiteral("Esci"));
    for (QPushButton* b : {bott_elim, Com_03}) {
        b->setAutoDefault(false);
        b->setFixedSize(Twips::px(855), Twips::px(855));
    }
    Lab_annullato = new QLabel(QStringLiteral("ERRORE ANNULLATO"));
    Lab_annullato->setObjectName(QStringLiteral("Lab_annullato"));
    Lab_annullato->setAccessibleDescription(QStringLiteral("Stato dell'errore"));
    QFont stateFont = Lab_annullato->font();
    stateFont.setBold(true);
    stateFont.setPointSizeF(12);
    Lab_annullato->setFont(stateFont);
    QPalette statePalette = Lab_annullato->palette();
    statePalette.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Lab_annullato->setPalette(statePalette);
    Lab_annullato->setAlignment(Qt::AlignCenter);
    Lab_annullato->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bott_elim);
    buttons->addStretch();
    buttons->addWidget(Lab_annullato);
    buttons->addStretch();
    buttons->addWidget(Com_03);
    grid->addLayout(buttons, 6, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    connect(bott_elim, &QPushButton::clicked, this, &Ricetta::bott_elim_Click);
    connect(Com_03, &QPushButton::clicked, this, &QDialog::accept);

    // Nothing can be cancelled that the window is not showing, nor with an ID
    // that is not a whole number.
    // Printing: Ctrl+P anywhere in the window, and a context menu (right
    // button, Menu key, Shift+F10) on every part of it; the fields keep their
    // own entries such as copying.
    m_print = new QAction(QStringLiteral("Stampa…"), this);
    m_print->setObjectName(QStringLiteral("Stampa"));
    m_print->setShortcut(QKeySequence::Print);
    m_print->setShortcutVisibleInContextMenu(true);
    connect(m_print, &QAction::triggered, this, &Ricetta::stampa);
    addAction(m_print);
    m_savePdf = new QAction(QStringLiteral("Salva come PDF…"), this);
    m_savePdf->setObjectName(QStringLiteral("SalvaPdf"));
    connect(m_savePdf, &QAction::triggered, this, &Ricetta::salvaPdf);
    QList<QWidget*> parts = findChildren<QWidget*>();
    parts.prepend(this);
    for (QWidget* w : std::as_const(parts)) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& pos) {
            const auto* area = qobject_cast<QAbstractScrollArea*>(w);
            contextMenu(w, (area ? area->viewport() : w)->mapToGlobal(pos));
        });
        w->installEventFilter(this);
    }

    ShowFromStart::apply(this);
    bott_elim->setEnabled(maschera());
    // "Elimina" stays as the record allows: the service decides about a second cancellation.
    if (m_hasRecord && m_cancelledErrors && m_idIsWhole && m_cancelledErrors->contains(Id_numerico))
        showCancelled();
    Com_03->setFocus();
}

void Ricetta::showCancelled()
{
    m_cancelled = true;
    Lab_annullato->show();
}

bool Ricetta::maschera()
{
    const QString wanted = m_context.utenti.Id_errore;
    m_id = wanted;
    bool taking = false;
    bool idIsWhole = false;
    const auto show = [](QLineEdit* box, const QString& value) { box->setText(value); };
    m_context.service().forEachLine(StagingFolder::exportFile, [&](QStringView line) {
        const bool hasId = ValueReader::hasTag(line, u"ID");
        if (hasId) {
            if (taking)
                return false; // the next record
            if (ValueReader::LEGGI_VALORE(line, u"ID") != wanted)
                return true;
            taking = true;
        }
        if (!taking)
            return true;

        const auto has = [&](QStringView tag) { return ValueReader::hasTag(line, tag); };
        const auto value = [&](QStringView tag) { return ValueReader::LEGGI_VALORE(line, tag); };
        if (hasId) {
            const std::optional<qint32> id = CancelledErrors::idOf(value(u"ID"));
            Id_numerico = id.value_or(0);
            idIsWhole = id.has_value();
        } else if (has(u"Flusso")) {
            Flusso = value(u"Flusso") == u"DPC" ? QStringLiteral("2") : QStringLiteral("1");
        } else if (has(u"NumricKey")) {
            show(Text_NR, value(u"NumricKey"));
        } else if (has(u"Mese")) {
            const QString year = Text_mese->text().trimmed();
            show(Text_mese, NumberText::zeroPadded(NumberText::leadingNumber(value(u"Mese")), 2) +
                                u'/' + year);
        } else if (has(u"Anno")) {
            show(Text_mese, NumberText::zeroPadded(NumberText::leadingNumber(value(u"Anno")), 4));
        } else if (has(u"Assistito")) {
            show(Text4_ASS, value(u"Assistito"));
        } else if (has(u"CodAssistito")) {
            show(Text_CF, value(u"CodAssistito"));
        } else if (has(u"Codfarma")) {
            show(Text_COD, value(u"Codfarma"));
        } else if (has(u"Farmacia")) {
            show(Text_FAR, value(u"Farmacia"));
        } else if (has(u"AIC")) {
            show(Text_COD_AIC, value(u"AIC"));
        } else if (has(u"Farmaco")) {
            show(Text_DESCR_AIC, value(u"Farmaco"));
        } else if (has(u"Molecola")) {
            show(Text_MOLE, value(u"Molecola"));
        } else if (has(u"Pezzi")) {
            show(Text_QTA_AIC, value(u"Pezzi"));
        } else if (has(u"Lordo")) {
            show(Text_NETTO, NumberText::money(NumberText::leadingNumber(value(u"Lordo"))));
        } else if (has(u"CodErrore")) {
            show(Text_COD_ERR, value(u"CodErrore"));
        } else if (has(u"DescrizioneErrore")) {
            Text_DESCR_ERR->setPlainText(value(u"DescrizioneErrore"));
        } else if (has(u"TipoAddebito")) {
            show(Text_add, value(u"TipoAddebito"));
        } else if (has(u"Soggetto")) {
            show(Text_sogg, value(u"Soggetto"));
        }
        return true;
    });
    m_hasRecord = taking;
    m_idIsWhole = idIsWhole;
    return taking && idIsWhole;
}

std::optional<RicettaPrint> Ricetta::printable()
{
    if (!m_hasRecord) {
        m_context.boxes().inform(this, QStringLiteral("NESSUN DATO DA STAMPARE"));
        return std::nullopt;
    }
    // The window shows the staged text; the notice carries the service's own.
    const ReportRecords records =
        ReportRecords::fromFile(m_context.service().staging().path(ReportRecords::stagedFile));
    const std::optional<qsizetype> position = records.positionOfId(m_id);
    if (!position) {
        m_context.boxes().inform(this, QStringLiteral("IMPOSSIBILE LEGGERE IL FILE ") +
                                           ReportRecords::stagedFile);
        return std::nullopt;
    }
    const Utenti& u = m_context.utenti;
    return RicettaPrint(u.ASP.trimmed(), u.Nome.trimmed(), records.record(*position), m_cancelled);
}

void Ricetta::stampa()
{
    const std::optional<RicettaPrint> page = printable();
    if (!page)
        return;
    const PrintJob::Outcome outcome = PrintJob::run(
        this, QStringLiteral("RICETTA ") + Text_NR->text(), QStringLiteral("StampaRicetta"),
        [&page](QPagedPaintDevice* printer) { page->print(printer); });
    if (outcome == PrintJob::Failed)
        m_context.boxes().inform(this, QStringLiteral("STAMPA NON RIUSCITA"));
}

void Ricetta::salvaPdf()
{
    const std::optional<RicettaPrint> page = printable();
    if (!page)
        return;
    const QString number = Text_NR->text().trimmed();
    const QString path = ExportFileDialog::choose(
        this, QStringLiteral("Salva come PDF"),
        QStringLiteral("ricetta_%1.pdf").arg(number.isEmpty() ? QStringLiteral("errore") : number),
        ExportFileDialog::pdfFilter());
    if (path.isEmpty())
        return;
    QString error;
    if (!page->writePdf(path, &error))
        m_context.boxes().inform(this, error);
}

bool Ricetta::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        ListContextMenu::isMenuKey(static_cast<QKeyEvent*>(event))) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w) {
            contextMenu(w, w->mapToGlobal(QPoint(w->width() / 4, w->height() / 2)));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Ricetta::contextMenu(QWidget* at, const QPoint& globalPos)
{
    QMenu* menu = nullptr;
    if (auto* line = qobject_cast<QLineEdit*>(at))
        menu = line->createStandardContextMenu();
    else if (auto* text = qobject_cast<QPlainTextEdit*>(at))
        menu = text->createStandardContextMenu();
    if (menu) {
        menu->setParent(this, menu->windowFlags());
        menu->addSeparator();
    } else {
        menu = new QMenu(this);
    }
    menu->setObjectName(QStringLiteral("RICETTA_menu"));
    menu->setAccessibleName(QStringLiteral("Menu della ricetta"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(m_print);
    menu->addAction(m_savePdf);
    menu->popup(globalPos);
    menu->setActiveAction(m_print);
}

void Ricetta::bott_elim_Click()
{
    if (!m_context.boxes().ask(this, QStringLiteral("PROVVEDO ALLA ELIMINAZIONE ? "), QString()))
        return;
    const QString operation = QStringLiteral("AnnullaErroreFarmacia");
    // Posted once: resent by the network stack after a lost answer, a
    // cancellation that worked would come back as not found.
    QString response =
        m_context.service().post(operation,
                                 {{QStringLiteral("prov"), m_context.utenti.Prov.text()},
                                  {QStringLiteral("flusso"), Flusso.trimmed()},
                                  {QStringLiteral("id"), QString::number(Id_numerico)}},
                                 SoapClient::Posting::Once);
    response.replace(u',', u'.');
    if (!response.contains(u'<' + operation + QStringLiteral("Result")) ||
        !response.contains(u"<Errore>")) {
        m_context.boxes().inform(this, QStringLiteral("ERRORE NON TROVATO"));
        return;
    }
    m_context.boxes().inform(this, QStringLiteral("ERRORE CANCELLATO"));
    if (m_cancelledErrors)
        m_cancelledErrors->add(Id_numerico);
    showCancelled();
    m_context.utenti.Id_errore.clear();
    bott_elim->setEnabled(false);
}
