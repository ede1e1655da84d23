#include "ReportExport.h"

#include "CsvWriter.h"
#include "NumberText.h"
#include "PdfFile.h"
#include "ReportRecords.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>

#include <vector>

namespace {

// Columns of the PDF table: caption, share of the width, alignment.
struct PdfColumn
{
    const char* caption;
    double share;
    Qt::Alignment align;
};

constexpr PdfColumn PdfColumns[] = {
    {"RICETTA N°", 0.10, Qt::AlignLeft}, {"MESE/ANNO", 0.055, Qt::AlignLeft},
    {"ASSISTITO", 0.10, Qt::AlignLeft},  {"CODICE FISCALE", 0.10, Qt::AlignLeft},
    {"AIC", 0.06, Qt::AlignLeft},        {"FARMACO", 0.14, Qt::AlignLeft},
    {"MOLECOLA", 0.085, Qt::AlignLeft},  {"Q.TÀ", 0.035, Qt::AlignRight},
    {"LORDO", 0.065, Qt::AlignRight},    {"ERRORE", 0.16, Qt::AlignLeft},
    {"ADDEBITO", 0.05, Qt::AlignLeft},   {"SOGGETTO", 0.05, Qt::AlignLeft},
};
constexpr int PdfColumnCount = int(std::size(PdfColumns));

QStringList pdfCells(const ReportRecord& r)
{
    QString errore = r.codErrore;
    if (!r.descrizioneErrore.isEmpty())
        errore += (errore.isEmpty() ? QString() : QStringLiteral(" - ")) + r.descrizioneErrore;
    const QString period = r.mese.isEmpty() ? r.anno : r.mese + u'/' + r.anno;
    return {r.numricKey,    period,         r.assistito,
            r.codAssistito, r.aic,          r.farmaco,
            r.molecola,     r.pezzi,        NumberText::money(r.lordo),
            errore,         r.tipoAddebito, r.soggetto};
}

QString countText(qsizetype n)
{
    return n == 1 ? QStringLiteral("1 errore") : QString::number(n) + QStringLiteral(" errori");
}

// A group of rows of one pharmacy, in list order.
struct Group
{
    QString title;
    QList<int> rows; // indexes into the ID list
    double total = 0.0;
};

// Paints the report on pages of the writer. Run twice: once to measure and
// count the pages, once to paint them with "Pagina N di M".
class PdfReport
{
public:
    PdfReport(QPdfWriter& writer, const ReportHeading& heading)
        : m_writer(writer), m_heading(heading)
    {
        m_body.setFamily(QStringLiteral("Sans Serif"));
        m_body.setPointSizeF(7.5);
        m_bold = m_body;
        m_bold.setBold(true);
        m_title = m_bold;
        m_title.setPointSizeF(13);
        m_info = m_body;
        m_info.setPointSizeF(9);
        const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
        m_width = page.width();
        m_height = page.height();
        m_gap = writer.resolution() / 40.0; // about 0.6 mm
        double x = 0;
        for (const PdfColumn& c : PdfColumns) {
            m_left.push_back(x);
            m_colWidth.push_back(c.share * m_width);
            x += c.share * m_width;
        }
    }

    void run(QPainter* painter, const QList<Group>& groups, const ReportRecords& records,
             const QStringList& ids, qsizetype count, double total)
    {
        m_painter = painter;
        m_page = 1;
        startPage(true);
        for (const Group& g : groups) {
            block(lineHeight(m_bold) * 1.6, [&](double y) {
                text(QRectF(0, y + m_gap * 2, m_width, lineHeight(m_bold)), m_bold, Qt::AlignLeft,
                     g.title);
            });
            for (int row : g.rows) {
                const std::optional<ReportRecord> r = records.record(ids[row]);
                if (!r)
                    continue;
                const QStringList cells = pdfCells(*r);
                block(rowHeight(cells), [&](double y) { paintRow(y, cells, m_body); });
            }
            const QString sum = QStringLiteral("Totale ") + g.title + QStringLiteral(": ") +
                                countText(g.rows.size()) + QStringLiteral(" - lordo ") +
                                NumberText::money(g.total);
            block(lineHeight(m_bold) * 1.5, [&](double y) {
                line(y);
                text(QRectF(0, y + m_gap, m_width, lineHeight(m_bold)), m_bold, Qt::AlignRight,
                     sum);
            });
        }
        const QString grand = QStringLiteral("TOTALE GENERALE: ") + countText(count) +
                              QStringLiteral(" - lordo ") + NumberText::money(total);
        block(lineHeight(m_title) * 2, [&](double y) {
            text(QRectF(0, y + m_gap * 4, m_width, lineHeight(m_title)), m_title, Qt::AlignRight,
                 grand);
        });
        footer();
        m_pages = m_page;
    }

    int pages() const { return m_pages; }
    void setPageCount(int pages) { m_pages = pages; }

private:
    double lineHeight(const QFont& font) const { return QFontMetricsF(font, &m_writer).height(); }

    double rowHeight(const QStringList& cells) const
    {
        const QFontMetricsF metrics(m_body, &m_writer);
        double height = metrics.height();
        for (int c = 0; c < PdfColumnCount; ++c) {
            const QRectF box(0, 0, m_colWidth[size_t(c)] - 2 * m_gap, 1e6);
            height =
                std::max(height, metrics.boundingRect(box, Qt::TextWordWrap, cells[c]).height());
        }
        return height + 2 * m_gap;
    }

    void text(const QRectF& box, const QFont& font, Qt::Alignment align, const QString& value)
    {
        if (!m_painter)
            return;
        m_painter->setFont(font);
        m_painter->drawText(box, int(align | Qt::AlignTop | Qt::TextWordWrap), value);
    }

    void line(double y)
    {
        if (m_painter)
            m_painter->drawLine(QPointF(0, y), QPointF(m_width, y));
    }

    void paintRow(double y, const QStringList& cells, const QFont& font)
    {
        for (int c = 0; c < PdfColumnCount; ++c) {
            const QRectF box(m_left[size_t(c)] + m_gap, y + m_gap,
                             m_colWidth[size_t(c)] - 2 * m_gap, m_height);
            text(box, font, PdfColumns[c].align, cells[c]);
        }
    }

    // Places a block of the given height, on a new page when it does not fit.
    template <typename Paint> void block(double height, Paint paint)
    {
        if (m_y + height > m_bottom && m_y > m_top) {
            footer();
            if (m_painter)
                m_writer.newPage();
            ++m_page;
            startPage(false);
        }
        paint(m_y);
        m_y += height;
    }

    void startPage(bool first)
    {
        m_y = 0;
        if (first) {
            const double t = lineHeight(m_title), i = lineHeight(m_info);
            text(QRectF(0, 0, m_width, t), m_title, Qt::AlignLeft,
                 QStringLiteral("ERRORI REGISTRATI D.P.C."));
            m_y += t * 1.2;
            const QString date = QLocale().toString(m_heading.exportedAt, QLocale::ShortFormat);
            const QStringList lines = {QStringLiteral("ASP: ") + m_heading.asp +
                                           QStringLiteral("    Operatore: ") + m_heading.operatore,
                                       QStringLiteral("Anno: ") + m_heading.anno +
                                           QStringLiteral("    Mese: ") + m_heading.mese +
                                           QStringLiteral("    Farmacia: ") + m_heading.farmacia,
                                       QStringLiteral("Esportato il ") + date};
            for (const QString& l : lines) {
                text(QRectF(0, m_y, m_width, i), m_info, Qt::AlignLeft, l);
                m_y += i;
            }
            m_y += i * 0.5;
        }
        QStringList captions;
        for (const PdfColumn& c : PdfColumns)
            captions << QString::fromUtf8(c.caption);
        const double h = rowHeight(captions);
        if (m_painter)
            m_painter->fillRect(QRectF(0, m_y, m_width, h), QColor(225, 225, 225));
        paintRow(m_y, captions, m_bold);
        m_y += h;
        m_top = m_y;
        m_bottom = m_height - lineHeight(m_body) * 2;
    }

    void footer()
    {
        const QString page = m_pages > 0
                                 ? QStringLiteral("Pagina %1 di %2").arg(m_page).arg(m_pages)
                                 : QStringLiteral("Pagina %1").arg(m_page);
        const double h = lineHeight(m_body);
        text(QRectF(0, m_height - h, m_width, h), m_body, Qt::AlignHCenter, page);
    }

    QPdfWriter& m_writer;
    const ReportHeading& m_heading;
    QPainter* m_painter = nullptr;
    QFont m_body, m_bold, m_title, m_info;
    double m_width = 0, m_height = 0, m_gap = 0;
    std::vector<double> m_left, m_colWidth;
    double m_y = 0, m_top = 0, m_bottom = 0;
    int m_page = 1;
    int m_pages = 0;
};

} // namespace

QStringList ReportExport::csvHeader()
{
    return {QStringLiteral("ANNO"),
            QStringLiteral("MESE"),
            QStringLiteral("CODICE FARMACIA"),
            QStringLiteral("FARMACIA"),
            QStringLiteral("NUMERO RICETTA"),
            QStringLiteral("ASSISTITO"),
            QStringLiteral("CODICE FISCALE"),
            QStringLiteral("AIC"),
            QStringLiteral("FARMACO"),
            QStringLiteral("MOLECOLA"),
            QStringLiteral("QUANTITA'"),
            QStringLiteral("LORDO"),
            QStringLiteral("CODICE ERRORE"),
            QStringLiteral("DESCRIZIONE ERRORE"),
            QStringLiteral("ADDEBITO"),
            QStringLiteral("SOGGETTO"),
            QStringLiteral("FLUSSO")};
}

bool ReportExport::writeCsv(const QString& path, const ReportRecords& records,
                            const QStringList& ids, QString* error)
{
    CsvWriter csv(path);
    csv.writeRow(csvHeader());
    for (const QString& id : ids) {
        const std::optional<ReportRecord> found = records.record(id);
        if (!found)
            continue;
        const ReportRecord& r = *found;
        const QString lordo = CsvWriter::money(r.lordo);
        // Views: no list is built for each row.
        csv.writeRow(std::initializer_list<QStringView>{
            r.anno, r.mese, r.codfarma, r.farmacia, r.numricKey, r.assistito, r.codAssistito, r.aic,
            r.farmaco, r.molecola, r.pezzi, lordo, r.codErrore, r.descrizioneErrore, r.tipoAddebito,
            r.soggetto, r.flusso});
    }
    if (csv.commit())
        return true;
    if (error)
        *error = csv.errorText();
    return false;
}

bool ReportExport::writePdf(const QString& path, const ReportHeading& heading,
                            const ReportRecords& records, const QStringList& ids, QString* error)
{
    // Groups by pharmacy code, in the order of their first row.
    QList<Group> groups;
    QHash<QString, qsizetype> groupOf;
    qsizetype count = 0;
    double total = 0.0;
    for (int i = 0; i < ids.size(); ++i) {
        const std::optional<ReportRecord> r = records.record(ids[i]);
        if (!r)
            continue;
        auto at = groupOf.constFind(r->codfarma);
        if (at == groupOf.cend()) {
            at = groupOf.insert(r->codfarma, groups.size());
            QString title = QStringLiteral("FARMACIA ") + r->codfarma;
            if (!r->farmacia.isEmpty())
                title += QStringLiteral(" ") + r->farmacia;
            groups.append({title, {}, 0.0});
        }
        Group& g = groups[*at];
        g.rows.append(i);
        g.total += r->lordo;
        total += r->lordo;
        ++count;
    }

    return PdfFile::write(
        path, QStringLiteral("Errori registrati D.P.C."), QPageLayout::Landscape, 10,
        [&](QPdfWriter& writer) {
            PdfReport report(writer, heading);
            report.run(nullptr, groups, records, ids, count, total); // measures
            report.setPageCount(report.pages());
            QPainter painter;
            if (!painter.begin(&writer))
                return false;
            report.run(&painter, groups, records, ids, count, total);
            return painter.end();
        },
        error);
}
