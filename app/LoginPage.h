#pragma once

#include <QWidget>

class AppContext;
class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;

// The "LOGIN" tab: the privacy notice, the version, the user and password boxes
// and "ACCEDI". It sends LoginUser and reads the answer into the session; the
// main window runs the log-in action around it.
class LoginPage : public QWidget
{
    Q_OBJECT
public:
    LoginPage(AppContext& context, QWidget* parent = nullptr);

    // LOGIN: sends LoginUser with the trimmed credentials and stages the answer.
    // ERRORE_LOGIN is 1 when the attempt failed or was refused.
    void LOGIN();
    // LEGGE_LOGIN: reads the staged answer into the session identity.
    void LEGGE_LOGIN();

    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Image3;
    QLabel* Label17;
    QLabel* Label22;
    QGroupBox* Frame1;
    QLabel* Label1;
    QLineEdit* Text_UTE;
    QLabel* Label2;
    QLineEdit* Text_PASS;
    QPushButton* Command1;
    QLabel* Image1;
    QLabel* Image2;
    QWidget* Shape1;
    QPushButton* Bott_esci;

signals:
    void accediRequested(); // "ACCEDI" clicked, or a character key pressed on it
    void esciRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppContext& m_context;
};
