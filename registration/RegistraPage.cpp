#include "RegistraPage.h"

#include "AicField.h"
#include "AppContext.h"
#include "Blanks.h"
#include "BusyCursor.h"
#include "Deferred.h"
#include "DrugLookup.h"
#include "EnterAsTab.h"
#include "ErrorRegistration.h"
#include "FocusWatch.h"
#include "NumberText.h"
#include "PanelStatusBar.h"
#include "PatientLookup.h"
#include "PrescriptionLookup.h"
#include "PrescriptionNumber.h"
#include "RegisteredErrors.h"
#include "RegistrationOutcome.h"
#include "VedeErrori.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The prescription's month and pharmacy, left empty while no prescription is held.
void emptyPrescriptionBar(PanelStatusBar* bar)
{
    if (bar->panelCount() < 2)
        return;
    bar->setText(0, QString());
    bar->setSize(0, PanelStatusBar::Size::Contents);
    bar->setText(1, QString());
}

} // namespace

RegistraPage::RegistraPage(AppContext& context, QWidget* parent)
    : QWidget(parent), RegistraLayout(this), m_context(context)
{
    for (QWidget* box : std::initializer_list<QWidget*>{Text120, Text12, Text_COD_AIC, Text_QTA_AIC,
                                                        Text_COD_ERR, Text_DESCR_ERR})
        EnterAsTab::install(box);
    // The colour follows the focus whatever moved it; the handlers below
    // react only to moves inside the window.
    for (QWidget* box : std::initializer_list<QWidget*>{Text120, Text12, Text_COD_AIC, Text_QTA_AIC,
                                                        Text_COD_ERR, Text_DESCR_ERR})
        box->installEventFilter(this);

    FocusWatch::onEnter(Text120, [this] { Text120_GotFocus(); });
    FocusWatch::onLeave(Text120, [this] { Text120_LostFocus(); });
    FocusWatch::onLeave(Text12, [this] { Text12_LostFocus(); });
    FocusWatch::onLeave(Text_COD_AIC, [this] { Text_COD_AIC_LostFocus(); });
    FocusWatch::onEnter(Text_COD_ERR, [this] { clearErrorWhenEmpty(Text_COD_ERR->text()); });
    FocusWatch::onLeave(Text_COD_ERR, [this] { Text_COD_ERR_LostFocus(); });
    FocusWatch::onEnter(Text_DESCR_ERR,
                        [this] { clearErrorWhenEmpty(Text_DESCR_ERR->toPlainText()); });
    FocusWatch::onLeave(Text_DESCR_ERR, [this] { Text_DESCR_ERR_LostFocus(); });
    // The drug's name is shown, not typed: the focus passes on to the error
    // code once the move that brought it here is over.
    FocusWatch::onEnter(Text_DESCR_AIC, [this] {
        Deferred::run(this, [this] {
            if (Text_DESCR_AIC->hasFocus())
                Text_COD_ERR->setFocus(Qt::TabFocusReason);
        });
    });

    connect(Command3, &QPushButton::clicked, this, &RegistraPage::Command3_Click);
    connect(bott_assi, &QPushButton::clicked, this,
            [this] { PatientLookup::bott_assi_Click(m_context, window()); });
    connect(BOTT_SVUOTA, &QPushButton::clicked, this, &RegistraPage::BOTT_SVUOTA_Click);
    connect(Comm_REGISTRA, &QPushButton::clicked, this, &RegistraPage::Comm_REGISTRA_Click);
}

bool RegistraPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        showFocus(static_cast<QWidget*>(watched), event->type() == QEvent::FocusIn);
    // Up in the second part of the number goes back to the first.
    if (watched == Text12 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Up) {
        Text120->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool RegistraPage::acting() const
{
    return !m_refocusing && isVisible();
}

void RegistraPage::refocus(QWidget* widget)
{
    if (!isVisible())
        return;
    m_refocusing = true;
    widget->setFocus(Qt::OtherFocusReason);
    m_refocusing = false;
}

void RegistraPage::Text120_GotFocus()
{
    m_context.utenti.numrickey.set(u"");
    bott_assi->setText(QString());
    bott_assi->setEnabled(false);
}

void RegistraPage::Text120_LostFocus()
{
    if (!acting())
        return;
    const QString prefix = Blanks::trim(Text120->text());
    if (!prefix.isEmpty() && prefix.size() != 5)
        refocus(Text120);
}

void RegistraPage::Text12_LostFocus()
{
    if (!acting())
        return;
    if (Blanks::trim(Text120->text()).isEmpty()) {
        refocus(Text120);
        return;
    }
    if (Blanks::trim(Text12->text()).isEmpty()) {
        refocus(Text12);
        return;
    }
    Utenti& u = m_context.utenti;
    const QString joined = PrescriptionNumber::join(Text120->text(), Text12->text());
    if (!PrescriptionNumber::hasOnlyLettersAndDigits(joined)) {
        // Never sent: the number would become part of the service's query.
        u.numrickey.set(u"");
        m_context.boxes().inform(this, QStringLiteral("Numero ricetta errato"));
        refocus(Text12);
        return;
    }
    u.numrickey.set(joined);
    if (!PrescriptionNumber::passes(u.numrickey.text())) {
        m_context.boxes().inform(this, PrescriptionNumber::wrongCheckMessage(u.numrickey.text()));
        // A rejected number is not held: "REGISTRA ERRORE" would otherwise send
        // it with the pharmacy, month and year of the prescription looked up before.
        u.numrickey.set(u"");
        refocus(Text12);
        return;
    }

    u.Anno = 0;
    u.Mese = 0;
    u.Farmacia = 0;
    u.Ragsoc.set(u"");
    u.Localita.set(u"");
    u.Distretto.set(u"");
    u.Progressivo.clear();
    PrescriptionLookup::CERCA_RICETTA(m_context, this);
    Label18->setText(u.Progressivo);
    if (u.Farmacia != 0) {
        emit statusRequested();
        bott_assi->setEnabled(true);
        bott_assi->setText(QStringLiteral("ASSISTITO : ") + u.Assistito +
                           QStringLiteral(" - Cod.Fisc. ") + u.Codice_assistito);
    } else {
        // Codice_assistito may already hold the new number's patient: a button
        // still naming the previous one would open the wrong history.
        bott_assi->setText(QString());
        bott_assi->setEnabled(false);
        emptyPrescriptionBar(StatusBar4);
        BOTT_SVUOTA_Click();
        // What entering Text120 does, done here too: after a message box the
        // window may get its activation back only later, and a focus change
        // caused by activation runs no handler.
        u.numrickey.set(u"");
        refocus(Text120);
    }
}

void RegistraPage::Text_COD_AIC_LostFocus()
{
    if (!acting())
        return;
    MenuState& menu = m_context.menu;
    menu.AIC_CERCATO = AicField::code(Text_COD_AIC->text());
    if (!menu.AIC_CERCATO.isEmpty()) {
        BusyCursor busy;
        menu.FARMACO_NON_TROVATO = 0;
        DrugLookup::CERCA_AIC(m_context, this);
        if (menu.FARMACO_NON_TROVATO == 0)
            DrugLookup::LEGGE_AIC(m_context);
    }
    const Utenti& u = m_context.utenti;
    Text_DESCR_AIC->setText(u.Farmaco.shown());
    Text_ATCX->setText(u.ATC.shown());
    Text_MOLECO->setText(u.Molecola.shown());
}

void RegistraPage::clearErrorWhenEmpty(const QString& text)
{
    if (Blanks::trim(text).isEmpty())
        clearError();
}

void RegistraPage::Text_COD_ERR_LostFocus()
{
    if (!acting())
        return;
    const double code = NumberText::leadingNumber(Blanks::trim(Text_COD_ERR->text()));
    if (code == 0 || !Text_add->text().isEmpty())
        return;
    const qint32 searched = NumberText::toInt32(code);
    chooseError(Text_COD_ERR, [this, searched] {
        Utenti& u = m_context.utenti;
        u.Descrizione.set(u"");
        u.Errore_ricerca = searched;
        u.Errore = 0;
    });
}

void RegistraPage::Text_DESCR_ERR_LostFocus()
{
    if (!acting())
        return;
    const QString words = Blanks::trim(Text_DESCR_ERR->toPlainText());
    if (words.isEmpty() || !Text_add->text().isEmpty())
        return;
    // Errore_ricerca stays 0, as entering the emptied error fields left it.
    chooseError(Text_DESCR_ERR, [this, words] {
        Utenti& u = m_context.utenti;
        u.Errore = 0;
        u.Descrizione.set(words);
    });
}

void RegistraPage::chooseError(QWidget* searchField, std::function<void()> setSearch)
{
    // The table window is modal: it opens once the focus change that asked
    // for it is over, unless the operator cleared the tab or left it meanwhile.
    // The search is set just before, as the move may have cleared the error
    // state on the way (entering an empty error field does).
    const int clearings = m_clearings;
    Deferred::run(this, [this, searchField, clearings, setSearch] {
        if (clearings != m_clearings || !isVisible())
            return;
        setSearch();
        {
            VedeErrori table(m_context, window());
            table.exec();
        }
        const Utenti& u = m_context.utenti;
        if (u.Errore == 0) {
            refocus(searchField);
            return;
        }
        Text_COD_ERR->setText(QString::number(u.Errore));
        Text_DESCR_ERR->setPlainText(u.Descrizione.shown());
        Text_add->setText(u.TipoAddebito.shown());
        Text_sogg->setText(u.Soggetto.shown());
        refocus(Comm_REGISTRA);
    });
}

void RegistraPage::BOTT_SVUOTA_Click()
{
    ++m_clearings;
    clearError();
}

void RegistraPage::clearError()
{
    Utenti& u = m_context.utenti;
    u.Errore_ricerca = 0;
    u.Descrizione.set(u"");
    u.TipoAddebito.set(u"");
    u.Soggetto.set(u"");
    Text_sogg->clear();
    Text_COD_ERR->clear();
    Text_DESCR_ERR->clear();
    Text_add->clear();
}

void RegistraPage::Command3_Click()
{
    ++m_clearings;
    Utenti& u = m_context.utenti;
    u.numrickey.set(u"");
    m_context.menu.AIC_CERCATO.clear();
    u.Errore = 0;
    clearError();
    Text120->clear();
    Text12->clear();
    Text_COD_AIC->clear();
    Text_DESCR_AIC->clear();
    Text_ATCX->clear();
    Text_MOLECO->clear();
    bott_assi->setText(QString());
    bott_assi->setEnabled(false);
    // Only on this tab: entering REPORTS clears it too, and the focus belongs there.
    if (isVisible())
        Text120->setFocus(Qt::OtherFocusReason);
    Label18->clear();
    emptyPrescriptionBar(StatusBar4);
}

void RegistraPage::Comm_REGISTRA_Click()
{
    const Utenti& u = m_context.utenti;
    const QString aic = Blanks::trim(m_context.menu.AIC_CERCATO);
    const QString quantity = Blanks::trim(Text_QTA_AIC->text());
    // A missing piece is named, and the focus goes where it is typed: the
    // number may still show after the focus passed back through Text120.
    const auto missing = [this](const QString& text, QWidget* field) {
        m_context.boxes().inform(this, text);
        refocus(field);
    };
    if (u.numrickey.trimmed().isEmpty())
        return missing(QStringLiteral("NUMERO RICETTA MANCANTE"), Text120);
    if (aic.isEmpty())
        return missing(QStringLiteral("AIC MANCANTE"), Text_COD_AIC);
    if (quantity.isEmpty())
        return missing(QStringLiteral("QUANTITA' MANCANTE"), Text_QTA_AIC);
    if (!Text_sogg->text().contains(QStringLiteral("armacia"), Qt::CaseSensitive)) {
        m_context.boxes().inform(this, QStringLiteral("Soggetto non Farmacia"));
        return;
    }
    const SentLine line{u.numrickey.text(), aic, u.Errore, quantity};
    // A second registration of the same line charges the pharmacy twice: the
    // operator is warned first. A failed look-up warns of nothing.
    const std::optional<QList<RegisteredError>> before = RegisteredErrors::lookUp(m_context);
    const QList<RegisteredError> same =
        before ? RegisteredErrors::sameLine(*before, line.numrickey, aic, line.errore)
               : QList<RegisteredError>();
    if (!same.isEmpty() &&
        !m_context.boxes().ask(this, ErrorRegistration::alreadyRegistered(same.first().id),
                               MessageBoxes::applicationTitle, QMessageBox::No))
        return;
    if (!m_context.boxes().ask(this,
                               ErrorRegistration::summary(u, m_context.menu.AIC_CERCATO, quantity),
                               MessageBoxes::applicationTitle))
        return;
    const ErrorRegistration::Outcome outcome =
        ErrorRegistration::send(m_context, m_context.menu.AIC_CERCATO, quantity);
    QString message = outcome == ErrorRegistration::Outcome::Recorded
                          ? RegistrationOutcome::stored
                          : RegistrationOutcome::notStored;
    // The service may have stored the error and lost only its answer: what
    // it lists now is compared with what it listed before. Nothing is sent again.
    if (outcome == ErrorRegistration::Outcome::NoAnswer)
        message =
            RegistrationOutcome::afterLostAnswer(before, RegisteredErrors::lookUp(m_context), line);
    m_context.boxes().inform(this, message);
}
