#include "ReportCsv.h"

#include "Cents.h"
#include "CsvWriter.h"
#include "ReportRecords.h"

#include <cstring>

namespace {

constexpr qsizetype CsvProgressEvery = 1024;

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
    ReportFields::Scratch scratch;
    char amount[24];
    qsizetype done = 0;
    for (const qsizetype position : positions) {
        if (position < 0 || position >= records.size())
            continue;
        const ReportRecords::Fields f = records.fields(position);
        for (int i = 0; i < Count; ++i) {
            const Field& field = Table[i];
            if (!(field.files & Csv))
                continue;
            if (field.kind == Kind::Money) {
                const std::optional<qint64> cents = ReportRecords::chargedCents(f, error);
                if (!cents) {
                    csv.cancel();
                    return false;
                }
                csv.field(QByteArrayView(amount, Cents::writePlain(amount, *cents)));
            } else {
                csv.xmlField(shown(field, f[size_t(i)], scratch));
            }
        }
        csv.endRow();
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
