#include "RecordLayout.h"

#include "ByteScan.h"

#include <cstring>

QByteArrayView RecordLayout::value(const char* from, const char* to)
{
    if (to > from && to[-1] == '\r' && (to - 1 == from || to[-2] == '>'))
        --to;
    while (from < to && *from == ' ')
        ++from;
    while (to > from && to[-1] == ' ')
        --to;
    return QByteArrayView(from, to - from);
}

void RecordLayout::learn(const char* begin, const char* end,
                         const std::function<int(QByteArrayView)>& slotOf)
{
    m_items.clear();
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
            m_items.push_back({QByteArray(line, gt + 1 - line), QByteArray(lt, next - lt),
                               slotOf(QByteArrayView(line + 1, name))});
        } else if (!m_items.empty() && m_items.back().close.isEmpty()) {
            m_items.back().open.append(line, next - line); // lines as they stand, together
        } else {
            m_items.push_back({QByteArray(line, next - line), QByteArray(), -1});
        }
        line = next;
    }
}

bool RecordLayout::read(const char* begin, const char* end, QByteArrayView* values) const
{
    if (m_items.empty())
        return false;
    const auto same = [&end](const char* at, const QByteArray& bytes) {
        return end - at >= bytes.size() && ByteScan::equal(at, bytes.constData(), bytes.size());
    };
    const char* at = begin;
    for (const Item& item : m_items) {
        if (!same(at, item.open))
            return false;
        at += item.open.size();
        if (item.close.isEmpty())
            continue;
        const char* const to = ByteScan::find(at, end, '<');
        if (!to || !same(to, item.close))
            return false;
        if (item.slot >= 0)
            values[item.slot] = value(at, to);
        at = to + item.close.size();
    }
    return at == end;
}
