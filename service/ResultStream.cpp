#include "ResultStream.h"

#include "FileReplacement.h"
#include "ResultStager.h"
#include "SplitWriter.h"
#include "StagingFolder.h"

struct ResultStream::Target
{
    Target(const StagingFolder& staging, const QString& fileName, const QString& operation,
           bool replaceCommas)
        : file(staging.path(fileName), fileName), writer(operation, replaceCommas, file.device()),
          replaceCommas(replaceCommas)
    {
    }

    FileReplacement file;
    SplitWriter writer;
    bool replaceCommas;
    bool open = false;
    bool ok = true; // every write so far went through
    bool found = false;
};

ResultStream::ResultStream(const StagingFolder& staging, const QString& operation)
    : m_staging(staging), m_operation(operation), m_bytewise(ResultStager::plainName(operation)),
      m_presence('<' + operation.toLatin1() + "Result"), m_start(operation.toLatin1() + "Result>")
{
}

ResultStream::~ResultStream() = default;

void ResultStream::addFile(const QString& fileName, bool replaceCommas)
{
    m_targets.push_back(std::make_unique<Target>(m_staging, fileName, m_operation, replaceCommas));
}

void ResultStream::openFiles()
{
    for (const auto& target : m_targets) {
        target->open = target->file.open();
        target->ok = target->open;
    }
}

void ResultStream::take(QByteArrayView piece)
{
    if (m_bytewise)
        m_presence.feed(piece);
    if (m_inResult) {
        write(piece);
        return;
    }
    if (!m_bytewise || !m_start.feed(piece)) {
        m_held += piece;
        m_received += piece.size();
        return;
    }
    // The result starts in this piece: what came before it is not needed.
    const qsizetype from = qsizetype(m_start.end() - m_received);
    m_held = QByteArray();
    m_received += piece.size();
    m_inResult = true;
    openFiles();
    write(piece.sliced(from));
}

// Slices go to the writers ending just before a '<', as the writers need
// them: the bytes from the last '<' of a piece wait for the next one.
void ResultStream::write(QByteArrayView bytes)
{
    if (m_written)
        return;
    const qsizetype last = bytes.lastIndexOf('<');
    if (last < 0) {
        m_pending += bytes;
        return;
    }
    if (!m_pending.isEmpty()) {
        const qsizetype first = bytes.indexOf('<');
        m_pending += bytes.first(first);
        writeSlice(m_pending);
        bytes = bytes.sliced(first);
    }
    const qsizetype at = bytes.lastIndexOf('<');
    writeSlice(bytes.first(at));
    m_pending.resize(0);
    m_pending += bytes.sliced(at);
}

void ResultStream::writeSlice(QByteArrayView slice)
{
    if (slice.isEmpty())
        return;
    // Bytes that are not UTF-8 become replacement characters, as in the
    // answer's text. A slice starts at an ASCII byte or right after one, where
    // decoding the whole answer starts afresh, so it is decoded on its own.
    if (!slice.isValidUtf8()) {
        m_fixed = QString::fromUtf8(slice).toUtf8();
        slice = m_fixed;
    }
    m_written = true;
    for (const auto& target : m_targets) {
        if (!target->ok || target->writer.ended())
            continue;
        if (!target->writer.add(slice)) {
            target->ok = false;
            target->file.fail();
        }
        m_written = m_written && (!target->ok || target->writer.ended());
    }
}

void ResultStream::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_inResult) {
        // No start marker (or no plain name): the answer is here whole.
        for (const auto& target : m_targets) {
            target->found =
                ResultStager::hasResult(QByteArrayView(m_held), m_operation, target->replaceCommas);
            if (!target->found)
                continue;
            target->open = target->file.open();
            target->ok = target->open &&
                         ResultStager::writeStaged(QByteArrayView(m_held), m_operation,
                                                   target->replaceCommas, target->file.device());
            if (target->open && !target->ok)
                target->file.fail();
        }
        m_held = QByteArray();
        return;
    }
    writeSlice(m_pending);
    m_pending = QByteArray();
    for (const auto& target : m_targets) {
        target->found = m_presence.found();
        if (target->ok && !target->writer.finish()) {
            target->ok = false;
            target->file.fail();
        }
    }
}

bool ResultStream::found(qsizetype index) const
{
    return m_finished && m_targets[size_t(index)]->found;
}

bool ResultStream::commit(qsizetype index)
{
    Target& target = *m_targets[size_t(index)];
    return m_finished && target.found && target.ok && target.file.commit();
}
