#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class AppContext;
class CancelledErrors;
class QAction;
class QLabel;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class RicettaPrint;

// RICETTA: one registered error in full, read from the report's staged answer
// (the record whose <ID> is Id_errore), with "Elimina" to cancel it on the
// service. An error cancelled while its report is listed (`cancelled`, kept by
// the list) shows as such, here and on paper.
class Ricetta : public QDialog
{
    Q_OBJECT
public:
    Ricetta(AppContext& context, QWidget* parent = nullptr, CancelledErrors* cancelled = nullptr);

    // Fills the fields, Id_numerico and Flusso from the export file. False when
    // no record carries Id_errore.
    bool maschera();

    void bott_elim_Click();

    // The record shown, ready to print as the service sent it (commas kept):
    // nothing when the window shows none or the report's answer no longer
    // holds it, which has then been said.
    std::optional<RicettaPrint> printable();
    // "Stampa…" (Ctrl+P): through the print dialog, which also offers a PDF file.
    void stampa();
    // "Salva come PDF…": straight to a PDF file chosen in the export dialog.
    void salvaPdf();

    QLineEdit* Text_NR;
    QLineEdit* Text_mese;
    QLineEdit* Text_COD;
    QLineEdit* Text_FAR;
    QLineEdit* Text_CF;
    QLineEdit* Text4_ASS;
    QLineEdit* Text_COD_AIC;
    QLineEdit* Text_DESCR_AIC;
    QLineEdit* Text_MOLE;
    QLineEdit* Text_QTA_AIC;
    QLineEdit* Text_NETTO;
    QLineEdit* Text_COD_ERR;
    QPlainTextEdit* Text_DESCR_ERR;
    QLineEdit* Text_add;
    QLineEdit* Text_sogg;
    QPushButton* bott_elim;
    QPushButton* Com_03;
    QLabel* Lab_annullato; // "ERRORE ANNULLATO", shown once the error is cancelled

    qint32 Id_numerico = 0;
    QString Flusso;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void contextMenu(QWidget* at, const QPoint& globalPos);
    void showCancelled();

    AppContext& m_context;
    CancelledErrors* m_cancelledErrors;
    QString m_id;             // the record asked for, kept past a cancellation
    bool m_hasRecord = false; // a record is shown
    bool m_idIsWhole = false; // and its ID can be cancelled
    bool m_cancelled = false;
    QAction* m_print;
    QAction* m_savePdf;
};
