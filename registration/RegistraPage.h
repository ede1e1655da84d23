#pragma once

#include "RegistraLayout.h"

#include <QWidget>
#include <functional>

class AppContext;

// The "REGISTRA" tab: the prescription number and its look-up, the drug,
// quantity and error of one prescription line, and its submission. Its
// controls are those of RegistraLayout.
class RegistraPage : public QWidget, public RegistraLayout
{
    Q_OBJECT
public:
    explicit RegistraPage(AppContext& context, QWidget* parent = nullptr);

    // "Svuota": clears the whole registration tab (the quantity excepted). The
    // focus goes to Text120 only while this tab is the one shown.
    void Command3_Click();
    // "SVUOTA" of the error frame: forgets the chosen error.
    void BOTT_SVUOTA_Click();
    // "REGISTRA ERRORE"
    void Comm_REGISTRA_Click();

signals:
    // A prescription and its pharmacy were found: the status bars need rebuilding.
    void statusRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Text120_GotFocus();
    void Text120_LostFocus();
    void Text12_LostFocus();
    void Text_COD_AIC_LostFocus();
    void Text_COD_ERR_LostFocus();
    void Text_DESCR_ERR_LostFocus();
    void clearErrorWhenEmpty(const QString& text);
    // Opens the error table for the search that setSearch puts in the
    // globals; a choice fills the error fields.
    void chooseError(QWidget* searchField, std::function<void()> setSearch);
    void clearError();
    // Moves the focus for the program. The control it leaves did not lose it
    // by the operator's move, so its look-up does not run.
    void refocus(QWidget* widget);
    // Whether a focus-loss handler should act: not while the program itself is
    // moving the focus, and not when the tab is being left.
    bool acting() const;

    AppContext& m_context;
    bool m_refocusing = false;
    // Bumped by the clearing buttons, so an error choice queued before the
    // click is dropped.
    int m_clearings = 0;
};
