// Fuzzes the reading of the registered-errors list from a staged answer: the
// byte-level reader must give the rows that a plain reading of the decoded
// text gives, formatted cells included.

#include "NumberText.h"
#include "ReportRows.h"
#include "SlowReading.h"

#include <cstddef>
#include <cstdint>

using SlowReading::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView staged(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QStringList> rows = ReportRows::read(staged);

    static const QStringList tags = {QStringLiteral("Anno"),      QStringLiteral("Mese"),
                                     QStringLiteral("Codfarma"),  QStringLiteral("Farmacia"),
                                     QStringLiteral("NumricKey"), QStringLiteral("ID")};
    const QList<QStringList> expected = SlowReading::records(
        SlowReading::lines(QString::fromUtf8(staged)), tags, QStringLiteral("</Errore>"));
    check(rows.size() == expected.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        const QStringList& held = expected[r];
        check(row.size() == 6);
        check(row[0] == held[0]);
        check(row[1] == NumberText::wholeOrEmpty(NumberText::leadingNumber(held[1])));
        check(row[2] == NumberText::zeroPadded(NumberText::leadingNumber(held[2]), 5));
        check(row[3] == held[3]);
        check(row[4] == held[4]);
        check(row[ReportRows::IdColumn] == held[5]);
    }

    // The pharmacy code field takes any text without overflow.
    ReportRows::pharmacyCode(
        QString::fromUtf8(staged.first(std::min<qsizetype>(staged.size(), 64))));
    return 0;
}
