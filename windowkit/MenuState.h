#pragma once

#include <QString>

// Window-level variables of the main window, shared by its tabs.
struct MenuState
{
    // Log-in
    QString UTENTE_LOGIN;
    QString PASSWORD_LOGIN;
    qint16 ERRORE_LOGIN = 0;

    // Drug search
    QString AIC_CERCATO;
    QString PRINCIPIO_CERCATO;
    qint16 FARMACO_NON_TROVATO = 0;
    qint16 NESSUN_DATO = 0;
};
