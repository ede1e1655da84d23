#include "Cents.h"
#include "ErrorStatistics.h"

#include <QTest>

class tst_ErrorStatistics : public QObject
{
    Q_OBJECT
private slots:
    void amountsAreReadExactly_data();
    void amountsAreReadExactly();
    void amountsAreShownWithTheLocaleSeparators();
    void sharesRoundToHundredths();
    void recordsStandOnTheirOwn();
    void sumsAreHeldAtTheEndsOfTheRange();
};

void tst_ErrorStatistics::amountsAreReadExactly_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("cents");
    QTest::newRow("comma") << QByteArray("1234,5") << qint64(123450);
    QTest::newRow("full stop") << QByteArray(" 0.01 ") << qint64(1);
    QTest::newRow("no decimals") << QByteArray("7") << qint64(700);
    QTest::newRow("third decimal rounds up") << QByteArray("0,105") << qint64(11);
    QTest::newRow("third decimal rounds down") << QByteArray("0,104") << qint64(10);
    QTest::newRow("negative") << QByteArray("-2,50") << qint64(-250);
    QTest::newRow("only decimals") << QByteArray(",5") << qint64(50);
    QTest::newRow("trailing text") << QByteArray("3,20 EUR") << qint64(320);
    QTest::newRow("not a number") << QByteArray("n.d.") << qint64(0);
    QTest::newRow("empty") << QByteArray() << qint64(0);
    QTest::newRow("too many digits") << QByteArray("12345678901234,00") << qint64(0);
}

void tst_ErrorStatistics::amountsAreReadExactly()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, cents);
    QCOMPARE(Cents::parse(text), cents);
}

void tst_ErrorStatistics::amountsAreShownWithTheLocaleSeparators()
{
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    QCOMPARE(Cents::text(123456789, italian), QStringLiteral("1.234.567,89"));
    QCOMPARE(Cents::text(5, italian), QStringLiteral("0,05"));
    QCOMPARE(Cents::text(-5, italian), QStringLiteral("-0,05"));
    QCOMPARE(Cents::text(123456789, QLocale::c()), QStringLiteral("1,234,567.89"));
    // Past what a double holds to the cent.
    QCOMPARE(Cents::plain(9007199254740993), QStringLiteral("90071992547409,93"));
    QCOMPARE(Cents::plain(-100), QStringLiteral("-1,00"));
}

void tst_ErrorStatistics::sharesRoundToHundredths()
{
    QCOMPARE(Cents::shareHundredths(1, 3), qint64(3333));
    QCOMPARE(Cents::shareHundredths(2, 3), qint64(6667));
    QCOMPARE(Cents::shareHundredths(50, 100), qint64(5000));
    QCOMPARE(Cents::shareHundredths(5, 0), qint64(0));
    QCOMPARE(Cents::shareHundredths(std::numeric_limits<qint64>::max() / 2,
                                    std::numeric_limits<qint64>::max()),
             qint64(5000));
}

void tst_ErrorStatistics::recordsStandOnTheirOwn()
{
    // The second record has no amount, no month and no description: it must
    // not take them from the first. The third has a month out of the year and
    // a description line broken by CR LF.
    const QByteArray split = "<F_LoadErroreByAnnoMeseResult>\r"
                             "<Errore>\r<ID>1</ID>\r<Mese>3</Mese>\r<Codfarma>00012</Codfarma>\r"
                             "<Farmacia>ROSSI, DR. BIANCHI</Farmacia>\r<Lordo>10,10</Lordo>\r"
                             "<CodErrore>5</CodErrore>\r<DescrizioneErrore>SCADUTA"
                             "</DescrizioneErrore>\r</Errore>\r"
                             "<Errore>\r<ID>2</ID>\r<Codfarma>12</Codfarma>\r"
                             "<CodErrore>5</CodErrore>\r</Errore>\r\n"
                             "<Errore>\r\n<Mese>13</Mese>\r\n<Codfarma>9</Codfarma>\r\n"
                             "<Lordo>0,01\r\n<CodErrore>40</CodErrore>\r\n</Errore>\r\n"
                             "<Lordo>99</Lordo>\r</Errore>\r"
                             "</F_LoadErroreByAnnoMeseResult>";
    const ErrorStatistics s = ErrorStatistics::read(split);
    QCOMPARE(s.total, (ErrorStatistics::Figures{3, 1011}));
    QCOMPARE(s.months[2], (ErrorStatistics::Figures{1, 1010}));
    for (int m = 0; m < 12; ++m) {
        if (m != 2)
            QCOMPARE(s.months[size_t(m)].errors, qint64(0));
    }
    QCOMPARE(s.busiestMonth(), 3);

    QCOMPARE(s.pharmacies.size(), 2);
    QCOMPARE(s.pharmacies[0].code, qint64(12));
    QCOMPARE(s.pharmacies[0].name, QStringLiteral("ROSSI, DR. BIANCHI"));
    QCOMPARE(s.pharmacies[0].figures, (ErrorStatistics::Figures{2, 1010}));
    QCOMPARE(s.pharmacies[1].figures, (ErrorStatistics::Figures{1, 1}));

    QCOMPARE(s.codes.size(), 2);
    QCOMPARE(s.codes[0].code, QStringLiteral("5"));
    QCOMPARE(s.codes[0].description, QStringLiteral("SCADUTA"));
    QCOMPARE(s.codes[0].figures, (ErrorStatistics::Figures{2, 1010}));
    QCOMPARE(s.codes[1].code, QStringLiteral("40"));
}

void tst_ErrorStatistics::sumsAreHeldAtTheEndsOfTheRange()
{
    const qint64 max = std::numeric_limits<qint64>::max();
    QCOMPARE(Cents::add(max - 1, 5), max);
    QCOMPARE(Cents::add(-max, -5), std::numeric_limits<qint64>::min());
    QCOMPARE(Cents::add(40, -50), qint64(-10));
}

QTEST_GUILESS_MAIN(tst_ErrorStatistics)
#include "test_error_statistics.moc"
