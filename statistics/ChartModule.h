#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// What the chart module exports. Qt Charts, and the OpenGL library it brings,
// load with the first STATISTICHE window rather than with the program; the
// module is the only code that links them.
namespace ChartModule {

// The year by month: errors as bars on the left axis, the gross amount as a
// line on the right one.
struct MonthSeries
{
    QString title;
    QStringList months;
    QString errorsName;
    QList<qreal> errors;
    QString amountsName;
    QList<qreal> amounts;
};

inline constexpr char name[] = "chart";
inline constexpr char createSymbol[] = "dpc_chart_create";
inline constexpr char drawSymbol[] = "dpc_chart_draw";

// A new, empty chart view.
using Create = QWidget* (*)();
// Puts the series in a view made by Create, replacing any chart it showed.
using Draw = void (*)(QWidget* view, const MonthSeries& series);

} // namespace ChartModule
