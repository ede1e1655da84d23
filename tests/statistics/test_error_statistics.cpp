#include "Cents.h"
#include "ErrorStatistics.h"

#include <QTest>

class tst_ErrorStatistics : public QObject
{
    Q_OBJECT
private slots:
    void recordsStandOnTheirOwn();
    void amountsThatDoNotFitAreReported();
};

void tst_ErrorStatistics::recordsStandOnTheirOwn()
{
    // The second record has no amount, no month and no description: it must
    // not take them from the first. The third has a month out of the year and
    // a description line broken by CR LF.
    const QByteArray split =
        "<F_LoadErroreByAnnoMeseResult>\r"
        "<Errore>\r<ID>1</ID>\r<Mese>3</Mese>\r<Codfarma>00012</Codfarma>\r"
        "<Farmacia>ROSSI, DR. BIANCHI &amp; C.</Farmacia>\r<Lordo>10,10</Lordo>\r"
        "<CodErrore>5</CodErrore>\r<DescrizioneErrore>SCADUTA"
        "</DescrizioneErrore>\r</Errore>\r"
        "<Errore>\r<ID>2</ID>\r<Codfarma>12</Codfarma>\r"
        "<CodErrore>5</CodErrore>\r</Errore>\r\n"
        "<Errore>\r\n<Mese>13</Mese>\r\n<Codfarma>9</Codfarma>\r\n"
        "<Lordo>0,01\r\n<CodErrore>40</CodErrore>\r\n</Errore>\r\n"
        "<Lordo>99</Lordo>\r</Errore>\r"
        "</F_LoadErroreByAnnoMeseResult>";
    const ErrorStatistics s = ErrorStatistics::read(split);
    QCOMPARE(s.problem, QString());
    QCOMPARE(s.total, (ErrorStatistics::Figures{3, 1011}));
    QCOMPARE(s.months[2], (ErrorStatistics::Figures{1, 1010}));
    // Records without a month of the year are a row of their own: the months add up
    // to the total.
    QCOMPARE(s.invalidMonth, (ErrorStatistics::Figures{2, 1}));
    for (int m = 0; m < 12; ++m) {
        if (m != 2)
            QCOMPARE(s.months[size_t(m)].errors, qint64(0));
    }
    QCOMPARE(s.busiestMonth(), 3);

    QCOMPARE(s.pharmacies.size(), 2);
    QCOMPARE(s.pharmacies[0].code, qint64(12));
    QCOMPARE(s.pharmacies[0].name, QStringLiteral("ROSSI, DR. BIANCHI & C."));
    QCOMPARE(s.pharmacies[0].figures, (ErrorStatistics::Figures{2, 1010}));
    QCOMPARE(s.pharmacies[1].figures, (ErrorStatistics::Figures{1, 1}));

    QCOMPARE(s.codes.size(), 2);
    QCOMPARE(s.codes[0].code, QStringLiteral("5"));
    QCOMPARE(s.codes[0].description, QStringLiteral("SCADUTA"));
    QCOMPARE(s.codes[0].figures, (ErrorStatistics::Figures{2, 1010}));
    QCOMPARE(s.codes[1].code, QStringLiteral("40"));
}

// An amount of more digits than fit, or a sum past the range, leaves no
// figures and names the record: never a silent 0.
void tst_ErrorStatistics::amountsThatDoNotFitAreReported()
{
    const QByteArray tooLarge = "<Errore>\r<NumricKey>190000000000001</NumricKey>\r"
                                "<Mese>3</Mese>\r<Lordo>12345678901234,00</Lordo>\r</Errore>\r";
    const ErrorStatistics s = ErrorStatistics::read(tooLarge);
    QCOMPARE(s.problem, QStringLiteral("IMPORTO TROPPO GRANDE NELLA RICETTA 190000000000001"));
    QVERIFY(s.isEmpty());

    QByteArray many;
    for (int i = 0; i < 10000; ++i)
        many += "<Errore>\r<Mese>1</Mese>\r<Lordo>9999999999999,99</Lordo>\r</Errore>\r";
    const ErrorStatistics sum = ErrorStatistics::read(many);
    QCOMPARE(sum.problem, QStringLiteral("IMPORTO TROPPO GRANDE"));
    QVERIFY(sum.isEmpty());
}

QTEST_GUILESS_MAIN(tst_ErrorStatistics)
#include "test_error_statistics.moc"
