#include "XlsxBook.h"

#include "CsvWriter.h"

#include "ReplacedFile.h"
#include "XlsxLibrary.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <locale.h>

namespace {

// libxlsxwriter writes numbers with the C library, which follows the
// process's locale: under it_IT "1234.5" would go out as "1234,5" and break
// the file. Its calls run with the C numbers on this thread.
class CNumbers
{
public:
    CNumbers()
    {
        static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", duplocale(LC_GLOBAL_LOCALE));
        m_previous = uselocale(c);
    }
    ~CNumbers() { uselocale(m_previous); }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    locale_t m_previous;
};

// Column widths in characters: room for the filter button, never a whole screen.
constexpr double MinWidth = 6;
constexpr double MaxWidth = 70;
constexpr int MaxSheetName = 31;

// Characters, not bytes, of UTF-8 text.
qsizetype characters(QByteArrayView utf8)
{
    qsizetype n = 0;
    for (const char c : utf8)
        n += (uchar(c) & 0xC0) != 0x80;
    return n;
}

} // namespace

struct XlsxBook::Private
{
    struct Sheet
    {
        lxw_worksheet* worksheet = nullptr;
        std::vector<qsizetype> widths; // characters, per column
        int lastRow = -1;
        int headerRows = 0;
    };

    explicit Private(const QString& target) : path(target), file(target) {}

    const XlsxLibrary* lib = XlsxLibrary::instance();
    QString path;
    QByteArray tmpdir; // kept for as long as the library may use it
    ReplacedFile file;
    lxw_workbook* workbook = nullptr;
    lxw_format* formats[5] = {};
    std::vector<lxw_format*> padded; // by the digits they show
    std::vector<Sheet> sheets;
    QByteArray scratch;
    bool failed = false;
    bool committed = false;

    bool check(lxw_error error)
    {
        if (error != LXW_NO_ERROR)
            failed = true;
        return !failed;
    }
    lxw_worksheet* worksheet(int sheet)
    {
        if (failed || sheet < 0 || size_t(sheet) >= sheets.size())
            return nullptr;
        return sheets[size_t(sheet)].worksheet;
    }
};

XlsxBook::XlsxBook(const QString& path) : d(std::make_unique<Private>(path))
{
    if (!d->lib) {
        d->failed = true;
        return;
    }
    // libxlsxwriter writes to a path of its own: a new file beside the target,
    // renamed over it once whole.
    if (!d->file.open()) {
        d->failed = true;
        return;
    }
    d->file.device().close();
    const QByteArray name = QFile::encodeName(d->file.newFileName());
    // Rows go out to the library's own temporary files as they come; those
    // stay beside the export too, not in a folder every user shares.
    d->tmpdir = QFile::encodeName(QFileInfo(path).absolutePath());
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = d->tmpdir.data();
    d->workbook = d->lib->workbook_new_opt(name.constData(), &options);
    if (!d->workbook) {
        d->failed = true;
        return;
    }
    // Plain cells have no format of their own: a format costs the library
    // a look-up for every cell that carries one.
    for (int style = Bold; style <= BoldMoney; ++style)
        d->formats[style] = d->lib->workbook_add_format(d->workbook);
    d->lib->format_set_bold(d->formats[Bold]);
    d->lib->format_set_num_format(d->formats[Money], "#,##0.00");
    d->lib->format_set_num_format(d->formats[Percent], "0.00%");
    d->lib->format_set_bold(d->formats[BoldMoney]);
    d->lib->format_set_num_format(d->formats[BoldMoney], "#,##0.00");
}

XlsxBook::~XlsxBook()
{
    if (d->workbook && !d->committed) {
        // Closing is the only way to free the workbook; what it writes is dropped.
        const CNumbers numbers;
        d->lib->workbook_close(d->workbook);
    }
}

int XlsxBook::addSheet(const QString& name)
{
    if (d->failed)
        return -1;
    const QByteArray utf8 = name.left(MaxSheetName).toUtf8();
    lxw_worksheet* worksheet = d->lib->workbook_add_worksheet(d->workbook, utf8.constData());
    if (!worksheet) {
        d->failed = true;
        return -1;
    }
    d->sheets.push_back({worksheet, {}, -1, 0});
    return int(d->sheets.size() - 1);
}

void XlsxBook::note(int sheet, int row, int column, qsizetype width)
{
    Private::Sheet& s = d->sheets[size_t(sheet)];
    if (size_t(column) >= s.widths.size())
        s.widths.resize(size_t(column) + 1, 0);
    s.widths[size_t(column)] = std::max(s.widths[size_t(column)], width);
    s.lastRow = std::max(s.lastRow, row);
}

bool XlsxBook::fitsCell(QByteArrayView utf8)
{
    if (utf8.size() <= MaxCellCharacters)
        return true;
    qsizetype units = 0;
    for (const char c : utf8) {
        // A lead byte starts a character; one of four bytes takes two units.
        units += (uchar(c) & 0xC0) != 0x80;
        units += (uchar(c) & 0xF8) == 0xF0;
    }
    return units <= MaxCellCharacters;
}

void XlsxBook::text(int sheet, int row, int column, QByteArrayView utf8, Style style)
{
    lxw_worksheet* worksheet = d->worksheet(sheet);
    if (!worksheet)
        return;
    if (!fitsCell(utf8)) {
        d->failed = true;
        return;
    }
    const CNumbers numbers; // a new row writes out the one before
    // The library wants the text ended by a NUL.
    d->scratch.resize(0);
    d->scratch.append(utf8);
    if (d->check(d->lib->worksheet_write_string(worksheet, lxw_row_t(row), lxw_col_t(column),
                                                d->scratch.constData(), d->formats[style])))
        note(sheet, row, column, characters(utf8));
}

void XlsxBook::text(int sheet, int row, int column, const QString& value, Style style)
{
    text(sheet, row, column, QByteArrayView(value.toUtf8()), style);
}

void XlsxBook::number(int sheet, int row, int column, double value, Style style)
{
    lxw_worksheet* worksheet = d->worksheet(sheet);
    if (!worksheet)
        return;
    const CNumbers numbers;
    if (!d->check(d->lib->worksheet_write_number(worksheet, lxw_row_t(row), lxw_col_t(column),
                                                 value, d->formats[style])))
        return;
    // The digits, and for an amount its grouping and decimals.
    qsizetype width = QByteArray::number(qint64(value)).size();
    if (style == Money || style == BoldMoney)
        width += width / 3 + 3;
    else if (style == Percent)
        width = 8;
    else if (value != double(qint64(value)))
        width = QByteArray::number(value).size();
    note(sheet, row, column, width);
}

void XlsxBook::paddedNumber(int sheet, int row, int column, double value, int digits)
{
    if (digits <= 0) {
        number(sheet, row, column, value);
        return;
    }
    lxw_worksheet* worksheet = d->worksheet(sheet);
    if (!worksheet)
        return;
    if (size_t(digits) >= d->padded.size())
        d->padded.resize(size_t(digits) + 1, nullptr);
    lxw_format*& format = d->padded[size_t(digits)];
    if (!format) {
        format = d->lib->workbook_add_format(d->workbook);
        d->lib->format_set_num_format(format, QByteArray(digits, '0').constData());
    }
    const CNumbers numbers;
    if (d->check(d->lib->worksheet_write_number(worksheet, lxw_row_t(row), lxw_col_t(column), value,
                                                format)))
        note(sheet, row, column,
             std::max<qsizetype>(digits, QByteArray::number(qint64(value)).size()));
}

void XlsxBook::headerRow(int sheet, int rows)
{
    if (d->worksheet(sheet))
        d->sheets[size_t(sheet)].headerRows = rows;
}

bool XlsxBook::commit()
{
    if (d->committed)
        return true;
    if (d->failed)
        return false;
    const CNumbers numbers;
    for (const Private::Sheet& s : d->sheets) {
        for (size_t c = 0; c < s.widths.size(); ++c) {
            // A header cell also holds its filter button.
            const double width =
                std::clamp(double(s.widths[c]) + (s.headerRows > 0 ? 4 : 2), MinWidth, MaxWidth);
            d->check(d->lib->worksheet_set_column(s.worksheet, lxw_col_t(c), lxw_col_t(c), width,
                                                  nullptr));
        }
        if (s.headerRows > 0 && !s.widths.empty()) {
            d->lib->worksheet_freeze_panes(s.worksheet, lxw_row_t(s.headerRows), 0);
            d->check(d->lib->worksheet_autofilter(s.worksheet, lxw_row_t(s.headerRows - 1), 0,
                                                  lxw_row_t(std::max(s.lastRow, s.headerRows - 1)),
                                                  lxw_col_t(s.widths.size() - 1)));
        }
    }
    const lxw_error closed = d->lib->workbook_close(d->workbook);
    d->workbook = nullptr;
    if (d->failed || closed != LXW_NO_ERROR) {
        d->failed = true;
        return false;
    }
    if (!d->file.commit()) {
        d->failed = true;
        return false;
    }
    d->committed = true;
    return true;
}

QString XlsxBook::errorText() const
{
    return d->failed ? CsvWriter::cannotWriteText(d->path) : QString();
}
