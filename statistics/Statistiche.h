#pragma once

#include "ErrorStatistics.h"

#include <QDialog>
#include <QString>

#include <optional>

class AppContext;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// STATISTICHE: a year's registered errors by month (chart and list), by
// pharmacy and by error code, with totals and an export. Picking a pharmacy
// hands it back as the report's pharmacy filter.
class Statistiche : public QDialog
{
    Q_OBJECT
public:
    // Asks the service for the whole year (month 0) of one pharmacy (0: all)
    // and reads the answer in memory: the staged file is left as it is. No
    // records show "NESSUN DATO TROVATO" and give nothing.
    static std::optional<ErrorStatistics> fetch(AppContext& context, QWidget* parent, qint16 year,
                                                qint32 pharmacy);

    // `scope` names what the figures cover, as the window's heading shows it.
    Statistiche(AppContext& context, ErrorStatistics statistics, qint16 year, const QString& scope,
                QWidget* parent = nullptr);

    const ErrorStatistics& statistics() const { return m_statistics; }

    // The pharmacy the operator picked (Enter or a double click), if any.
    bool picked() const { return m_picked; }
    qint64 pickedCode() const { return m_pickedCode; }
    QString pickedName() const { return m_pickedName; }

    // Writes the three lists (.csv, or .xlsx with a sheet each) or the chart
    // (.png, .pdf), chosen by the file's suffix. False after a failure, which
    // has been shown.
    bool exportTo(const QString& path);

    QLabel* Lab_titolo;
    QWidget* Grafico_mesi; // a chart view, from the chart module
    QTreeWidget* List_mesi;
    QLabel* Lab_tot_mesi;
    QTreeWidget* List_farmacie;
    QLabel* Lab_tot_farmacie;
    QTreeWidget* List_errori;
    QLabel* Lab_tot_errori;
    QPushButton* Comm_ESPORTA;
    QPushButton* Comm_CHIUDI;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillLists();
    void pick(QTreeWidgetItem* row);
    bool writeCsv(const QString& path);
    bool writeXlsx(const QString& path, QString* error);
    QString totalText(const ErrorStatistics::Figures& figures) const;

    AppContext& m_context;
    ErrorStatistics m_statistics;
    qint16 m_year;
    bool m_picked = false;
    qint64 m_pickedCode = 0;
    QString m_pickedName;
};
