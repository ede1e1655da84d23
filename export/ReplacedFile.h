#pragma once

#include <QFileDevice>
#include <QString>

#include <memory>

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
    // What is written here goes to the disk as it comes, a few megabytes at
    // a time, while the writer goes on: commit() then has little left to wait for.
    QFileDevice& device();
    // The new file's own name, for writers that open it themselves.
    QString newFileName() const;

    // Writes out what is buffered, waits until the new file is on the disk,
    // and renames it over the name, then syncs the folder. False when any of
    // the first three failed; the name then holds what it held. After a
    // crash the name holds the old file or the new one, whole, never a
    // file cut short: these files charge money, and one said to be written is.
    // A large earlier file is let go on a thread of its own, as freeing its
    // blocks can keep the disk busy for a while.
    bool commit();
    // Gives up: the new file is removed.
    void cancel();

    // Whether something stands at the name: a file, a folder or a symbolic
    // link, even one that points nowhere.
    static bool taken(const QString& path);

private:
    class NewFile;

    QString m_path;
    std::unique_ptr<NewFile> m_file;
    bool m_committed = false;
};
