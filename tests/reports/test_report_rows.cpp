#include "ReportRecords.h"
#include "ReportRows.h"

#include <QTest>

class tst_ReportRows : public QObject
{
    Q_OBJECT
private slots:
    void readsTheStagedLines();
    void pharmacyCodeSent();
    void recordValuesWhereverTheTagsFall();
};

void tst_ReportRows::readsTheStagedLines()
{
    // Staged lines as the list reads them: accents in UTF-8, blanks around values,
    // a value without its end tag, two elements and a record end on one line, a
    // lone line feed inside a line, CR LF after the last line.
    const QByteArray staged = "<Errore>\r<ID> 9 </ID>\r<Anno>2024</Anno><Mese> 07 </Mese>\r"
                              "<Codfarma>12.6</Codfarma>\r<Farmacia>FARMACIA SANTA LUCÌA\r"
                              "<NumricKey>19</NumricKey>\r</Errore>\r"
                              "<Errore>\r<ID>10</ID>\r<Mese>0</Mese>\r<Codfarma>00123</Codfarma>\r"
                              "<Farmacia>A\nB</Farmacia></Errore>\r<NumricKey>x</NumricKey>\r"
                              // Past nine digits, or not digits only: the general reading.
                              "<Errore>\r<Mese>0000000012</Mese>\r<Codfarma>7è</Codfarma>\r"
                              "</Errore>\r\n";
    const QList<QStringList> rows = ReportRows::read(staged);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], (QStringList{"2024", "7", "00013", "FARMACIA SANTA LUCÌA", "19", "9"}));
    // The second record keeps the year and prescription of the first; the value
    // read on the record's last line comes before the row is made.
    QCOMPARE(rows[1], (QStringList{"2024", "", "00123", "A\nB", "19", "10"}));
    QCOMPARE(rows[2], (QStringList{"2024", "12", "00007", "A\nB", "x", "10"}));
}

void tst_ReportRows::pharmacyCodeSent()
{
    QCOMPARE(ReportRows::pharmacyCode(u""), 0);
    QCOMPARE(ReportRows::pharmacyCode(u" 0 0123 "), 123);
    QCOMPARE(ReportRows::pharmacyCode(u"12,5"), 12);
    QCOMPARE(ReportRows::pharmacyCode(u"12.9"), 12);
    QCOMPARE(ReportRows::pharmacyCode(u",5"), 0);
}

namespace {

QStringList valuesOf(const QByteArray& staged)
{
    const ReportRecords records(staged);
    QStringList values;
    for (const QByteArrayView v : records.fields(0))
        values << QString::fromUtf8(v);
    return values;
}

} // namespace

// A record's values are the same whether its tags are found mark by mark (a
// record of a few kilobytes) or byte by byte (a longer one), wherever its tags
// fall across the marks' words: end tags and '>' in values, a name broken by
// a line, a value without its end tag, an element inside another.
void tst_ReportRows::recordValuesWhereverTheTagsFall()
{
    const QByteArray body = "<ID>7</ID>\r<Farmacia>A > B</Farmacia>\r<Anno>2024</Anno><Mese>3"
                            "<Pezzi></Pezzi>\r<Codf\rarma>9</Codfarma>\r<Codfarma>12</Codfarma>\r"
                            "<Farmaco><b>X</b>Y</Farmaco>\r<Lordo> 1,5 \r</Lordo>\r<>\r</Soggetto>"
                            "<AIC>01</AIC>\r<NumricKey>19</NumricKey";
    const QStringList expected{"7",  "", "2024", "3", "12",     "A > B", "19", "", "",
                               "01", "", "",     "",  "1,5 \r", "",      "",   "", ""};
    QCOMPARE(valuesOf("<Errore>\r" + body + "\r</Errore>\r"), expected);
    for (int shift = 0; shift < 130; ++shift) {
        const QByteArray filler = "<Nota>" + QByteArray(shift, '/') + "</Nota>\r";
        QCOMPARE(valuesOf("<Errore>\r" + filler + body + "\r</Errore>\r"), expected);
        QCOMPARE(valuesOf("<Errore>\r" + filler + QByteArray(5000, '-') + body + "\r</Errore>\r"),
                 expected);
    }
}

QTEST_MAIN(tst_ReportRows)
#include "test_report_rows.moc"
