#include "RegistraPage.h"

#include "AppContext.h"
#include "Controls.h"
#include "PanelStatusBar.h"
#include "PatientLookup.h"
#include "Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

RegistraPage::RegistraPage(AppContext& context, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    const int t = Controls::tabRowTwips;
    Frame6 = Controls::place(new QGroupBox(QStringLiteral("NUMERO RICETTA"), this), "Frame6",
                             QStringLiteral("NUMERO RICETTA"), 120, 960 - t, 11775, 4455);
    Text120 =
        Controls::place(new QLineEdit(Frame6), "Text120",
                        QStringLiteral("Numero ricetta, primi 5 caratteri"), 240, 360, 1455, 420);
    Text120->setMaxLength(5);
    Text12 = Controls::place(new QLineEdit(Frame6), "Text12",
                             QStringLiteral("Numero ricetta, ultimi 10 caratteri"), 1800, 360, 2775,
                             420);
    Text12->setMaxLength(10);
    Label18 = Controls::place(new QLabel(Frame6), "Label18", QStringLiteral("Progressivo"), 6240,
                              360, 2400, 420);
    bott_assi = Controls::place(new QPushButton(this), "bott_assi", QStringLiteral("Assistito"),
                                120, 5640 - t, 8535, 615);
    bott_assi->setEnabled(false);
    Comm_REGISTRA =
        Controls::place(new QPushButton(QStringLiteral("REGISTRA ERRORE"), this), "Comm_REGISTRA",
                        QStringLiteral("REGISTRA ERRORE"), 9000, 5520 - t, 2775, 855);
    Command3 = Controls::place(new QPushButton(QStringLiteral("Svuota"), this), "Command3",
                               QStringLiteral("Svuota"), 9000, 6480 - t, 855, 855);
    Command3->setToolTip(QStringLiteral("Svuota Dati"));
    Command5 = Controls::place(new QPushButton(QStringLiteral("Riduci"), this), "Command5",
                               QStringLiteral("Riduci"), 9960, 6480 - t, 855, 855);
    Com_02 = Controls::place(new QPushButton(QStringLiteral("Esci"), this), "Com_02",
                             QStringLiteral("Esci"), 10920, 6480 - t, 855, 855);
    for (QPushButton* b : {bott_assi, Comm_REGISTRA, Command3, Command5, Com_02})
        b->setAutoDefault(false);

    StatusBar4 = new PanelStatusBar(this);
    StatusBar4->setObjectName(QStringLiteral("StatusBar4"));
    StatusBar4->setAccessibleName(QStringLiteral("Ricetta"));
    StatusBar4->dockAtBottom(1, Twips::px(8900));
    StatusBar2 = new PanelStatusBar(this);
    StatusBar2->setObjectName(QStringLiteral("StatusBar2"));
    StatusBar2->dockAtBottom();

    setTabOrder(Text120, Text12);
    connect(Command3, &QPushButton::clicked, this, &RegistraPage::Command3_Click);
    connect(bott_assi, &QPushButton::clicked, this,
            [this] { PatientLookup::bott_assi_Click(m_context, window()); });
}

void RegistraPage::Command3_Click()
{
    Utenti& u = m_context.utenti;
    u.numrickey.set(u"");
    m_context.menu.AIC_CERCATO.clear();
    u.Errore = 0;
    u.Errore_ricerca = 0;
    u.Descrizione.set(u"");
    u.TipoAddebito.set(u"");
    u.Soggetto.set(u"");
    Text120->clear();
    Text12->clear();
    bott_assi->setText(QString());
    bott_assi->setEnabled(false);
    Text120->setFocus(Qt::OtherFocusReason);
    Label18->clear();
    if (StatusBar4->panelCount() >= 2) {
        StatusBar4->setText(0, QString());
        StatusBar4->setSize(0, PanelStatusBar::Size::Contents);
        StatusBar4->setText(1, QString());
    }
}
