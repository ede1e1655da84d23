#include "CsvText.h"
#include "CsvWriter.h"
#include "ExportFileDialog.h"
#include "ReadOnlyFolder.h"
#include "ReplacedFile.h"
#include "XlsxBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// How many files this process holds open.
qsizetype openFiles()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
        .size();
}

} // namespace

class CsvWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { ExportFileDialog::reset(); }

    // Awkward values survive a round trip; the file opens with the byte-order
    // mark and every line ends in CRLF. Enough rows to cross the write buffer.
    void roundTrip_data()
    {
        QTest::addColumn<QChar>("separator");
        QTest::newRow("semicolon") << QChar(u';');
        QTest::newRow("comma") << QChar(u',');
        QTest::newRow("tab") << QChar(u'\t');
    }
    void roundTrip()
    {
        QFETCH(QChar, separator);
        QTemporaryDir dir;
        const QString path = dir.filePath("out.csv");
        const QList<QStringList> awkward = {
            {"FARMACIA \"SAN ROCCO\"; DR. ROSSI", "Niccolò Àlvarez", "", "1234,50"},
            {"a,b", "riga\r\ndue", "fine\n", "a\tb"},
            {" spazi ", "\"", "\"\"", "€ 0,00"},
        };
        QList<QStringList> expected;
        {
            CsvWriter csv(path, separator);
            csv.writeRow({u"UNO", u"DUE", u"TRE", u"QUATTRO"});
            expected << QStringList{"UNO", "DUE", "TRE", "QUATTRO"};
            for (int i = 0; i < 3000; ++i) {
                QStringList row = awkward[i % awkward.size()];
                row[2] += QString::number(i);
                csv.writeRow(row);
                expected << row;
            }
            QVERIFY(csv.commit());
            QCOMPARE(csv.errorText(), QString());
        }
        const QByteArray bytes = fileBytes(path);
        QVERIFY(bytes.size() > 128 * 1024);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBFUNO"));
        QVERIFY(bytes.endsWith("\r\n"));
        QList<QStringList> rows;
        QVERIFY(CsvText::parse(QString::fromUtf8(bytes.mid(3)), separator, &rows));
        QCOMPARE(rows.size(), expected.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            QCOMPARE(rows[i], expected[i]);
        // Plain fields stay unquoted.
        QVERIFY(bytes.contains("\r\n spazi "));
        QVERIFY(bytes.contains(QStringLiteral("Niccolò Àlvarez").toUtf8()));
    }

    // A text a spreadsheet would run as a formula opens as text; numbers,
    // amounts among them, stay as they are.
    void formulaGuard()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("guard.csv");
        const QStringList fields = {"=SOMMA(A1:A9)", "+39 091 123", "-ROSSI", "@SUM(1)", "\tTAB",
                                    "\rCR",          "-12,30",      "+5",     "-7.5",    "12,30",
                                    "A=B",           "-",           "-12,",   "=\"A\";B"};
        {
            CsvWriter csv(path);
            csv.writeRow(fields);
            QVERIFY(csv.commit());
        }
        QList<QStringList> rows;
        QVERIFY(CsvText::parse(QString::fromUtf8(fileBytes(path).mid(3)), u';', &rows));
        QCOMPARE(rows.value(0), (QStringList{"'=SOMMA(A1:A9)", "'+39 091 123", "'-ROSSI",
                                             "'@SUM(1)", "'\tTAB", "'\rCR", "-12,30", "+5", "-7.5",
                                             "12,30", "A=B", "'-", "'-12,", "'=\"A\";B"}));
    }

    // A byte that needs quotes, or a reference to decode, is found wherever it
    // is in a value of any length.
    void specialsAnywhere()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("speciali.csv");
        QList<QStringList> expected;
        {
            CsvWriter csv(path);
            for (int length = 1; length <= 40; ++length) {
                for (int at = 0; at < length; ++at) {
                    for (const QChar special : {u';', u'"', u'\n', u'\r'}) {
                        // Never first: a carriage return there also opens as text.
                        QString value = u'v' + QString(length, u'x');
                        value[1 + at] = special;
                        csv.writeRow({value});
                        expected << QStringList{value};
                    }
                    QByteArray sent(length, 'x');
                    sent.insert(at, "&amp;");
                    csv.xmlField(sent);
                    csv.endRow();
                    QString decoded(length, u'x');
                    decoded.insert(at, u'&');
                    expected << QStringList{decoded};
                }
            }
            QVERIFY(csv.commit());
        }
        QList<QStringList> rows;
        QVERIFY(CsvText::parse(QString::fromUtf8(fileBytes(path).mid(3)), u';', &rows));
        QCOMPARE(rows, expected);
    }

    // A row handed whole gives the bytes of the same values written one by
    // one: whatever their length, wherever a byte to quote or a reference
    // stands, whatever they begin with, read sixteen bytes at a time or not.
    void wholeRowsAsFieldByField_data() { roundTrip_data(); }
    void wholeRowsAsFieldByField()
    {
        QFETCH(QChar, separator);
        QList<QByteArray> values = {
            "",        "A",   "-",       "=",   "@",   "-12,30", "=1",    "+5",
            "+39 091", "@X",  " SPAZIO", "\tT", "\rC", "\"Q\"",  "00123", "NICCOL\xC3\x92",
            "A,B",     "A\tB"};
        for (int length = 1; length <= 40; ++length) {
            values << QByteArray(length, 'x') << QByteArray(length, '7');
            for (int at = 0; at < length; ++at) {
                for (const char special : {';', '"', '\n', '\r'}) {
                    QByteArray value = 'v' + QByteArray(length, 'x');
                    value[1 + at] = special;
                    values << value;
                }
                values << QByteArray(length, 'x').insert(at, "&amp;");
            }
        }
        // Values that may be read past their end lie in one run with room
        // after them; the others each in an array of their own size.
        QByteArray pool;
        QList<qsizetype> starts;
        for (const QByteArray& value : std::as_const(values)) {
            starts << pool.size();
            pool += value + QByteArray(16, '<');
        }
        QTemporaryDir dir;
        const QString whole = dir.filePath("intere.csv");
        const QString single = dir.filePath("singole.csv");
        {
            CsvWriter rows(whole, separator);
            CsvWriter fields(single, separator);
            using Value = CsvWriter::Value;
            for (qsizetype i = 0; i < values.size(); ++i) {
                const QByteArrayView padded(pool.constData() + starts[i], values[i].size());
                const bool digits = !values[i].isEmpty() &&
                                    std::all_of(values[i].begin(), values[i].end(),
                                                [](char c) { return c >= '0' && c <= '9'; });
                const QList<Value> row = {{values[i], Value::Text, false},
                                          {padded, Value::Xml, true},
                                          {"mezzo", Value::Text, false},
                                          {values[i], Value::Xml, false},
                                          {padded, Value::Text, true},
                                          {padded, digits ? Value::Plain : Value::Text, true}};
                rows.writeRow(row.constData(), row.size());
                for (const Value& v : row) {
                    if (v.kind == Value::Xml)
                        fields.xmlField(v.utf8);
                    else
                        fields.field(v.utf8);
                }
                fields.endRow();
            }
            QVERIFY(rows.commit());
            QVERIFY(fields.commit());
        }
        const QByteArray expected = fileBytes(single);
        QVERIFY(expected.contains("'=1") && expected.contains("\"v\"\"x\""));
        QCOMPARE(fileBytes(whole), expected);
    }

    // Whatever stands at the name is replaced, never written through: a link
    // to a file leaves that file as it was, a link to nowhere makes nothing
    // where it points. A file replaced keeps its permissions.
    void linksAreReplacedNotFollowed()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("bersaglio.txt");
        {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("bersaglio");
        }
        const QString nowhere = dir.filePath("assente.txt");
        for (const QString& kind : {QStringLiteral("csv"), QStringLiteral("xlsx")}) {
            for (const QString& pointsTo : {target, nowhere}) {
                const QString path = dir.filePath(QStringLiteral("collegamento.") + kind);
                QFile::remove(path);
                QVERIFY(QFile::link(pointsTo, path));
                if (kind == u"csv") {
                    CsvWriter csv(path);
                    csv.writeRow({u"NUOVO"});
                    QVERIFY(csv.commit());
                } else {
                    XlsxBook book(path);
                    book.text(book.addSheet(QStringLiteral("Errori")), 0, 0, QStringLiteral("X"));
                    QVERIFY(book.commit());
                }
                QVERIFY(!QFileInfo(path).isSymLink());
                QVERIFY(QFileInfo(path).size() > 0);
                QCOMPARE(fileBytes(target), QByteArray("bersaglio"));
                QVERIFY(!QFileInfo::exists(nowhere));
            }
        }
        const QFile::Permissions own =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QVERIFY(QFile::setPermissions(target, own));
        CsvWriter csv(target);
        csv.writeRow({u"NUOVO"});
        QVERIFY(csv.commit());
        QCOMPARE(QFile::permissions(target), own);
    }

    // A file that cannot be written is reported by name and leaves the earlier
    // file whole: in a read-only folder, and when the disk fills part-way.
    void failureKeepsEarlierFile()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("sola-lettura");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/errori.csv";
        {
            CsvWriter first(path);
            first.writeRow({u"PRIMA"});
            QVERIFY(first.commit());
        }
        const QByteArray earlier = fileBytes(path);
        {
            ReadOnlyFolder readOnly(folder);
            QVERIFY(readOnly.isActive());
            CsvWriter csv(path);
            for (int i = 0; i < 20000; ++i)
                csv.writeRow({u"DOPO", u"1234,50"});
            QVERIFY(!csv.commit());
            QCOMPARE(csv.errorText(), "IMPOSSIBILE SCRIVERE IL FILE " + path);
        }
        QCOMPARE(fileBytes(path), earlier);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"errori.csv"});

        // Abandoned without commit: nothing changes either.
        {
            CsvWriter csv(path);
            csv.writeRow({u"ABBANDONATO"});
        }
        QCOMPARE(fileBytes(path), earlier);

        // The target is a folder: nothing can replace it.
        const QString folderTarget = dir.filePath("cartella.csv");
        QVERIFY(QDir().mkpath(folderTarget));
        CsvWriter csv(folderTarget);
        csv.writeRow({u"X"});
        QVERIFY(!csv.commit());
        QVERIFY(csv.errorText().endsWith("cartella.csv"));
    }

    // A file of several megabytes comes out whole, written in one piece or
    // in pieces of any size; a large earlier file at the name is let go once
    // replaced, and nothing else stays in the folder.
    void largeFilesWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("grande.bin");
        QByteArray bytes(5 * 1024 * 1024 + 123, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919) >> 8);
        const qsizetype openBefore = openFiles();
        const QList<QList<qsizetype>> pieces = {
            {bytes.size()}, {1, 3 * 1024 * 1024 + 5, 4096}, {2 * 1024 * 1024, 2 * 1024 * 1024}};
        for (const QList<qsizetype>& sizes : pieces) {
            bytes[sizes.size()] = 'x'; // each file differs from the one before
            ReplacedFile file(path);
            QVERIFY(file.open());
            qsizetype at = 0;
            for (const qsizetype size : sizes) {
                QCOMPARE(file.device().write(bytes.constData() + at, size), size);
                at += size;
            }
            QCOMPARE(file.device().write(bytes.constData() + at, bytes.size() - at), bytes.size() - at);
            QVERIFY(file.commit());
            QCOMPARE(fileBytes(path), bytes);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"grande.bin"});
        QTRY_COMPARE(openFiles(), openBefore);
    }

    // The dialog proposes the documents folder first, then the folder last
    // chosen; the filter's extension is added when left out; cancelling keeps
    // the folder.
    void fileDialogRemembersFolder()
    {
        QTemporaryDir dir;
        QTemporaryDir home;
        const QByteArray savedHome = qgetenv("HOME");
        const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", savedHome);
            qputenv("XDG_CONFIG_HOME", savedConfig);
        });
        QString proposed;
        QString answer = dir.filePath("scelto");
        ExportFileDialog::setChooser(
            [&](QWidget*, const QString&, const QString& path, const QString& filter) {
                proposed = path;
                Q_UNUSED(filter);
                return answer;
            });
        // No documents folder: the home folder, never the working folder.
        QCOMPARE(
            ExportFileDialog::choose(nullptr, "Esporta", "x.csv", ExportFileDialog::csvFilter()),
            dir.filePath("scelto.csv"));
        QCOMPARE(proposed, QDir(home.path()).filePath("x.csv"));
        ExportFileDialog::setLastFolder(QString());
        QVERIFY(QDir(home.path()).mkdir("Documents"));
        QCOMPARE(ExportFileDialog::choose(nullptr, "Esporta", "errori_2025_03.csv",
                                          ExportFileDialog::csvFilter()),
                 dir.filePath("scelto.csv"));
        QCOMPARE(proposed, home.filePath("Documents/errori_2025_03.csv"));

        answer.clear();
        QCOMPARE(ExportFileDialog::choose(nullptr, "Esporta", "errori_2025_annuo.pdf",
                                          ExportFileDialog::pdfFilter()),
                 QString());
        QCOMPARE(proposed, dir.filePath("errori_2025_annuo.pdf"));

        answer = dir.filePath("altro.PDF");
        QCOMPARE(
            ExportFileDialog::choose(nullptr, "Esporta", "x.pdf", ExportFileDialog::pdfFilter()),
            dir.filePath("altro.PDF"));
        ExportFileDialog::reset();
        QCOMPARE(ExportFileDialog::lastFolder(), home.filePath("Documents"));
    }
};

QTEST_GUILESS_MAIN(CsvWriterTest)
#include "test_csv_writer.moc"
