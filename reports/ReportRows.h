#pragma once

#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <QStringView>

#include <vector>

// The rows of the registered-errors list, read from a staged
// F_LoadErroreByAnnoMese answer: ANNO, MESE ("##"), CODICE ("00000"),
// FARMACIA, RICETTA N°, ID.
class ReportRows
{
public:
    static constexpr int IdColumn = 5;

    // One row per line holding "</Errore>". Every tag is looked for on every
    // line, its value read as the value reader reads it (first start tag, first
    // end tag after it, blanks trimmed). The six values are held from line to
    // line and never cleared, so a record missing an element shows the value of
    // the record before it. The staged file is UTF-8: it is scanned as bytes
    // and only the values are decoded, since a year's answer runs to tens of MB.
    // `recordEnds`, when given, gets for each row where the line after its
    // "</Errore>" line starts: the same places in any staging of the same
    // answer, commas kept or not.
    static QList<QStringList> read(QByteArrayView stagedUtf8,
                                   std::vector<qsizetype>* recordEnds = nullptr);

    // The pharmacy code the report asks for: the leading whole number of the
    // code field, blanks ignored; 0 when it does not start with a number.
    static qint32 pharmacyCode(QStringView codeField);
};
