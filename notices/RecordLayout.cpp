#include "RecordLayout.h"

#include "ByteScan.h"

#include <cstring>

void RecordLayout::learn(const char* begin, const char* end,
                         const std::function<int(QByteArrayView)>& slotOf)
{
    m_gaps.assign(1, Gap());
    m_bytes.clear();
    // Line by line, each with the line end that follows it.
    for (const char* line = begin; line < end;) {
        const char* cr = ByteScan::find(line, end, '\r');
        const char* const next = cr ? cr + 1 : end;
        const char* const lineEnd = cr ? cr : end;
        // "<Name>value</Name>": a value without '<', the same name at both ends.
        const char* const gt = line < lineEnd && *line == '<' && line + 1 < lineEnd && line[1] != '/'
                                   ? ByteScan::find(line + 1, lineEnd, '>')
                                   : nullptr;
        const qsizetype name = gt ? gt - line - 1 : 0;
        const char* const lt = gt ? ByteScan::find(gt + 1, lineEnd, '<') : nullptr;
        if (name > 0 && !std::memchr(line + 1, '<', size_t(name)) && lt &&
            lineEnd - lt == name + 3 && lt[1] == '/' && lineEnd[-1] == '>' &&
            std::memcmp(lt + 2, line + 1, size_t(name)) == 0) {
            m_bytes.append(line, gt + 1 - line);
            m_gaps.back().size = m_bytes.size() - m_gaps.back().from;
            m_gaps.push_back({m_bytes.size(), 0, slotOf(QByteArrayView(line + 1, name))});
            m_bytes.append(lt, next - lt);
        } else {
            m_bytes.append(line, next - line); // a line as it stands
        }
        line = next;
    }
    m_gaps.back().size = m_bytes.size() - m_gaps.back().from;
    if (m_gaps.size() == 1)
        m_gaps.clear(); // no value: nothing to read by
    // Compared sixteen bytes at a time, the last block read past the gap.
    m_bytes.append(QByteArray(16, '\0'));
}

bool RecordLayout::read(const char* begin, const char* end, QByteArrayView* values) const
{
    if (m_gaps.empty())
        return false;
    const char* const shape = m_bytes.constData();
    const Gap* const gaps = m_gaps.data();
    const size_t count = m_gaps.size();
    if (!ByteScan::startsWith(begin, end, shape, gaps[0].size))
        return false;
    const char* at = begin + gaps[0].size;
    for (size_t k = 1; k < count; ++k) {
        // A value runs to the next '<', which begins the gap after it.
        const Gap& gap = gaps[k];
        const char* to = nullptr;
        QByteArrayView found;
#if defined(__SSE2__)
        // Most values are short: their end is in the first sixteen bytes, and
        // when neither their first byte nor their last is a blank or a line
        // end, they are read as they stand.
        if (end - at >= 16) {
            const unsigned lt = ByteScan::equalMask(at, '<');
            if (lt) {
                const int size = __builtin_ctz(lt);
                to = at + size;
                const unsigned blank = ByteScan::equalMask(at, ' ') | ByteScan::equalMask(at, '\r');
                found = size == 0 || !(blank & (1u | 1u << (size - 1))) ? QByteArrayView(at, size)
                                                                        : value(at, to);
            } else if ((to = ByteScan::find(at + 16, end, '<'))) {
                found = value(at, to);
            }
        } else
#endif
            if ((to = ByteScan::find(at, end, '<'))) {
            found = value(at, to);
        }
        if (!to || !ByteScan::startsWith(to, end, shape + gap.from, gap.size))
            return false;
        if (gap.slot >= 0)
            values[gap.slot] = found;
        at = to + gap.size;
    }
    return at == end;
}
