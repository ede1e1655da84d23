#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>

class QFile;

// One registered error with every value the detail window shows, formatted
// as it shows them (year "0000", month "00", the other texts trimmed), the
// gross amount as a number and the flow as the service wrote it.
struct ReportRecord
{
    QString anno;
    QString mese;
    QString codfarma;
    QString farmacia;
    QString numricKey;
    QString assistito;
    QString codAssistito;
    QString aic;
    QString farmaco;
    QString molecola;
    QString pezzi;
    double lordo = 0.0;
    QString codErrore;
    QString descrizioneErrore;
    QString tipoAddebito;
    QString soggetto;
    QString flusso;
};

// The records of a staged F_LoadErroreByAnnoMese answer (UTF-8, one element
// a line), found by their <ID>. A record is read as the detail window reads
// it: from the first line whose <ID> equals the one asked for up to the next
// line holding an <ID>. Only an index of the IDs is built; each record is
// read when asked for, so that a year's answer costs little more than itself.
class ReportRecords
{
public:
    ReportRecords() = default;
    explicit ReportRecords(QByteArray stagedUtf8);
    // The staged file as it is now, mapped read-only. Staging replaces the file
    // by renaming a new one over it, so the mapping keeps this answer after a
    // later look-up stages another; it takes no memory until a record is read.
    // A file that cannot be mapped is read instead.
    static ReportRecords fromFile(const QString& path);

    std::optional<ReportRecord> record(const QString& id) const;

private:
    void buildIndex() const;
    QByteArrayView text() const;

    QByteArray m_staged;
    std::shared_ptr<QFile> m_file; // open while mapped
    QByteArrayView m_mapped;
    // ID → start of its line, first record only; built at the first look-up,
    // so that filling the list does not pay for it.
    mutable QHash<QString, qsizetype> m_starts;
    mutable bool m_indexed = false;
};
