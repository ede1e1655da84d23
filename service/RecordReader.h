#pragma once

#include <QList>
#include <QStringList>

// Reads the records of a staged answer line by line. Each tag has a holder that
// takes the tag's value (LEGGI_VALORE) whenever a line carries the tag; a line
// holding the record's end tag closes a record with the holders as they stand.
// Holders are not emptied between records, so a record lacking an element
// repeats the previous record's value.
class RecordReader
{
public:
    // One list of values per record, in the order of `tags`.
    static QList<QStringList> read(const QStringList& lines, const QStringList& tags,
                                   const QString& recordEnd);
};
