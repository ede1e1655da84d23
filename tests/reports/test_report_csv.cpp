// The CSV of a report long enough to be formatted in blocks on two threads:
// the rows in the list's order, the first amount refused in that order, a
// stop part-way, and places given for the records' ends that are wrong.
#include "CsvText.h"
#include "ReportCsv.h"
#include "ReportRecords.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Four blocks of rows, the last one short.
constexpr int Records = 3500;

QString prescriptionOf(int i)
{
    return QString::number(202600000000000LL + i);
}

// Record i (from 0) as staged, one element a line: its prescription names
// it, its amount is "i,05"; a few names need quotes or hold a reference.
QByteArray record(int i, bool refused)
{
    static const char* const names[] = {"FARMACIA ROSSI", "FARMACIA \"BIANCHI\"; SNC",
                                        "FARMACIA VERDI &amp; FIGLI"};
    const QByteArray amount = refused ? "1.234,56" : QByteArray::number(i) + ",05";
    return "<Errore>\r<ID>" + QByteArray::number(i + 1) +
           "</ID>\r<Flusso>DPC</Flusso>\r<Anno>2026</Anno>\r<Mese>" +
           QByteArray::number(1 + i % 12) + "</Mese>\r<Codfarma>" + QByteArray::number(1 + i % 40) +
           "</Codfarma>\r<Farmacia>" + names[i % 3] + "</Farmacia>\r<NumricKey>" +
           prescriptionOf(i).toLatin1() + "</NumricKey>\r<Pezzi>" + QByteArray::number(1 + i % 4) +
           "</Pezzi>\r<Lordo>" + amount + "</Lordo>\r</Errore>\r";
}

QByteArray answer(const QSet<int>& refused = {})
{
    QByteArray text;
    for (int i = 0; i < Records; ++i)
        text += record(i, refused.contains(i));
    return text;
}

// A list order unlike the records': from both ends inwards.
QList<qsizetype> listOrder()
{
    QList<qsizetype> order;
    for (int k = 0; k < Records; ++k)
        order << (k % 2 ? k / 2 : Records - 1 - k / 2);
    return order;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_ReportCsv : public QObject
{
    Q_OBJECT
private slots:
    void rowsInTheListsOrder();
    void firstRefusalInTheListsOrder();
    void stopPartWay();
    void wrongPlacesFoundAnew();

private:
    QTemporaryDir m_dir;
};

// Each row is the record the list shows there, whole, once; progress is
// told after each 1,024 rows.
void tst_ReportCsv::rowsInTheListsOrder()
{
    const ReportRecords records(answer());
    const QList<qsizetype> order = listOrder();
    const QString path = m_dir.filePath("errori.csv");
    QList<qsizetype> told;
    QString error;
    QVERIFY2(ReportCsv::write(
                 path, records, order, [&](qsizetype done) { return told << done, true; }, &error),
             qPrintable(error));
    QCOMPARE(told, (QList<qsizetype>{1024, 2048, 3072}));
    QList<QStringList> rows;
    QVERIFY(CsvText::parse(QString::fromUtf8(fileBytes(path)).mid(1), u';', &rows));
    QCOMPARE(rows.size(), Records + 1);
    const QStringList header = rows[0];
    const qsizetype prescription = header.indexOf("NUMERO RICETTA");
    const qsizetype name = header.indexOf("FARMACIA");
    const qsizetype amount = header.indexOf("LORDO");
    const qsizetype month = header.indexOf("MESE");
    QVERIFY(prescription >= 0 && name >= 0 && amount >= 0 && month >= 0);
    static const QStringList names = {"FARMACIA ROSSI", "FARMACIA \"BIANCHI\"; SNC",
                                      "FARMACIA VERDI & FIGLI"};
    for (int k = 0; k < Records; ++k) {
        const int i = int(order[k]);
        const QStringList& row = rows[k + 1];
        QCOMPARE(row.size(), header.size());
        QCOMPARE(row[prescription], prescriptionOf(i));
        QCOMPARE(row[name], names[i % 3]);
        QCOMPARE(row[amount], QString::number(i) + ",05");
        QCOMPARE(row[month], QStringLiteral("%1").arg(1 + i % 12, 2, 10, QChar(u'0')));
    }
}

// Amounts refused in several blocks, two in one: the message names the one
// the list shows first, whichever block was formatted first, and no file is
// written.
void tst_ReportCsv::firstRefusalInTheListsOrder()
{
    const QList<qsizetype> order = listOrder();
    for (const QList<int>& rows : {QList<int>{3400, 1900, 1500, 2100}, QList<int>{2100, 0}}) {
        QSet<int> refused;
        for (int k : rows)
            refused << int(order[k]);
        const ReportRecords records(answer(refused));
        const QString path = m_dir.filePath("rifiuto.csv");
        QString error;
        QVERIFY(!ReportCsv::write(path, records, order, {}, &error));
        const int first = *std::min_element(rows.begin(), rows.end());
        QCOMPARE(error, "IMPORTO NON VALIDO NELLA RICETTA " + prescriptionOf(int(order[first])));
        QVERIFY(!QFile::exists(path));
    }
}

// A stop asked for part-way leaves the earlier file as it was, and nothing
// beside it; progress is not told again.
void tst_ReportCsv::stopPartWay()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("errori.csv");
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("PRIMA");
    }
    const ReportRecords records(answer());
    int told = 0;
    QVERIFY(!ReportCsv::write(
        path, records, listOrder(), [&](qsizetype) { return ++told < 2; }, nullptr));
    QCOMPARE(told, 2);
    QCOMPARE(fileBytes(path), QByteArray("PRIMA"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"errori.csv"});
}

// Places for the records' ends that are not this answer's: the records are
// found anew, and the file is the one written without them.
void tst_ReportCsv::wrongPlacesFoundAnew()
{
    const QByteArray bytes = answer();
    std::vector<qsizetype> ends;
    for (qsizetype at = bytes.indexOf("</Errore>\r"); at >= 0;
         at = bytes.indexOf("</Errore>\r", at + 1))
        ends.push_back(at + 10);
    QCOMPARE(qsizetype(ends.size()), Records);
    // From the middle of the list on, each record is said to end halfway
    // through it: read there, its later values would be lost.
    std::vector<qsizetype> wrong = ends;
    for (size_t k = Records / 2; k < wrong.size() - 1; ++k)
        wrong[k] = (ends[k - 1] + ends[k]) / 2;
    const QString found = m_dir.filePath("trovati.csv");
    const QString given = m_dir.filePath("dati.csv");
    const QString mended = m_dir.filePath("corretti.csv");
    QString error;
    QVERIFY(ReportCsv::write(found, ReportRecords(bytes), listOrder(), {}, &error));
    QVERIFY(ReportCsv::write(given, ReportRecords(bytes, ends), listOrder(), {}, &error));
    QVERIFY(ReportCsv::write(mended, ReportRecords(bytes, wrong), listOrder(), {}, &error));
    QCOMPARE(fileBytes(given), fileBytes(found));
    QCOMPARE(fileBytes(mended), fileBytes(found));
}

QTEST_GUILESS_MAIN(tst_ReportCsv)
#include "test_report_csv.moc"
