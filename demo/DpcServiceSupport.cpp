#include "DpcServiceSupport.h"

#include "SoapMessage.h"

#include <QSqlError>

#include <limits>

using SoapMessage::Fault;

namespace DpcServiceSupport {

QSqlQuery select(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw Fault(Fault::Code::Receiver,
                    QStringLiteral("Database error: ") + query.lastError().text());
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec())
        throw Fault(Fault::Code::Receiver,
                    QStringLiteral("Database error: ") + query.lastError().text());
    return query;
}

Transaction::Transaction(QSqlDatabase& db, std::mutex* writeLock) : m_db(db)
{
    if (writeLock)
        m_lock = std::unique_lock(*writeLock);
    run("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (!m_done)
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
}

void Transaction::commit()
{
    run("COMMIT");
    m_done = true;
}

void Transaction::run(const char* sql)
{
    QSqlQuery query(m_db);
    if (!query.exec(QLatin1String(sql)))
        throw Fault(Fault::Code::Receiver,
                    QStringLiteral("Database error: ") + query.lastError().text());
}

LeadingNumber leadingNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    LeadingNumber n;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i) {
        n.value = n.value * 10 + (t[i].unicode() - u'0');
        if (n.value > std::numeric_limits<int>::max()) {
            n.overflow = true;
            return n;
        }
    }
    if (negative)
        n.value = -n.value;
    return n;
}

QString normalizedAic(const QString& text)
{
    QString aic = text.trimmed();
    bool digits = !aic.isEmpty() && aic.size() < 9;
    for (QChar c : aic)
        digits = digits && c >= u'0' && c <= u'9';
    return digits ? aic.rightJustified(9, u'0') : aic;
}

} // namespace DpcServiceSupport
