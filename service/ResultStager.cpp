#include "ResultStager.h"

#include <QBuffer>

#include <algorithm>
#include <cstring>

namespace {

struct Span
{
    qsizetype from;
    qsizetype to;
};

// Where the result text lies in the answer. Turning commas into full stops
// moves no character, so the markers are found at the same places in the
// original answer, unless the operation name holds a comma or a full stop.
std::optional<Span> locate(QStringView response, const QString& operation)
{
    if (!response.contains(QString(u'<' + operation + "Result")))
        return std::nullopt;
    // Right after the first "OPResult>"; when that is missing (a self-closing
    // start tag) the answer loses as many characters as the marker has, less one.
    const QString startMarker = operation + "Result>";
    const qsizetype q = response.indexOf(startMarker);
    const qsizetype from =
        std::min(q >= 0 ? q + startMarker.size() : startMarker.size() - 1, response.size());
    const qsizetype end = response.indexOf(QString("</" + operation + "Result"), from);
    return Span{from, end >= 0 ? end : response.size()};
}

bool markersMoveWithCommas(const QString& operation)
{
    return operation.contains(u',') || operation.contains(u'.');
}

} // namespace

std::optional<QString> ResultStager::cut(QString response, const QString& operation,
                                         bool replaceCommas)
{
    if (replaceCommas && markersMoveWithCommas(operation)) {
        response.replace(u',', u'.');
        replaceCommas = false;
    }
    const std::optional<Span> span = locate(response, operation);
    if (!span)
        return std::nullopt;
    QString result = response.mid(span->from, span->to - span->from);
    if (replaceCommas)
        result.replace(u',', u'.');
    return result;
}

QString ResultStager::split(QStringView cutText)
{
    QString out;
    out.reserve(cutText.size() + cutText.size() / 16);
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = cutText.indexOf(u"><", from);
        if (p < 0)
            break;
        out.append(cutText.mid(from, p + 1 - from));
        out.append(u'\r');
        from = p + 1;
    }
    out.append(cutText.mid(from));
    return out;
}

bool ResultStager::hasResult(QStringView response, const QString& operation, bool replaceCommas)
{
    if (replaceCommas && markersMoveWithCommas(operation))
        return cut(response.toString(), operation, true).has_value();
    return response.contains(QString(u'<' + operation + "Result"));
}

namespace {

// Writes the split result from UTF-8 slices of the answer, each ending just
// before a '<' (or at the end of the answer), so that a slice never splits a
// character, an end marker or a "><". '<', '>', ',' and the end marker are
// ASCII, and ASCII bytes are never part of a longer UTF-8 sequence, so the
// slices are worked on as bytes.
class SplitWriter
{
public:
    SplitWriter(const QString& operation, bool replaceCommas, QIODevice& device)
        : m_endMarker("</" + operation.toLatin1() + "Result"), m_replaceCommas(replaceCommas),
          m_device(device)
    {
    }

    bool ended() const { return m_ended; }

    // False when the device refused the write.
    bool add(QByteArrayView slice)
    {
        const char* const first = slice.data();
        const char* const last = first + slice.size();
        m_out.resize(slice.size() + slice.size() / 2 + 2);
        char* const outFirst = m_out.data();
        char* o = outFirst;
        // From '<' to '<': a carriage return before each one that a '>'
        // precedes; the first end marker ends the result.
        for (const char* in = first; in < last;) {
            const char* lt = static_cast<const char*>(std::memchr(in, '<', size_t(last - in)));
            if (!lt)
                lt = last;
            std::memcpy(o, in, size_t(lt - in));
            o += lt - in;
            if (lt == last)
                break;
            if (last - lt >= m_endMarker.size() && lt[1] == '/' && lt[2] == m_endMarker[2] &&
                std::memcmp(lt, m_endMarker.constData(), size_t(m_endMarker.size())) == 0) {
                m_ended = true;
                break;
            }
            if ((lt > first ? lt[-1] : m_previous) == '>')
                *o++ = '\r';
            *o++ = '<';
            in = lt + 1;
        }
        if (!slice.isEmpty())
            m_previous = slice.back();
        // The end marker holds no comma, so commas are turned on what is written.
        if (m_replaceCommas) {
            for (char* comma = outFirst;
                 (comma = static_cast<char*>(std::memchr(comma, ',', size_t(o - comma))));)
                *comma++ = '.';
        }
        const qsizetype length = o - outFirst;
        return m_device.write(outFirst, length) == length;
    }

    bool finish() { return m_device.write("\r\n", 2) == 2; }

private:
    QByteArray m_endMarker;
    bool m_replaceCommas;
    QIODevice& m_device;
    QByteArray m_out;
    char m_previous = 0; // the last byte of the slice before
    bool m_ended = false;
};

constexpr qsizetype SliceSize = 64 * 1024;

// The markers are searched in UTF-8 and before any comma is replaced, which
// finds them at the same characters only for a plain ASCII operation name.
bool plainName(const QString& operation)
{
    return std::all_of(operation.begin(), operation.end(),
                       [](QChar c) { return c.unicode() < 0x80 && c != u',' && c != u'.'; });
}

} // namespace

bool ResultStager::writeStaged(QStringView response, const QString& operation, bool replaceCommas,
                               QIODevice& device)
{
    if (!plainName(operation)) {
        const std::optional<QString> result = cut(response.toString(), operation, replaceCommas);
        const QByteArray bytes = split(result.value_or(QString())).toUtf8() + "\r\n";
        return device.write(bytes) == bytes.size();
    }
    const QString startMarker = operation + "Result>";
    const qsizetype q = response.indexOf(startMarker);
    const qsizetype from =
        std::min(q >= 0 ? q + startMarker.size() : startMarker.size() - 1, response.size());

    // Slices of about 64 K characters, each converted once.
    SplitWriter writer(operation, replaceCommas, device);
    for (qsizetype at = from; at < response.size() && !writer.ended();) {
        qsizetype next = response.indexOf(u'<', std::min(at + SliceSize, response.size()));
        if (next < 0)
            next = response.size();
        if (!writer.add(response.sliced(at, next - at).toUtf8()))
            return false;
        at = next;
    }
    return writer.finish();
}

bool ResultStager::hasResult(QByteArrayView responseUtf8, const QString& operation,
                             bool replaceCommas)
{
    if (!plainName(operation) || !responseUtf8.isValidUtf8())
        return hasResult(QString::fromUtf8(responseUtf8), operation, replaceCommas);
    return responseUtf8.contains(QByteArray('<' + operation.toLatin1() + "Result"));
}

bool ResultStager::writeStaged(QByteArrayView responseUtf8, const QString& operation,
                               bool replaceCommas, QIODevice& device)
{
    // Valid UTF-8 goes through the text unchanged, so the bytes can be worked
    // on as they are. Anything else (invalid sequences become replacement
    // characters), an odd name and a missing start marker, whose place is
    // counted in characters, take the text path.
    const QByteArray startMarker = operation.toLatin1() + "Result>";
    const qsizetype q = plainName(operation) ? responseUtf8.indexOf(startMarker) : -1;
    if (q < 0 || !responseUtf8.isValidUtf8())
        return writeStaged(QString::fromUtf8(responseUtf8), operation, replaceCommas, device);

    SplitWriter writer(operation, replaceCommas, device);
    const qsizetype size = responseUtf8.size();
    for (qsizetype at = q + startMarker.size(); at < size && !writer.ended();) {
        qsizetype next = responseUtf8.indexOf('<', std::min(at + SliceSize, size));
        if (next < 0)
            next = size;
        if (!writer.add(responseUtf8.sliced(at, next - at)))
            return false;
        at = next;
    }
    return writer.finish();
}

std::optional<QByteArray> ResultStager::stagedBytes(QStringView response, const QString& operation,
                                                    bool replaceCommas)
{
    if (!hasResult(response, operation, replaceCommas))
        return std::nullopt;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeStaged(response, operation, replaceCommas, buffer);
    return buffer.data();
}

std::optional<QByteArray> ResultStager::stagedBytes(QByteArrayView responseUtf8,
                                                    const QString& operation, bool replaceCommas)
{
    if (!hasResult(responseUtf8, operation, replaceCommas))
        return std::nullopt;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeStaged(responseUtf8, operation, replaceCommas, buffer);
    return buffer.data();
}
