#pragma once

class AppContext;
class QWidget;

// The patient button of the registration tab.
class PatientLookup
{
public:
    // bott_assi click: finds the prescription's patient by fiscal code
    // (Codice_assistito), keeps the registry identifier in idassistito and shows
    // the patient's drugs (legge_FAR) modally over `parent`, returning when that
    // window has closed. A patient not found shows "ASSISTITO NON TROVATO".
    static void bott_assi_Click(AppContext& context, QWidget* parent);
};
