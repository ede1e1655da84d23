#pragma once

class PanelStatusBar;
struct Utenti;

// Fills the panels of the tabs' status bars from the current session and prescription.
class StatusPanels
{
public:
    // Health authority (4100 twips, centred), operator (3000 twips), today's date.
    static void fillSession(PanelStatusBar* bar, const Utenti& utenti);
    // Month and year of the prescription (sized to its text, centred), then the
    // pharmacy code and name taking the rest. With no valid month both panels stay empty.
    static void fillPrescription(PanelStatusBar* bar, const Utenti& utenti);
};
