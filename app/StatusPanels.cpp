#include "StatusPanels.h"

#include "PanelStatusBar.h"
#include "Utenti.h"

void StatusPanels::fillSession(PanelStatusBar* bar, const Utenti& utenti)
{
    bar->clear();
    for (int i = 0; i < 3; ++i)
        bar->addPanel();
    bar->setAlignment(0, Qt::AlignHCenter);
    bar->setText(0, utenti.ASP.shown());
    bar->setWidthTwips(0, 4100);
    bar->setText(1, utenti.Nome.shown());
    bar->setWidthTwips(1, 3000);
    bar->setAlignment(2, Qt::AlignHCenter);
    bar->setDateStyle(2);
}

void StatusPanels::fillPrescription(PanelStatusBar* bar, const Utenti& utenti)
{
    bar->clear();
    bar->addPanel();
    bar->addPanel();
    bar->setAlignment(0, Qt::AlignHCenter);
    if (utenti.Mese < 1 || utenti.Mese > 12)
        return;
    bar->setText(0, Utenti::MESI(utenti.Mese) + " " + QString::number(utenti.Anno));
    bar->setSize(0, PanelStatusBar::Size::Contents);
    bar->setText(1, QString::number(utenti.Farmacia) + " - " + utenti.Ragsoc.shown());
    bar->setSize(1, PanelStatusBar::Size::Spring);
}
