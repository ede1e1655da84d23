#include "ReportRecords.h"

#include "NumberText.h"
#include "XmlText.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

constexpr QByteArrayView RecordEnd = "</Errore>";

// The element a tag name stands for: its length and first letter pick the
// one candidate, then the name is compared whole.
std::optional<ReportField> fieldNamed(QByteArrayView name)
{
    using F = ReportField;
    const auto is = [&](QByteArrayView tag, F field) -> std::optional<ReportField> {
        if (std::memcmp(name.data(), tag.data(), size_t(tag.size())) == 0)
            return field;
        return std::nullopt;
    };
    switch (name.size()) {
    case 2:
        return is("ID", F::Id);
    case 3:
        return is("AIC", F::Aic);
    case 4:
        return name[0] == 'A' ? is("Anno", F::Anno) : is("Mese", F::Mese);
    case 5:
        return name[0] == 'P' ? is("Pezzi", F::Pezzi) : is("Lordo", F::Lordo);
    case 6:
        return is("Flusso", F::Flusso);
    case 7:
        return is("Farmaco", F::Farmaco);
    case 8:
        switch (name[0]) {
        case 'C':
            return is("Codfarma", F::Codfarma);
        case 'F':
            return is("Farmacia", F::Farmacia);
        case 'M':
            return is("Molecola", F::Molecola);
        default:
            return is("Soggetto", F::Soggetto);
        }
    case 9:
        switch (name[0]) {
        case 'N':
            return is("NumricKey", F::NumricKey);
        case 'A':
            return is("Assistito", F::Assistito);
        default:
            return is("CodErrore", F::CodErrore);
        }
    case 12:
        return name[0] == 'C' ? is("CodAssistito", F::CodAssistito)
                              : is("TipoAddebito", F::TipoAddebito);
    case 17:
        return is("DescrizioneErrore", F::DescrizioneErrore);
    default:
        return std::nullopt;
    }
}

const char* find(const char* from, const char* end, char c)
{
    return from < end ? static_cast<const char*>(std::memchr(from, c, size_t(end - from)))
                      : nullptr;
}

// Whether two tag names of `length` bytes are the same: short names, compared here.
bool sameName(const char* a, const char* b, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// The same over the few bytes of a value or between two elements, where a
// call costs more than the search.
const char* near(const char* from, const char* end, char c)
{
    while (from < end && *from != c)
        ++from;
    return from < end ? from : nullptr;
}

// A value runs from its start tag to the next '<'. Staging put a carriage
// return after every '>' that a '<' follows: one at its end after a '>' (or
// after the start tag itself) is not the service's.
QByteArrayView valueBetween(const char* from, const char* to)
{
    if (to > from && to[-1] == '\r' && (to - 1 == from || to[-2] == '>'))
        --to;
    while (from < to && *from == ' ')
        ++from;
    while (to > from && to[-1] == ' ')
        --to;
    return QByteArrayView(from, to - from);
}

// "0000…" of a number as the list shows it; plain digits without the general reading.
QString padded(const QString& value, int digits)
{
    if (!value.isEmpty() && value.size() <= digits &&
        std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return QString(value).rightJustified(digits, u'0');
    return NumberText::zeroPadded(NumberText::leadingNumber(value), digits);
}

} // namespace

QString ReportRecord::year() const
{
    const QString& anno = (*this)[ReportField::Anno];
    return anno.isEmpty() ? QString() : padded(anno, 4);
}

QString ReportRecord::month() const
{
    const QString& mese = (*this)[ReportField::Mese];
    return mese.isEmpty() ? QString() : padded(mese, 2);
}

QString ReportRecord::period() const
{
    const QString m = month();
    const QString y = year();
    return m.isEmpty() ? y : y.isEmpty() ? m : m + u'/' + y;
}

QString ReportRecord::pharmacyCode() const
{
    return ReportRecords::pharmacyCode((*this)[ReportField::Codfarma]);
}

QString ReportRecords::pharmacyCode(const QString& codfarma)
{
    return padded(codfarma, 5);
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
        text.sliced(end - RecordEnd.size(), RecordEnd.size()) == RecordEnd)
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
        const char* cr = find(static_cast<const char*>(hit), end, '\r');
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

namespace {

// Every start tag from `at` to `end` and the value after it, up to the next
// '<'; a later element of the same name wins, as in the list.
void scanElements(const char* at, const char* const end, ReportRecords::Fields& fields)
{
    while ((at = near(at, end, '<'))) {
        const char* const name = ++at;
        if (at < end && *at == '/')
            continue;
        while (at < end && *at != '>' && *at != '<' && *at != '\r')
            ++at;
        if (at >= end || *at != '>')
            continue;
        const std::optional<ReportField> field = fieldNamed(QByteArrayView(name, at - name));
        const char* const valueFrom = ++at;
        const char* valueTo = near(valueFrom, end, '<');
        if (!valueTo)
            valueTo = end;
        if (field)
            fields[size_t(*field)] = valueBetween(valueFrom, valueTo);
        at = valueTo;
        // The end tag that follows a value is passed over whole.
        const qsizetype length = (valueFrom - 1) - name;
        if (end - at >= length + 3 && at[1] == '/' && at[length + 2] == '>' &&
            std::memcmp(at + 2, name, size_t(length)) == 0)
            at += length + 3;
    }
}

} // namespace

ReportRecords::Fields ReportRecords::fields(qsizetype position) const
{
    Fields fields{};
    if (position < 0 || position >= size())
        return fields;
    if (m_given && !endsItsRecord(position)) {
        m_given = false;
        index(); // the places given were not this answer's
        if (position >= size())
            return fields;
    }
    const QByteArrayView text = bytes();
    const char* line = text.data() + m_starts[size_t(position)];
    const char* const end = text.data() + m_starts[size_t(position) + 1];
    // Staged lines are mostly one element each, "<Tag>value</Tag>", a start
    // tag or an end tag: those are taken a line at a time without looking at
    // every byte of the value. Anything else is scanned from there on.
    while (line < end) {
        const char* const cr = find(line, end, '\r');
        const char* const lineEnd = cr ? cr : end;
        const char* const next = cr ? cr + 1 : end;
        const qsizetype size = lineEnd - line;
        if (size >= 2 && line[0] == '<' && line[1] == '/') {
            line = next; // an end tag
            continue;
        }
        const char* const close =
            size >= 3 && line[0] == '<' ? near(line + 1, lineEnd, '>') : nullptr;
        if (close && close + 1 == lineEnd && next < end && *next == '<') {
            line = next; // a start tag of its own, elements on the lines after it
            continue;
        }
        const qsizetype length = close ? close - line - 1 : 0;
        if (close && length > 0 && lineEnd - close - 1 >= length + 3 && lineEnd[-1] == '>' &&
            lineEnd[-length - 3] == '<' && lineEnd[-length - 2] == '/' &&
            sameName(lineEnd - length - 1, line + 1, length) &&
            !std::memchr(line + 1, '<', size_t(lineEnd - length - 3 - line - 1))) {
            if (const std::optional<ReportField> field =
                    fieldNamed(QByteArrayView(line + 1, length)))
                fields[size_t(*field)] = valueBetween(close + 1, lineEnd - length - 3);
            line = next;
            continue;
        }
        scanElements(line, end, fields);
        break;
    }
    return fields;
}

QString ReportRecords::text(QByteArrayView value)
{
    return XmlText::toString(value);
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
