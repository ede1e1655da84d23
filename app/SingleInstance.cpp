#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString& lockPath) : m_lock(lockPath)
{
    m_lock.setStaleLockTime(0); // only a dead owner makes the lock stale
}

bool SingleInstance::acquire()
{
    return m_lock.tryLock(0);
}

QString SingleInstance::defaultLockPath()
{
    // Per user: the runtime folder is the user's own (the temporary folder plus
    // the user name where there is none). Per desktop session: its id or display.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QString user = qEnvironmentVariable("USER");
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QString session = qEnvironmentVariable("XDG_SESSION_ID");
    if (session.isEmpty())
        session = qEnvironmentVariable("WAYLAND_DISPLAY") + qEnvironmentVariable("DISPLAY");
    const QByteArray key = (user + u'|' + session).toUtf8();
    const QString tag = QString::fromLatin1(
        QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(12));
    return QDir(folder).filePath(QStringLiteral("quorvel-dpc-%1.lock").arg(tag));
}
