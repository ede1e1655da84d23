#pragma once

#include "ReportRecords.h"

#include <QList>
#include <QSet>
#include <QStringView>

#include <optional>

// The errors cancelled on the service while a report is listed. The list
// keeps showing their rows until the next report run; every file made from
// the report leaves them out, with their counts and amounts.
class CancelledErrors
{
public:
    // An error's <ID> as the service takes it back: a whole number written
    // with digits (an optional sign) that fits 32 bits. Nothing otherwise.
    static std::optional<qint32> idOf(QStringView text);

    void add(qint32 id) { m_ids.insert(id); }
    bool contains(qint32 id) const { return m_ids.contains(id); }
    void clear() { m_ids.clear(); }

    // `positions` without the records of cancelled errors, in their order;
    // `left` gets how many were left out.
    QList<qsizetype> without(const QList<qsizetype>& positions, const ReportRecords& records,
                             qsizetype* left) const;

private:
    QSet<qint32> m_ids;
};
