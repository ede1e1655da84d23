#include "NoticeTable.h"

#include "Cents.h"
#include "ReportFields.h"
#include "ReportRecords.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr qreal BodyPoints = 7.5;
// Shaped cells are remembered up to this many texts per style, then forgotten.
constexpr qsizetype MaxRemembered = 50000;

using ReportFields::PdfPlace;
using ReportFields::PdfWidth;

// The fields each column of the table shows: the one that begins it, then
// those joined to it, in the table's order.
struct ColumnFields
{
    const ReportFields::Field* first = nullptr;
    std::array<qint8, ReportFields::Count> fields{};
    int size = 0;
};
constexpr auto Columns = [] {
    std::array<ColumnFields, ReportFields::PdfColumns> columns{};
    for (const PdfPlace place : {PdfPlace::Column, PdfPlace::Joined}) {
        for (int i = 0; i < ReportFields::Count; ++i) {
            const ReportFields::Field& f = ReportFields::Table[i];
            if (f.pdf != place)
                continue;
            ColumnFields& c = columns[size_t(f.pdfColumn)];
            if (place == PdfPlace::Column)
                c.first = &f;
            c.fields[size_t(c.size++)] = qint8(i);
        }
    }
    return columns;
}();

QFont bodyFont()
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSizeF(BodyPoints);
    // On paper the font's own design: no hinting for a screen's pixels.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QFont boldFont()
{
    QFont font = bodyFont();
    font.setBold(true);
    return font;
}

qreal widest(const QFontMetricsF& metrics, QStringView characters)
{
    qreal w = 0;
    for (QChar c : characters)
        w = std::max(w, metrics.horizontalAdvance(c));
    return w;
}

// The widest word of a header.
qreal widestWord(const QFontMetricsF& metrics, const QString& caption)
{
    qreal w = 0;
    for (const QString& word : caption.split(u' ', Qt::SkipEmptyParts))
        w = std::max(w, metrics.horizontalAdvance(word));
    return w;
}

} // namespace

NoticeTable::NoticeTable(QPaintDevice* device, qreal width)
    : m_body(bodyFont()), m_bold(boldFont()), m_bodyMetrics(m_body, device),
      m_boldMetrics(m_bold, device), m_device(device)
{
    m_gap = device->logicalDpiX() / 40.0; // about 0.6 mm
    const qreal digit = widest(m_bodyMetrics, u"0123456789");
    // Nine letters and seven digits, each as wide as the widest; a code with
    // letters in place of digits may wrap.
    const qreal letter = widest(m_bodyMetrics, u"ABCDEFGHIJKLMNOPQRSTUVXYZ");

    qreal fixed = 0;
    const QStringList captions = ReportFields::pdfCaptions();
    for (int i = 0; i < ReportFields::PdfColumns; ++i) {
        const ReportFields::Field& column = *Columns[size_t(i)].first;
        Column c;
        c.caption = captions[i];
        c.right = column.right;
        c.width = widestWord(m_boldMetrics, c.caption) + 2 * m_gap;
        if (column.width == PdfWidth::Digits) {
            c.fitChars = column.chars;
            c.width = std::max(c.width, column.chars * digit + 2 * m_gap);
        } else if (column.width == PdfWidth::FiscalCode) {
            c.width = std::max(c.width, 9 * letter + 7 * digit + 2 * m_gap);
        }
        if (column.width != PdfWidth::Text)
            fixed += c.width;
        m_columns.append(c);
    }
    // The texts share what the codes leave by their weights; one whose share
    // is narrower than its header keeps the header's width, and the others
    // share the rest.
    std::vector<bool> settled(m_columns.size(), false);
    for (bool again = true; again;) {
        again = false;
        qreal room = width - fixed;
        qreal weights = 0;
        const auto text = [](int i) { return Columns[size_t(i)].first->width == PdfWidth::Text; };
        const auto weight = [](int i) { return qreal(Columns[size_t(i)].first->weight); };
        for (int i = 0; i < m_columns.size(); ++i) {
            if (!text(i))
                continue;
            if (settled[size_t(i)])
                room -= m_columns[i].width;
            else
                weights += weight(i);
        }
        for (int i = 0; i < m_columns.size() && weights > 0; ++i) {
            if (!text(i) || settled[size_t(i)])
                continue;
            const qreal share = room * weight(i) / weights;
            const qreal header = widestWord(m_boldMetrics, m_columns[i].caption) + 2 * m_gap;
            if (share < header) {
                m_columns[i].width = header;
                settled[size_t(i)] = true;
                again = true;
                break;
            }
            m_columns[i].width = share;
        }
    }
    qreal x = 0;
    for (Column& c : m_columns) {
        c.left = x;
        x += c.width;
    }
}

qreal NoticeTable::lineHeight(Style style) const
{
    return metrics(style).lineSpacing();
}

const QFontMetricsF& NoticeTable::metrics(Style style) const
{
    return style == Style::Bold ? m_boldMetrics : m_bodyMetrics;
}

QStringList NoticeTable::captions()
{
    return ReportFields::pdfCaptions();
}

QStringList NoticeTable::cells(const ReportRecords::Fields& record)
{
    QStringList cells;
    cells.reserve(ReportFields::PdfColumns);
    ReportFields::Scratch scratch;
    for (const ColumnFields& column : Columns) {
        QString cell;
        for (int k = 0; k < column.size; ++k) {
            const int i = column.fields[size_t(k)];
            const ReportFields::Field& field = ReportFields::Table[i];
            QString value =
                ReportRecords::text(ReportFields::shown(field, record[size_t(i)], scratch));
            if (field.kind == ReportFields::Kind::Money) {
                const Cents::Amount amount = Cents::parse(QStringView(value));
                if (!amount.tooLarge)
                    value = Cents::text(amount.cents);
            }
            if (value.isEmpty())
                continue;
            if (!cell.isEmpty())
                cell += QString::fromUtf8(field.pdfText.data(), qsizetype(field.pdfText.size()));
            cell += value;
        }
        cells.append(cell);
    }
    return cells;
}

const NoticeTable::Shaped& NoticeTable::shaped(const QString& text, Style style)
{
    QHash<QString, Shaped>& known = m_shaped[style == Style::Bold ? 1 : 0];
    if (const auto at = known.constFind(text); at != known.cend())
        return *at;
    if (known.size() >= MaxRemembered)
        known.clear();
    QTextLayout layout(text, font(style), m_device);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    Shaped shape;
    if (line.isValid()) {
        line.setPosition(QPointF(0, 0));
        shape.advance = line.naturalTextWidth();
        shape.ascent = line.ascent();
        shape.runs = layout.glyphRuns();
    }
    return *known.insert(text, shape);
}

qreal NoticeTable::advance(const QString& text, Style style)
{
    return shaped(text, style).advance;
}

QStringList NoticeTable::wrap(const QString& text, qreal width, Style style)
{
    if (!text.contains(u'\n') && !text.contains(u'\r') && advance(text, style) <= width)
        return {text};
    // The same long texts come back in the same columns.
    QHash<QString, QStringList>& known = m_wrapped[style == Style::Bold ? 1 : 0];
    const QString key = QString::number(width) + u'|' + text;
    if (const auto at = known.constFind(key); at != known.cend())
        return *at;
    if (known.size() >= MaxRemembered)
        known.clear();
    return *known.insert(key, wrap(metrics(style), text, width));
}

namespace {

void wrapParagraph(const QFontMetricsF& m, const QString& paragraph, qreal width, QStringList& out)
{
    if (paragraph.isEmpty() || m.horizontalAdvance(paragraph) <= width) {
        out << paragraph;
        return;
    }
    // Lines are measured whole, as they are drawn.
    QString line;
    for (QString word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + u' ' + word;
        if (m.horizontalAdvance(candidate) <= width) {
            line = candidate;
            continue;
        }
        if (!line.isEmpty())
            out << line;
        line.clear();
        // A word wider than the column is broken where it reaches the edge.
        while (word.size() > 1 && m.horizontalAdvance(word) > width) {
            qsizetype low = 1, high = word.size() - 1;
            while (low < high) {
                const qsizetype mid = (low + high + 1) / 2;
                if (m.horizontalAdvance(word.left(mid)) <= width)
                    low = mid;
                else
                    high = mid - 1;
            }
            if (low > 1 && word[low - 1].isHighSurrogate())
                --low;
            out << word.left(low);
            word = word.mid(low);
        }
        line = word;
    }
    if (!line.isEmpty() || out.isEmpty())
        out << line;
}

} // namespace

QStringList NoticeTable::wrap(const QFontMetricsF& metrics, const QString& text, qreal width)
{
    QStringList out;
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    for (const QString& paragraph : lines.split(u'\n'))
        wrapParagraph(metrics, paragraph, width, out);
    return out;
}

NoticeTable::Lines NoticeTable::layOut(const QStringList& cells, Style style)
{
    Lines lines;
    lines.reserve(m_columns.size());
    for (int c = 0; c < m_columns.size(); ++c) {
        const Column& column = m_columns[c];
        const QString text = cells.value(c);
        // Digits no more than the column was made for need no measuring: it
        // is as wide as that many of the widest digit. Anything else is measured.
        if (column.fitChars > 0 && text.size() <= column.fitChars &&
            std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            lines.append(QStringList{text});
        else
            lines.append(wrap(text, column.width - 2 * m_gap, style));
    }
    return lines;
}

int NoticeTable::lineCount(const Lines& lines)
{
    int n = 1;
    for (const QStringList& cell : lines)
        n = std::max(n, int(cell.size()));
    return n;
}

qreal NoticeTable::height(int lines, Style style) const
{
    return lines * lineHeight(style) + 2 * m_gap;
}

void NoticeTable::paint(QPainter& painter, qreal y, const Lines& lines, int from, int to,
                        Style style)
{
    const qreal ascent = metrics(style).ascent();
    const qreal step = lineHeight(style);
    // The glyphs of a whole line of the row go out together, one run per font:
    // a PDF writer spends as much on each text it is given as on its glyphs.
    struct Merged
    {
        QRawFont font;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    for (int i = from; i < to; ++i) {
        QList<Merged> merged;
        const qreal baseline = y + m_gap + ascent + (i - from) * step;
        for (int c = 0; c < m_columns.size() && c < lines.size(); ++c) {
            const Column& column = m_columns[c];
            const QString text = lines[c].value(i);
            if (text.isEmpty())
                continue;
            const Shaped& shape = shaped(text, style);
            const qreal x = column.right ? column.left + column.width - m_gap - shape.advance
                                         : column.left + m_gap;
            const QPointF offset(x, baseline - shape.ascent);
            for (const QGlyphRun& run : shape.runs) {
                const QRawFont font = run.rawFont();
                auto into = std::find_if(merged.begin(), merged.end(),
                                         [&](const Merged& m) { return m.font == font; });
                if (into == merged.end())
                    into = merged.insert(merged.end(), Merged{font, {}, {}});
                into->glyphs += run.glyphIndexes();
                for (const QPointF& p : run.positions())
                    into->positions.append(p + offset);
            }
        }
        for (const Merged& m : std::as_const(merged)) {
            QGlyphRun run;
            run.setRawFont(m.font);
            run.setGlyphIndexes(m.glyphs);
            run.setPositions(m.positions);
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
    }
}
