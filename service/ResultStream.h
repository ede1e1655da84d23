#pragma once

#include "AnswerSink.h"
#include "MarkerSearch.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class ResultSplitter;
class StagingFolder;

// SALVA_RISULTATO into files while the answer arrives: the result is cut and
// split piece by piece into new versions of the files, which take the old
// ones' place only when committed, once the whole answer is in. The files get
// the bytes ResultStager::writeStaged gives for the whole answer, and only
// the split result's bytes not yet written are held, not the answer. (An
// answer whose result has no start marker, or an operation name that is not
// plain, is held whole and staged at the end.)
class ResultStream : public AnswerSink
{
public:
    ResultStream(const StagingFolder& staging, const QString& operation);
    ~ResultStream() override;

    // A file the result goes to, with commas turned into full stops or not;
    // added before the first piece.
    void addFile(const QString& fileName, bool replaceCommas);

    void take(QByteArrayView piece) override;

    // After the last piece of a whole answer: writes what is left. A stream
    // that is not finished, or not committed, leaves every file as it was.
    void finish();
    // Whether the answer holds the result for file `index` (for a plain name,
    // the same for every file).
    bool found(qsizetype index) const;
    // Puts file `index` in place; false when it could not be written whole.
    bool commit(qsizetype index);

private:
    struct Target;

    void openFiles();
    void write(QByteArrayView bytes);
    void writeSlice(QByteArrayView slice);

    const StagingFolder& m_staging;
    QString m_operation;
    bool m_bytewise;
    std::vector<std::unique_ptr<Target>> m_targets;
    std::unique_ptr<ResultSplitter> m_splitter;
    MarkerSearch m_presence;
    MarkerSearch m_start;
    qint64 m_received = 0;
    bool m_inResult = false;
    bool m_finished = false;
    QByteArray m_held;    // the answer so far, until its result starts
    QByteArray m_pending; // from the last '<' on, not yet written
    QByteArray m_fixed;   // a slice with its invalid UTF-8 replaced
    QByteArray m_out;     // a slice split
};
