#include "DemoDatabase.h"

#include "Seeder.h"

#include <QSqlError>
#include <QSqlQuery>

namespace Demo {

namespace {

bool run(QSqlDatabase& db, const QString& sql, QString* error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    if (error)
        *error = sql + QStringLiteral(": ") + query.lastError().text();
    return false;
}

} // namespace

DemoDatabase::DemoDatabase(QString connectionName) : m_connectionName(std::move(connectionName)) {}

DemoDatabase::~DemoDatabase()
{
    close();
}

QSqlDatabase DemoDatabase::connection() const
{
    return m_db;
}

void DemoDatabase::close()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    if (m_db.isOpen()) {
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        m_db.close();
    }
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool DemoDatabase::open(const QString& fileName, QString* error)
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    QSqlDatabase& db = m_db;
    db.setDatabaseName(fileName);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    QSqlQuery mode(db);
    if (!mode.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !mode.next() ||
        mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        if (error)
            *error = QStringLiteral("cannot switch %1 to WAL mode").arg(fileName);
        return false;
    }
    // With WAL, NORMAL syncs at checkpoints rather than at every commit: a
    // committed change survives the process being killed (it is in the WAL,
    // which the system writes out), though not a power loss. Once a checkpoint
    // has let the WAL start over, its file is cut back to the size limit: a
    // burst of changes while a reader held an old snapshot does not leave it large.
    // Reports read rows all over a large file: through a mapping rather than one
    // call per page they are several times faster. One mapping per connection,
    // and so per server thread, never per report.
    return run(db, QStringLiteral("PRAGMA synchronous=NORMAL"), error) &&
           run(db, QStringLiteral("PRAGMA journal_size_limit=%1").arg(kWalSizeLimit), error) &&
           run(db, QStringLiteral("PRAGMA mmap_size=%1").arg(kMappedBytes), error);
}

bool DemoDatabase::ensureSeeded(int scale, bool* seeded, int* existingScale, QString* error)
{
    QSqlDatabase db = connection();
    *seeded = false;
    {
        QSqlQuery probe(db);
        if (probe.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'seed_scale'")) &&
            probe.next()) {
            *existingScale = probe.value(0).toInt();
            QSqlQuery version(db);
            if (!version.exec(
                    QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'")) ||
                !version.next() || version.value(0).toInt() != Seeder::kSchemaVersion) {
                if (error)
                    *error = QStringLiteral("the database was made by another version of the demo "
                                            "service; delete it to start afresh");
                return false;
            }
            return true;
        }
    }
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    if (!Seeder::createSchema(db, error) || !Seeder::seed(db, scale, error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        if (error)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    *seeded = true;
    *existingScale = scale;
    return run(db, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), error);
}

} // namespace Demo
