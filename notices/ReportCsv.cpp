#include "ReportCsv.h"

#include "CsvWriter.h"
#include "OrderedBlocks.h"
#include "ReportCsvBlock.h"
#include "ReportRecords.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

// Rows formatted as one block, on either thread; progress is told after each.
constexpr qsizetype BlockRows = 1024;

// One attempt at the file; nothing when the places given for the records'
// ends did not hold, and it must be made again once they are found anew.
std::optional<bool> attempt(const QString& path, const ReportRecords& records,
                            const QList<qsizetype>& positions, const Progress& progress,
                            QString* error)
{
    CsvWriter csv(path);
    csv.writeRow(ReportCsv::header());
    records.size(); // the records found here, before two threads read them
    std::array<ReportCsvBlock, OrderedBlocks::Slots> blocks;
    std::array<ReportCsvBlock::Outcome, OrderedBlocks::Slots> outcomes{};
    const auto format = [&](qsizetype b, int slot) {
        outcomes[size_t(slot)] = blocks[size_t(slot)].format(
            records, positions, b * BlockRows, std::min(positions.size(), (b + 1) * BlockRows));
    };
    // Blocks are formatted on two threads and written out here in order:
    // the first amount refused in the list's order is the one reported.
    bool misplaced = false;
    const auto write = [&](qsizetype b, int slot) {
        const ReportCsvBlock& block = blocks[size_t(slot)];
        switch (outcomes[size_t(slot)]) {
        case ReportCsvBlock::Outcome::Misplaced:
            misplaced = true;
            return false;
        case ReportCsvBlock::Outcome::Refused:
            if (error)
                *error = block.refusal();
            return false;
        case ReportCsvBlock::Outcome::Formatted:
            break;
        }
        csv.write(block.rows());
        const qsizetype done = (b + 1) * BlockRows;
        return done > positions.size() || !progress || progress(done);
    };
    if (!OrderedBlocks::run((positions.size() + BlockRows - 1) / BlockRows, format, write)) {
        csv.cancel();
        return misplaced ? std::nullopt : std::optional(false);
    }
    if (csv.commit())
        return true;
    if (error)
        *error = csv.errorText();
    return false;
}

} // namespace

QStringList ReportCsv::header()
{
    return ReportFields::captions(ReportFields::Csv);
}

bool ReportCsv::write(const QString& path, const ReportRecords& records,
                      const QList<qsizetype>& positions, const Progress& progress, QString* error)
{
    std::optional<bool> written = attempt(path, records, positions, progress, error);
    if (!written) {
        records.findAnew();
        written = attempt(path, records, positions, progress, error);
    }
    return written.value_or(false);
}
