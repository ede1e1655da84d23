#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

// Writes a cut result split one element per line: a carriage return before
// every '<' that a '>' precedes, commas turned into full stops on request,
// ending at the first "</OPResult" marker. It is fed UTF-8 slices of the
// answer, each ending just before a '<' (or at the end of the answer), so
// that a slice never splits a character, an end marker or a "><". '<', '>',
// ',' and the end marker are ASCII, and ASCII bytes are never part of a longer
// UTF-8 sequence, so the slices are worked on as bytes.
class SplitWriter
{
public:
    SplitWriter(const QString& operation, bool replaceCommas, QIODevice& device);

    // True once the end marker has been met: what follows is not written.
    bool ended() const { return m_ended; }

    // False when the device refused the write.
    bool add(QByteArrayView slice);
    // The closing CR LF.
    bool finish();

private:
    QByteArray m_endMarker;
    bool m_replaceCommas;
    QIODevice& m_device;
    QByteArray m_out;
    char m_previous = 0; // the last byte of the slice before
    bool m_ended = false;
};
