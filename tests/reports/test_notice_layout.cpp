// Where the pieces of a pharmacy's notice land on its pages, read back with
// pdftotext -bbox: nothing runs into the page's footer or out of its column.
#include "NoticeHeading.h"
#include "NoticePdf.h"
#include "PdfText.h"
#include "PharmacyGroups.h"
#include "PharmacyNotices.h"
#include "ReportCsv.h"
#include "ReportRecords.h"

#include <QDir>
#include <QRegularExpression>

#include <QTemporaryDir>
#include <QTest>

namespace {

// A record of pharmacy 7 (or `codfarma`); every seventh patient's name wraps
// over three lines.
QByteArray record(int i, const QByteArray& numricKey, const QByteArray& aic = "035946023",
                  const QByteArray& pezzi = "2", const QByteArray& codfarma = "7")
{
    const QByteArray assistito = i % 7 == 0 ? "DELLAVALLEDISANMARTINO MARIAGRAZIA ANTONIETTA "
                                              "PRECIPITEVOLISSIMEVOLMENTE"
                                            : "ROSSI MARIA";
    return "<Errore><ID>" + QByteArray::number(i) +
           "</ID><Flusso>DPC</Flusso><Anno>2026</Anno><Mese>3</Mese><Codfarma>" + codfarma +
           "</Codfarma><Farmacia>FARMACIA CENTRALE</Farmacia><NumricKey>" + numricKey +
           "</NumricKey><Assistito>" + assistito +
           "</Assistito><CodAssistito>RSSMRA80A01G273X</CodAssistito><AIC>" + aic +
           "</AIC><Farmaco>HUMIRA 40 MG</Farmaco><Molecola>ADALIMUMAB</Molecola><Pezzi>" + pezzi +
           "</Pezzi><Lordo>12,50</Lordo><CodErrore>12</CodErrore><DescrizioneErrore>RICETTA "
           "SCADUTA</DescrizioneErrore><TipoAddebito>Totale</TipoAddebito><Soggetto>Farmacia"
           "</Soggetto></Errore>";
}

const NoticeHeading Heading{QStringLiteral("ASP DI PALERMO"),
                            QStringLiteral("MARIO BIANCHI"),
                            QStringLiteral("2026"),
                            QStringLiteral("Marzo"),
                            QString(),
                            QStringLiteral("03"),
                            QDateTime(QDate(2026, 12, 7), QTime(9, 30))};

// The notice of all the records of `xml`, written into `folder`.
QString writeNotice(const QTemporaryDir& folder, QByteArray xml, const QString& name)
{
    // One element a line, as the answer is staged.
    const ReportRecords records(xml.replace("><", ">\r<"));
    QList<qsizetype> positions;
    for (qsizetype p = 0; p < records.size(); ++p)
        positions << p;
    PharmacyGroups groups;
    QString error;
    const QString path = folder.filePath(name);
    if (!groups.read(records, positions, &error) ||
        !NoticePdf().writePharmacy(path, Heading, records, groups.groups().first(), {}, &error))
        return {};
    return path;
}

} // namespace

class tst_NoticeLayout : public QObject
{
    Q_OBJECT
private slots:
    void totalsEndAboveTheFooter();
    void codesStayInTheirColumns();
    void listOnlyAfterEveryNotice();
    void datesCarryTheYearInFull();
    void noticeRowsByMonthThenPrescription();
};

// Whatever the count of rows, every word of a page, its total line too, ends
// above "Pagina N di M".
void tst_NoticeLayout::totalsEndAboveTheFooter()
{
    QTemporaryDir folder;
    QByteArray xml;
    for (int rows = 1; rows <= 80; ++rows) {
        xml += record(rows, "2026" + QByteArray::number(rows).rightJustified(11, '0'));
        const QString path = writeNotice(folder, xml, QStringLiteral("n%1.pdf").arg(rows));
        QVERIFY(!path.isEmpty());
        const QList<QList<PdfText::Word>> pages = PdfText::words(path);
        QVERIFY(!pages.isEmpty());
        QStringList last;
        for (const PdfText::Word& w : pages.last())
            last << w.text;
        QVERIFY(last.join(u' ').contains(
            QStringLiteral("Totale FARMACIA 00007 FARMACIA CENTRALE: %1 error").arg(rows)));
        bool total = false;
        for (const QList<PdfText::Word>& page : pages) {
            qreal footer = -1;
            for (const PdfText::Word& w : page) {
                if (w.text == u"Pagina")
                    footer = w.box.top();
            }
            QVERIFY(footer > 0);
            for (const PdfText::Word& w : page) {
                total = total || w.text == u"Totale";
                if (w.box.top() < footer)
                    QVERIFY2(w.box.bottom() <= footer,
                             qPrintable(QStringLiteral("%1 rows: \"%2\" ends at %3, the footer "
                                                       "starts at %4")
                                            .arg(rows)
                                            .arg(w.text)
                                            .arg(w.box.bottom())
                                            .arg(footer)));
            }
        }
        QVERIFY(total);
    }
}

// Codes in letters, as wide as letters are, wrap within their columns
// instead of running into the next.
void tst_NoticeLayout::codesStayInTheirColumns()
{
    QTemporaryDir folder;
    const QString path = writeNotice(
        folder, record(1, "WWWWWWWWWWWWWWW", "WWWWWWWWW", "WWWW") + record(2, "202600000000002"),
        QStringLiteral("lettere.pdf"));
    QVERIFY(!path.isEmpty());
    const QList<QPair<qreal, qreal>> spans = NoticePdf::columnSpans();
    const QList<QList<PdfText::Word>> pages = PdfText::words(path);
    QCOMPARE(pages.size(), 1);
    QString letters;
    for (const PdfText::Word& w : pages[0]) {
        if (!w.text.startsWith(u'W'))
            continue;
        letters += w.text;
        const auto inside = std::find_if(spans.begin(), spans.end(), [&](const auto& span) {
            return w.box.left() >= span.first - 0.5 && w.box.right() <= span.second + 0.5;
        });
        QVERIFY2(
            inside != spans.end(),
            qPrintable(
                QStringLiteral("%1 [%2, %3]").arg(w.text).arg(w.box.left()).arg(w.box.right())));
    }
    QCOMPARE(letters.size(), 15 + 9 + 4); // all of them, however broken
}

// Stopped between two notices, the run writes no list of them; run whole, it
// lists each notice.
void tst_NoticeLayout::listOnlyAfterEveryNotice()
{
    QByteArray xml;
    for (int i = 1; i <= 6; ++i)
        xml += record(i, "2026" + QByteArray::number(i).rightJustified(11, '0'), "035946023", "1",
                      QByteArray::number(i % 3 + 1));
    const ReportRecords records(xml.replace("><", ">\r<"));
    PharmacyGroups groups;
    QString error;
    QVERIFY(groups.read(records, {0, 1, 2, 3, 4, 5}, &error));
    QCOMPARE(groups.groups().size(), 3);
    QTemporaryDir folder;
    const qsizetype first = groups.groups().first().positions.size();
    const PharmacyNotices::Outcome stopped = PharmacyNotices::write(
        folder.path(), Heading, records, groups, [&](qsizetype done) { return done < first; });
    QVERIFY(stopped.stopped);
    QCOMPARE(stopped.written, 1);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
             QStringList{QStringLiteral("errori_2026_03_00002.pdf")});
    const PharmacyNotices::Outcome whole =
        PharmacyNotices::write(folder.path(), Heading, records, groups, {});
    QCOMPARE(whole.written, 3);
    QFile list(QDir(folder.path()).filePath(QStringLiteral("elenco_2026_03.csv")));
    QVERIFY(list.open(QIODevice::ReadOnly));
    QCOMPARE(list.readAll().count("\r\n"), 4);
}

void tst_NoticeLayout::datesCarryTheYearInFull()
{
    const QDateTime at(QDate(2026, 12, 7), QTime(9, 30));
    QCOMPARE(NoticeHeading::dateTimeText(at, QLocale(QLocale::Italian, QLocale::Italy)),
             QStringLiteral("07/12/2026 09:30"));
    QVERIFY(NoticeHeading::dateTimeText(at, QLocale(QLocale::English, QLocale::UnitedStates))
                .contains(QStringLiteral("/2026")));
}

// However the list is sorted, a notice and each pharmacy's pages of the whole
// report go by year, month as a number, then prescription number; the CSV
// keeps the list's order.
void tst_NoticeLayout::noticeRowsByMonthThenPrescription()
{
    // Pharmacies 7 and 8, two prescriptions a month, the later one first, and
    // then one of December of the year before.
    QByteArray xml;
    QList<int> months;
    int id = 0;
    // Prescription numbers run against the months, the year before's the highest.
    const auto add = [&](int year, int month, int k, const QByteArray& code) {
        const int number = year == 2026 ? 1000 + (13 - month) * 10 + k : 9999;
        const QByteArray prescription =
            "2026" + code + QByteArray::number(number).rightJustified(10, '0');
        xml += record(++id, prescription, "035946023", "2", code)
                   .replace("<Mese>3</Mese>", "<Mese>" + QByteArray::number(month) + "</Mese>")
                   .replace("<Anno>2026</Anno>", "<Anno>" + QByteArray::number(year) + "</Anno>");
        months << month;
    };
    for (int month = 1; month <= 12; ++month) {
        for (int k = 2; k >= 1; --k) {
            for (const QByteArray code : {"7", "8"})
                add(2026, month, k, code);
        }
    }
    for (const QByteArray code : {"7", "8"})
        add(2025, 12, 1, code);
    const ReportRecords records(xml.replace("><", ">\r<"));
    QCOMPARE(records.size(), months.size());
    // As the list shows them sorted by MESE, as text: 1, 10, 11, 12, 2, ...
    QList<qsizetype> listed;
    for (qsizetype p = 0; p < records.size(); ++p)
        listed << p;
    std::stable_sort(listed.begin(), listed.end(), [&](qsizetype a, qsizetype b) {
        return QString::number(months[a]) < QString::number(months[b]);
    });
    PharmacyGroups groups;
    QString error;
    QVERIFY(groups.read(records, listed, &error));
    QTemporaryDir folder;
    const QString whole = folder.filePath(QStringLiteral("errori.pdf"));
    const QString csv = folder.filePath(QStringLiteral("errori.csv"));
    QVERIFY(NoticePdf().writeReport(whole, Heading, records, groups, {}, &error));
    QVERIFY(PharmacyNotices::write(folder.path(), Heading, records, groups, {}).failed.isEmpty());
    QVERIFY(ReportCsv::write(csv, records, listed, {}, &error));

    // Each pharmacy's rows, as "MM/YYYY prescription", in the order a file shows them.
    static const QRegularExpression row(
        QStringLiteral("\\b(2026([78])\\d{10}) (\\d\\d/\\d{4})\\b"));
    const auto rowsOf = [](const QString& text, QChar pharmacy) {
        QStringList rows;
        for (auto it = row.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            if (m.captured(2) == pharmacy)
                rows << m.captured(3) + u' ' + m.captured(1);
        }
        return rows;
    };
    for (const QChar pharmacy : {u'7', u'8'}) {
        QStringList expected{QStringLiteral("12/2025 2026") + pharmacy +
                             QStringLiteral("0000009999")};
        for (int month = 1; month <= 12; ++month) {
            for (int k = 1; k <= 2; ++k)
                expected
                    << QString::number(month).rightJustified(2, u'0') +
                           QStringLiteral("/2026 2026") + pharmacy +
                           QString::number(1000 + (13 - month) * 10 + k).rightJustified(10, u'0');
        }
        QCOMPARE(rowsOf(PdfText::text(whole), pharmacy), expected);
        const QString notice = folder.filePath(QStringLiteral("errori_2026_03_0000") + pharmacy +
                                               QStringLiteral(".pdf"));
        QCOMPARE(rowsOf(PdfText::text(notice), pharmacy), expected);
    }
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype r = 0; r < listed.size(); ++r)
        QCOMPARE(lines[r + 1].split(';').value(4),
                 records.fields(listed[r])[size_t(ReportField::NumricKey)].toByteArray());
}

QTEST_MAIN(tst_NoticeLayout)
#include "test_notice_layout.moc"
