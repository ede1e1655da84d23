#pragma once

class PanelStatusBar;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The controls of the "REGISTRA" tab, created on the page and placed as the
// operator sees them: sizes, fonts, colours, input limits and tab order.
// RegistraPage adds what they do.
class RegistraLayout
{
public:
    QGroupBox* Frame6;
    QLineEdit* Text120;
    QLineEdit* Text12;
    QLabel* Label18;
    QGroupBox* Frame3;
    QLineEdit* Text_COD_AIC;
    QLineEdit* Text_DESCR_AIC;
    QLineEdit* Text_ATCX;
    QLineEdit* Text_MOLECO;
    QGroupBox* Frame5;
    QLineEdit* Text_COD_ERR;
    QPlainTextEdit* Text_DESCR_ERR;
    QPushButton* BOTT_SVUOTA;
    QLineEdit* Text_add;
    QLineEdit* Text_sogg;
    QGroupBox* Frame4;
    QLineEdit* Text_QTA_AIC;
    QPushButton* bott_assi;
    QPushButton* Comm_REGISTRA;
    QPushButton* Command3;
    QPushButton* Command5;
    QPushButton* Com_02;
    PanelStatusBar* StatusBar2;
    PanelStatusBar* StatusBar4;

protected:
    explicit RegistraLayout(QWidget* page);

    // Entry fields turn cyan while they have the focus, pale cyan otherwise.
    static void showFocus(QWidget* field, bool focused);
};
