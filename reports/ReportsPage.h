#pragma once

#include "CancelledErrors.h"
#include "NoticeHeading.h"
#include "ReportRecords.h"
#include "ReportsLayout.h"

#include <QList>
#include <QWidget>

class AppContext;

// The "REPORTS" tab: the errors registered for a month or year and a pharmacy,
// their list, and the detail window of one of them. Its controls are those of
// ReportsLayout.
class ReportsPage : public QWidget, public ReportsLayout
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
    // The errors cancelled from the detail window since the list was filled.
    CancelledErrors m_cancelled;
    bool m_monthPicking = false;
    bool m_lookUpQueued = false;
};
