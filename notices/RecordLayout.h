#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <vector>

// The shape of a staged record, learned from one: the lines that stand as
// they are ("<Errore>", "</Errore>") and the elements that hold a value
// ("<Anno>2025</Anno>"), in their order. The records of one answer are
// nearly always shaped alike: one that is is read by comparing its tags with
// the shape, without looking for them, and gives the values the general
// reading gives (each runs from its start tag to the next '<').
class RecordLayout
{
public:
    // The value of an element as the records carry it, from the end of its
    // start tag to the next '<': blanks trimmed, and the line end that staging
    // put after a start tag or an end tag dropped.
    static QByteArrayView value(const char* from, const char* to);

    // Learns the shape of the record in [begin, end); `slotOf` tells where
    // an element's value goes by its tag name (-1: nowhere).
    void learn(const char* begin, const char* end,
               const std::function<int(QByteArrayView name)>& slotOf);
    // The values of a record shaped as learned, each into its slot of
    // `values`. False when the record is shaped otherwise (or nothing was
    // learned): `values` may then hold some of them.
    bool read(const char* begin, const char* end, QByteArrayView* values) const;

private:
    struct Item
    {
        QByteArray open;  // a line as it stands, or an element's start tag
        QByteArray close; // an element's end tag and what follows it; empty for a line
        int slot = -1;
    };
    std::vector<Item> m_items;
};
