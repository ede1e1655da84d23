#include "PharmacyGroups.h"

#include "Cents.h"
#include "NumberText.h"

#include <algorithm>
#include <vector>

QString PharmacyGroup::title() const
{
    QString text = QStringLiteral("FARMACIA ") + code;
    if (!name.isEmpty())
        text += u' ' + name;
    return text;
}

QList<qsizetype> PharmacyGroup::inNoticeOrder(const ReportRecords& records) const
{
    struct Key
    {
        double year;
        double month;
        QByteArray prescription;
        qsizetype position;
    };
    const auto number = [](QByteArrayView value) {
        return NumberText::leadingNumber(ReportRecords::text(value));
    };
    std::vector<Key> keys;
    keys.reserve(size_t(positions.size()));
    for (const qsizetype p : positions) {
        const ReportRecords::Fields f = records.fields(p);
        keys.push_back({number(f[size_t(ReportField::Anno)]), number(f[size_t(ReportField::Mese)]),
                        ReportRecords::text(f[size_t(ReportField::NumricKey)]).toUtf8(), p});
    }
    // Prescription numbers are of one length: as text they are in their order.
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (a.year != b.year)
            return a.year < b.year;
        if (a.month != b.month)
            return a.month < b.month;
        return a.prescription < b.prescription;
    });
    QList<qsizetype> ordered;
    ordered.reserve(qsizetype(keys.size()));
    for (const Key& k : keys)
        ordered.append(k.position);
    return ordered;
}

bool PharmacyGroups::read(const ReportRecords& records, const QList<qsizetype>& positions,
                          QString* error)
{
    m_groups.clear();
    m_groupOf.clear();
    m_count = 0;
    m_cents = 0;
    for (const qsizetype position : positions) {
        if (position >= 0 && position < records.size() &&
            !add(position, records.fields(position), error))
            return false;
    }
    return true;
}

bool PharmacyGroups::add(qsizetype position, const ReportRecords::Fields& fields, QString* error)
{
    const auto value = [&](ReportField field) {
        return ReportRecords::text(fields[size_t(field)]);
    };
    const std::optional<qint64> cents = ReportRecords::chargedCents(fields, error);
    if (!cents)
        return false;
    const QString codfarma = value(ReportField::Codfarma);
    if (m_codes == Codes::Whole &&
        (codfarma.isEmpty() || !std::all_of(codfarma.begin(), codfarma.end(),
                                            [](QChar c) { return c >= u'0' && c <= u'9'; }))) {
        if (error)
            *error = QStringLiteral("CODICE FARMACIA NON VALIDO NELLA RICETTA ") +
                     value(ReportField::NumricKey);
        return false;
    }
    ReportFields::Scratch scratch;
    const QString code =
        QString::fromUtf8(ReportFields::shown(ReportFields::Table[int(ReportField::Codfarma)],
                                              fields[size_t(ReportField::Codfarma)], scratch));
    auto at = m_groupOf.constFind(code);
    if (at == m_groupOf.cend()) {
        at = m_groupOf.insert(code, m_groups.size());
        m_groups.append({code, QString(), {}, 0});
    }
    PharmacyGroup& group = m_groups[*at];
    if (group.name.isEmpty())
        group.name = value(ReportField::Farmacia);
    if (!Cents::add(group.cents, *cents) || !Cents::add(m_cents, *cents)) {
        if (error)
            *error = Cents::tooLargeText(QString());
        return false;
    }
    group.positions.append(position);
    ++m_count;
    return true;
}
