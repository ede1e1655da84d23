#pragma once

#include <QDateTime>
#include <QLocale>
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

    // A moment as the files print it: the workstation's short date with the
    // year in full (07/12/2026 in Italy), then the time.
    static QString dateTimeText(const QDateTime& at, const QLocale& locale = QLocale());
};
