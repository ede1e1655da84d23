#pragma once

#include <QWidget>

class AppContext;
class PanelStatusBar;
class QCheckBox;
class QGroupBox;
class QPushButton;

// The "REPORTS" tab: the errors registered for a month or year and a pharmacy.
class ReportsPage : public QWidget
{
    Q_OBJECT
public:
    explicit ReportsPage(AppContext& context, QWidget* parent = nullptr);

    // What entering the tab does after the status bar and the registration tab
    // have been refreshed: "Tutte le Farmacie" ticked.
    void enter();

    QGroupBox* Frame8;
    QGroupBox* Frame9;
    QCheckBox* Check_TT;
    QPushButton* Comm_ELABORA;
    QPushButton* Command7;
    QPushButton* Com_03;
    PanelStatusBar* StatusBar3;

private:
    AppContext& m_context;
};
