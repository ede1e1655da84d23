#include "PdfFile.h"

#include "CsvWriter.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QSaveFile>

QPageLayout PdfFile::pageLayout(QPageLayout::Orientation orientation, qreal marginMm)
{
    return QPageLayout(QPageSize(QPageSize::A4), orientation,
                       QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
}

bool PdfFile::write(const QString& path, const QString& title, QPageLayout::Orientation orientation,
                    qreal marginMm, const std::function<bool(QPdfWriter&)>& draw, QString* error)
{
    // Drawn in memory first: the writer may close its device when it ends,
    // which a QSaveFile does not allow.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    bool drawn = false;
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("QuorvelDPC"));
        writer.setResolution(Resolution);
        writer.setPageLayout(pageLayout(orientation, marginMm));
        drawn = draw(writer);
    }
    QSaveFile file(path);
    const bool written = drawn && !pdf.data().isEmpty() && file.open(QIODevice::WriteOnly) &&
                         file.write(pdf.data()) == pdf.data().size() && file.commit();
    if (!written && error)
        *error = CsvWriter::cannotWriteText(path);
    return written;
}
