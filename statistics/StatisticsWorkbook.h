#pragma once

#include "ErrorStatistics.h"

#include <QList>
#include <QString>

class QTreeWidget;

// The year's statistics as a spreadsheet: one sheet per list of the window,
// its rows in the order shown, counts and amounts as numbers, then its total.
class StatisticsWorkbook
{
public:
    enum class Cell
    {
        Text,
        Count,  // a whole number
        Errors, // the number of errors, totalled under the list
        Money,  // the exact cents the cell keeps, totalled under the list
        Share,  // the exact hundredths of a percent the cell keeps
    };

    struct Sheet
    {
        QString name;
        const QTreeWidget* list;
        QList<Cell> cells; // one per column
        ErrorStatistics::Figures total;
    };

    // `exactRole` is where the lists keep the exact values of their cells.
    // False when the file could not be written; `error` then names it.
    static bool write(const QString& path, const QList<Sheet>& sheets, int exactRole,
                      QString* error);
};
