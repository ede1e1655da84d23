#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Reads one value out of a staged line: the text between <tag> and </tag>,
// without its surrounding blanks. Tags are matched exactly (case-sensitive).
class ValueReader
{
public:
    static bool hasTag(QStringView line, QStringView tag);

    // LEGGI_VALORE. The end tag is looked for after the start tag; when it is
    // missing the value runs to the end of the line. A line without the start
    // tag gives "".
    static QString LEGGI_VALORE(QStringView line, QStringView tag);

    // The same on a UTF-8 line whose start tag ends at `from`: the value up to the
    // first end tag after it (the rest of the line without one), spaces trimmed.
    // Only the value is decoded, for readers that scan large answers as bytes.
    static QString valueAfter(QByteArrayView line, QByteArrayView tag, qsizetype from);
    // The same value's bytes, not decoded.
    static QByteArrayView bytesAfter(QByteArrayView line, QByteArrayView tag, qsizetype from);
};
