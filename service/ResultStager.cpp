#include "ResultStager.h"

#include "ResultSplitter.h"

#include <QBuffer>

#include <algorithm>

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

constexpr qsizetype SliceSize = 64 * 1024;

// One slice split and written; false when the device refused the write.
bool writeSplit(ResultSplitter& splitter, QByteArrayView slice, bool replaceCommas,
                QIODevice& device, QByteArray& out)
{
    splitter.split(slice, out);
    if (replaceCommas)
        ResultSplitter::replaceCommas(out);
    return device.write(out) == out.size();
}

} // namespace

bool ResultStager::plainName(const QString& operation)
{
    return std::all_of(operation.begin(), operation.end(),
                       [](QChar c) { return c.unicode() < 0x80 && c != u',' && c != u'.'; });
}

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
    ResultSplitter splitter(operation);
    QByteArray out;
    for (qsizetype at = from; at < response.size() && !splitter.ended();) {
        qsizetype next = response.indexOf(u'<', std::min(at + SliceSize, response.size()));
        if (next < 0)
            next = response.size();
        if (!writeSplit(splitter, response.sliced(at, next - at).toUtf8(), replaceCommas, device,
                        out))
            return false;
        at = next;
    }
    return device.write("\r\n", 2) == 2;
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

    ResultSplitter splitter(operation);
    QByteArray out;
    const qsizetype size = responseUtf8.size();
    for (qsizetype at = q + startMarker.size(); at < size && !splitter.ended();) {
        qsizetype next = responseUtf8.indexOf('<', std::min(at + SliceSize, size));
        if (next < 0)
            next = size;
        if (!writeSplit(splitter, responseUtf8.sliced(at, next - at), replaceCommas, device, out))
            return false;
        at = next;
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
