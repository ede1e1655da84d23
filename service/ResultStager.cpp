#include "ResultStager.h"

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

std::optional<QByteArray> ResultStager::stagedBytes(QStringView response, const QString& operation,
                                                    bool replaceCommas)
{
    // The markers are searched in the UTF-8 bytes below, which finds them at
    // the same characters only for a plain ASCII operation name.
    const bool plainName = std::all_of(operation.begin(), operation.end(), [](QChar c) {
        return c.unicode() < 0x80 && c != u',' && c != u'.';
    });
    if (!plainName) {
        const std::optional<QString> result = cut(response.toString(), operation, replaceCommas);
        if (!result)
            return std::nullopt;
        return split(*result).toUtf8() + "\r\n";
    }
    if (!response.contains(QString(u'<' + operation + "Result")))
        return std::nullopt;
    const QString startMarker = operation + "Result>";
    const qsizetype q = response.indexOf(startMarker);
    const qsizetype from =
        std::min(q >= 0 ? q + startMarker.size() : startMarker.size() - 1, response.size());

    // One UTF-8 conversion of everything after the start: '<', '>', ',' and the
    // end marker are ASCII, and ASCII bytes are never part of a longer UTF-8
    // sequence, so the rest works on bytes.
    QByteArray text = response.sliced(from).toUtf8();
    char* const first = text.data();
    const char* const last = first + text.size();
    if (replaceCommas) {
        for (char* comma = first;
             (comma = static_cast<char*>(std::memchr(comma, ',', last - comma)));)
            *comma++ = '.';
    }

    // One pass from '<' to '<': each is copied with a carriage return before it
    // when a '>' precedes it, and the first end marker ends the result. The
    // output is sized for the worst case; only what is written gets touched.
    const QByteArray endMarker = "</" + operation.toLatin1() + "Result";
    QByteArray staged(text.size() + text.size() / 2 + 2, Qt::Uninitialized);
    char* out = staged.data();
    const char* in = first;
    while (in < last) {
        const char* lt = static_cast<const char*>(std::memchr(in, '<', last - in));
        if (!lt)
            lt = last;
        std::memcpy(out, in, static_cast<size_t>(lt - in));
        out += lt - in;
        if (lt == last || (lt[1] == '/' && last - lt >= endMarker.size() &&
                           std::memcmp(lt, endMarker.constData(), endMarker.size()) == 0))
            break;
        if (lt > first && lt[-1] == '>')
            *out++ = '\r';
        *out++ = '<';
        in = lt + 1;
    }
    *out++ = '\r';
    *out++ = '\n';
    staged.truncate(out - staged.constData());
    return staged;
}
