#include "ReportCsv.h"

#include "Cents.h"
#include "CsvWriter.h"
#include "ReportRecords.h"

#include <vector>

namespace {

constexpr qsizetype CsvProgressEvery = 1024;

// A column of the file: its field in the table and how it is written.
struct Column
{
    int field;
    const ReportFields::Field* info;
};

} // namespace

QStringList ReportCsv::header()
{
    return ReportFields::captions(ReportFields::Csv);
}

bool ReportCsv::write(const QString& path, const ReportRecords& records,
                      const QList<qsizetype>& positions, const Progress& progress, QString* error)
{
    using namespace ReportFields;
    CsvWriter csv(path);
    csv.writeRow(header());
    std::vector<Column> columns;
    for (int i = 0; i < Count; ++i) {
        if (Table[i].files & Csv)
            columns.push_back({i, &Table[i]});
    }
    // Each column's value, handed to the writer a whole row at a time, and
    // room for the bytes it is written as when they are not the value as sent.
    std::vector<CsvWriter::Value> row(columns.size());
    std::vector<Scratch> scratch(columns.size());
    char amount[40];
    // A value may be looked at sixteen bytes at a time where they all lie in the answer.
    const quintptr end = quintptr(records.bytes().data() + records.bytes().size());
    qsizetype done = 0;
    for (const qsizetype position : positions) {
        if (position < 0 || position >= records.size())
            continue;
        const ReportRecords::Fields f = records.fields(position);
        for (size_t c = 0; c < columns.size(); ++c) {
            // Member by member: a value built whole and copied would wait on its own stores.
            CsvWriter::Value& value = row[c];
            const Field& field = *columns[c].info;
            if (field.kind == Kind::Money) {
                const std::optional<qint64> cents = ReportRecords::chargedCents(f, error);
                if (!cents) {
                    csv.cancel();
                    return false;
                }
                value.utf8 = QByteArrayView(amount, Cents::writePlain(amount, *cents));
                value.kind = CsvWriter::Value::Plain;
                value.slack = true;
                continue;
            }
            const QByteArrayView sent = f[size_t(columns[c].field)];
            value.utf8 = shown(field, sent, scratch[c]);
            // Padded digits need no look; anything else is the service's text.
            const bool padded = value.utf8.data() == scratch[c].digits;
            value.kind = padded ? CsvWriter::Value::Plain : CsvWriter::Value::Xml;
            value.slack = padded || end - quintptr(value.utf8.data()) >= 16;
        }
        csv.writeRow(row.data(), qsizetype(row.size()));
        if (++done % CsvProgressEvery == 0 && progress && !progress(done)) {
            csv.cancel();
            return false;
        }
    }
    if (csv.commit())
        return true;
    if (error)
        *error = csv.errorText();
    return false;
}
