#include "DrugSearchPage.h"

#include "AicField.h"
#include "AppContext.h"
#include "Blanks.h"
#include "Controls.h"
#include "Deferred.h"
#include "DrugLookup.h"
#include "EnterAsTab.h"
#include "FocusWatch.h"
#include "LeggePri.h"
#include "NumberText.h"
#include "PanelStatusBar.h"
#include "TabRing.h"
#include "Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QLineEdit* display(QWidget* parent, const char* name, const QString& accessible, int left, int top,
                   int width, int height)
{
    auto* box = Controls::place(new QLineEdit(parent), name, accessible, left, top, width, height);
    box->setReadOnly(true);
    return box;
}

} // namespace

DrugSearchPage::DrugSearchPage(AppContext& context, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    const int t = Controls::tabRowTwips;
    QFont big = font();
    big.setPointSizeF(12);

    Shape2 = Controls::place(new QFrame(this), "Shape2", QStringLiteral("Ricerca"), 240, 720 - t,
                             11535, 1215);
    Shape2->setFrameStyle(QFrame::Box | QFrame::Plain);
    Label15 = Controls::place(new QLabel(QStringLiteral("AIC"), this), "Label15",
                              QStringLiteral("AIC"), 480, 960 - t, 855, 375);
    Text1 = Controls::place(new QLineEdit(this), "Text1", QStringLiteral("AIC"), 1080, 960 - t,
                            2295, 420);
    Label16 = Controls::place(new QLabel(QStringLiteral("PRINCIPIO ATTIVO"), this), "Label16",
                              QStringLiteral("PRINCIPIO ATTIVO"), 4200, 960 - t, 1695, 495);
    Label16->setWordWrap(true);
    Text2 = Controls::place(new QLineEdit(this), "Text2", QStringLiteral("PRINCIPIO ATTIVO"), 6128,
                            960 - t, 4455, 420);
    Com_RIC_MN = Controls::place(new QPushButton(QStringLiteral("Ricerca"), this), "Com_RIC_MN",
                                 QStringLiteral("Ricerca"), 10680, 840 - t, 975, 735);
    for (QWidget* w : {static_cast<QWidget*>(Label15), static_cast<QWidget*>(Text1),
                       static_cast<QWidget*>(Label16), static_cast<QWidget*>(Text2)})
        w->setFont(big);
    Label15->setBuddy(Text1);
    Label16->setBuddy(Text2);

    Frame2 = Controls::place(new QGroupBox(this), "Frame2", QStringLiteral("Dati del farmaco"), 240,
                             1650 - t, 11535, 4695);
    Label12 = Controls::place(new QLabel(QStringLiteral("MOLECOLA"), Frame2), "Label12",
                              QStringLiteral("MOLECOLA"), 120, 360, 1400, 375);
    Text_MOLE = display(Frame2, "Text_MOLE", QStringLiteral("MOLECOLA"), 1560, 360, 6735, 375);
    Label13 = Controls::place(new QLabel(QStringLiteral("ATC"), Frame2), "Label13",
                              QStringLiteral("ATC"), 8520, 360, 700, 375);
    Text_ATC = display(Frame2, "Text_ATC", QStringLiteral("ATC"), 9240, 360, 1935, 375);
    Label11 = Controls::place(new QLabel(QStringLiteral("AIC"), Frame2), "Label11",
                              QStringLiteral("AIC"), 120, 960, 1400, 375);
    Text_AIC = display(Frame2, "Text_AIC", QStringLiteral("AIC"), 1560, 960, 1935, 375);
    Label14 = Controls::place(new QLabel(QStringLiteral("DATA"), Frame2), "Label14",
                              QStringLiteral("DATA"), 7680, 1080, 1500, 375);
    Text_data = display(Frame2, "Text_data", QStringLiteral("DATA"), 9240, 1080, 1935, 375);
    Label10 = Controls::place(new QLabel(QStringLiteral("FARMACO"), Frame2), "Label10",
                              QStringLiteral("FARMACO"), 120, 1560, 1400, 375);
    Text_FARMA = display(Frame2, "Text_FARMA", QStringLiteral("FARMACO"), 1560, 1560, 9615, 375);
    Text_FARMA->setFont(big);
    Label9 = Controls::place(new QLabel(QStringLiteral("PREZZO"), Frame2), "Label9",
                             QStringLiteral("PREZZO"), 120, 2160, 1400, 375);
    Text_PREZZO = display(Frame2, "Text_PREZZO", QStringLiteral("PREZZO"), 1560, 2160, 1575, 375);
    Text_PREZZO->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Check_PT =
        Controls::place(new QCheckBox(QStringLiteral("PIANO TERAPEUTICO"), Frame2), "Check_PT",
                        QStringLiteral("PIANO TERAPEUTICO"), 4080, 2160, 2535, 375);
    Combo1 = Controls::place(new QComboBox(Frame2), "Combo1",
                             QStringLiteral("Tipo di piano terapeutico"), 6720, 2160, 4455, 360);
    Combo1->addItem(QStringLiteral("T: piano terapeutico su template AIFA"));
    Combo1->addItem(QStringLiteral("R: piano terapeutico su modello regionale"));
    Combo1->setCurrentIndex(-1);
    Label7 = Controls::place(new QLabel(QStringLiteral("NOTA"), Frame2), "Label7",
                             QStringLiteral("NOTA"), 120, 2760, 1400, 375);
    Text_NOTA = display(Frame2, "Text_NOTA", QStringLiteral("NOTA"), 1560, 2760, 2775, 375);
    Text_NOTA->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label8 = Controls::place(new QLabel(QStringLiteral("DISPOSIZIONI"), Frame2), "Label8",
                             QStringLiteral("DISPOSIZIONI"), 120, 3240, 3000, 375);
    Text_DISPO = Controls::place(new QPlainTextEdit(Frame2), "Text_DISPO",
                                 QStringLiteral("DISPOSIZIONI"), 120, 3600, 11055, 975);
    Text_DISPO->setReadOnly(true);

    Command6 = Controls::place(new QPushButton(QStringLiteral("Riduci"), this), "Command6",
                               QStringLiteral("Riduci"), 9000, 6480 - t, 855, 855);
    SVUOTA = Controls::place(new QPushButton(QStringLiteral("Svuota"), this), "SVUOTA",
                             QStringLiteral("Svuota"), 9960, 6480 - t, 855, 855);
    SVUOTA->setToolTip(QStringLiteral("Svuota dati Cliente"));
    Com_01 = Controls::place(new QPushButton(QStringLiteral("Esci"), this), "Com_01",
                             QStringLiteral("Esci"), 10920, 6480 - t, 855, 855);
    for (QPushButton* b : {Com_RIC_MN, Command6, SVUOTA, Com_01})
        b->setAutoDefault(false);

    StatusBar1 = new PanelStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->dockAtBottom();

    // 12-point labels, input boxes and drug name; 9.75-point for the other data.
    QFont small = font();
    small.setPointSizeF(9.75);
    for (QLabel* label : {Label7, Label8, Label9, Label10, Label11, Label12, Label13, Label14})
        label->setFont(big);
    for (QWidget* w :
         std::initializer_list<QWidget*>{Text_MOLE, Text_ATC, Text_AIC, Text_data, Text_PREZZO,
                                         Text_NOTA, Text_DISPO, Check_PT, Combo1})
        w->setFont(small);

    // Tab order as the tab indexes give it, round the tab: "Esci", the drug
    // data, then the search row, "Svuota", the ingredient box and "Riduci".
    TabRing::install(this, {Com_01, Text_DISPO, Text_NOTA, Combo1, Text_PREZZO, Check_PT,
                            Text_FARMA, Text_AIC, Text_MOLE, Text_ATC, Text_data, Com_RIC_MN, Text1,
                            SVUOTA, Text2, Command6});

    EnterAsTab::install(Text1);
    EnterAsTab::install(Text2);
    FocusWatch::onLeave(Text1, [this] { Text1_LostFocus(); });
    FocusWatch::onLeave(Text2, [this] { Text2_LostFocus(); });
    connect(Com_RIC_MN, &QPushButton::clicked, this, &DrugSearchPage::ricerca);
    connect(SVUOTA, &QPushButton::clicked, this, &DrugSearchPage::SVUOTA_Click);
}

void DrugSearchPage::attachLoginBoxes(QLineEdit* user, QLineEdit* password)
{
    m_loginUser = user;
    m_loginPassword = password;
}

void DrugSearchPage::Text1_LostFocus()
{
    m_context.menu.AIC_CERCATO = AicField::code(Text1->text());
    if (!m_context.menu.AIC_CERCATO.isEmpty())
        ricerca();
}

void DrugSearchPage::Text2_LostFocus()
{
    MenuState& menu = m_context.menu;
    if (!Blanks::trim(menu.AIC_CERCATO).isEmpty()) {
        m_context.boxes().inform(this, QStringLiteral("USARE SOLO UNA SELEZIONE"));
        return;
    }
    menu.PRINCIPIO_CERCATO = Blanks::trim(Text2->text());
    // The search may open a modal window: run it once the focus change is over.
    if (!menu.PRINCIPIO_CERCATO.isEmpty())
        Deferred::run(this, [this] { ricerca(); });
}

void DrugSearchPage::ricerca()
{
    MenuState& menu = m_context.menu;
    if (!menu.AIC_CERCATO.isEmpty() && !menu.PRINCIPIO_CERCATO.isEmpty()) {
        m_context.boxes().inform(this, QStringLiteral("USARE SOLO UNA SELEZIONE"));
        return;
    }
    const auto lookUpAic = [this, &menu] {
        menu.FARMACO_NON_TROVATO = 0;
        DrugLookup::CERCA_AIC(m_context, this);
        if (menu.FARMACO_NON_TROVATO == 0) {
            DrugLookup::LEGGE_AIC(m_context);
            VEDE_AIC();
        }
    };
    if (!menu.AIC_CERCATO.isEmpty()) {
        lookUpAic();
    } else if (!menu.PRINCIPIO_CERCATO.isEmpty()) {
        menu.NESSUN_DATO = 0;
        DrugLookup::CERCA_PRINCI(m_context, this);
        // Only a window shown now can hand back a pick: a stale AIC_SCELTO
        // from an earlier search is never looked up again.
        if (menu.NESSUN_DATO == 0) {
            LeggePri window(m_context, this->window());
            window.exec();
            const QString picked = Blanks::trim(m_context.utenti.AIC_SCELTO);
            if (!picked.isEmpty()) {
                menu.AIC_CERCATO = picked;
                lookUpAic();
            }
        }
        // The Enter that left the ingredient box moved the focus on to "Riduci",
        // where the next Enter (after a pick or a message) would minimise the
        // window: the search row's AIC box takes it instead.
        Text1->setFocus(Qt::OtherFocusReason);
    }
}

void DrugSearchPage::VEDE_AIC()
{
    const Utenti& u = m_context.utenti;
    Text_data->setText(u.Data.shown());
    Text_ATC->setText(u.ATC.shown());
    Text_MOLE->setText(u.Molecola.shown());
    Text_AIC->setText(u.AIC.shown());
    Text_FARMA->setText(u.Farmaco.shown());
    Text_PREZZO->setText(NumberText::money(NumberText::leadingNumber(u.PrezzoAcquisto.text())));
    Check_PT->setChecked(false);
    Combo1->setCurrentIndex(-1);
    if (!u.ReqPT.trimmed().isEmpty())
        Check_PT->setChecked(true);
    const QString tipo = u.TipoPT.trimmed();
    if (tipo == u"T")
        Combo1->setCurrentIndex(0);
    else if (tipo == u"R")
        Combo1->setCurrentIndex(1);
    Text_NOTA->setText(u.Nota.shown());
    Text_DISPO->setPlainText(u.Disposizioni.shown());
}

void DrugSearchPage::SVUOTA_Click()
{
    for (QLineEdit* box : {Text_AIC, Text_ATC, Text_data, Text_FARMA, Text_MOLE, Text_NOTA})
        box->clear();
    Text_DISPO->clear();
    if (m_loginPassword)
        m_loginPassword->clear();
    if (m_loginUser)
        m_loginUser->clear();
    Text_PREZZO->clear();
    Check_PT->setChecked(false);
    Combo1->setCurrentIndex(-1);
    Text1->clear();
    Text2->clear();
    Text1->setFocus(Qt::OtherFocusReason);
}
