#include "XmlText.h"

#include <algorithm>
#include <cstring>

namespace {

// Writes `c` as UTF-8 at `out`; the byte after it.
char* putUtf8(char* out, char32_t c)
{
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else {
        *out++ = char(0xF0 | (c >> 18));
        *out++ = char(0x80 | ((c >> 12) & 0x3F));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

// The character a numeric reference names ("#65", "#x41"), or 0 when it is
// not one that XML allows.
char32_t numericReference(QByteArrayView name)
{
    if (name.size() < 2 || name[0] != '#')
        return 0;
    const bool hex = name[1] == 'x';
    const qsizetype from = hex ? 2 : 1;
    if (from >= name.size() || name.size() - from > 8)
        return 0;
    char32_t value = 0;
    for (qsizetype i = from; i < name.size(); ++i) {
        const char c = name[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return 0;
        value = value * (hex ? 16 : 10) + char32_t(digit);
        if (value > 0x10FFFF)
            return 0;
    }
    const bool allowed = value == 0x9 || value == 0xA || value == 0xD ||
                         (value >= 0x20 && value <= 0xD7FF) ||
                         (value >= 0xE000 && value <= 0xFFFD) || value >= 0x10000;
    return allowed ? value : 0;
}

char namedReference(QByteArrayView name)
{
    if (name == "amp")
        return '&';
    if (name == "lt")
        return '<';
    if (name == "gt")
        return '>';
    if (name == "quot")
        return '"';
    if (name == "apos")
        return '\'';
    return 0;
}

} // namespace

void XmlText::appendDecoded(QByteArray& out, QByteArrayView utf8)
{
    const char* const data = utf8.data();
    const qsizetype size = utf8.size();
    // A reference is longer than the character it stands for: the text
    // decoded is never longer than the text sent. Written in place, then cut.
    const qsizetype before = out.size();
    out.resize(before + size);
    char* const first = out.data() + before;
    char* at = first;
    const auto copy = [&at, data](qsizetype from, qsizetype to) {
        if (to > from)
            std::memcpy(at, data + from, size_t(to - from));
        at += to - from;
    };
    qsizetype from = 0;
    while (from < size) {
        const void* hit = std::memchr(data + from, '&', size_t(size - from));
        if (!hit)
            break;
        const qsizetype amp = static_cast<const char*>(hit) - data;
        copy(from, amp);
        from = amp + 1;
        // The longest reference is "&#x10FFFF;" or "&#1114111;".
        const qsizetype limit = std::min(size, amp + 11);
        qsizetype semicolon = amp + 1;
        while (semicolon < limit && data[semicolon] != ';')
            ++semicolon;
        if (semicolon >= limit) {
            *at++ = '&';
            continue;
        }
        const QByteArrayView name(data + amp + 1, semicolon - amp - 1);
        if (const char named = namedReference(name)) {
            *at++ = named;
            from = semicolon + 1;
        } else if (const char32_t c = numericReference(name)) {
            at = putUtf8(at, c);
            from = semicolon + 1;
        } else {
            *at++ = '&';
        }
    }
    copy(from, size);
    out.truncate(before + (at - first));
}

QByteArray XmlText::decoded(QByteArrayView utf8)
{
    QByteArray out;
    out.reserve(utf8.size());
    appendDecoded(out, utf8);
    return out;
}

QString XmlText::toString(QByteArrayView utf8)
{
    if (!utf8.contains('&'))
        return QString::fromUtf8(utf8);
    return QString::fromUtf8(decoded(utf8));
}
