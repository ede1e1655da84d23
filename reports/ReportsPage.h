#pragma once

#include "NoticeHeading.h"
#include "ReportRecords.h"

#include <QList>
#include <QWidget>

class AppContext;
class PanelStatusBar;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

// The "REPORTS" tab: the errors registered for a month or year and a pharmacy,
// their list, and the detail window of one of them.
class ReportsPage : public QWidget
{
    Q_OBJECT
public:
    explicit ReportsPage(AppContext& context, QWidget* parent = nullptr);

    // What entering the tab does after the status bar and the registration tab
    // have been refreshed: all pharmacies, the year preset, the report run.
    void enter();

    void Option1_Click(int index);
    void Check1_Click();
    void Check_TT_Click();
    void Command4_Click();
    void Comm_ELABORA_Click();
    void legge_report();
    void legge_archi();
    void legge_codfarm();
    void LEGGEUNICO();
    // The year's statistics for the tab's year and pharmacy filter.
    void openStatistics();
    // "Esporta…" (Ctrl+E) of the list's context menu: the records behind the
    // rows, in the list's order, to a CSV, spreadsheet or PDF file.
    void esporta();
    // "Esporta per farmacia…": one PDF notice per pharmacy of the rows.
    void esportaPerFarmacia();

    QGroupBox* Frame8;
    QGroupBox* Frame11;
    QList<QRadioButton*> Option1;
    QLabel* Label21;
    QLineEdit* Txt_SC_ANNO;
    QCheckBox* Check1;
    QGroupBox* Frame10;
    QLabel* Lab_conta;
    QTreeWidget* ListView1;
    QGroupBox* Frame9;
    QLabel* Label19;
    QLineEdit* Txt_cod;
    QLabel* Label20;
    QLineEdit* txt_rag;
    QPushButton* Command4;
    QCheckBox* Check_TT;
    QPushButton* Comm_ELABORA;
    QPushButton* Command7;
    QPushButton* Com_03;
    PanelStatusBar* StatusBar3;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Choice
    {
        None,    // no choice was offered
        Picked,  // the operator picked a pharmacy
        Escaped, // the operator closed the choice
    };

    void Txt_cod_LostFocus();
    void txt_rag_LostFocus();
    Choice lookUpPharmacy();
    void selectMonth(int month); // 1..12; anything else selects none
    void openDetail();
    void focusList();

    AppContext& m_context;
    // The answer behind the rows as the service sent it and the filters it
    // was asked with, kept until the next run for the exports.
    ReportRecords m_records;
    NoticeHeading m_heading;
    QButtonGroup* m_months;
    bool m_monthPicking = false;
    bool m_lookUpQueued = false;
};
