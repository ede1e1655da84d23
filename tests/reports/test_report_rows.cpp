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
    void recordsShapedAlikeOrNot();
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
    QStringList expected(ReportFieldCount);
    for (const auto& [field, value] : {std::pair{ReportField::Id, "7"},
                                       {ReportField::Anno, "2024"},
                                       {ReportField::Mese, "3"},
                                       {ReportField::Codfarma, "12"},
                                       {ReportField::Farmacia, "A > B"},
                                       {ReportField::NumricKey, "19"},
                                       {ReportField::Aic, "01"},
                                       {ReportField::Lordo, "1,5 \r"}})
        expected[int(field)] = QString::fromUtf8(value);
    QCOMPARE(valuesOf("<Errore>\r" + body + "\r</Errore>\r"), expected);
    for (int shift = 0; shift < 130; ++shift) {
        const QByteArray filler = "<Nota>" + QByteArray(shift, '/') + "</Nota>\r";
        QCOMPARE(valuesOf("<Errore>\r" + filler + body + "\r</Errore>\r"), expected);
        QCOMPARE(valuesOf("<Errore>\r" + filler + QByteArray(5000, '-') + body + "\r</Errore>\r"),
                 expected);
    }
}

// Records read one after another, most shaped as the one before them, give
// the values each gives read alone: a record that differs from the shape in
// any way (an element more or less, a value holding a tag, other line ends)
// is read as any other.
void tst_ReportRows::recordsShapedAlikeOrNot()
{
    const auto record = [](const QByteArray& inside) {
        return "<Errore>\r" + inside + "\r</Errore>\r";
    };
    const QByteArray usual = "<ID>1</ID>\r<Anno>2024</Anno>\r<Farmacia>A &amp; B</Farmacia>\r"
                             "<Lordo>1,50</Lordo>\r<Pezzi>\r</Pezzi>";
    const QList<QByteArray> records = {
        record(usual),
        record("<ID>2</ID>\r<Anno>2025</Anno>\r<Farmacia> C </Farmacia>\r<Lordo></Lordo>\r"
               "<Pezzi>3</Pezzi>"),
        record("<ID>3</ID>\r<Anno>2025</Anno>\r<Lordo>2</Lordo>\r<Pezzi>3</Pezzi>"),
        record(usual + "\r<Soggetto>X</Soggetto>"),
        record("<ID>5</ID>\r<Anno>2025</Anno>\r<Farmacia>D<b>E</b></Farmacia>\r<Lordo>2</Lordo>"
               "\r<Pezzi>3</Pezzi>"),
        record("<ID>6</ID>\r<Anno>2025</Anno>\r<Farmacia>F</Farmaco>\r<Lordo>2</Lordo>\r"
               "<Pezzi>3</Pezzi>"),
        record("<ID>7</ID><Anno>2025</Anno>\r<Farmacia>G</Farmacia>\r<Lordo>2</Lordo>\r"
               "<Pezzi>3</Pezzi>"),
        "<Errore>\r<ID>8</ID>\r<Anno>2025</Anno>\r<Farmacia>H</Farmacia>\r<Lordo>2</Lordo>\r"
        "<Pezzi>3</Pezzi>\r</Errore>\r\n",
        record("<ID>9</ID>\r<Anno>2025</Anno>\r<Farmacia>I</Farmacia>\r<Lordo>2</Lordo>\r"
               "<Pezzi>3</Pezzi>"),
        // Where the shape has an end tag, an element as long as it.
        record("<ID>11</ID>\r<Anno>2025</Anno>\r<Farmacia>K<Anno>9</An\r<Lordo>2</Lordo>\r"
               "<Pezzi>3</Pezzi>"),
        // Long gaps between values that differ only past their first sixteen
        // bytes, and a value with a blank at its end only.
        record("<ID>12</ID>\r<DescrizioneErrore>D</DescrizioneErrore>\r<Soggetto>S</Soggetto>"),
        record("<ID>13</ID>\r<DescrizioneErrore>D</DescrizioneErrore>\r<Molecola>M</Soggetto>"),
        record("<ID>13</ID>\r<DescrizioneErrore>D</DescrizioneErrore>\r<Molecola>M</Molecola>"),
        record("<ID>14</ID>\r<DescrizioneErrore>D </DescrizioneErrore>\r<Molecola>M</Molecola>"),
        record("<ID>10</ID>\r<Anno>2025</Anno>\r<Farmacia>J</Farmacia>\r<Lordo>2</Lordo>\r"
               "<Pezzi>3"),
    };
    const ReportRecords all(records.join());
    QCOMPARE(all.size(), records.size());
    for (qsizetype k = 0; k < records.size(); ++k) {
        // Read once each: a second reading of the record alone is by its own shape.
        const ReportRecords::Fields shaped = all.fields(k);
        const ReportRecords::Fields general = ReportRecords(records[k]).fields(0);
        for (int f = 0; f < ReportFieldCount; ++f)
            QCOMPARE(shaped[size_t(f)], general[size_t(f)]);
    }
    QCOMPARE(QString::fromUtf8(all.fields(8)[size_t(ReportField::Farmacia)]), QStringLiteral("I"));
}

QTEST_MAIN(tst_ReportRows)
#include "test_report_rows.moc"
