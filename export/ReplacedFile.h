#pragma once

#include <QString>
#include <QTemporaryFile>

// A file for the operator, written beside its name and put in its place only
// once whole, so that a failure leaves any earlier file as it was. Whatever
// stands at the name is replaced, never written through: a symbolic link
// there is replaced by the new file and what it points to stays untouched.
// The new file keeps the permissions of the regular file it replaces, or gets
// those of any new file.
//
//     ReplacedFile file(path);
//     if (!file.open() || file.device().write(bytes) != bytes.size() || !file.commit()) ...
class ReplacedFile
{
public:
    explicit ReplacedFile(const QString& path);
    // Drops the new file unless commit() succeeded.
    ~ReplacedFile();
    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;

    // Creates the new file beside the name; false when it cannot be.
    bool open();
    QFileDevice& device() { return m_file; }
    // The new file's own name, for writers that open it themselves.
    QString newFileName() const { return m_file.fileName(); }

    // Writes out what is buffered and renames the new file over the name.
    // False when either failed; the name then holds what it held. The file
    // is not synced to the disk, which would make the operator wait for it:
    // the rename keeps the old file or the new one whole, and an export is
    // made again by exporting again.
    bool commit();
    // Gives up: the new file is removed.
    void cancel();

    // Whether something stands at the name: a file, a folder or a symbolic
    // link, even one that points nowhere.
    static bool taken(const QString& path);

private:
    QString m_path;
    QTemporaryFile m_file;
    bool m_committed = false;
};
