#include "MonthChart.h"

#include "Cents.h"
#include "ChartModule.h"
#include "OnDemandModule.h"
#include "PdfFile.h"
#include "ReplacedFile.h"
#include "Utenti.h"

#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

QWidget* MonthChart::createView()
{
    const auto create = reinterpret_cast<ChartModule::Create>(
        OnDemandModule::resolve(QString::fromLatin1(ChartModule::name), ChartModule::createSymbol));
    if (create)
        return create();
    // The window keeps its lists and exports without the chart.
    qWarning() << "chart module not found in" << OnDemandModule::folders();
    return new QWidget;
}

void MonthChart::draw(QWidget* view, const ErrorStatistics& statistics, qint16 year)
{
    ChartModule::MonthSeries series;
    series.title = QStringLiteral("Errori e importo lordo per mese - %1").arg(year);
    series.errorsName = QStringLiteral("Errori");
    series.amountsName = QStringLiteral("Importo lordo (€)");
    for (int m = 1; m <= 12; ++m) {
        const ErrorStatistics::Figures& f = statistics.months[size_t(m - 1)];
        series.months << Utenti::MESI(m).trimmed().left(3);
        series.errors << qreal(f.errors);
        // Drawn only: the exact sums are in the lists.
        series.amounts << qreal(f.cents) / 100.0;
    }
    const auto draw = reinterpret_cast<ChartModule::Draw>(
        OnDemandModule::resolve(QString::fromLatin1(ChartModule::name), ChartModule::drawSymbol));
    if (draw)
        draw(view, series);
    view->setAccessibleDescription(summary(statistics, year));
}

QString MonthChart::summary(const ErrorStatistics& statistics, qint16 year)
{
    const int busiest = statistics.busiestMonth();
    const QString peak =
        busiest == 0 ? QStringLiteral("nessun mese con errori")
                     : QStringLiteral("il mese con più errori è %1 con %2")
                           .arg(Utenti::MESI(busiest).trimmed(),
                                QString::number(statistics.months[size_t(busiest - 1)].errors));
    return QStringLiteral("Anno %1: %2; totale dell'anno %3 errori, importo lordo %4.")
        .arg(QString::number(year), peak, QString::number(statistics.total.errors),
             Cents::text(statistics.total.cents));
}

bool MonthChart::writePng(QWidget* view, const QString& path)
{
    const QImage image = view->grab().toImage();
    ReplacedFile file(path);
    return file.open() && image.save(&file.device(), "PNG") && file.commit();
}

bool MonthChart::writePdf(QWidget* view, const QString& path, const QString& title)
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
