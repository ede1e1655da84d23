#include "PharmacyGroups.h"

#include "Cents.h"

QString PharmacyGroup::title() const
{
    QString text = QStringLiteral("FARMACIA ") + code;
    if (!name.isEmpty())
        text += u' ' + name;
    return text;
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
    const QString code = ReportRecords::pharmacyCode(value(ReportField::Codfarma));
    const Cents::Amount amount = Cents::parse(QStringView(value(ReportField::Lordo)));
    auto at = m_groupOf.constFind(code);
    if (at == m_groupOf.cend()) {
        at = m_groupOf.insert(code, m_groups.size());
        m_groups.append({code, QString(), {}, 0});
    }
    PharmacyGroup& group = m_groups[*at];
    if (group.name.isEmpty())
        group.name = value(ReportField::Farmacia);
    if (amount.tooLarge || !Cents::add(group.cents, amount.cents) ||
        !Cents::add(m_cents, amount.cents)) {
        if (error)
            *error =
                Cents::tooLargeText(amount.tooLarge ? value(ReportField::NumricKey) : QString());
        return false;
    }
    group.positions.append(position);
    ++m_count;
    return true;
}
