#include "SplitWriter.h"

#include <QIODevice>

#include <cstring>

SplitWriter::SplitWriter(const QString& operation, bool replaceCommas, QIODevice& device)
    : m_endMarker("</" + operation.toLatin1() + "Result"), m_replaceCommas(replaceCommas),
      m_device(device)
{
}

bool SplitWriter::add(QByteArrayView slice)
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

bool SplitWriter::finish()
{
    return m_device.write("\r\n", 2) == 2;
}
