#pragma once

#include "Blanks.h"

#include <QString>

// A text of fixed width: a stored value is left-aligned, cut to the width or
// padded with blanks. Before its first store it holds NUL characters only.
class FixedText
{
public:
    explicit FixedText(int width) : m_width(width), m_text(width, QChar(u'\0')) {}

    void set(QStringView value) { m_text = Blanks::fit(value, m_width); }
    FixedText& operator=(QStringView value)
    {
        set(value);
        return *this;
    }

    int width() const { return m_width; }
    const QString& text() const { return m_text; }
    bool neverStored() const { return m_width > 0 && m_text.at(0) == QChar(u'\0'); }
    QString trimmed() const { return Blanks::trim(shown()); }
    // What a text box or panel shows: the value up to its first NUL.
    QString shown() const
    {
        const qsizetype nul = m_text.indexOf(QChar(u'\0'));
        return nul < 0 ? m_text : m_text.left(nul);
    }

private:
    int m_width;
    QString m_text;
};
