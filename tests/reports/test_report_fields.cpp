// The table of a registered error's fields, walked against the files written
// from it: the CSV, the spreadsheet and the PDF show the table's fields, in its
// order, each written by its kind's one rule, and no column of their own.
#include "Cents.h"
#include "CsvText.h"
#include "NoticeHeading.h"
#include "NoticePdf.h"
#include "PdfText.h"
#include "PharmacyGroups.h"
#include "ReportCsv.h"
#include "ReportFields.h"
#include "ReportRecords.h"
#include "ReportXlsx.h"
#include "XlsxText.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

namespace {

using ReportFields::Kind;
using ReportFields::Table;

// A value for every tag the table may hold, as sent and as each file writes
// it. A field added to the table needs its line here.
struct Sample
{
    QByteArray sent;
    QString shown; // in the CSV and, typed by its kind, in the spreadsheet
};
const QHash<QByteArray, Sample> Samples = {
    {"ID", {"41", "41"}},
    {"Flusso", {"DPC", "DPC"}},
    {"Anno", {"2026", "2026"}},
    {"Mese", {"3", "03"}},
    {"Codfarma", {"7", "00007"}},
    {"Farmacia", {"FARMACIA ROSSI &amp; FIGLI", "FARMACIA ROSSI & FIGLI"}},
    {"NumricKey", {"202600000000041", "202600000000041"}},
    {"Assistito", {"ROSSI MARIA", "ROSSI MARIA"}},
    {"CodAssistito", {"RSSMRA80A01G273X", "RSSMRA80A01G273X"}},
    {"AIC", {"035946023", "035946023"}},
    {"Farmaco", {"HUMIRA", "HUMIRA"}},
    {"Molecola", {"ADALIMUMAB", "ADALIMUMAB"}},
    {"Pezzi", {"-2", "-2"}},
    {"Lordo", {"1234,5", "1234,50"}},
    {"CodErrore", {"012", "012"}},
    {"DescrizioneErrore", {"RICETTA SCADUTA", "RICETTA SCADUTA"}},
    {"TipoAddebito", {"Totale", "Totale"}},
    {"Soggetto", {"Farmacia", "Farmacia"}},
};

QByteArray tagOf(const ReportFields::Field& f)
{
    return QByteArray(f.tag.data(), qsizetype(f.tag.size()));
}

QString text(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// One record holding every field's sample, one element a line as staged.
QByteArray answer()
{
    QByteArray xml = "<Errore>";
    for (const ReportFields::Field& f : Table)
        xml += '<' + tagOf(f) + '>' + Samples.value(tagOf(f)).sent + "</" + tagOf(f) + '>';
    xml += "</Errore>";
    return xml.replace("><", ">\r<");
}

// What a PDF cell shows of a field: the CSV's value, an amount with the
// workstation's separators.
QString pdfValue(const ReportFields::Field& f)
{
    return f.kind == Kind::Money ? Cents::text(123450) : Samples.value(tagOf(f)).shown;
}

} // namespace

class tst_ReportFields : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyFieldHasASample();
    void csvHoldsTheTablesColumns();
    void spreadsheetHoldsTheTablesColumns();
    void pdfHoldsTheTablesColumns();

private:
    QTemporaryDir m_dir;
    ReportRecords m_records;
    QList<qsizetype> m_positions{0};
};

void tst_ReportFields::initTestCase()
{
    m_records = ReportRecords(answer());
    QCOMPARE(m_records.size(), 1);
}

void tst_ReportFields::everyFieldHasASample()
{
    for (const ReportFields::Field& f : Table)
        QVERIFY2(Samples.contains(tagOf(f)), f.tag.data());
    // Each tag is read back into its own field.
    const ReportRecords::Fields fields = m_records.fields(0);
    for (int i = 0; i < ReportFields::Count; ++i)
        QCOMPARE(fields[size_t(i)].toByteArray(), Samples.value(tagOf(Table[i])).sent);
}

void tst_ReportFields::csvHoldsTheTablesColumns()
{
    const QString path = m_dir.filePath("errori.csv");
    QString error;
    QVERIFY2(ReportCsv::write(path, m_records, m_positions, {}, &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QStringList> rows;
    QVERIFY(CsvText::parse(QString::fromUtf8(file.readAll().mid(3)), u';', &rows));
    QStringList header, values;
    for (const ReportFields::Field& f : Table) {
        if (f.files & ReportFields::Csv) {
            header << text(f.caption);
            values << Samples.value(tagOf(f)).shown;
        }
    }
    QCOMPARE(rows, (QList<QStringList>{header, values}));
}

void tst_ReportFields::spreadsheetHoldsTheTablesColumns()
{
    const QString path = m_dir.filePath("errori.xlsx");
    QString error;
    QVERIFY2(ReportXlsx::write(path, m_records, m_positions, {}, &error), qPrintable(error));
    const QJsonArray rows =
        XlsxText::read(path).value("sheets").toArray()[0].toObject().value("rows").toArray();
    QCOMPARE(rows.size(), 2);
    const QJsonArray header = rows[0].toArray();
    const QJsonArray cells = rows[1].toArray();
    int c = 0;
    for (const ReportFields::Field& f : Table) {
        if (!(f.files & ReportFields::Spreadsheet))
            continue;
        const QString where = text(f.tag);
        QVERIFY2(c < header.size(), qPrintable(where));
        QCOMPARE(header[c].toObject().value("v").toString(), text(f.caption));
        const QJsonObject cell = cells[c++].toObject();
        const QString shown = Samples.value(tagOf(f)).shown;
        switch (f.kind) {
        case Kind::Text:
        case Kind::Code:
            QVERIFY2(cell.value("t").toString() == u"s", qPrintable(where));
            QCOMPARE(cell.value("v").toString(), shown);
            break;
        case Kind::Whole:
            // A number, shown with the digits the other files write.
            QVERIFY2(cell.value("t").toString() == u"n", qPrintable(where));
            QCOMPARE(cell.value("v").toInt(), shown.toInt());
            QCOMPARE(cell.value("f").toString(),
                     f.digits > 0 ? QString(f.digits, u'0') : QStringLiteral("General"));
            break;
        case Kind::Money:
            QVERIFY2(cell.value("t").toString() == u"n", qPrintable(where));
            QCOMPARE(qRound64(cell.value("v").toDouble() * 100), 123450);
            QCOMPARE(cell.value("f").toString(), QStringLiteral("#,##0.00"));
            break;
        }
    }
    QCOMPARE(header.size(), c);
    QCOMPARE(cells.size(), c);
}

// The PDF's column headings, left to right, are the table's columns; each
// column shows its fields' values joined as the table says; the fields
// placed in the title name the pharmacy.
void tst_ReportFields::pdfHoldsTheTablesColumns()
{
    const QString path = m_dir.filePath("errori.pdf");
    const NoticeHeading heading{"ASP", "OPERATORE", "2026", "Marzo", "", "03", QDateTime()};
    PharmacyGroups groups;
    QString error;
    QVERIFY(groups.read(m_records, m_positions, &error));
    QVERIFY2(NoticePdf().writeReport(path, heading, m_records, groups, {}, &error),
             qPrintable(error));
    QStringList captions(ReportFields::PdfColumns);
    QStringList cells(ReportFields::PdfColumns);
    QString title;
    for (const ReportFields::Field& f : Table) {
        switch (f.pdf) {
        case ReportFields::PdfPlace::Column:
            captions[f.pdfColumn] = text(f.pdfText);
            cells[f.pdfColumn].prepend(pdfValue(f));
            break;
        case ReportFields::PdfPlace::Joined:
            cells[f.pdfColumn] += text(f.pdfText) + pdfValue(f);
            break;
        case ReportFields::PdfPlace::Title:
            title += u' ' + pdfValue(f);
            break;
        case ReportFields::PdfPlace::None:
            break;
        }
    }
    const QList<QList<PdfText::Word>> pages = PdfText::words(path);
    QVERIFY(!pages.isEmpty());
    // The header's words and the row's, each in the column its left edge lies
    // in: the header from its first word down to the row's prescription
    // number, the row from there down to the total.
    const QList<QPair<qreal, qreal>> spans = NoticePdf::columnSpans();
    QCOMPARE(spans.size(), ReportFields::PdfColumns);
    qreal headerTop = -1, rowTop = -1, totalTop = -1;
    for (const PdfText::Word& w : pages[0]) {
        if (w.text == captions[0].section(u' ', 0, 0) && headerTop < 0)
            headerTop = w.box.top();
        if (w.text == QString::fromLatin1(Samples.value("NumricKey").sent))
            rowTop = w.box.top();
        if (w.text == u"Totale")
            totalTop = w.box.top();
    }
    QVERIFY(headerTop > 0 && rowTop > headerTop && totalTop > rowTop);
    QStringList headerSeen(spans.size()), rowSeen(spans.size());
    for (const PdfText::Word& w : pages[0]) {
        if (w.box.top() < headerTop - 1 || w.box.top() >= totalTop - 1)
            continue;
        int c = 0;
        while (c + 1 < spans.size() && w.box.left() >= spans[c + 1].first - 0.5)
            ++c;
        QStringList& seen = w.box.top() < rowTop - 1 ? headerSeen : rowSeen;
        seen[c] += (seen[c].isEmpty() ? QString() : QStringLiteral(" ")) + w.text;
    }
    QCOMPARE(headerSeen, captions);
    QCOMPARE(rowSeen, cells);
    QVERIFY2(PdfText::text(path).contains(QStringLiteral("FARMACIA") + title), qPrintable(title));
}

QTEST_MAIN(tst_ReportFields)
#include "test_report_fields.moc"
