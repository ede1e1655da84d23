#pragma once

class AppContext;
class QWidget;

// The table of D.P.C. error codes, fetched at every log-in into the cache file
// errori_xml.xml, which outlives the program: a failed fetch keeps the old table.
class ErrorTableCache
{
public:
    // CARICA_ERR: true when the table was fetched and written. Otherwise
    // "NESSUN DATO TROVATO" has been shown and NESSUN_DATO set to 1.
    static bool CARICA_ERR(AppContext& context, QWidget* parent);
};
