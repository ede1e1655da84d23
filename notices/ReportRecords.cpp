#include "ReportRecords.h"

#include "ByteScan.h"
#include "NumberText.h"
#include "RecordLayout.h"
#include "TagMarks.h"
#include "XmlText.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

constexpr QByteArrayView RecordEnd = "</Errore>";

// The element a tag name stands for.
inline std::optional<ReportField> fieldNamed(const char* name, qsizetype size)
{
    const int field = ReportFields::fieldNamed(name, size);
    return field < 0 ? std::nullopt : std::optional(ReportField(field));
}

QString listed(const QString& value, int digits)
{
    ReportFields::Scratch scratch;
    return value.isEmpty()
               ? QString()
               : QString::fromUtf8(ReportFields::listedNumber(value.toUtf8(), digits, scratch));
}

} // namespace

QString ReportRecord::year() const
{
    return listed((*this)[ReportField::Anno], 4);
}

QString ReportRecord::month() const
{
    return listed((*this)[ReportField::Mese], 2);
}

QString ReportRecord::period() const
{
    const QString m = month();
    const QString y = year();
    return m.isEmpty() ? y : y.isEmpty() ? m : m + u'/' + y;
}

ReportRecords::ReportRecords(QByteArray stagedUtf8, std::vector<qsizetype> recordEnds)
    : m_staged(std::move(stagedUtf8))
{
    take(std::move(recordEnds));
}

void ReportRecords::take(std::vector<qsizetype> recordEnds)
{
    if (recordEnds.empty() || recordEnds.back() > bytes().size() ||
        !std::is_sorted(recordEnds.begin(), recordEnds.end()))
        return;
    m_starts.reserve(recordEnds.size() + 1);
    m_starts.push_back(0);
    m_starts.insert(m_starts.end(), recordEnds.begin(), recordEnds.end());
    m_indexed = true;
    m_given = true;
}

ReportRecords ReportRecords::fromFile(const QString& path, std::vector<qsizetype> recordEnds)
{
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file->size();
    ReportRecords records;
    if (uchar* mapped = size > 0 ? file->map(0, size) : nullptr) {
        records.m_file = std::move(file);
        records.m_mapped = QByteArrayView(reinterpret_cast<const char*>(mapped), size);
    } else {
        records.m_staged = file->readAll();
    }
    records.take(std::move(recordEnds));
    return records;
}

bool ReportRecords::endsItsRecord(qsizetype position) const
{
    // The last line of the record's span holds "</Errore>".
    const QByteArrayView text = bytes();
    qsizetype end = m_starts[size_t(position) + 1];
    if (end > 0 && text[end - 1] == '\n' && end > 1 && text[end - 2] == '\r')
        end -= 2;
    else if (end > 0 && text[end - 1] == '\r')
        --end;
    const qsizetype from = m_starts[size_t(position)];
    if (end - from >= RecordEnd.size() &&
        std::memcmp(text.data() + end - RecordEnd.size(), RecordEnd.data(),
                    size_t(RecordEnd.size())) == 0)
        return true; // the usual line: "</Errore>" alone
    qsizetype start = end;
    while (start > from && text[start - 1] != '\r')
        --start;
    return text.sliced(start, end - start).contains(RecordEnd);
}

QByteArrayView ReportRecords::bytes() const
{
    return m_file ? m_mapped : QByteArrayView(m_staged);
}

void ReportRecords::index() const
{
    m_indexed = true;
    const QByteArrayView text = bytes();
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    m_starts.assign(1, 0);
    // One record for each line that holds "</Errore>", as one row of the list.
    for (const char* at = begin; at < end;) {
        const void* hit = memmem(at, size_t(end - at), RecordEnd.data(), size_t(RecordEnd.size()));
        if (!hit)
            break;
        const char* cr = ByteScan::find(static_cast<const char*>(hit), end, '\r');
        at = cr ? cr + 1 : end;
        if (at < end && *at == '\n')
            ++at;
        m_starts.push_back(at - begin);
    }
}

qsizetype ReportRecords::size() const
{
    if (!m_indexed)
        index();
    return qsizetype(m_starts.size()) - 1;
}

ReportRecords::Fields ReportRecords::fields(qsizetype position) const
{
    Fields fields{};
    if (position < 0 || position >= size())
        return fields;
    if (!m_layout)
        m_layout = std::make_shared<RecordLayout>();
    if (!read(position, *m_layout, fields)) {
        findAnew(); // the places given were not this answer's
        if (position < size())
            read(position, *m_layout, fields);
    }
    return fields;
}

void ReportRecords::findAnew() const
{
    m_given = false;
    index();
}

bool ReportRecords::read(qsizetype position, RecordLayout& layout, Fields& fields) const
{
    fields = {};
    if (position < 0 || position >= qsizetype(m_starts.size()) - 1)
        return true;
    const QByteArrayView text = bytes();
    const char* const begin = text.data() + m_starts[size_t(position)];
    const char* const end = text.data() + m_starts[size_t(position) + 1];
    // Most records are shaped as the one before. One that is ends in the
    // same last line as the record the shape was learned from, a line that
    // ends a record: its place needs no look (a look ahead at each record's
    // end was a wait on memory).
    if (layout.read(begin, end, fields.data()))
        return true;
    if (m_given && !endsItsRecord(position))
        return false;
    fields = {};
    layout.learn(begin, end, [](QByteArrayView name) {
        return ReportFields::fieldNamed(name.data(), name.size());
    });
    // Every start tag and the value after it, up to the next '<'; a later
    // element of the same name wins, as in the list. End tags are passed over.
    TagMarks marks;
    if (marks.mark(begin, end - begin)) {
        // The same, stepping from mark to mark. A name holding a line break
        // names no field, as it would not be one read byte by byte.
        for (qsizetype at = marks.nextStart(0); at >= 0;) {
            const qsizetype close = marks.nextAngle(at + 1);
            if (close < 0)
                break;
            if (begin[close] == '<') {
                at = marks.nextStart(close);
                continue;
            }
            const qsizetype next = marks.nextOpen(close + 1);
            if (const std::optional<ReportField> field = fieldNamed(begin + at + 1, close - at - 1))
                fields[size_t(*field)] =
                    RecordLayout::value(begin + close + 1, next < 0 ? end : begin + next);
            at = next < 0 ? -1 : marks.nextStart(next);
        }
        return true;
    }
    const char* at = begin;
    while ((at = ByteScan::find(at, end, '<'))) {
        const char* const name = ++at;
        if (at < end && *at == '/')
            continue;
        at = ByteScan::findAny(at, end, '>', '<', '\r');
        if (at >= end || *at != '>')
            continue;
        const std::optional<ReportField> field = fieldNamed(name, at - name);
        const char* const valueFrom = ++at;
        const char* valueTo = ByteScan::find(valueFrom, end, '<');
        if (!valueTo)
            valueTo = end;
        if (field)
            fields[size_t(*field)] = RecordLayout::value(valueFrom, valueTo);
        at = valueTo;
    }
    return true;
}

QString ReportRecords::text(QByteArrayView value)
{
    return XmlText::toString(value);
}

std::optional<qint64> ReportRecords::chargedCents(const Fields& fields, QString* error)
{
    const QByteArrayView sent = fields[size_t(ReportField::Lordo)];
    const bool references = ByteScan::find(sent.data(), sent.data() + sent.size(), '&');
    const QByteArray decoded = references ? XmlText::decoded(sent) : QByteArray();
    const QByteArrayView value = decoded.isNull() ? sent : QByteArrayView(decoded);
    // Read once: a plain amount that fits is charged; anything else is said why not.
    const Cents::Amount amount = Cents::parse(value);
    if (amount.plain && !amount.tooLarge)
        return amount.cents;
    const bool plain = Cents::isPlain(value);
    if (error) {
        const QString prescription = text(fields[size_t(ReportField::NumricKey)]);
        *error = plain ? Cents::tooLargeText(prescription) : Cents::invalidText(prescription);
    }
    return std::nullopt;
}

ReportRecord ReportRecords::record(qsizetype position) const
{
    const Fields f = fields(position);
    ReportRecord r;
    for (int i = 0; i < ReportFieldCount; ++i)
        r.values[size_t(i)] = text(f[size_t(i)]);
    r.amount = Cents::parse(QStringView(r[ReportField::Lordo]));
    return r;
}

std::optional<qsizetype> ReportRecords::positionOfId(const QString& id) const
{
    for (qsizetype k = 0; k < size(); ++k) {
        // As staged for the window: references left as they are.
        QString own = QString::fromUtf8(fields(k)[size_t(ReportField::Id)]);
        own.replace(u',', u'.');
        if (own == id)
            return k;
    }
    return std::nullopt;
}
