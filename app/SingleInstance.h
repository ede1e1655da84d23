#pragma once

#include <QLockFile>
#include <QString>

// One running program per user and desktop session, held by a lock file that
// the system releases when the process ends, however it ends.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& lockPath = defaultLockPath());

    // False when another instance holds the lock.
    bool acquire();

    static QString defaultLockPath();

private:
    QLockFile m_lock;
};
