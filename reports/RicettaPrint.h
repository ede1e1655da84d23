#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QPagedPaintDevice;
class QTextDocument;

// The page of one registered error, sent to the pharmacy as the notice of the
// error: a heading with the authority and the operator, then every field of
// the detail window with its caption.
class RicettaPrint
{
public:
    using Fields = QList<QPair<QString, QString>>; // caption, value as shown

    RicettaPrint(QString asp, QString operatore, Fields fields);

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
};
