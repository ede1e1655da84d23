#include "ReportRecords.h"

#include "NumberText.h"
#include "ValueReader.h"

#include <QByteArrayView>
#include <QFile>

#include <array>
#include <cstring>

namespace {

// The tags of a record, in the order the detail window tests a line for them:
// the first one found on a line decides what the line fills.
enum Field
{
    Id,
    Flusso,
    NumricKey,
    Mese,
    Anno,
    Assistito,
    CodAssistito,
    Codfarma,
    Farmacia,
    Aic,
    Farmaco,
    Molecola,
    Pezzi,
    Lordo,
    CodErrore,
    DescrizioneErrore,
    TipoAddebito,
    Soggetto,
    FieldCount
};

constexpr std::array<QByteArrayView, FieldCount> Tags = {
    "ID",           "Flusso",    "NumricKey",    "Mese",
    "Anno",         "Assistito", "CodAssistito", "Codfarma",
    "Farmacia",     "AIC",       "Farmaco",      "Molecola",
    "Pezzi",        "Lordo",     "CodErrore",    "DescrizioneErrore",
    "TipoAddebito", "Soggetto"};

qsizetype indexOf(QByteArrayView text, char c, qsizetype from)
{
    if (from >= text.size())
        return -1;
    const void* hit = std::memchr(text.data() + from, c, size_t(text.size() - from));
    return hit ? static_cast<const char*>(hit) - text.data() : -1;
}

// The line that starts at `from`: lines end at CR (a following LF is skipped).
QByteArrayView lineAt(QByteArrayView text, qsizetype from, qsizetype* next)
{
    const qsizetype cr = indexOf(text, '\r', from);
    if (cr < 0) {
        *next = text.size();
        return text.sliced(from);
    }
    *next = cr + 1 < text.size() && text[cr + 1] == '\n' ? cr + 2 : cr + 1;
    return text.sliced(from, cr - from);
}

// The field of the earliest tag in test order whose start tag is on the line,
// and where its value starts; FieldCount when none is.
Field fieldOf(QByteArrayView line, qsizetype* valueFrom)
{
    Field best = FieldCount;
    for (qsizetype at = indexOf(line, '<', 0); at >= 0; at = indexOf(line, '<', at + 1)) {
        const qsizetype close = indexOf(line, '>', at + 1);
        if (close < 0)
            break;
        const QByteArrayView name = line.sliced(at + 1, close - at - 1);
        for (int f = 0; f < best; ++f) {
            if (name == Tags[size_t(f)]) {
                best = Field(f);
                *valueFrom = close + 1;
                break;
            }
        }
    }
    return best;
}

} // namespace

ReportRecords::ReportRecords(QByteArray stagedUtf8) : m_staged(std::move(stagedUtf8)) {}

ReportRecords ReportRecords::fromFile(const QString& path)
{
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file->size();
    if (uchar* mapped = size > 0 ? file->map(0, size) : nullptr) {
        ReportRecords records;
        records.m_file = std::move(file);
        records.m_mapped = QByteArrayView(reinterpret_cast<const char*>(mapped), size);
        return records;
    }
    return ReportRecords(file->readAll());
}

QByteArrayView ReportRecords::text() const
{
    return m_file ? m_mapped : QByteArrayView(m_staged);
}

void ReportRecords::buildIndex() const
{
    m_indexed = true;
    const QByteArrayView text = this->text();
    static constexpr QByteArrayView idTag = "<ID>";
    for (qsizetype at = text.indexOf(idTag); at >= 0; at = text.indexOf(idTag, at + 1)) {
        qsizetype lineStart = at;
        while (lineStart > 0 && text[lineStart - 1] != '\r' && text[lineStart - 1] != '\n')
            --lineStart;
        qsizetype next = 0;
        const QByteArrayView line = lineAt(text, lineStart, &next);
        // Only the first <ID> of a line counts, as for every tag.
        if (line.indexOf(idTag) != at - lineStart)
            continue;
        const QString id = ValueReader::valueAfter(line, "ID", at - lineStart + idTag.size());
        if (!m_starts.contains(id)) // the first record of an ID is the one shown
            m_starts.insert(id, lineStart);
        at = next - 1;
    }
}

std::optional<ReportRecord> ReportRecords::record(const QString& id) const
{
    if (!m_indexed)
        buildIndex();
    const auto start = m_starts.constFind(id);
    if (start == m_starts.cend())
        return std::nullopt;
    const QByteArrayView text = this->text();
    ReportRecord r;
    bool first = true;
    for (qsizetype from = *start, next = 0; from < text.size(); from = next) {
        const QByteArrayView line = lineAt(text, from, &next);
        qsizetype valueFrom = 0;
        const Field field = fieldOf(line, &valueFrom);
        if (field == FieldCount)
            continue;
        if (field == Id) {
            if (!first)
                break; // the next record
            first = false;
            continue;
        }
        const QString value = ValueReader::valueAfter(line, Tags[size_t(field)], valueFrom);
        switch (field) {
        case Flusso:
            r.flusso = value;
            break;
        case NumricKey:
            r.numricKey = value;
            break;
        case Mese:
            r.mese = NumberText::zeroPadded(NumberText::leadingNumber(value), 2);
            break;
        case Anno:
            r.anno = NumberText::zeroPadded(NumberText::leadingNumber(value), 4);
            break;
        case Assistito:
            r.assistito = value;
            break;
        case CodAssistito:
            r.codAssistito = value;
            break;
        case Codfarma:
            r.codfarma = value;
            break;
        case Farmacia:
            r.farmacia = value;
            break;
        case Aic:
            r.aic = value;
            break;
        case Farmaco:
            r.farmaco = value;
            break;
        case Molecola:
            r.molecola = value;
            break;
        case Pezzi:
            r.pezzi = value;
            break;
        case Lordo:
            r.lordo = NumberText::leadingNumber(value);
            break;
        case CodErrore:
            r.codErrore = value;
            break;
        case DescrizioneErrore:
            r.descrizioneErrore = value;
            break;
        case TipoAddebito:
            r.tipoAddebito = value;
            break;
        case Soggetto:
            r.soggetto = value;
            break;
        case Id:
        case FieldCount:
            break;
        }
    }
    return r;
}
