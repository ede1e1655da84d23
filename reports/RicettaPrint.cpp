#include "RicettaPrint.h"

#include "CsvWriter.h"

#include <QBuffer>
#include <QDateTime>
#include <QLocale>
#include <QPageLayout>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

RicettaPrint::RicettaPrint(QString asp, QString operatore, Fields fields)
    : m_asp(std::move(asp)), m_operatore(std::move(operatore)), m_fields(std::move(fields))
{
}

void RicettaPrint::fill(QTextDocument* document) const
{
    const auto esc = [](const QString& s) { return s.toHtmlEscaped(); };
    QString html = QStringLiteral("<html><body style='font-family: sans-serif; font-size: 11pt'>");
    html += QStringLiteral("<p style='font-size: 13pt'><b>") + esc(m_asp) +
            QStringLiteral("</b></p><p>Operatore: ") + esc(m_operatore) +
            QStringLiteral("<br>Data: ") +
            esc(QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat)) +
            QStringLiteral("</p>");
    html += QStringLiteral("<h2>NOTIFICA DI ERRORE D.P.C.</h2>");
    html += QStringLiteral("<table cellspacing='0' cellpadding='5' border='1' width='100%'>");
    for (const auto& [caption, value] : m_fields) {
        QString shown = esc(value);
        shown.replace(u'\n', QStringLiteral("<br>"));
        // Captions never wrap: a caption split over two lines reads as two.
        QString label = esc(caption);
        label.replace(u' ', QStringLiteral("&nbsp;"));
        html += QStringLiteral("<tr><td><b>") + label + QStringLiteral("</b></td><td>") + shown +
                QStringLiteral("</td></tr>");
    }
    html += QStringLiteral("</table></body></html>");
    document->setHtml(html);
}

void RicettaPrint::print(QPagedPaintDevice* device) const
{
    QTextDocument document;
    fill(&document);
    document.print(device);
}

bool RicettaPrint::writePdf(const QString& path, QString* error) const
{
    // Made in memory first: the writer closes its device, which a QSaveFile
    // does not allow.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(QStringLiteral("Notifica di errore D.P.C."));
        writer.setCreator(QStringLiteral("QuorvelDPC"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        print(&writer);
    }
    QSaveFile file(path);
    const bool written = !pdf.data().isEmpty() && file.open(QIODevice::WriteOnly) &&
                         file.write(pdf.data()) == pdf.data().size() && file.commit();
    if (!written && error)
        *error = CsvWriter::cannotWriteText(path);
    return written;
}
