#pragma once

#include <QWidget>

class AppContext;
class PanelStatusBar;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The "REGISTRA" tab: the prescription number, the error line and its submission.
class RegistraPage : public QWidget
{
    Q_OBJECT
public:
    explicit RegistraPage(AppContext& context, QWidget* parent = nullptr);

    // "Svuota": clears the whole registration tab (the quantity excepted).
    void Command3_Click();

    QGroupBox* Frame6;
    QLineEdit* Text120;
    QLineEdit* Text12;
    QLabel* Label18;
    QPushButton* bott_assi;
    QPushButton* Comm_REGISTRA;
    QPushButton* Command3;
    QPushButton* Command5;
    QPushButton* Com_02;
    PanelStatusBar* StatusBar2;
    PanelStatusBar* StatusBar4;

private:
    AppContext& m_context;
};
