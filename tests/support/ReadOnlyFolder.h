#pragma once

#include <QString>

// Makes a folder read-only for as long as it lives, also when the tests run
// as root: then the calling thread's file-system user becomes an ordinary one,
// which takes away root's right to write anywhere. Restores both on the way out.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString& folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // False when the folder could not be made read-only.
    bool isActive() const { return m_active; }

private:
    QString m_folder;
    QString m_parentChanged;
    bool m_active = false;
    bool m_fsuidChanged = false;
};
