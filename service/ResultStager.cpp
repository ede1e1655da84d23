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

bool ResultStager::writeStaged(QStringView response, const QString& operation, bool replaceCommas,
                               QIODevice& device)
{
    // The markers are searched slice by slice in UTF-8 below, which finds them
    // at the same characters only for a plain ASCII operation name.
    const bool plainName = std::all_of(operation.begin(), operation.end(), [](QChar c) {
        return c.unicode() < 0x80 && c != u',' && c != u'.';
    });
    if (!plainName) {
        const std::optional<QString> result = cut(response.toString(), operation, replaceCommas);
        const QByteArray bytes = split(result.value_or(QString())).toUtf8() + "\r\n";
        return device.write(bytes) == bytes.size();
    }
    const QString startMarker = operation + "Result>";
    const qsizetype q = response.indexOf(startMarker);
    const qsizetype from =
        std::min(q >= 0 ? q + startMarker.size() : startMarker.size() - 1, response.size());
    const QByteArray endMarker = "</" + operation.toLatin1() + "Result";

    // Slices of about 64 K characters, each ending just before a '<': a slice
    // never splits a character, an end marker or a "><". '<', '>', ',' and the
    // end marker are ASCII, and ASCII bytes are never part of a longer UTF-8
    // sequence, so each slice is converted once and worked on as bytes.
    constexpr qsizetype sliceSize = 64 * 1024;
    QByteArray out;
    char previous = 0; // the last byte of the slice before
    bool ended = false;
    for (qsizetype at = from; at < response.size() && !ended;) {
        qsizetype next = response.indexOf(u'<', std::min(at + sliceSize, response.size()));
        if (next < 0)
            next = response.size();
        QByteArray text = response.sliced(at, next - at).toUtf8();
        at = next;
        char* const first = text.data();
        const char* const last = first + text.size();
        if (replaceCommas) {
            for (char* comma = first;
                 (comma = static_cast<char*>(std::memchr(comma, ',', last - comma)));)
                *comma++ = '.';
        }
        // From '<' to '<': a carriage return before each one that a '>'
        // precedes; the first end marker ends the result.
        out.resize(text.size() + text.size() / 2 + 2);
        char* o = out.data();
        for (const char* in = first; in < last;) {
            const char* lt = static_cast<const char*>(std::memchr(in, '<', last - in));
            if (!lt)
                lt = last;
            std::memcpy(o, in, static_cast<size_t>(lt - in));
            o += lt - in;
            if (lt == last)
                break;
            if (lt[1] == '/' && last - lt >= endMarker.size() && lt[2] == endMarker[2] &&
                std::memcmp(lt, endMarker.constData(), endMarker.size()) == 0) {
                ended = true;
                break;
            }
            if ((lt > first ? lt[-1] : previous) == '>')
                *o++ = '\r';
            *o++ = '<';
            in = lt + 1;
        }
        previous = text.isEmpty() ? previous : text.back();
        const qsizetype length = o - out.constData();
        if (device.write(out.constData(), length) != length)
            return false;
    }
    return device.write("\r\n", 2) == 2;
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
