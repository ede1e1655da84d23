#include "ReportCsvBlock.h"

#include "Cents.h"

#include <optional>

namespace {

// A column of the file: its field in the table and how it is written.
struct Column
{
    int field;
    const ReportFields::Field* info;
};

const std::vector<Column>& columns()
{
    static const std::vector<Column> csv = [] {
        std::vector<Column> list;
        for (int i = 0; i < ReportFields::Count; ++i) {
            if (ReportFields::Table[i].files & ReportFields::Csv)
                list.push_back({i, &ReportFields::Table[i]});
        }
        return list;
    }();
    return csv;
}

// Room for a usual block of rows from the start.
constexpr qsizetype RowsRoom = 256 * 1024;

} // namespace

ReportCsvBlock::ReportCsvBlock()
    : m_rows(';', RowsRoom), m_row(columns().size()), m_scratch(columns().size())
{
}

ReportCsvBlock::Outcome ReportCsvBlock::format(const ReportRecords& records,
                                               const QList<qsizetype>& positions, qsizetype from,
                                               qsizetype to)
{
    m_rows.clear();
    const qsizetype count = records.size();
    // A value may be looked at sixteen bytes at a time where they all lie in the answer.
    const quintptr bytesEnd = quintptr(records.bytes().data() + records.bytes().size());
    for (qsizetype k = from; k < to; ++k) {
        const qsizetype position = positions[k];
        if (position < 0 || position >= count)
            continue;
        if (!records.read(position, m_layout, m_fields))
            return Outcome::Misplaced;
        if (!add(bytesEnd))
            return Outcome::Refused;
    }
    return Outcome::Formatted;
}

// The row of the record read last; false when its amount is refused.
bool ReportCsvBlock::add(quintptr bytesEnd)
{
    using namespace ReportFields;
    const std::vector<Column>& csv = columns();
    for (size_t c = 0; c < csv.size(); ++c) {
        // Member by member: a value built whole and copied would wait on its own stores.
        CsvRows::Value& value = m_row[c];
        const Field& field = *csv[c].info;
        if (field.kind == Kind::Money) {
            const std::optional<qint64> cents = ReportRecords::chargedCents(m_fields, &m_refusal);
            if (!cents)
                return false;
            value.utf8 = QByteArrayView(m_amount, Cents::writePlain(m_amount, *cents));
            value.kind = CsvRows::Value::Plain;
            value.slack = true;
            continue;
        }
        const QByteArrayView sent = m_fields[size_t(csv[c].field)];
        value.utf8 = shown(field, sent, m_scratch[c]);
        // Padded digits need no look; anything else is the service's text.
        const bool padded = value.utf8.data() == m_scratch[c].digits;
        value.kind = padded ? CsvRows::Value::Plain : CsvRows::Value::Xml;
        value.slack = padded || bytesEnd - quintptr(value.utf8.data()) >= 16;
    }
    m_rows.writeRow(m_row.data(), qsizetype(m_row.size()));
    return true;
}
