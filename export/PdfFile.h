#pragma once

#include <QPageLayout>
#include <QString>

#include <functional>

class QPdfWriter;

// Writes a PDF file whole or not at all: the page is drawn into memory through
// QPdfWriter (A4, 300 dpi), then saved through QSaveFile, so that a failure
// leaves any earlier file as it was.
class PdfFile
{
public:
    static constexpr int Resolution = 300;
    // A4 in the orientation, with the same margin on every side.
    static QPageLayout pageLayout(QPageLayout::Orientation orientation, qreal marginMm);

    // `draw` paints on the writer and says whether it could. On failure,
    // `error` gets the one message naming the file.
    static bool write(const QString& path, const QString& title,
                      QPageLayout::Orientation orientation, qreal marginMm,
                      const std::function<bool(QPdfWriter&)>& draw, QString* error = nullptr);
};
