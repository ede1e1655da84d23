#pragma once

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
};
