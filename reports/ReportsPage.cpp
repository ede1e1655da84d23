#include "ReportsPage.h"

#include "AppContext.h"
#include "Controls.h"
#include "PanelStatusBar.h"
#include "Twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

ReportsPage::ReportsPage(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    Frame8 = Controls::name(new QGroupBox(QStringLiteral(" DATI REGISTRATI "), this), "Frame8",
                            QStringLiteral("DATI REGISTRATI"));
    Frame8->setGeometry(8, 8, Twips::px(12135) - 22, 300);
    Frame9 = Controls::name(new QGroupBox(QStringLiteral(" Scelta Farmacia "), this), "Frame9",
                            QStringLiteral("Scelta Farmacia"));
    Frame9->setGeometry(8, 316, 520, 60);
    Check_TT = Controls::name(new QCheckBox(QStringLiteral("Tutte le Farmacie"), this), "Check_TT",
                              QStringLiteral("Tutte le Farmacie"));
    Check_TT->setGeometry(540, 336, 160, 24);
    Check_TT->setChecked(true);
    Command7 = Controls::name(new QPushButton(QStringLiteral("Riduci"), this), "Command7",
                              QStringLiteral("Riduci"));
    Comm_ELABORA = Controls::name(new QPushButton(QStringLiteral("Elabora"), this), "Comm_ELABORA",
                                  QStringLiteral("Elabora"));
    Com_03 = Controls::name(new QPushButton(QStringLiteral("Esci"), this), "Com_03",
                            QStringLiteral("Esci"));
    const int y = 384;
    Command7->setGeometry(Twips::px(9000), y, 57, 57);
    Comm_ELABORA->setGeometry(Twips::px(9960), y, 57, 57);
    Com_03->setGeometry(Twips::px(10920), y, 57, 57);
    for (QPushButton* b : {Command7, Comm_ELABORA, Com_03})
        b->setAutoDefault(false);

    StatusBar3 = new PanelStatusBar(this);
    StatusBar3->setObjectName(QStringLiteral("StatusBar3"));
    StatusBar3->dockAtBottom();
}

void ReportsPage::enter()
{
    Check_TT->setChecked(true);
}
