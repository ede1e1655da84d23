#pragma once

#include <QList>
#include <QString>

class ServiceCall;

// One dispensing record of the FindFarma and FindFarmaById answers, as staged.
// In the FindFarmaById answer `atc` carries the package's AIC code.
struct DispensingRecord
{
    QString atc;
    QString gruppo;
    QString descrizione;
    QString inizio;
    QString fine;
    QString confezioni;
    QString ddd;

    // Every record of the export file; a record lacking an element repeats
    // the previous record's value.
    static QList<DispensingRecord> readStaged(const ServiceCall& service);
};
