#include "RicettaPrint.h"

#include "Cents.h"
#include "NoticeHeading.h"
#include "PdfFile.h"

#include <QDateTime>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextOption>

RicettaPrint::RicettaPrint(QString asp, QString operatore, const ReportRecord& r, bool cancelled)
    : m_asp(std::move(asp)), m_operatore(std::move(operatore)), m_cancelled(cancelled)
{
    using F = ReportField;
    // An amount that cannot be read to the cent is printed as the service sent it.
    const bool readable = !r.amount.tooLarge && Cents::isPlain(r[F::Lordo].toUtf8());
    const QString lordo = readable ? Cents::text(r.amount.cents) : r[F::Lordo];
    m_fields = {{QStringLiteral("NUMERO RICETTA"), r[F::NumricKey]},
                {QStringLiteral("MESE / ANNO"), r.period()},
                {QStringLiteral("CODICE FARMACIA"), r[F::Codfarma]},
                {QStringLiteral("FARMACIA"), r[F::Farmacia]},
                {QStringLiteral("CODICE FISCALE"), r[F::CodAssistito]},
                {QStringLiteral("ASSISTITO"), r[F::Assistito]},
                {QStringLiteral("AIC FARMACO"), r[F::Aic]},
                {QStringLiteral("FARMACO"), r[F::Farmaco]},
                {QStringLiteral("MOLECOLA"), r[F::Molecola]},
                {QStringLiteral("QUANTITA'"), r[F::Pezzi]},
                {QStringLiteral("LORDO"), lordo},
                {QStringLiteral("CODICE ERRORE"), r[F::CodErrore]},
                {QStringLiteral("DESCRIZIONE ERRORE"), r[F::DescrizioneErrore]},
                {QStringLiteral("ADDEBITO"), r[F::TipoAddebito]},
                {QStringLiteral("SOGGETTO"), r[F::Soggetto]}};
}

void RicettaPrint::fill(QTextDocument* document) const
{
    const auto esc = [](const QString& s) { return s.toHtmlEscaped(); };
    QString html = QStringLiteral("<html><body style='font-family: sans-serif; font-size: 11pt'>");
    html += QStringLiteral("<p style='font-size: 13pt'><b>") + esc(m_asp) +
            QStringLiteral("</b></p><p>Operatore: ") + esc(m_operatore) +
            QStringLiteral("<br>Data: ") +
            esc(NoticeHeading::dateTimeText(QDateTime::currentDateTime())) + QStringLiteral("</p>");
    html += QStringLiteral("<h2>NOTIFICA DI ERRORE D.P.C.");
    if (m_cancelled)
        html += QStringLiteral(" - ERRORE ANNULLATO");
    html += QStringLiteral("</h2>");
    html += QStringLiteral("<table cellspacing='0' cellpadding='5' border='1' width='100%'>");
    for (const auto& [caption, value] : m_fields) {
        QString shown = esc(value);
        shown.replace(u'\n', QStringLiteral("<br>"));
        // Captions never wrap: a caption split over two lines reads as two.
        QString label = esc(caption);
        label.replace(u' ', QStringLiteral("&nbsp;"));
        html += QStringLiteral("<tr><td style='white-space: nowrap'><b>") + label +
                QStringLiteral("</b></td><td>") + shown + QStringLiteral("</td></tr>");
    }
    html += QStringLiteral("</table></body></html>");
    // A word wider than its cell breaks instead of running out of the page.
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
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
    return PdfFile::write(
        path, QStringLiteral("Notifica di errore D.P.C."), QPageLayout::Portrait, 15,
        [this](QPdfWriter& writer) {
            print(&writer);
            return true;
        },
        error);
}
