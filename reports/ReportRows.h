#pragma once

#include <QList>
#include <QStringList>
#include <QStringView>

// The rows of the registered-errors list, read from a staged
// F_LoadErroreByAnnoMese answer: ANNO, MESE ("##"), CODICE ("00000"),
// FARMACIA, RICETTA N°, ID.
class ReportRows
{
public:
    static constexpr int IdColumn = 5;

    // One row per line holding "</Errore>". The six values are held from line to
    // line and never cleared, so a record missing an element shows the value of
    // the record before it.
    static QList<QStringList> read(QStringView stagedText);

    // The pharmacy code the report asks for: the leading whole number of the
    // code field, blanks ignored; 0 when it does not start with a number.
    static qint32 pharmacyCode(QStringView codeField);
};
