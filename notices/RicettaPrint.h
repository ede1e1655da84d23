#pragma once

#include "ReportRecords.h"

#include <QList>
#include <QPair>
#include <QString>

class QPagedPaintDevice;
class QTextDocument;

// The page of one registered error, sent to the pharmacy as the notice of the
// error: a heading with the authority and the operator (and "ERRORE
// ANNULLATO" once the error is cancelled), then every field of the record
// with its caption, as the service sent it. Long values wrap; nothing is cut.
class RicettaPrint
{
public:
    using Fields = QList<QPair<QString, QString>>; // caption, value

    RicettaPrint(QString asp, QString operatore, const ReportRecord& record, bool cancelled);

    const Fields& fields() const { return m_fields; }

    // The page as a document, laid out for the given device.
    void fill(QTextDocument* document) const;
    void print(QPagedPaintDevice* device) const;
    // A PDF file, replaced only once it is whole. On failure `error` gets the
    // message naming the file.
    bool writePdf(const QString& path, QString* error) const;

private:
    QString m_asp;
    QString m_operatore;
    Fields m_fields;
    bool m_cancelled;
};
