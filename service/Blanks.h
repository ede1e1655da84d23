#pragma once

#include <QString>
#include <QStringView>

// Blank handling as the operator-facing texts need it: only the space character
// counts as a blank (tabs and line feeds are part of a value).
class Blanks
{
public:
    static QString trim(QStringView text);
    // Left-aligned in a field of `width` characters: cut when longer, padded with spaces.
    static QString fit(QStringView text, int width);
};
