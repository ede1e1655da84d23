#include "ReportsLayout.h"

#include "CharacterFilter.h"
#include "Controls.h"
#include "PanelStatusBar.h"
#include "Twips.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

const QStringList MonthCaptions = {
    QStringLiteral("Gennaio"), QStringLiteral("Febbraio"), QStringLiteral("Marzo"),
    QStringLiteral("Aprile"),  QStringLiteral("Maggio"),   QStringLiteral("Giugno"),
    QStringLiteral("Luglio"),  QStringLiteral("Agosto"),   QStringLiteral("Settembre"),
    QStringLiteral("Ottobre"), QStringLiteral("Novembre"), QStringLiteral("Dicembre")};

} // namespace

ReportsLayout::ReportsLayout(QWidget* page)
{
    const int t = Controls::tabRowTwips;
    Frame8 = Controls::place(new QGroupBox(QStringLiteral(" DATI REGISTRATI "), page), "Frame8",
                             QStringLiteral("DATI REGISTRATI"), 120, 720 - t, 11895, 4560);
    ListView1 = Controls::place(new QTreeWidget(Frame8), "ListView1",
                                QStringLiteral("Errori registrati"), 120, 300, 8160, 4140);
    Frame11 = Controls::place(new QGroupBox(QStringLiteral("Scelta mese "), Frame8), "Frame11",
                              QStringLiteral("Scelta mese"), 8400, 180, 1560, 4260);
    m_months = new QButtonGroup(page);
    for (int i = 0; i < 12; ++i) {
        const QByteArray name = "Option1_" + QByteArray::number(i);
        auto* option =
            Controls::place(new QRadioButton(MonthCaptions[i], Frame11), name.constData(),
                            MonthCaptions[i], 120, 240 + i * 320, 1320, 300);
        Option1.append(option);
        m_months->addButton(option, i);
    }
    Label21 = Controls::place(new QLabel(QStringLiteral("SCELTA ANNO"), Frame8), "Label21",
                              QStringLiteral("SCELTA ANNO"), 10080, 300, 1680, 300);
    Txt_SC_ANNO = Controls::place(new QLineEdit(Frame8), "Txt_SC_ANNO",
                                  QStringLiteral("SCELTA ANNO"), 10080, 600, 1680, 390);
    Txt_SC_ANNO->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label21->setBuddy(Txt_SC_ANNO);
    Check1 = Controls::place(new QCheckBox(QStringLiteral("Annuo"), Frame8), "Check1",
                             QStringLiteral("Annuo"), 10080, 1140, 1680, 330);
    Frame10 = Controls::place(new QGroupBox(QStringLiteral("Record N°"), Frame8), "Frame10",
                              QStringLiteral("Record N°"), 10080, 1620, 1680, 780);
    Lab_conta = Controls::placeData(new QLabel(Frame10), "Lab_conta", QStringLiteral("Record N°"),
                                    120, 300, 1440, 360);
    Lab_conta->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Frame9 = Controls::place(new QGroupBox(QStringLiteral(" Scelta Farmacia "), page), "Frame9",
                             QStringLiteral("Scelta Farmacia"), 120, 5400 - t, 7800, 960);
    Label19 = Controls::place(new QLabel(QStringLiteral("Codice"), Frame9), "Label19",
                              QStringLiteral("Codice"), 120, 420, 600, 330);
    Txt_cod = Controls::place(new QLineEdit(Frame9), "Txt_cod", QStringLiteral("Codice farmacia"),
                              720, 360, 1080, 390);
    Txt_cod->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label19->setBuddy(Txt_cod);
    Label20 = Controls::place(new QLabel(QStringLiteral("Ragione Sociale"), Frame9), "Label20",
                              QStringLiteral("Ragione Sociale"), 1920, 420, 1560, 330);
    txt_rag = Controls::place(new QLineEdit(Frame9), "txt_rag", QStringLiteral("Ragione Sociale"),
                              3480, 360, 3360, 390);
    Label20->setBuddy(txt_rag);
    Command4 = Controls::place(new QPushButton(QStringLiteral("Svuota"), Frame9), "Command4",
                               QStringLiteral("Svuota farmacia"), 6960, 300, 720, 510);
    Check_TT = Controls::place(new QCheckBox(QStringLiteral("Tutte le Farmacie"), page), "Check_TT",
                               QStringLiteral("Tutte le Farmacie"), 8040, 5760 - t, 2400, 330);
    Check_TT->setChecked(true);

    Command7 = Controls::place(new QPushButton(QStringLiteral("Riduci"), page), "Command7",
                               QStringLiteral("Riduci"), 9000, 6480 - t, 855, 855);
    Comm_ELABORA = Controls::place(new QPushButton(QStringLiteral("Elabora"), page), "Comm_ELABORA",
                                   QStringLiteral("Elabora"), 9960, 6480 - t, 855, 855);
    Com_03 = Controls::place(new QPushButton(QStringLiteral("Esci"), page), "Com_03",
                             QStringLiteral("Esci"), 10920, 6480 - t, 855, 855);
    for (QPushButton* b : {Command4, Command7, Comm_ELABORA, Com_03})
        b->setAutoDefault(false);

    StatusBar3 = new PanelStatusBar(page);
    StatusBar3->setObjectName(QStringLiteral("StatusBar3"));
    StatusBar3->dockAtBottom();

    QList<QWidget*> order{ListView1};
    for (QRadioButton* option : std::as_const(Option1))
        order.append(option);
    order << Txt_SC_ANNO << Check1 << Txt_cod << txt_rag << Command4 << Check_TT << Comm_ELABORA
          << Command7 << Com_03;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    CharacterFilter::digitsCommaMinus(Txt_cod);
}
