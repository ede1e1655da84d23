#pragma once

class AppContext;
class QWidget;

// The prescription held in numrickey and its pharmacy, asked of the service.
class PrescriptionLookup
{
public:
    // CERCA_RICETTA: fills year, month, patient, progressive number and pharmacy
    // code from QueryRicette, then the pharmacy's name, town and district from
    // LoadListaFarmacie. Farmacia is 0 afterwards when either was not found
    // (its message has then been shown).
    static void CERCA_RICETTA(AppContext& context, QWidget* parent);
};
