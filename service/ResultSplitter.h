#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Splits a cut result one element per line: a carriage return before every
// '<' that a '>' precedes, up to the first "</OPResult" marker. It is fed
// UTF-8 slices of the answer, each ending just before a '<' (or at the end of
// the answer), so that a slice never splits a character, an end marker or a
// "><". '<', '>', ',' and the end marker are ASCII, and ASCII bytes are never
// part of a longer UTF-8 sequence, so the slices are worked on as bytes.
class ResultSplitter
{
public:
    explicit ResultSplitter(const QString& operation);

    // True once the end marker has been met: nothing after it is split.
    bool ended() const { return m_ended; }

    // The next slice split into `out`, which it replaces; commas kept.
    void split(QByteArrayView slice, QByteArray& out);

    // Every comma turned into a full stop, in place. The end marker holds no
    // comma, so commas can be turned on the split text.
    static void replaceCommas(QByteArray& bytes);

private:
    QByteArray m_endMarker;
    char m_previous = 0; // the last byte of the slice before
    bool m_ended = false;
};
