#pragma once

#include <QSqlDatabase>
#include <QString>

namespace Demo {

// The demo service's SQLite file: opened in WAL mode (synchronous=NORMAL),
// created and seeded in one transaction the first time it is opened.
class DemoDatabase
{
public:
    // The size the write-ahead log's file is cut back to after a checkpoint
    // (SQLite's journal_size_limit).
    static constexpr qint64 kWalSizeLimit = 16 * 1024 * 1024;
    // How much of the file a connection reads through a mapping.
    static constexpr qint64 kMappedBytes = 256 * 1024 * 1024;

    explicit DemoDatabase(QString connectionName = QStringLiteral("dpc-demo"));
    ~DemoDatabase();
    DemoDatabase(const DemoDatabase&) = delete;
    DemoDatabase& operator=(const DemoDatabase&) = delete;

    bool open(const QString& fileName, QString* error);

    // Seeds an empty database at the given scale; a database seeded before is
    // left as it is. `seeded` tells which happened, `existingScale` the scale
    // the data was made with.
    bool ensureSeeded(int scale, bool* seeded, int* existingScale, QString* error);

    QSqlDatabase connection() const;
    void close();

private:
    QString m_connectionName;
    // Held rather than looked up by name, so that the connection can be
    // closed from another thread than the one that used it.
    QSqlDatabase m_db;
};

} // namespace Demo
