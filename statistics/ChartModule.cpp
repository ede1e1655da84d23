// The chart module: the only code that links Qt Charts.
#include "ChartModule.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>

extern "C" Q_DECL_EXPORT QWidget* dpc_chart_create()
{
    static_assert(std::is_same_v<decltype(&dpc_chart_create), ChartModule::Create>);
    auto* view = new QChartView;
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

extern "C" Q_DECL_EXPORT void dpc_chart_draw(QWidget* widget, const ChartModule::MonthSeries& s)
{
    static_assert(std::is_same_v<decltype(&dpc_chart_draw), ChartModule::Draw>);
    auto* view = qobject_cast<QChartView*>(widget);
    if (!view)
        return;
    auto* errors = new QBarSet(s.errorsName);
    errors->append(s.errors);
    auto* bars = new QBarSeries;
    bars->append(errors);
    auto* amounts = new QLineSeries;
    amounts->setName(s.amountsName);
    for (qsizetype m = 0; m < s.amounts.size(); ++m)
        amounts->append(qreal(m), s.amounts[m]);

    auto* chart = new QChart;
    chart->setTitle(s.title);
    chart->addSeries(bars);
    chart->addSeries(amounts);
    chart->legend()->setAlignment(Qt::AlignBottom);

    auto* months = new QBarCategoryAxis;
    months->append(s.months);
    chart->addAxis(months, Qt::AlignBottom);
    bars->attachAxis(months);
    amounts->attachAxis(months);

    const auto most = [](const QList<qreal>& values) {
        return values.isEmpty() ? 0.0 : *std::max_element(values.begin(), values.end());
    };
    auto* countAxis = new QValueAxis;
    countAxis->setTitleText(s.errorsName);
    countAxis->setLabelFormat(QStringLiteral("%d"));
    countAxis->setRange(0, std::max(most(s.errors), 1.0));
    countAxis->applyNiceNumbers();
    chart->addAxis(countAxis, Qt::AlignLeft);
    bars->attachAxis(countAxis);

    auto* amountAxis = new QValueAxis;
    amountAxis->setTitleText(s.amountsName);
    amountAxis->setLabelFormat(QStringLiteral("%.0f"));
    amountAxis->setRange(0, std::max(most(s.amounts), 1.0));
    amountAxis->applyNiceNumbers();
    chart->addAxis(amountAxis, Qt::AlignRight);
    amounts->attachAxis(amountAxis);

    QChart* previous = view->chart();
    view->setChart(chart);
    delete previous; // the view leaves a replaced chart to its caller
}
