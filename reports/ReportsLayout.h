#pragma once

#include <QList>

class PanelStatusBar;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QWidget;

// The controls of the "REPORTS" tab, created on the page and placed as the
// operator sees them, with their tab order. ReportsPage adds what they do.
class ReportsLayout
{
public:
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
    explicit ReportsLayout(QWidget* page);

    // The month options, one chosen at most; ids 0 to 11.
    QButtonGroup* m_months;
};
