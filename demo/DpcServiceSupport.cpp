#include "DpcServiceSupport.h"

#include "SoapMessage.h"

#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <chrono>
#include <limits>
#include <thread>

namespace Demo {

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
    const QVariant handle = db.driver()->handle();
    sqlite3* const connection = handle.typeName() == QByteArrayView("sqlite3*")
                                    ? *static_cast<sqlite3* const*>(handle.constData())
                                    : nullptr;
    if (!writeLock || !connection) {
        run("BEGIN IMMEDIATE");
        return;
    }
    using namespace std::chrono;
    const steady_clock::time_point deadline = steady_clock::now() + seconds(5);
    for (milliseconds pause(1);; pause = std::min(pause * 2, milliseconds(50))) {
        m_lock = std::unique_lock(*writeLock);
        // With the lock held, try once; the busy wait happens below, without it.
        sqlite3_busy_timeout(connection, 0);
        const int status = sqlite3_exec(connection, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_busy_timeout(connection, 5000);
        if (status == SQLITE_OK)
            return;
        const QString message = QString::fromUtf8(sqlite3_errmsg(connection));
        m_lock.unlock();
        if ((status & 0xff) != SQLITE_BUSY || steady_clock::now() >= deadline)
            throw Fault(Fault::Code::Receiver, QStringLiteral("Database error: ") + message);
        std::this_thread::sleep_for(pause);
    }
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

} // namespace Demo
