#pragma once

// Plain readings of staged text for the fuzz targets to compare the real
// readers with: whole-text decoding, indexOf searches, a copy per line. Slow,
// and easy to check by eye.

#include <QString>
#include <QStringList>
#include <cstdlib>

namespace SlowReading {

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Lines end at CR or CR LF; a lone LF belongs to its line; nothing after a
// last line end adds a line.
inline QStringList lines(const QString& text)
{
    QStringList out;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r') {
            line += text[i];
            continue;
        }
        out << line;
        line.clear();
        if (i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
    }
    if (!line.isEmpty())
        out << line;
    return out;
}

// The text between the first <tag> and the first </tag> after it (the rest of
// the line without one), spaces trimmed; "" without the start tag.
inline QString value(const QString& line, const QString& tag)
{
    const QString start = u'<' + tag + u'>';
    const qsizetype a = line.indexOf(start);
    if (a < 0)
        return {};
    const qsizetype from = a + start.size();
    const qsizetype b = line.indexOf(QStringLiteral("</") + tag + u'>', from);
    QString v = b < 0 ? line.mid(from) : line.mid(from, b - from);
    while (v.startsWith(u' '))
        v.remove(0, 1);
    while (v.endsWith(u' '))
        v.chop(1);
    return v;
}

inline bool hasTag(const QString& line, const QString& tag)
{
    return line.contains(u'<' + tag + u'>');
}

// Records as every list reader takes them: each tag's holder takes the value
// of any line carrying the tag, and a line holding the record's end closes a
// record with the holders as they stand.
inline QList<QStringList> records(const QStringList& lines, const QStringList& tags,
                                  const QString& recordEnd)
{
    QList<QStringList> out;
    QStringList held(tags.size());
    for (const QString& line : lines) {
        for (qsizetype t = 0; t < tags.size(); ++t) {
            if (hasTag(line, tags[t]))
                held[t] = value(line, tags[t]);
        }
        if (line.contains(recordEnd))
            out << held;
    }
    return out;
}

} // namespace SlowReading
