#include "NoticePdf.h"

#include "Cents.h"
#include "NoticeHeading.h"
#include "NoticeTable.h"
#include "PdfFile.h"
#include "PharmacyGroups.h"
#include "ReportRecords.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

#include <optional>

namespace {

constexpr qreal MarginMm = 10;
const QPageLayout::Orientation Orientation = QPageLayout::Landscape;
// How often, in records, the progress is told.
constexpr qsizetype PdfProgressEvery = 32;

QString countText(qsizetype n)
{
    return n == 1 ? QStringLiteral("1 errore") : QString::number(n) + QStringLiteral(" errori");
}

QString totalText(const QString& what, qsizetype count, qint64 cents)
{
    return what + QStringLiteral(": ") + countText(count) + QStringLiteral(" - lordo ") +
           Cents::text(cents);
}

const QString SummaryTitle = QStringLiteral("RIEPILOGO");

// What one file holds: its groups and, for the whole report, a summary of
// them that ends with the grand total.
struct Contents
{
    QList<const PharmacyGroup*> groups;
    bool groupTitles = true;
    std::optional<QString> grandTotal; // with the summary
    qsizetype records = 0;
};

// Where the summary's columns end, as shares of the page's width.
constexpr qreal SummaryNameEnd = 0.70;
constexpr qreal SummaryCountEnd = 0.82;

// Places the file's pieces on pages. Run twice: once without a painter to
// count the pages, once to paint them with "Pagina N di M".
class Pages
{
public:
    Pages(QPdfWriter& writer, NoticeTable& table, const NoticeHeading& heading, QPainter* painter,
          int pageCount)
        : m_writer(writer), m_heading(heading), m_painter(painter), m_pageCount(pageCount),
          m_table(table)
    {
        const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
        m_width = page.width();
        m_height = page.height();
        m_title = m_table.font(NoticeTable::Style::Bold);
        m_title.setPointSizeF(13);
        m_info = m_table.font(NoticeTable::Style::Body);
        m_info.setPointSizeF(9);
    }

    static qreal pageWidth(QPdfWriter& writer)
    {
        return writer.pageLayout().paintRectPixels(writer.resolution()).width();
    }

    int pages() const { return m_page; }

    // False when the progress asked to stop.
    bool run(const Contents& contents, const ReportRecords& records, const Progress& progress,
             qsizetype doneBefore)
    {
        qsizetype done = 0;
        for (const PharmacyGroup* group : contents.groups) {
            startGroup(*group, contents.groupTitles);
            for (const qsizetype position : group->inNoticeOrder(records)) {
                row(m_table.layOut(NoticeTable::cells(records.fields(position)),
                                   NoticeTable::Style::Body));
                if (++done % PdfProgressEvery == 0 && progress && !progress(doneBefore + done))
                    return false;
            }
            line(NoticePdf::groupTotalText(*group), m_table.font(NoticeTable::Style::Bold), 1.5);
        }
        if (contents.grandTotal) {
            // A page of its own, headed by no pharmacy: no pharmacy's page shows another's total.
            m_summary = true;
            m_pharmacy = SummaryTitle;
            if (m_pageOpen)
                nextPage();
            openPage();
            const qreal h =
                lines(QRectF(0, m_y + m_table.gap() * 2, m_width, 0),
                      m_table.font(NoticeTable::Style::Bold), SummaryTitle, Qt::AlignLeft);
            m_y += h + m_table.gap() * 3;
            summaryHeader();
            for (const PharmacyGroup* group : contents.groups)
                summaryRow({group->title(), QString::number(group->positions.size()),
                            Cents::text(group->cents)},
                           NoticeTable::Style::Body);
            line(*contents.grandTotal, m_title, 2);
        }
        footer();
        return true;
    }

private:
    // One row of the summary: the pharmacy (wrapped), its count and its gross
    // total, right-aligned.
    void summaryRow(const QStringList& cells, NoticeTable::Style style)
    {
        const QFont& font = m_table.font(style);
        const qreal gap = m_table.gap();
        const QList<QRectF> boxes = {QRectF(gap, 0, m_width * SummaryNameEnd - 2 * gap, 0),
                                     QRectF(m_width * SummaryNameEnd + gap, 0,
                                            m_width * (SummaryCountEnd - SummaryNameEnd) - 2 * gap,
                                            0),
                                     QRectF(m_width * SummaryCountEnd + gap, 0,
                                            m_width * (1 - SummaryCountEnd) - 2 * gap, 0)};
        qreal h = 0;
        for (int c = 0; c < boxes.size(); ++c)
            h = std::max(h, measure(font, cells.value(c), boxes[c].width()));
        h += 2 * gap;
        if (m_y + h > m_bottom && m_rowsOnPage > 0)
            continuePage();
        if (m_painter) {
            if (style == NoticeTable::Style::Bold)
                m_painter->fillRect(QRectF(0, m_y, m_width, h), QColor(225, 225, 225));
            for (int c = 0; c < boxes.size(); ++c)
                lines(boxes[c].translated(0, m_y + gap), font, cells.value(c),
                      c == 0 ? Qt::AlignLeft : Qt::AlignRight);
        }
        m_y += h;
        if (style == NoticeTable::Style::Body) {
            ++m_rowsOnPage;
            if (m_painter)
                m_painter->drawLine(QPointF(0, m_y), QPointF(m_width, m_y));
        }
    }

    void summaryHeader()
    {
        summaryRow({QStringLiteral("FARMACIA"), QStringLiteral("ERRORI"), QStringLiteral("LORDO")},
                   NoticeTable::Style::Bold);
    }

    void startGroup(const PharmacyGroup& group, bool title)
    {
        m_pharmacy = group.title();
        if (m_pageOpen)
            nextPage();
        openPage();
        if (title) {
            const qreal h =
                lines(QRectF(0, m_y + m_table.gap() * 2, m_width, 0),
                      m_table.font(NoticeTable::Style::Bold), m_pharmacy, Qt::AlignLeft);
            m_y += h + m_table.gap() * 3;
        }
        columnHeader();
    }

    void row(const NoticeTable::Lines& cells)
    {
        const int count = NoticeTable::lineCount(cells);
        const qreal step = m_table.lineHeight(NoticeTable::Style::Body);
        // A row taller than what is left goes whole to the next page; one
        // taller than a page is continued on the next.
        if (m_y + m_table.height(count, NoticeTable::Style::Body) > m_bottom && m_rowsOnPage > 0)
            continuePage();
        int from = 0;
        while (from < count) {
            int to = count;
            const qreal room = m_bottom - m_y - 2 * m_table.gap();
            if ((to - from) * step > room)
                to = from + std::max(1, int(room / step));
            if (m_painter)
                m_table.paint(*m_painter, m_y, cells, from, to, NoticeTable::Style::Body);
            m_y += m_table.height(to - from, NoticeTable::Style::Body);
            ++m_rowsOnPage;
            if (m_painter)
                m_painter->drawLine(QPointF(0, m_y), QPointF(m_width, m_y));
            from = to;
            if (from < count)
                continuePage();
        }
    }

    // A line of totals, right-aligned under the rows, a little below them;
    // it goes to the next page unless it ends above the footer.
    void line(const QString& text, const QFont& font, qreal spacing)
    {
        const qreal top = m_table.gap() * 2;
        const qreal drawn = measure(font, text, m_width);
        if (m_y + top + drawn > m_bottom)
            continuePage();
        lines(QRectF(0, m_y + top, m_width, 0), font, text, Qt::AlignRight);
        m_y +=
            std::max(top + drawn, drawn + QFontMetricsF(font, &m_writer).height() * (spacing - 1));
    }

    void continuePage()
    {
        nextPage();
        openPage();
        if (m_summary)
            summaryHeader();
        else
            columnHeader();
    }

    void nextPage()
    {
        footer();
        if (m_painter)
            m_writer.newPage();
        ++m_page;
        m_pageOpen = false;
    }

    // The running header, and the heading on the file's first page.
    void openPage()
    {
        m_pageOpen = true;
        m_rowsOnPage = 0;
        m_y = 0;
        const QFont& bold = m_table.font(NoticeTable::Style::Bold);
        const QString period = QStringLiteral("Errori registrati D.P.C. - Anno ") + m_heading.anno +
                               QStringLiteral(" - ") + m_heading.mese;
        const qreal left = lines(QRectF(0, 0, m_width * 0.62, 0), bold, m_pharmacy, Qt::AlignLeft);
        const qreal right = lines(QRectF(m_width * 0.64, 0, m_width * 0.36, 0),
                                  m_table.font(NoticeTable::Style::Body), period, Qt::AlignRight);
        m_y = std::max(left, right) + m_table.gap();
        if (m_painter)
            m_painter->drawLine(QPointF(0, m_y), QPointF(m_width, m_y));
        m_y += m_table.gap() * 3;
        if (m_page == 1) {
            m_y += lines(QRectF(0, m_y, m_width, 0), m_title,
                         QStringLiteral("ERRORI REGISTRATI D.P.C."), Qt::AlignLeft);
            m_y += m_table.gap() * 2;
            const QString date = NoticeHeading::dateTimeText(m_heading.exportedAt);
            for (const QString& text :
                 {QStringLiteral("ASP: ") + m_heading.asp + QStringLiteral("    Operatore: ") +
                      m_heading.operatore,
                  QStringLiteral("Anno: ") + m_heading.anno + QStringLiteral("    Mese: ") +
                      m_heading.mese + QStringLiteral("    Farmacia: ") + m_heading.farmacia,
                  QStringLiteral("Esportato il ") + date})
                m_y += lines(QRectF(0, m_y, m_width, 0), m_info, text, Qt::AlignLeft);
            m_y += m_table.gap() * 4;
        }
        const qreal footerHeight = m_table.lineHeight(NoticeTable::Style::Body) * 2;
        m_bottom = m_height - footerHeight;
    }

    void columnHeader()
    {
        const NoticeTable::Lines header =
            m_table.layOut(NoticeTable::captions(), NoticeTable::Style::Bold);
        const int count = NoticeTable::lineCount(header);
        const qreal h = m_table.height(count, NoticeTable::Style::Bold);
        if (m_painter) {
            m_painter->fillRect(QRectF(0, m_y, m_width, h), QColor(225, 225, 225));
            m_table.paint(*m_painter, m_y, header, 0, count, NoticeTable::Style::Bold);
        }
        m_y += h;
    }

    void footer()
    {
        if (!m_painter)
            return;
        const QString text = QStringLiteral("Pagina %1 di %2").arg(m_page).arg(m_pageCount);
        const qreal h = m_table.lineHeight(NoticeTable::Style::Body);
        lines(QRectF(0, m_height - h, m_width, 0), m_table.font(NoticeTable::Style::Body), text,
              Qt::AlignHCenter);
    }

    qreal measure(const QFont& font, const QString& text, qreal width)
    {
        const QFontMetricsF metrics(font, &m_writer);
        return wrapped(font, text, width).size() * metrics.lineSpacing();
    }

    QStringList wrapped(const QFont& font, const QString& text, qreal width)
    {
        if (font == m_table.font(NoticeTable::Style::Bold))
            return m_table.wrap(text, width, NoticeTable::Style::Bold);
        if (font == m_table.font(NoticeTable::Style::Body))
            return m_table.wrap(text, width, NoticeTable::Style::Body);
        return NoticeTable::wrap(QFontMetricsF(font, &m_writer), text, width);
    }

    // Paints a text wrapped within the box's width from its top; its height.
    qreal lines(const QRectF& box, const QFont& font, const QString& text, Qt::Alignment align)
    {
        const QStringList list = wrapped(font, text, box.width());
        const QFontMetricsF metrics(font, &m_writer);
        if (m_painter) {
            m_painter->setFont(font);
            qreal y = box.top() + metrics.ascent();
            for (const QString& l : list) {
                qreal x = box.left();
                if (align & Qt::AlignRight)
                    x = box.right() - metrics.horizontalAdvance(l);
                else if (align & Qt::AlignHCenter)
                    x = box.left() + (box.width() - metrics.horizontalAdvance(l)) / 2;
                m_painter->drawText(QPointF(x, y), l);
                y += metrics.lineSpacing();
            }
        }
        return list.size() * metrics.lineSpacing();
    }

    QPdfWriter& m_writer;
    const NoticeHeading& m_heading;
    QPainter* m_painter;
    int m_pageCount;
    NoticeTable& m_table;
    QFont m_title, m_info;
    qreal m_width = 0, m_height = 0;
    qreal m_y = 0, m_bottom = 0;
    QString m_pharmacy;
    int m_page = 1;
    int m_rowsOnPage = 0;
    bool m_pageOpen = false;
    bool m_summary = false;
};

bool writeContents(const QString& path, const PdfFile::Document& document, QPdfWriter& layout,
                   NoticeTable& table, const NoticeHeading& heading, const ReportRecords& records,
                   const Contents& contents, const Progress& progress, QString* error,
                   QByteArray* sha256)
{
    // Each pass tells half of the progress.
    const auto half = [&](qsizetype offset) -> Progress {
        if (!progress)
            return {};
        return [&progress, offset](qsizetype done) { return progress((offset + done) / 2); };
    };
    // The pages are counted on the layout's writer, of the same kind, so that
    // the file's painting begins at once.
    Pages counted(layout, table, heading, nullptr, 0);
    if (!counted.run(contents, records, half(0), 0))
        return false;
    return PdfFile::write(
        path, document, Orientation, MarginMm,
        [&](QPdfWriter& writer) {
            QPainter painter;
            if (!painter.begin(&writer))
                return false;
            Pages painted(writer, table, heading, &painter, counted.pages());
            const bool whole = painted.run(contents, records, half(contents.records), 0);
            return painter.end() && whole;
        },
        error, sha256);
}

} // namespace

QString NoticePdf::groupTotalText(const PharmacyGroup& group)
{
    return totalText(QStringLiteral("Totale ") + group.title(), group.positions.size(),
                     group.cents);
}

// Every file has the same pages: the table is laid out once, on a writer of
// their kind, and keeps the texts it has shaped from one file to the next.
NoticePdf::NoticePdf() : m_device(std::make_unique<QBuffer>())
{
    m_device->open(QIODevice::WriteOnly);
    m_layout = std::make_unique<QPdfWriter>(m_device.get());
    m_layout->setResolution(PdfFile::Resolution);
    m_layout->setPageLayout(PdfFile::pageLayout(Orientation, MarginMm));
    m_table = std::make_unique<NoticeTable>(m_layout.get(), Pages::pageWidth(*m_layout));
}

NoticePdf::~NoticePdf() = default;

bool NoticePdf::writeReport(const QString& path, const NoticeHeading& heading,
                            const ReportRecords& records, const PharmacyGroups& groups,
                            const Progress& progress, QString* error)
{
    Contents contents;
    for (const PharmacyGroup& group : groups.groups())
        contents.groups.append(&group);
    contents.records = groups.count();
    contents.grandTotal =
        totalText(QStringLiteral("TOTALE GENERALE"), groups.count(), groups.cents());
    return writeContents(path, {QStringLiteral("Errori registrati D.P.C."), false, {}}, *m_layout,
                         *m_table, heading, records, contents, progress, error, nullptr);
}

bool NoticePdf::writePharmacy(const QString& path, const NoticeHeading& heading,
                              const ReportRecords& records, const PharmacyGroup& group,
                              const Progress& progress, QString* error, QByteArray* sha256)
{
    NoticeHeading own = heading;
    own.farmacia = group.code + (group.name.isEmpty() ? QString() : u' ' + group.name);
    Contents contents;
    contents.groups.append(&group);
    contents.groupTitles = false; // the heading names the pharmacy
    contents.records = group.positions.size();
    // Kept by the authority as sent: PDF/A, the authority its author.
    const PdfFile::Document document{QStringLiteral("Errori registrati D.P.C. - ") + group.title(),
                                     true, heading.asp};
    return writeContents(path, document, *m_layout, *m_table, own, records, contents, progress,
                         error, sha256);
}

QList<QPair<qreal, qreal>> NoticePdf::columnSpans()
{
    const NoticePdf pdf;
    const qreal margin = MarginMm * 72 / 25.4;
    const qreal scale = 72.0 / PdfFile::Resolution;
    QList<QPair<qreal, qreal>> spans;
    for (const NoticeTable::Column& c : pdf.m_table->columns())
        spans.append({margin + c.left * scale, margin + (c.left + c.width) * scale});
    return spans;
}
