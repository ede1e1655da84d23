#include "MonthChart.h"

#include "Cents.h"
#include "PdfFile.h"
#include "Utenti.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QValueAxis>

#include <algorithm>

namespace {

QString monthName(int month)
{
    return Utenti::MESI(month).trimmed();
}

} // namespace

void MonthChart::draw(QChartView* view, const ErrorStatistics& statistics, qint16 year)
{
    auto* errors = new QBarSet(QStringLiteral("Errori"));
    auto* amounts = new QLineSeries;
    amounts->setName(QStringLiteral("Importo lordo (€)"));
    QStringList categories;
    qint64 mostErrors = 0;
    qint64 mostCents = 0;
    for (int m = 1; m <= 12; ++m) {
        const ErrorStatistics::Figures& f = statistics.months[size_t(m - 1)];
        errors->append(qreal(f.errors));
        // Drawn only: the exact sums are in the lists.
        amounts->append(qreal(m - 1), qreal(f.cents) / 100.0);
        categories << monthName(m).left(3);
        mostErrors = std::max(mostErrors, f.errors);
        mostCents = std::max(mostCents, f.cents);
    }
    auto* bars = new QBarSeries;
    bars->append(errors);

    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Errori e importo lordo per mese - %1").arg(year));
    chart->addSeries(bars);
    chart->addSeries(amounts);
    chart->legend()->setAlignment(Qt::AlignBottom);

    auto* months = new QBarCategoryAxis;
    months->append(categories);
    chart->addAxis(months, Qt::AlignBottom);
    bars->attachAxis(months);
    amounts->attachAxis(months);

    auto* countAxis = new QValueAxis;
    countAxis->setTitleText(QStringLiteral("Errori"));
    countAxis->setLabelFormat(QStringLiteral("%d"));
    countAxis->setRange(0, qreal(std::max<qint64>(mostErrors, 1)));
    countAxis->applyNiceNumbers();
    chart->addAxis(countAxis, Qt::AlignLeft);
    bars->attachAxis(countAxis);

    auto* amountAxis = new QValueAxis;
    amountAxis->setTitleText(QStringLiteral("Importo lordo (€)"));
    amountAxis->setLabelFormat(QStringLiteral("%.0f"));
    amountAxis->setRange(0, std::max(qreal(mostCents) / 100.0, 1.0));
    amountAxis->applyNiceNumbers();
    chart->addAxis(amountAxis, Qt::AlignRight);
    amounts->attachAxis(amountAxis);

    view->setChart(chart);
    view->setAccessibleDescription(summary(statistics, year));
}

QString MonthChart::summary(const ErrorStatistics& statistics, qint16 year)
{
    const int busiest = statistics.busiestMonth();
    const QString peak =
        busiest == 0 ? QStringLiteral("nessun mese con errori")
                     : QStringLiteral("il mese con più errori è %1 con %2")
                           .arg(monthName(busiest),
                                QString::number(statistics.months[size_t(busiest - 1)].errors));
    return QStringLiteral("Anno %1: %2; totale dell'anno %3 errori, importo lordo %4.")
        .arg(QString::number(year), peak, QString::number(statistics.total.errors),
             Cents::text(statistics.total.cents));
}

bool MonthChart::writePng(QChartView* view, const QString& path)
{
    const QImage image = view->grab().toImage();
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
}

bool MonthChart::writePdf(QChartView* view, const QString& path, const QString& title)
{
    return PdfFile::write(path, title, QPageLayout::Landscape, 10, [view](QPdfWriter& pdf) {
        QPainter painter(&pdf);
        if (!painter.isActive())
            return false;
        // The chart as drawn on screen, scaled to fill the page's width or height.
        const QSizeF page = pdf.pageLayout().paintRectPixels(pdf.resolution()).size();
        const QSize chart = view->size();
        const qreal scale = std::min(page.width() / chart.width(), page.height() / chart.height());
        painter.scale(scale, scale);
        view->render(&painter);
        return true;
    });
}
