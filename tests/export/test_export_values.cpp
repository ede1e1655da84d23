#include "Cents.h"
#include "XmlText.h"

#include <QTest>

#include <limits>

// The values every exported file takes from the answer: amounts read once into
// cents, texts with their character references decoded.
class tst_ExportValues : public QObject
{
    Q_OBJECT
private slots:
    void amounts_data();
    void amounts();
    void sumsThatDoNotFitAreRefused();
    void amountsAreWrittenExactly();
    void references_data();
    void references();
    void plainAmounts_data();
    void plainAmounts();
};

void tst_ExportValues::amounts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<bool>("tooLarge");
    QTest::newRow("comma") << QByteArray("1234,5") << qint64(123450) << false;
    QTest::newRow("full stop") << QByteArray(" 0.01 ") << qint64(1) << false;
    QTest::newRow("no decimals") << QByteArray("7") << qint64(700) << false;
    QTest::newRow("third decimal rounds up") << QByteArray("1,005") << qint64(101) << false;
    QTest::newRow("third decimal rounds down") << QByteArray("0.104") << qint64(10) << false;
    QTest::newRow("negative rounds away from zero")
        << QByteArray("-1,005") << qint64(-101) << false;
    QTest::newRow("negative") << QByteArray("-2,50") << qint64(-250) << false;
    QTest::newRow("only decimals") << QByteArray(",5") << qint64(50) << false;
    QTest::newRow("trailing text") << QByteArray("3,20 EUR") << qint64(320) << false;
    QTest::newRow("not a number") << QByteArray("n.d.") << qint64(0) << false;
    QTest::newRow("empty") << QByteArray() << qint64(0) << false;
    QTest::newRow("largest that fits")
        << QByteArray("9999999999999,99") << qint64(999999999999999) << false;
    QTest::newRow("leading zeros do not count")
        << QByteArray("0000000000000012,00") << qint64(1200) << false;
    QTest::newRow("too large") << QByteArray("12345678901234,00") << qint64(0) << true;
    QTest::newRow("too large negative") << QByteArray("-99999999999999") << qint64(0) << true;
}

// One reading for bytes and text alike: the exports read bytes, the printed
// detail and the groups read text.
void tst_ExportValues::amounts()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, cents);
    QFETCH(bool, tooLarge);
    for (const Cents::Amount a : {Cents::parse(QByteArrayView(text)),
                                  Cents::parse(QStringView(QString::fromLatin1(text)))}) {
        QCOMPARE(a.tooLarge, tooLarge);
        QCOMPARE(a.cents, cents);
    }
}

void tst_ExportValues::sumsThatDoNotFitAreRefused()
{
    const qint64 max = std::numeric_limits<qint64>::max();
    qint64 sum = max - 1;
    QVERIFY(!Cents::add(sum, 5));
    QCOMPARE(sum, max - 1);
    sum = -max;
    QVERIFY(!Cents::add(sum, -5));
    QCOMPARE(sum, -max);
    sum = 40;
    QVERIFY(Cents::add(sum, -50));
    QCOMPARE(sum, qint64(-10));
}

void tst_ExportValues::amountsAreWrittenExactly()
{
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    QCOMPARE(Cents::text(123456789, italian), QStringLiteral("1.234.567,89"));
    QCOMPARE(Cents::text(-5, italian), QStringLiteral("-0,05"));
    QCOMPARE(Cents::text(123456789, QLocale::c()), QStringLiteral("1,234,567.89"));
    // Past what a double holds to the cent.
    QCOMPARE(Cents::plain(9007199254740993), QStringLiteral("90071992547409,93"));
    QCOMPARE(Cents::plain(-100), QStringLiteral("-1,00"));
    QCOMPARE(Cents::plain(0), QStringLiteral("0,00"));
    QCOMPARE(Cents::shareHundredths(1, 3), qint64(3333));
    QCOMPARE(Cents::shareHundredths(2, 3), qint64(6667));
    QCOMPARE(Cents::shareHundredths(5, 0), qint64(0));
    const qint64 max = std::numeric_limits<qint64>::max();
    QCOMPARE(Cents::shareHundredths(max / 2, max), qint64(5000));
}

void tst_ExportValues::references_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("text");
    QTest::newRow("named") << QByteArray(
                                  "ROSSI &amp; FIGLI &lt;SNC&gt; &quot;A&quot; &apos;B&apos;")
                           << QStringLiteral("ROSSI & FIGLI <SNC> \"A\" 'B'");
    QTest::newRow("numeric") << QByteArray("NICCOL&#210; &#x20AC; &#X41;")
                             << QStringLiteral("NICCOLÒ € &#X41;");
    QTest::newRow("beyond the BMP") << QByteArray("&#x1F48A;") << QStringLiteral("\U0001F48A");
    // Where UTF-8 takes one byte more: 2, 3 and 4 bytes.
    QTest::newRow("length boundaries")
        << QByteArray("&#x7F;&#x80;&#x7FF;&#x800;&#xFFFD;&#x10000;&#x10FFFF;")
        << QString::fromUtf8("\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xF0\x90\x80\x80"
                             "\xF4\x8F\xBF\xBF");
    // Not characters XML allows: left as written.
    QTest::newRow("noncharacters")
        << QByteArray("&#xFFFE;&#xFFFF;&#x110000;") << QStringLiteral("&#xFFFE;&#xFFFF;&#x110000;");
    QTest::newRow("twice escaped stays once") << QByteArray("&amp;amp;") << QStringLiteral("&amp;");
    QTest::newRow("not references")
        << QByteArray("A & B; &unknown; &#; &#xZZ; &#0; &#xD800; &#1114112; &amp")
        << QStringLiteral("A & B; &unknown; &#; &#xZZ; &#0; &#xD800; &#1114112; &amp");
    QTest::newRow("commas kept") << QByteArray("PATTI, DR.SSA") << QStringLiteral("PATTI, DR.SSA");
}

void tst_ExportValues::references()
{
    QFETCH(QByteArray, sent);
    QFETCH(QString, text);
    QCOMPARE(XmlText::toString(sent), text);
    QCOMPARE(XmlText::decoded(sent), text.toUtf8());
}

void tst_ExportValues::plainAmounts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("plain");
    for (const char* text : {"0", "12", "-12", "12,5", "12.50", "-0,01", "1,005", "0012,30"})
        QTest::newRow(text) << QByteArray(text) << true;
    for (const char* text : {"", "-", "+12", "1.234,56", "1,234.56", "12,", ",5", "abc", "12a",
                             " 12", "12 ", "1 234", "--1", "12,3,4", "\t12"})
        QTest::newRow(text) << QByteArray(text) << false;
}

// What an export charges: a minus sign, digits and one decimal part at most.
void tst_ExportValues::plainAmounts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, plain);
    QCOMPARE(Cents::isPlain(text), plain);
    // The reading of an amount that fits says the same as it reads it.
    QCOMPARE(Cents::parse(text).plain, plain);
}

QTEST_GUILESS_MAIN(tst_ExportValues)
#include "test_export_values.moc"
