#pragma once

#include "FixedText.h"

#include <QString>

// The program-wide variables shared by the main window and the secondary
// windows: the session, the prescription being worked on, the chosen error, the
// drug fields and the values the secondary windows hand back.
struct Utenti
{
    // Session identity (filled by the log-in)
    qint32 ID = 0;
    FixedText Prov{2};
    FixedText Regione{2};
    FixedText ASP{50};
    FixedText Nome{40};

    // Prescription, also the year and month of the reports
    FixedText numrickey{15};
    qint16 Anno = 0;
    qint16 Mese = 0;
    qint32 Farmacia = 0;
    QString Codice_assistito;
    QString Assistito;
    QString Progressivo;
    FixedText Ragsoc{80};
    FixedText Localita{80};
    FixedText Distretto{10};

    // Error choice
    qint32 Errore = 0;
    qint32 Errore_ricerca = 0;
    FixedText Descrizione{200};
    FixedText TipoAddebito{80};
    FixedText Soggetto{80};

    // Drug fields, named after the answer tags
    FixedText Data{10};
    FixedText ATC{8};
    FixedText Molecola{40};
    FixedText AIC{10};
    FixedText Farmaco{50};
    FixedText Nota{15};
    FixedText ReqPT{1};
    FixedText PrezzoAcquisto{10};
    FixedText TipoPT{2};
    FixedText Disposizioni{100};

    // Hand-back values of the secondary windows
    QString AIC_SCELTO;
    QString idassistito;
    QString ATC_SCELTO;
    QString Id_errore;

    // Month names, nine characters each, indexed 1 to 12; "" outside that range.
    static QString MESI(int month);
};
