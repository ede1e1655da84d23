#include "ReportCsv.h"

#include "Cents.h"
#include "CsvWriter.h"
#include "ReportRecords.h"

#include <cstring>

namespace {

constexpr qsizetype CsvProgressEvery = 1024;

// The fields of a row after the year and month, in column order.
constexpr ReportField TextColumns[] = {
    ReportField::Codfarma,     ReportField::Farmacia,     ReportField::NumricKey,
    ReportField::Assistito,    ReportField::CodAssistito, ReportField::Aic,
    ReportField::Farmaco,      ReportField::Molecola,     ReportField::Pezzi,
    ReportField::Lordo,        ReportField::CodErrore,    ReportField::DescrizioneErrore,
    ReportField::TipoAddebito, ReportField::Soggetto,     ReportField::Flusso,
};

bool plainDigits(QByteArrayView value, int most)
{
    if (value.isEmpty() || value.size() > most)
        return false;
    for (const char c : value) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace

QStringList ReportCsv::header()
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

bool ReportCsv::write(const QString& path, const ReportRecords& records,
                      const QList<qsizetype>& positions, const Progress& progress, QString* error)
{
    CsvWriter csv(path);
    csv.writeRow(header());
    char number[24];
    // "0000" and "00" straight from plain digits; anything else as the list reads it.
    const auto padded = [&](QByteArrayView value, int digits, QString (ReportRecord::*slow)() const,
                            qsizetype position) {
        if (plainDigits(value, digits)) {
            const qsizetype zeros = digits - value.size();
            std::memset(number, '0', size_t(zeros));
            std::memcpy(number + zeros, value.data(), size_t(value.size()));
            csv.field(QByteArrayView(number, digits));
        } else if (value.isEmpty()) {
            csv.field(QByteArrayView());
        } else {
            csv.field(QStringView((records.record(position).*slow)()));
        }
    };
    qsizetype done = 0;
    for (const qsizetype position : positions) {
        if (position < 0 || position >= records.size())
            continue;
        const ReportRecords::Fields f = records.fields(position);
        const auto at = [&](ReportField field) { return f[size_t(field)]; };
        padded(at(ReportField::Anno), 4, &ReportRecord::year, position);
        padded(at(ReportField::Mese), 2, &ReportRecord::month, position);
        for (const ReportField field : TextColumns) {
            const QByteArrayView value = at(field);
            if (field != ReportField::Lordo) {
                csv.xmlField(value);
                continue;
            }
            const std::optional<qint64> cents = ReportRecords::chargedCents(f, error);
            if (!cents) {
                csv.cancel();
                return false;
            }
            csv.field(QByteArrayView(number, Cents::writePlain(number, *cents)));
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
