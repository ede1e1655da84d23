#pragma once

#include "Cents.h"
#include "ReportFields.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class QFile;
class RecordLayout;

// One registered error as the service sent it: every text with its character
// references decoded and its surrounding blanks trimmed, commas kept. A
// missing element is empty.
struct ReportRecord
{
    std::array<QString, ReportFieldCount> values;
    Cents::Amount amount; // the gross amount, read once

    const QString& operator[](ReportField field) const { return values[size_t(field)]; }

    // As the detail window shows them: the leading number of <Anno> as
    // "0000", of <Mese> as "00", each empty when the record has none.
    QString year() const;
    QString month() const;
    QString period() const; // "MM/YYYY", the year alone without a month
};

// The records of an F_LoadErroreByAnnoMese answer as it arrived, split one
// element a line as the report stages it but with the service's commas. The
// record at position k is the one whose "</Errore>" line is the k-th such line,
// the line of the report list's k-th row before any sort; it holds the
// elements between the line before and that one. Values are found as bytes and
// only decoded when asked for, so a year's answer costs little more than itself.
class ReportRecords
{
public:
    // The staged file beside export_xml.xml that keeps the report's answer
    // for the files the operator exports, whatever is staged after it.
    static inline const QString stagedFile = QStringLiteral("report_xml.xml");
    // The role under which each row of the report list keeps its record's position.
    static constexpr int PositionRole = Qt::UserRole + 2;

    // The UTF-8 values of one record, blanks trimmed, references not decoded.
    using Fields = std::array<QByteArrayView, ReportFieldCount>;

    ReportRecords() = default;
    explicit ReportRecords(QByteArray stagedUtf8, std::vector<qsizetype> recordEnds = {});
    // The staged file as it is now, mapped read-only. Staging replaces a file
    // by renaming a new one over it, so the mapping keeps this answer whatever
    // is staged later; it takes no memory until records are read. A file that
    // cannot be mapped is read instead; one that cannot be opened gives none.
    // `recordEnds` are where the report list's reading of the staged answer
    // found each record to end (ReportRows::read), the same places in this
    // staging: given, they spare a scan of the whole answer. Each is checked
    // when its record is read; a wrong one makes the records be found anew.
    static ReportRecords fromFile(const QString& path, std::vector<qsizetype> recordEnds = {});

    qsizetype size() const;
    Fields fields(qsizetype position) const;
    // The same for several threads at once, each reading with a layout of
    // its own, used with these records only (the shape of the record it read
    // before), once size() was asked and while nothing calls fields() or
    // findAnew(). False, with nothing read, when the places given for the
    // records' ends do not hold.
    bool read(qsizetype position, RecordLayout& layout, Fields& fields) const;
    // Finds the records in the answer, as when no places were given: after
    // read() said that those given do not hold.
    void findAnew() const;
    // The bytes that every record's values lie in.
    QByteArrayView bytes() const;
    ReportRecord record(qsizetype position) const;

    // The first record whose <ID>, read as the detail window reads it (commas
    // as full stops, blanks trimmed), equals `id`.
    std::optional<qsizetype> positionOfId(const QString& id) const;

    // The value's text: references decoded.
    static QString text(QByteArrayView value);
    // The gross amount of a record that a file charges: a plain amount that
    // fits (Cents). Otherwise nothing, and `error` gets the message naming
    // the record's prescription.
    static std::optional<qint64> chargedCents(const Fields& fields, QString* error);

private:
    void index() const;
    void take(std::vector<qsizetype> recordEnds);
    bool endsItsRecord(qsizetype position) const;

    QByteArray m_staged;
    std::shared_ptr<QFile> m_file; // open while mapped
    QByteArrayView m_mapped;
    // Where each record's span starts; one more entry for the end of the last.
    mutable std::vector<qsizetype> m_starts;
    mutable bool m_indexed = false;
    mutable bool m_given = false; // the starts came from the list's reading
    // The shape of the record read last, to read the next one by.
    mutable std::shared_ptr<RecordLayout> m_layout;
};
