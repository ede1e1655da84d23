#pragma once

#include "ErrorStatistics.h"

#include <QString>

class QWidget;

// The chart of the STATISTICHE window: the year's errors by month as bars and
// their gross amount as a line, each on an axis of its own.
class MonthChart
{
public:
    // The view the chart is drawn in: Qt Charts are loaded with the first one.
    // Without the chart module, an empty widget.
    static QWidget* createView();

    // Puts the chart of `year` in `view`; its accessible description says
    // what the chart shows.
    static void draw(QWidget* view, const ErrorStatistics& statistics, qint16 year);

    // What a screen reader says of the chart.
    static QString summary(const ErrorStatistics& statistics, qint16 year);

    // The chart as drawn on screen, as a PNG image or scaled to one PDF page
    // titled `title`. False when the file could not be written.
    static bool writePng(QWidget* view, const QString& path);
    static bool writePdf(QWidget* view, const QString& path, const QString& title);
};
