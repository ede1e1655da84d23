#include "ReportRecords.h"

#include "NumberText.h"
#include "XmlText.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

constexpr QByteArrayView RecordEnd = "</Errore>";

std::optional<ReportField> fieldNamed(QByteArrayView name)
{
    using F = ReportField;
    switch (name.size()) {
    case 2:
        if (name == "ID")
            return F::Id;
        break;
    case 3:
        if (name == "AIC")
            return F::Aic;
        break;
    case 4:
        if (name == "Anno")
            return F::Anno;
        if (name == "Mese")
            return F::Mese;
        break;
    case 5:
        if (name == "Pezzi")
            return F::Pezzi;
        if (name == "Lordo")
            return F::Lordo;
        break;
    case 6:
        if (name == "Flusso")
            return F::Flusso;
        break;
    case 7:
        if (name == "Farmaco")
            return F::Farmaco;
        break;
    case 8:
        if (name == "Codfarma")
            return F::Codfarma;
        if (name == "Farmacia")
            return F::Farmacia;
        if (name == "Molecola")
            return F::Molecola;
        if (name == "Soggetto")
            return F::Soggetto;
        break;
    case 9:
        if (name == "NumricKey")
            return F::NumricKey;
        if (name == "Assistito")
            return F::Assistito;
        if (name == "CodErrore")
            return F::CodErrore;
        break;
    case 12:
        if (name == "CodAssistito")
            return F::CodAssistito;
        if (name == "TipoAddebito")
            return F::TipoAddebito;
        break;
    case 17:
        if (name == "DescrizioneErrore")
            return F::DescrizioneErrore;
        break;
    }
    return std::nullopt;
}

const char* find(const char* from, const char* end, char c)
{
    return from < end ? static_cast<const char*>(std::memchr(from, c, size_t(end - from)))
                      : nullptr;
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

QByteArrayView ReportRecords::bytes() const
{
    return m_file ? m_mapped : QByteArrayView(m_staged);
}

void ReportRecords::index() const
{
    m_indexed = true;
    const QByteArrayView text = bytes();
    m_starts.assign(1, 0);
    // One record for each line that holds "</Errore>", as one row of the list.
    for (qsizetype at = text.indexOf(RecordEnd); at >= 0; at = text.indexOf(RecordEnd, at)) {
        const char* cr = find(text.data() + at, text.data() + text.size(), '\r');
        at = cr ? cr - text.data() + 1 : text.size();
        if (at < text.size() && text[at] == '\n')
            ++at;
        m_starts.push_back(at);
        if (at >= text.size())
            break;
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
    const QByteArrayView text = bytes();
    const char* at = text.data() + m_starts[size_t(position)];
    const char* const end = text.data() + m_starts[size_t(position) + 1];
    // Every start tag of the span; a later one of the same name wins, as in the list.
    while ((at = find(at, end, '<'))) {
        ++at;
        if (at < end && *at == '/')
            continue;
        const char* close = at;
        while (close < end && *close != '>' && *close != '<' && *close != '\r')
            ++close;
        if (close >= end || *close != '>')
            continue;
        const std::optional<ReportField> field = fieldNamed(QByteArrayView(at, close - at));
        if (!field)
            continue;
        const char* valueFrom = close + 1;
        const char* valueTo = find(valueFrom, end, '<');
        if (!valueTo)
            valueTo = end;
        fields[size_t(*field)] = valueBetween(valueFrom, valueTo);
        at = valueTo;
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
