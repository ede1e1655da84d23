#pragma once

#include "StagedText.h"

#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

// The folder that holds the staged answers (export_xml.xml and the error-table
// cache errori_xml.xml). Files are UTF-8; lines end at CR or CRLF, a lone LF
// belongs to its line.
class StagingFolder
{
public:
    static inline const QString exportFile = QStringLiteral("export_xml.xml");
    static inline const QString errorTableFile = QStringLiteral("errori_xml.xml");

    explicit StagingFolder(QString folder);

    // The program's own folder when it can be written and the program is not
    // installed, otherwise the per-user application data folder (decided once,
    // for the whole run).
    static StagingFolder forProgram();

    // The same choice for a program in programFolder. An installed program (its
    // desktop entry in the data folder beside its own) never stages in its
    // folder: that folder is shared by every program, even where it can be
    // written (root). userFolder is created when it is chosen.
    static StagingFolder choose(const QString& programFolder, const QString& userFolder);

    const QString& folder() const { return m_folder; }
    QString path(const QString& fileName) const;

    // Replaces the file with text + CR LF in one step: a failed or interrupted
    // write leaves the previous file whole. False when the file could not be written.
    bool write(const QString& fileName, const QString& text) const;
    // The same with the file's exact bytes (line ends included).
    bool writeBytes(const QString& fileName, const QByteArray& bytes) const;
    // The same with bytes that `write` puts on the device as they come; the file
    // is replaced only when it returns true.
    bool writeWith(const QString& fileName, const std::function<bool(QIODevice&)>& write) const;

    // The file's lines; none when it does not exist or cannot be read.
    QStringList readLines(const QString& fileName) const;
    // Calls `visit` with each line of the file (the lines StagedText gives), a
    // view valid only during the call; `visit` returns false to stop. The file
    // is decoded a block at a time, so a line costs the same in a large file
    // as in a small one and no copy of the whole text is made. False when the
    // file does not exist or cannot be read.
    template <typename Visitor> bool forEachLine(const QString& fileName, Visitor visit) const
    {
        return readBlocks(fileName, [&visit](QStringView block) {
            bool more = true;
            forEachStagedLine(block, [&](QStringView line) { return more = visit(line); });
            return more;
        });
    }
    // The blocks forEachLine walks: whole lines of about `blockBytes` bytes of
    // the file each, decoded; `visit` returns false to stop.
    bool readBlocks(const QString& fileName, const std::function<bool(QStringView)>& visit,
                    qsizetype blockBytes = 256 * 1024) const;
    // The file's whole text, for readers that walk large answers without a
    // copy per line; "" when it does not exist or cannot be read.
    QString readText(const QString& fileName) const;
    // The same as UTF-8 bytes, for readers that only decode the values they keep.
    QByteArray readUtf8(const QString& fileName) const;
    // Calls `visit` once with the file's bytes, mapped rather than copied when
    // it can be, and valid only during the call. False when the file does not
    // exist or cannot be read.
    bool withUtf8(const QString& fileName, const std::function<void(QByteArrayView)>& visit) const;

    static QStringList splitLines(QStringView text);

private:
    QString m_folder;
};
