#pragma once

#include <QString>
#include <QTemporaryFile>

// A new version of a staged file, written beside it and renamed over it only
// by commit(): readers see the old file or the new one, never a part. Dropped
// without a commit (a failed write, an answer cut short), it leaves the old
// file as it was. Created readable by its owner only. Not synced to disk:
// staged files are rebuilt from the service's next answers, and a sync would
// make every look-up wait for the disk.
class FileReplacement
{
public:
    // `fileName` names the file in the log lines.
    FileReplacement(const QString& target, const QString& fileName);

    // False (and a log line) when the new file cannot be created.
    bool open();
    QIODevice& device() { return m_file; }
    // Puts the new file in place; false (and a log line) when it could not be
    // written whole or renamed.
    bool commit();
    // Logs a failed write and lets the new file go.
    void fail();

private:
    QString m_target;
    QString m_fileName;
    QTemporaryFile m_file;
};
