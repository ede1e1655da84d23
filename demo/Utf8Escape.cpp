#include "Utf8Escape.h"

#include "SoapMessage.h"

namespace Demo {

namespace Utf8Escape {

void append(QByteArray& out, const char* text, qsizetype size)
{
    // Plain printable ASCII is written directly; anything else (controls,
    // multi-byte characters) takes the general path so that the replacement
    // rules live in one place.
    qsizetype plain = 0;
    while (plain < size) {
        const auto c = static_cast<unsigned char>(text[plain]);
        if (c < 0x20 || c >= 0x80)
            break;
        ++plain;
    }
    if (plain < size) {
        out += SoapMessage::escape(QString::fromUtf8(text, size)).toUtf8();
        return;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char* entity = nullptr;
        switch (text[i]) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        default:
            continue;
        }
        out.append(text + start, i - start);
        out.append(entity);
        start = i + 1;
    }
    out.append(text + start, size - start);
}

} // namespace Utf8Escape

} // namespace Demo
