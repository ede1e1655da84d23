#include "ResultStream.h"

#include "FileReplacement.h"
#include "ResultSplitter.h"
#include "ResultStager.h"
#include "StagingFolder.h"

struct ResultStream::Target
{
    Target(const StagingFolder& staging, const QString& fileName, bool replaceCommas)
        : file(staging.path(fileName), fileName), replaceCommas(replaceCommas)
    {
    }

    // False (the file let go) when the device refused the write.
    bool write(const QByteArray& bytes)
    {
        ok = ok && file.device().write(bytes) == bytes.size();
        if (!ok && open) {
            file.fail();
            open = false;
        }
        return ok;
    }

    FileReplacement file;
    bool replaceCommas;
    bool open = false;
    bool ok = true; // every write so far went through
    bool found = false;
};

namespace {

// Slices are cut to about this size, so that what a slice becomes stays in
// the processor's cache on its way to the files, whatever the network hands over.
constexpr qsizetype SliceBytes = 128 * 1024;

} // namespace

ResultStream::ResultStream(const StagingFolder& staging, const QString& operation)
    : m_staging(staging), m_operation(operation), m_bytewise(ResultStager::plainName(operation)),
      m_splitter(std::make_unique<ResultSplitter>(operation)),
      m_presence('<' + operation.toLatin1() + "Result"), m_start(operation.toLatin1() + "Result>")
{
}

ResultStream::~ResultStream() = default;

void ResultStream::addFile(const QString& fileName, bool replaceCommas)
{
    m_targets.push_back(std::make_unique<Target>(m_staging, fileName, replaceCommas));
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

// Slices go to the splitter ending just before a '<', as it needs them: the
// bytes from the last '<' of a piece wait for the next one.
void ResultStream::write(QByteArrayView bytes)
{
    if (m_splitter->ended())
        return;
    qsizetype last = bytes.lastIndexOf('<');
    if (last < 0) {
        m_pending += bytes;
        return;
    }
    if (!m_pending.isEmpty()) {
        const qsizetype first = bytes.indexOf('<');
        m_pending += bytes.first(first);
        writeSlice(m_pending);
        bytes = bytes.sliced(first);
        last -= first;
    }
    for (qsizetype at = 0; at < last;) {
        qsizetype next = last;
        if (last - at > SliceBytes) {
            next = bytes.indexOf('<', at + SliceBytes);
            if (next < 0 || next > last)
                next = last;
        }
        writeSlice(bytes.sliced(at, next - at));
        at = next;
    }
    m_pending.resize(0);
    m_pending += bytes.sliced(last);
}

// The slice is split once; the files that keep the commas get it first, then
// the commas are turned for the others.
void ResultStream::writeSlice(QByteArrayView slice)
{
    if (slice.isEmpty() || m_splitter->ended())
        return;
    // Bytes that are not UTF-8 become replacement characters, as in the
    // answer's text. A slice starts at an ASCII byte or right after one, where
    // decoding the whole answer starts afresh, so it is decoded on its own.
    if (!slice.isValidUtf8()) {
        m_fixed = QString::fromUtf8(slice).toUtf8();
        slice = m_fixed;
    }
    m_splitter->split(slice, m_out);
    bool commasLeft = false;
    for (const auto& target : m_targets) {
        if (target->replaceCommas)
            commasLeft = commasLeft || target->ok;
        else
            target->write(m_out);
    }
    if (!commasLeft)
        return;
    ResultSplitter::replaceCommas(m_out);
    for (const auto& target : m_targets) {
        if (target->replaceCommas)
            target->write(m_out);
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
    m_out = "\r\n";
    for (const auto& target : m_targets) {
        target->found = m_presence.found();
        target->write(m_out);
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
