#include "CancelledErrors.h"

#include <limits>

std::optional<qint32> CancelledErrors::idOf(QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool sign = i == 0 && (c == u'-' || c == u'+') && text.size() > 1;
        if (!sign && (c < u'0' || c > u'9'))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

QList<qsizetype> CancelledErrors::without(const QList<qsizetype>& positions,
                                          const ReportRecords& records, qsizetype* left) const
{
    qsizetype out = 0;
    QList<qsizetype> kept;
    if (m_ids.isEmpty()) {
        kept = positions;
    } else {
        kept.reserve(positions.size());
        for (const qsizetype p : positions) {
            // The ID as staged for the detail window: the service's bytes,
            // references left as they are.
            const std::optional<qint32> id =
                p >= 0 && p < records.size()
                    ? idOf(QString::fromUtf8(records.fields(p)[size_t(ReportField::Id)]))
                    : std::nullopt;
            if (id && m_ids.contains(*id))
                ++out;
            else
                kept.append(p);
        }
    }
    if (left)
        *left = out;
    return kept;
}
