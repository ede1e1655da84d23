#pragma once

#include "ReportRecords.h"

#include <QHash>
#include <QList>
#include <QString>

// The records of one pharmacy among those exported.
struct PharmacyGroup
{
    QString code;               // "00005", as the report list shows it
    QString name;               // the first name its records give
    QList<qsizetype> positions; // its records, in the order exported
    qint64 cents = 0;           // their gross amounts

    // "FARMACIA 00005 NAME"
    QString title() const;
    // Its records in the order a pharmacy reads its notice: by year and month
    // as numbers, then by prescription number, whatever the list's order.
    QList<qsizetype> inNoticeOrder(const ReportRecords& records) const;
};

// The exported records by pharmacy, groups in the order of their first
// record, with the gross amounts summed in cents: every total that a file
// shows is a sum of the amounts it lists.
class PharmacyGroups
{
public:
    enum class Codes
    {
        AsListed, // a code is read as the report list reads it: 5A is 00005
        Whole,    // a code that is not a whole number is refused
    };
    explicit PharmacyGroups(Codes codes = Codes::AsListed) : m_codes(codes) {}

    // False when an amount is not plain or does not fit, a sum does not fit
    // or a code is refused; `error` then gets the message for the operator.
    bool read(const ReportRecords& records, const QList<qsizetype>& positions, QString* error);
    // One record more, for writers that read the records anyway.
    bool add(qsizetype position, const ReportRecords::Fields& fields, QString* error);

    const QList<PharmacyGroup>& groups() const { return m_groups; }
    qsizetype count() const { return m_count; }
    qint64 cents() const { return m_cents; }

private:
    Codes m_codes;
    QList<PharmacyGroup> m_groups;
    QHash<QString, qsizetype> m_groupOf;
    qsizetype m_count = 0;
    qint64 m_cents = 0;
};
