#pragma once

class AppContext;
class QWidget;

// The drug look-ups of the main window, shared by the drug search tab and the
// registration tab.
class DrugLookup
{
public:
    // CERCA_AIC: looks up AIC_CERCATO (nothing at all when it is empty). Found:
    // the answer is staged in the export file. Not found: "FARMACO NON TROVATO"
    // and FARMACO_NON_TROVATO := 1.
    static void CERCA_AIC(AppContext& context, QWidget* parent);
    // LEGGE_AIC: blanks the ten drug fields, then reads them from the export file.
    static void LEGGE_AIC(AppContext& context);
    // CERCA_PRINCI: looks up the drugs of PRINCIPIO_CERCATO into the export file.
    // Not found: "NESSUN DATO TROVATO" and NESSUN_DATO := 1.
    static void CERCA_PRINCI(AppContext& context, QWidget* parent);
};
