#include "NumberText.h"
#include "ValueReader.h"

#include <QTest>
#include <clocale>
#include <cmath>

class TestValueReading : public QObject
{
    Q_OBJECT
private slots:
    void leggiValore_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("value");
        QTest::newRow("blanks trimmed") << "<ASP>  ASL 1 </ASP>"
                                        << "ASP"
                                        << "ASL 1";
        QTest::newRow("empty element") << "<ASP></ASP>"
                                       << "ASP"
                                       << "";
        QTest::newRow("tab is not a blank") << "<Nota>\tx </Nota>"
                                            << "Nota"
                                            << "\tx";
        QTest::newRow("exact case") << "<asp>x</asp>"
                                    << "ASP"
                                    << "";
        QTest::newRow("longer tag name not matched") << "<IDX>1</IDX><ID>2</ID>"
                                                     << "ID"
                                                     << "2";
        QTest::newRow("first element on the line") << "<ID>1</ID><ID>2</ID>"
                                                   << "ID"
                                                   << "1";
        QTest::newRow("no end tag: rest of line") << "<Nota>  testo libero  "
                                                  << "Nota"
                                                  << "testo libero";
        QTest::newRow("container start") << "<Errore>"
                                         << "Errore"
                                         << "";
        QTest::newRow("end tag before start tag") << "</ID> x <ID> 7 </ID>"
                                                  << "ID"
                                                  << "7";
        QTest::newRow("no start tag") << "</ID>7"
                                      << "ID"
                                      << "";
        // Characters one of whose bytes is that of '<' (U+013C, U+3C3C) are not one.
        QTest::newRow("look-alike bytes")
            << QString::fromUtf16(u"\u013C\u3C3C<ID> \u013CID>\u3C3C</ID>") << "ID"
            << QString::fromUtf16(u"\u013CID>\u3C3C");
        QTest::newRow("look-alike bytes only")
            << QString::fromUtf16(u"\u013CID>1\u013C/ID>") << "ID"
            << "";
        QTest::newRow("tag at the very end") << "x <ID>"
                                             << "ID"
                                             << "";
    }
    void leggiValore()
    {
        QFETCH(QString, line);
        QFETCH(QString, tag);
        QFETCH(QString, value);
        QCOMPARE(ValueReader::LEGGI_VALORE(line, tag), value);
        QCOMPARE(ValueReader::hasTag(line, tag), line.contains('<' + tag + '>'));
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("blanks then garbage") << "  42abc" << 42.0;
        QTest::newRow("plus") << "+7" << 7.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("garbage") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("sign only") << "- 3" << 0.0;
        QTest::newRow("point only") << "." << 0.0;
        QTest::newRow("trailing point") << "5.;" << 5.0;
        QTest::newRow("negative fraction") << "-.25" << -0.25;
        QTest::newRow("no exponent") << "1e5" << 1.0;
        QTest::newRow("zeros around") << "0012.500x" << 12.5;
        QTest::newRow("past the range") << QString(400, u'9') << qInf();
        QTest::newRow("negative past the range") << "-1" + QString(400, u'0') << -qInf();
        QTest::newRow("under the range") << "0." + QString(400, u'0') + "7" << 0.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(NumberText::leadingNumber(text), number);
    }

    // Operators run with an Italian numeric locale (comma as decimal separator),
    // which the toolkit sets from the environment: answer text keeps its point,
    // a sign and blanks may lead, and a comma ends the number.
    void leadingNumberIgnoresTheProcessLocale()
    {
        const QByteArray previous = std::setlocale(LC_NUMERIC, nullptr);
        QVERIFY2(std::setlocale(LC_NUMERIC, "it_IT.UTF-8"),
                 "locale it_IT.UTF-8 missing: run scripts/install-deps.sh");
        const double price = NumberText::leadingNumber(u"1234.5");
        const double negative = NumberText::leadingNumber(u" -0.75 EUR");
        const double comma = NumberText::leadingNumber(u"12,50");
        std::setlocale(LC_NUMERIC, previous.constData());
        QCOMPARE(price, 1234.5);
        QCOMPARE(negative, -0.75);
        QCOMPARE(comma, 12.0);
    }

    void rounding()
    {
        QCOMPARE(NumberText::toInt32(12.5), 12);
        QCOMPARE(NumberText::toInt32(12.6), 13);
        QCOMPARE(NumberText::toInt32(13.5), 14);
        QCOMPARE(NumberText::toInt32(-2.5), -2);
        QCOMPARE(NumberText::toInt32(std::nan("")), 0);
        QCOMPARE(NumberText::toInt16(40000.0), qint16(32767));
        QCOMPARE(NumberText::toInt32(-1e20), std::numeric_limits<qint32>::min());
        QCOMPARE(NumberText::whole(2.5), QStringLiteral("2"));
        QCOMPARE(NumberText::zeroPadded(1234, 9), QStringLiteral("000001234"));
        QCOMPARE(NumberText::wholeOrEmpty(0.4), QString());
        QCOMPARE(NumberText::wholeOrEmpty(7), QStringLiteral("7"));
    }

    void money()
    {
        const QLocale it(QLocale::Italian, QLocale::Italy);
        QCOMPARE(NumberText::money(1234.5, it), QStringLiteral("1.234,50"));
        QCOMPARE(NumberText::money(0, it), QStringLiteral("0,00"));
        QCOMPARE(NumberText::money(1234567.891, it), QStringLiteral("1.234.567,89"));
        QCOMPARE(NumberText::money(-5.5, it), QStringLiteral("-5,50"));
        QCOMPARE(NumberText::money(1234.5, QLocale::c()), QStringLiteral("1,234.50"));
        QCOMPARE(NumberText::money(0.5, QLocale::c()), QStringLiteral("0.50"));
    }
};

QTEST_GUILESS_MAIN(TestValueReading)
#include "test_value_reading.moc"
