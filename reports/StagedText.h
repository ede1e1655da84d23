#pragma once

#include <QStringView>

// Walks a staged answer line by line without copying it: a line ends at a
// carriage return or a carriage return + line feed; a lone line feed belongs to
// its line. The visitor returns false to stop early.
template <typename Visitor> void forEachStagedLine(QStringView text, Visitor visit)
{
    qsizetype from = 0;
    const qsizetype size = text.size();
    while (from < size) {
        const qsizetype cr = text.indexOf(u'\r', from);
        const QStringView line = cr < 0 ? text.sliced(from) : text.sliced(from, cr - from);
        if (!visit(line) || cr < 0)
            return;
        from = cr + 1;
        if (from < size && text[from] == u'\n')
            ++from;
    }
}
