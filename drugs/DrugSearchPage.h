#pragma once

#include <QWidget>

class AppContext;
class PanelStatusBar;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QFrame;

// The "RICERCA FARMACO" tab: one drug by AIC code, or the drugs of an active
// ingredient through the legge_pri window.
class DrugSearchPage : public QWidget
{
    Q_OBJECT
public:
    explicit DrugSearchPage(AppContext& context, QWidget* parent = nullptr);

    // The log-in boxes that "Svuota" also empties.
    void attachLoginBoxes(QLineEdit* user, QLineEdit* password);

    void ricerca(); // the search dispatch ("Ricerca")
    void VEDE_AIC();
    void SVUOTA_Click();

    QLabel* Label15;
    QLineEdit* Text1;
    QLabel* Label16;
    QLineEdit* Text2;
    QPushButton* Com_RIC_MN;
    QFrame* Shape2;
    QGroupBox* Frame2;
    QLabel* Label12;
    QLineEdit* Text_MOLE;
    QLabel* Label13;
    QLineEdit* Text_ATC;
    QLabel* Label11;
    QLineEdit* Text_AIC;
    QLabel* Label14;
    QLineEdit* Text_data;
    QLabel* Label10;
    QLineEdit* Text_FARMA;
    QLabel* Label9;
    QLineEdit* Text_PREZZO;
    QCheckBox* Check_PT;
    QComboBox* Combo1;
    QLabel* Label7;
    QLineEdit* Text_NOTA;
    QLabel* Label8;
    QPlainTextEdit* Text_DISPO;
    QPushButton* Command6;
    QPushButton* SVUOTA;
    QPushButton* Com_01;
    PanelStatusBar* StatusBar1;

private:
    void Text1_LostFocus();
    void Text2_LostFocus();

    AppContext& m_context;
    QLineEdit* m_loginUser = nullptr;
    QLineEdit* m_loginPassword = nullptr;
};
