#include "ReportRows.h"

#include <QTest>

class tst_ReportRows : public QObject
{
    Q_OBJECT
private slots:
    void readsTheStagedLines();
    void pharmacyCodeSent();
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

QTEST_MAIN(tst_ReportRows)
#include "test_report_rows.moc"
