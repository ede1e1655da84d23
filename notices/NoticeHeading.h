#pragma once

#include <QDateTime>
#include <QString>

// What a report was asked for, printed at the head of the files made from it.
struct NoticeHeading
{
    QString asp;
    QString operatore;
    QString anno;
    QString mese;       // the month's name, or "Annuo"
    QString farmacia;   // code and name, or "Tutte le Farmacie"
    QString periodName; // "03" or "annuo", for file names
    QDateTime exportedAt;
};
