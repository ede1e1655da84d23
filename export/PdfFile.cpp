#include "PdfFile.h"

#include "CsvWriter.h"
#include "ReplacedFile.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QPdfWriter>
#include <QThread>
#include <QXmlStreamWriter>

namespace {

// The metadata of a PDF/A-1b file. Each entry has its twin in the document's
// information, which the writer fills from the same title and creator and
// stamps with the second its painting begins: the two must agree.
QByteArray archivalMetadata(const PdfFile::Document& document, const QDateTime& createdUtc)
{
    const QString creator = QStringLiteral("QuorvelDPC");
    const QString date = createdUtc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + u'Z';
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeProcessingInstruction(QStringLiteral("xpacket"),
                                 QStringLiteral("begin='' id='W5M0MpCehiHzreSzNTczkc9d'"));
    w.writeStartElement(QStringLiteral("x:xmpmeta"));
    w.writeNamespace(QStringLiteral("adobe:ns:meta/"), QStringLiteral("x"));
    w.writeStartElement(QStringLiteral("rdf:RDF"));
    w.writeNamespace(QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#"),
                     QStringLiteral("rdf"));
    const auto description = [&](const QString& prefix, const QString& uri) {
        w.writeStartElement(QStringLiteral("rdf:Description"));
        w.writeNamespace(uri, prefix);
        w.writeAttribute(QStringLiteral("rdf:about"), QString());
    };
    description(QStringLiteral("dc"), QStringLiteral("http://purl.org/dc/elements/1.1/"));
    w.writeStartElement(QStringLiteral("dc:title"));
    w.writeStartElement(QStringLiteral("rdf:Alt"));
    w.writeStartElement(QStringLiteral("rdf:li"));
    w.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("x-default"));
    w.writeCharacters(document.title);
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("dc:creator"));
    w.writeStartElement(QStringLiteral("rdf:Seq"));
    w.writeTextElement(QStringLiteral("rdf:li"), document.author);
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    description(QStringLiteral("xmp"), QStringLiteral("http://ns.adobe.com/xap/1.0/"));
    w.writeAttribute(QStringLiteral("xmp:CreatorTool"), creator);
    w.writeAttribute(QStringLiteral("xmp:CreateDate"), date);
    w.writeAttribute(QStringLiteral("xmp:ModifyDate"), date);
    w.writeEndElement();
    description(QStringLiteral("pdf"), QStringLiteral("http://ns.adobe.com/pdf/1.3/"));
    w.writeAttribute(QStringLiteral("pdf:Producer"),
                     QStringLiteral("Qt ") + QLatin1String(qVersion()));
    w.writeEndElement();
    description(QStringLiteral("pdfaid"), QStringLiteral("http://www.aiim.org/pdfa/ns/id/"));
    w.writeAttribute(QStringLiteral("pdfaid:part"), QStringLiteral("1"));
    w.writeAttribute(QStringLiteral("pdfaid:conformance"), QStringLiteral("B"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    w.writeProcessingInstruction(QStringLiteral("xpacket"), QStringLiteral("end='w'"));
    return xml;
}

// The second the writer will stamp: one about to end is waited out, so that
// painting begins within the second the metadata names.
QDateTime creationSecond()
{
    QDateTime now = QDateTime::currentDateTimeUtc();
    if (const int msec = now.time().msec(); msec > 900) {
        QThread::msleep(1001 - msec);
        now = QDateTime::currentDateTimeUtc();
    }
    return now;
}

} // namespace

QPageLayout PdfFile::pageLayout(QPageLayout::Orientation orientation, qreal marginMm)
{
    return QPageLayout(QPageSize(QPageSize::A4), orientation,
                       QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
}

bool PdfFile::write(const QString& path, const Document& document,
                    QPageLayout::Orientation orientation, qreal marginMm,
                    const std::function<bool(QPdfWriter&)>& draw, QString* error,
                    QByteArray* sha256)
{
    // Drawn in memory first: the writer may close its device when it ends.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    bool drawn = false;
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(document.title);
        writer.setCreator(QStringLiteral("QuorvelDPC"));
        writer.setResolution(Resolution);
        writer.setPageLayout(pageLayout(orientation, marginMm));
        if (document.archival) {
            writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
            writer.setDocumentXmpMetadata(archivalMetadata(document, creationSecond()));
        }
        drawn = draw(writer);
    }
    const QByteArray& bytes = pdf.data();
    ReplacedFile file(path);
    const bool written = drawn && !bytes.isEmpty() && file.open() &&
                         file.device().write(bytes) == bytes.size() && file.commit();
    if (!written && error)
        *error = CsvWriter::cannotWriteText(path);
    if (written && sha256)
        *sha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return written;
}

bool PdfFile::write(const QString& path, const QString& title, QPageLayout::Orientation orientation,
                    qreal marginMm, const std::function<bool(QPdfWriter&)>& draw, QString* error)
{
    return write(path, Document{title, false, {}}, orientation, marginMm, draw, error);
}
