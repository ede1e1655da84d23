#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QString>

#include <functional>

class QPdfWriter;

// Writes a PDF file whole or not at all: the pages are drawn into memory
// through QPdfWriter (A4, 300 dpi), then put in place as a ReplacedFile, so
// that a failure leaves any earlier file as it was and a symbolic link at the
// name is replaced, never followed.
class PdfFile
{
public:
    static constexpr int Resolution = 300;

    struct Document
    {
        QString title;
        // An archival file is PDF/A-1b, every font embedded, and names its
        // author besides its title and creation date in its metadata.
        bool archival = false;
        QString author;
    };

    // A4 in the orientation, with the same margin on every side.
    static QPageLayout pageLayout(QPageLayout::Orientation orientation, qreal marginMm);

    // `draw` paints on the writer, beginning at once, and says whether it
    // could. On failure, `error` gets the one message naming the file. Once
    // written, `sha256` gets the file's SHA-256.
    static bool write(const QString& path, const Document& document,
                      QPageLayout::Orientation orientation, qreal marginMm,
                      const std::function<bool(QPdfWriter&)>& draw, QString* error = nullptr,
                      QByteArray* sha256 = nullptr);
    static bool write(const QString& path, const QString& title,
                      QPageLayout::Orientation orientation, qreal marginMm,
                      const std::function<bool(QPdfWriter&)>& draw, QString* error = nullptr);
};
