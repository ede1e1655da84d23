#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <vector>

// The shape of a staged record, learned from one: the lines that stand as
// they are ("<Errore>", "</Errore>") and the elements that hold a value
// ("<Anno>2025</Anno>"), in their order, kept as the bytes that stand
// between one value and the next ("</Anno>\r<Mese>"). The records of one
// answer are nearly always shaped alike: one that is is read by comparing
// those bytes with the shape, without looking for its tags, and gives the
// values the general reading gives (each runs from its start tag to the next
// '<').
class RecordLayout
{
public:
    // The value of an element as the records carry it, from the end of its
    // start tag to the next '<': blanks trimmed, and the line end that staging
    // put after a start tag or an end tag dropped.
    static QByteArrayView value(const char* from, const char* to)
    {
        if (to > from && to[-1] == '\r' && (to - 1 == from || to[-2] == '>'))
            --to;
        while (from < to && *from == ' ')
            ++from;
        while (to > from && to[-1] == ' ')
            --to;
        return QByteArrayView(from, to - from);
    }

    // Learns the shape of the record in [begin, end); `slotOf` tells where
    // an element's value goes by its tag name (-1: nowhere).
    void learn(const char* begin, const char* end,
               const std::function<int(QByteArrayView name)>& slotOf);
    // The values of a record shaped as learned, each into its slot of
    // `values`. False when the record is shaped otherwise (or nothing was
    // learned): `values` may then hold some of them.
    bool read(const char* begin, const char* end, QByteArrayView* values) const;

private:
    // The bytes that stand before the first value, between two values and
    // after the last, as learned; each but the first with where the value
    // before it goes.
    struct Gap
    {
        qsizetype from = 0; // in m_bytes
        qsizetype size = 0;
        int slot = -1;
    };
    std::vector<Gap> m_gaps;
    QByteArray m_bytes; // the gaps one after another, and sixteen bytes more
};
