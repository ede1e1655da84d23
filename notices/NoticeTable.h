#pragma once

#include "ReportRecords.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QPaintDevice;
class QPainter;

// The table of registered errors on a PDF page. Code columns are as wide as
// their longest code in the widest characters (a fiscal code is 16, an AIC 9,
// a prescription number 15), text columns share the rest and are never
// narrower than their header's longest word. Every value is measured (digits
// up to a code's length need not be) and one wider than its column wraps, at
// blanks where it can and inside a word where it must, and its row grows:
// nothing is cut off or runs into the next column.
class NoticeTable
{
public:
    enum class Style
    {
        Body,
        Bold,
    };

    struct Column
    {
        QString caption;
        qreal left = 0;
        qreal width = 0;
        bool right = false; // right-aligned
        int fitChars = 0;   // any digits this many fit on one line; 0: measure
    };

    // A row laid out: each cell's lines.
    using Lines = QList<QStringList>;

    // Laid out for the device's resolution, across `width` device pixels.
    NoticeTable(QPaintDevice* device, qreal width);

    const QList<Column>& columns() const { return m_columns; }
    qreal gap() const { return m_gap; }
    qreal lineHeight(Style style) const;

    // A record's cells, one per column, as ReportFields places and writes them.
    static QStringList cells(const ReportRecords::Fields& record);
    static QStringList captions();

    Lines layOut(const QStringList& cells, Style style);
    // The height of a row of `lines` lines, with its padding.
    qreal height(int lines, Style style) const;
    static int lineCount(const Lines& lines);
    // Paints lines [from, to) of a row with its top at y.
    void paint(QPainter& painter, qreal y, const Lines& lines, int from, int to, Style style);

    // The lines of a text within `width`: at blanks where possible, inside a
    // word where a word alone does not fit. Line breaks in the text are kept.
    QStringList wrap(const QString& text, qreal width, Style style);
    // The same in any font.
    static QStringList wrap(const QFontMetricsF& metrics, const QString& text, qreal width);
    // A text is shaped once and its glyphs kept: the cells of a table repeat
    // the same texts, file after file.
    qreal advance(const QString& text, Style style);

    const QFont& font(Style style) const { return style == Style::Bold ? m_bold : m_body; }

private:
    const QFontMetricsF& metrics(Style style) const;

    QFont m_body;
    QFont m_bold;
    QFontMetricsF m_bodyMetrics;
    QFontMetricsF m_boldMetrics;
    qreal m_gap = 0;
    QList<Column> m_columns;
    struct Shaped
    {
        qreal advance = 0;
        qreal ascent = 0;
        QList<QGlyphRun> runs;
    };
    const Shaped& shaped(const QString& text, Style style);

    QPaintDevice* m_device;
    QHash<QString, Shaped> m_shaped[2];       // whole cells, by style
    QHash<QString, QStringList> m_wrapped[2]; // lines of cells that wrap, by width and text
};
