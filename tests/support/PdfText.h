#pragma once

#include <QList>
#include <QPair>
#include <QRectF>
#include <QString>
#include <QStringList>

// What a PDF shows, read back with poppler's pdftotext (poppler-utils).
namespace PdfText {

struct Word
{
    QString text;
    QRectF box; // in points from the page's top left corner
    bool operator==(const Word&) const = default;
};

// Each page's text laid out as on the page, blanks folded into single blanks.
QStringList pages(const QString& path);
// All pages one after the other.
QString text(const QString& path);
// Each page's words with their boxes.
QList<QList<Word>> words(const QString& path);

// The fonts as pdffonts lists them: each font's name and whether it is embedded.
QList<QPair<QString, bool>> fonts(const QString& path);
// The document's XMP metadata as pdfinfo prints it; empty when it has none.
QString metadata(const QString& path);

} // namespace PdfText
