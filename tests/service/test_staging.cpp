#include "ResultStager.h"
#include "ResultStream.h"
#include "ServiceCall.h"
#include "StagedText.h"
#include "StagingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {
QString soapAnswer(const QString& operation, const QString& result)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
           "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><" +
           operation + "Response xmlns=\"http://tempuri.org/\">" + result + "</" + operation +
           "Response></soap:Body></soap:Envelope>";
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

class TestStaging : public QObject
{
    Q_OBJECT
private slots:
    void cut_data()
    {
        QTest::addColumn<QString>("response");
        QTest::addColumn<bool>("replaceCommas");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("result");

        const QString login = "<LoginUserResult><ID>5</ID><Prov>XX</Prov></LoginUserResult>";
        QTest::newRow("found") << soapAnswer("LoginUser", login) << false << true
                               << "<ID>5</ID><Prov>XX</Prov>";
        QTest::newRow("case-sensitive")
            << soapAnswer("LoginUser", "<loginuserresult><ID>5</ID></loginuserresult>") << false
            << false << "";
        QTest::newRow("empty answer") << "" << false << false << "";
        QTest::newRow("transport error") << "Error: 1 - Connection refused" << true << false << "";
        QTest::newRow("first start, first end after it")
            << soapAnswer("LoginUser", login + "<LoginUserResult><ID>9</ID></LoginUserResult>")
            << false << true << "<ID>5</ID><Prov>XX</Prov>";
        QTest::newRow("end tag missing: runs to the end")
            << "<LoginUserResult><ID>5</ID></x>" << false << true << "<ID>5</ID></x>";
        QTest::newRow("empty result")
            << soapAnswer("LoginUser", "<LoginUserResult></LoginUserResult>") << false << true
            << "";
        // A self-closing start tag still counts as found; the text after the
        // first 15 characters of the answer is staged, and holds no data tag.
        QTest::newRow("self-closing") << "<a><b>xxxxxxxxxxx<LoginUserResult/></b></a>" << false
                                      << true << "xx<LoginUserResult/></b></a>";
        QTest::newRow("commas replaced everywhere")
            << "<d a=\"1,2\"><LoginUserResult><Lordo>12,50</Lordo></LoginUserResult>" << true
            << true << "<Lordo>12.50</Lordo>";
        QTest::newRow("commas kept")
            << "<LoginUserResult><Ragsoc>Rossi, Bianchi</Ragsoc></LoginUserResult>" << false << true
            << "<Ragsoc>Rossi, Bianchi</Ragsoc>";
    }
    void cut()
    {
        QFETCH(QString, response);
        QFETCH(bool, replaceCommas);
        QFETCH(bool, found);
        QFETCH(QString, result);
        const std::optional<QString> cut = ResultStager::cut(response, "LoginUser", replaceCommas);
        QCOMPARE(cut.has_value(), found);
        if (found)
            QCOMPARE(*cut, result);
    }

    void split()
    {
        QCOMPARE(ResultStager::split(u"<ID>5</ID><Prov>XX</Prov>"),
                 QStringLiteral("<ID>5</ID>\r<Prov>XX</Prov>"));
        QCOMPARE(ResultStager::split(u"OK"), QStringLiteral("OK"));
        QCOMPARE(ResultStager::split(u""), QString());
        QCOMPARE(ResultStager::split(u"><><"), QStringLiteral(">\r<>\r<"));
        QCOMPARE(ResultStager::split(u"<a>x\ny</a>\r\n<b/>"),
                 QStringLiteral("<a>x\ny</a>\r\n<b/>"));
    }

    // The one-pass staging gives the bytes of the step-by-step one, whatever
    // the answer holds.
    void stagedBytesMatchCutThenSplit_data()
    {
        QTest::addColumn<QString>("response");
        QTest::addColumn<QString>("operation");
        const QString accents = QStringLiteral("Nicolò Ferrà €, 𝄞");
        QTest::newRow("records") << soapAnswer("Op", "<OpResult><a>1,5</a><b>" + accents +
                                                         "</b><c/></OpResult>")
                                 << "Op";
        QTest::newRow("empty result") << "<OpResult></OpResult>"
                                      << "Op";
        QTest::newRow("not found") << "<opresult>1</opresult>"
                                   << "Op";
        QTest::newRow("no end tag") << "<OpResult><a>x</a>><<"
                                    << "Op";
        QTest::newRow("self-closing") << "<a>,,,,<b><OpResult/></b>,</a>"
                                      << "Op";
        QTest::newRow("lone surrogate") << QStringLiteral("<OpResult><a>") + QChar(0xD834) +
                                               QStringLiteral("</a>,<b/></OpResult>")
                                        << "Op";
        QTest::newRow("self-closing cut inside a character")
            << QString::fromUtf8("abcdef\xF0\x9D\x84\x9E,<OpResult/><a>1</a>") << "Op";
        QString records;
        for (int i = 0; i < 6000; ++i)
            records += QStringLiteral("<R><E/><E/><E/><E/><E/><E/><N>Città %1,5</N></R>").arg(i);
        QTest::newRow("answer longer than a slice")
            << soapAnswer("Op", "<OpResult>" + records + "</OpResult>") << "Op";
        QTest::newRow("line ends kept") << "<OpResult><a>x\r\ny</a>\n<b>\r</b></OpResult>"
                                        << "Op";
        // Comma replacement moves the markers here: "O.p" only matches once
        // the comma has become a full stop.
        QTest::newRow("operation with a full stop") << "<O,pResult><a>1,5</a></O,pResult>"
                                                    << "O.p";
        QTest::newRow("operation with a comma") << "<O,pResult><a>1</a></O,pResult>"
                                                << "O,p";
    }
    void stagedBytesMatchCutThenSplit()
    {
        QFETCH(QString, response);
        QFETCH(QString, operation);
        for (bool replaceCommas : {false, true}) {
            const std::optional<QString> cut =
                ResultStager::cut(response, operation, replaceCommas);
            const std::optional<QByteArray> staged =
                ResultStager::stagedBytes(response, operation, replaceCommas);
            QCOMPARE(staged.has_value(), cut.has_value());
            if (cut)
                QCOMPARE(*staged, ResultStager::split(*cut).toUtf8() + "\r\n");
        }
    }

    // An answer kept in UTF-8 stages the bytes its text would, whatever it
    // holds: sequences that are not UTF-8 (the text has replacement characters
    // there), a missing start marker, odd names, slice boundaries.
    void utf8AnswerStagesLikeItsText_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("operation");
        QTest::newRow("records") << soapAnswer("Op", "<OpResult><a>1,5</a><b>Nicolò € 𝄞</b>"
                                                     "<c/></OpResult>")
                                        .toUtf8()
                                 << "Op";
        QTest::newRow("not found") << QByteArray("<opresult>1</opresult>") << "Op";
        QTest::newRow("no end tag") << QByteArray("<OpResult><a>x</a>><<") << "Op";
        QTest::newRow("byte order mark")
            << QByteArray("\xEF\xBB\xBF<OpResult><a>1</a></OpResult>") << "Op";
        QTest::newRow("invalid bytes")
            << QByteArray("<OpResult><a>\xC3</a>\xFF,<b>\xE2\x82</b><c>\xED\xA0\x80</c></OpResult>")
            << "Op";
        QTest::newRow("invalid byte before the end marker")
            << QByteArray("<OpResult><a>1</a>\xF0\x9D</OpResult>") << "Op";
        QTest::newRow("self-closing cut inside a character")
            << QByteArray("abcdef\xF0\x9D\x84\x9E,<OpResult/><a>1</a>") << "Op";
        QTest::newRow("operation with a full stop")
            << QByteArray("<O,pResult><a>1,5</a></O,pResult>") << "O.p";
        QTest::newRow("accented operation")
            << QString("<OpàResult><a>1,5</a></OpàResult>").toUtf8() << QStringLiteral("Opà");
        QByteArray records;
        for (int i = 0; i < 6000; ++i)
            records += "<R><E/><E/><E/>\r\n<E/><N>Città " + QByteArray::number(i) + ",5</N></R>";
        QTest::newRow("answer longer than a slice")
            << soapAnswer("Op", "<OpResult>" + QString::fromUtf8(records) + "</OpResult>").toUtf8()
            << "Op";
        QTest::newRow("invalid bytes, longer than a slice")
            << QByteArray("<OpResult>" + records + "\xFF</OpResult>") << "Op";
    }
    void utf8AnswerStagesLikeItsText()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, operation);
        const QString text = QString::fromUtf8(response);
        for (bool replaceCommas : {false, true}) {
            QCOMPARE(ResultStager::hasResult(QByteArrayView(response), operation, replaceCommas),
                     ResultStager::hasResult(text, operation, replaceCommas));
            QCOMPARE(ResultStager::stagedBytes(QByteArrayView(response), operation, replaceCommas),
                     ResultStager::stagedBytes(text, operation, replaceCommas));
        }
    }

    // Staged as it arrives, in pieces of any size, an answer gives each file
    // the bytes of the whole answer staged at once, commas replaced or not;
    // until the stream is committed the files keep what they held, and an
    // answer without its result leaves them as they were.
    void streamedAnswerStagesLikeTheWhole_data() { utf8AnswerStagesLikeItsText_data(); }
    void streamedAnswerStagesLikeTheWhole()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, operation);
        const QByteArray previous = "<ID>1</ID>\r\n";
        for (qsizetype pieceSize : {qsizetype(1), qsizetype(3), qsizetype(4096), response.size()}) {
            QTemporaryDir dir;
            StagingFolder staging(dir.path());
            QVERIFY(writeBytes(staging.path("commas.xml"), previous));
            QVERIFY(writeBytes(staging.path("plain.xml"), previous));
            ResultStream stream(staging, operation);
            stream.addFile("commas.xml", true);
            stream.addFile("plain.xml", false);
            for (qsizetype at = 0; at < response.size(); at += pieceSize) {
                stream.take(QByteArrayView(response).sliced(at).first(
                    std::min(pieceSize, response.size() - at)));
                if (at == response.size() / 2 / pieceSize * pieceSize)
                    QCOMPARE(fileBytes(staging.path("plain.xml")), previous);
            }
            stream.finish();
            const auto commas =
                ResultStager::stagedBytes(QByteArrayView(response), operation, true);
            const auto plain =
                ResultStager::stagedBytes(QByteArrayView(response), operation, false);
            QCOMPARE(stream.found(0), commas.has_value());
            QCOMPARE(stream.found(1), plain.has_value());
            QCOMPARE(fileBytes(staging.path("plain.xml")), previous);
            QCOMPARE(stream.commit(0), commas.has_value());
            QCOMPARE(stream.commit(1), plain.has_value());
            QCOMPARE(fileBytes(staging.path("commas.xml")), commas.value_or(previous));
            QCOMPARE(fileBytes(staging.path("plain.xml")), plain.value_or(previous));
        }
    }

    // An answer that stops part-way (a dropped connection, a timeout) is never
    // finished: its files keep what they held and no partial file is left behind.
    void unfinishedStreamLeavesTheFiles()
    {
        QTemporaryDir dir;
        StagingFolder staging(dir.path());
        QVERIFY(staging.write(StagingFolder::exportFile, "<ID>1</ID>"));
        const QByteArray previous = fileBytes(staging.path(StagingFolder::exportFile));
        {
            ResultStream stream(staging, "Op");
            stream.addFile(StagingFolder::exportFile, true);
            stream.addFile("report_xml.xml", false);
            stream.take("<OpResult><a>1</a><b>2</b>");
            stream.take(QByteArray(100000, 'x'));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{StagingFolder::exportFile});
        QCOMPARE(fileBytes(staging.path(StagingFolder::exportFile)), previous);
    }

    void splitLines()
    {
        QCOMPARE(StagingFolder::splitLines(u"a\rb\r\nc\nd\r\n"), QStringList({"a", "b", "c\nd"}));
        QCOMPARE(StagingFolder::splitLines(u"a\r\rb"), QStringList({"a", "", "b"}));
        QCOMPARE(StagingFolder::splitLines(u"last without end"), QStringList({"last without end"}));
        QCOMPARE(StagingFolder::splitLines(u"\r\n"), QStringList({""}));
        QCOMPARE(StagingFolder::splitLines(u""), QStringList());
    }

    void stageWritesUtf8LinesAndReadsThemBack()
    {
        QTemporaryDir dir;
        SoapClient client(ServiceConfig{});
        ServiceCall call(client, StagingFolder(dir.path()));
        const QString result = "<Farmacia>Farmacia Sant'Agata à è ì ò ù €</Farmacia>"
                               "<Nota>riga uno\nriga due</Nota><Lordo>1,5</Lordo>";
        const QString answer = soapAnswer("FarmacoDPCbyAIC", "<FarmacoDPCbyAICResult>" + result +
                                                                 "</FarmacoDPCbyAICResult>");

        QCOMPARE(call.stage(answer, "FarmacoDPCbyAIC", StagingFolder::exportFile, true),
                 ServiceCall::Staged::Found);
        const QString expected = "<Farmacia>Farmacia Sant'Agata à è ì ò ù €</Farmacia>\r"
                                 "<Nota>riga uno\nriga due</Nota>\r<Lordo>1.5</Lordo>";
        QCOMPARE(fileBytes(dir.filePath("export_xml.xml")), expected.toUtf8() + "\r\n");
        QCOMPARE(call.readLines(StagingFolder::exportFile),
                 QStringList({"<Farmacia>Farmacia Sant'Agata à è ì ò ù €</Farmacia>",
                              "<Nota>riga uno\nriga due</Nota>", "<Lordo>1.5</Lordo>"}));

        // An empty result still rewrites the file: one empty line.
        QCOMPARE(call.stage("<LoginUserResult></LoginUserResult>", "LoginUser",
                            StagingFolder::exportFile, false),
                 ServiceCall::Staged::Found);
        QCOMPARE(fileBytes(dir.filePath("export_xml.xml")), QByteArray("\r\n"));
        QCOMPARE(call.readLines(StagingFolder::exportFile), QStringList({""}));
        QCOMPARE(call.readLines("missing.xml"), QStringList());
    }

    // Reading a file a block at a time gives the lines the whole text gives,
    // wherever the blocks end: on a CR, between CR and LF, inside a character.
    void linesReadInBlocksMatchTheWholeText()
    {
        QTemporaryDir dir;
        const StagingFolder staging(dir.path());
        const QByteArray bytes = QStringLiteral("<A>à€</A>\r<B>x\ny</B>\r\n\r\r\n\uFEFF<C>😀,ü</C>\r"
                                                "\n<D></D>\rlast")
                                     .toUtf8() +
                                 "\xC3\r\xE2\x82\r\n";
        QVERIFY(staging.writeBytes("lines.xml", bytes));
        QStringList whole;
        for (QStringView line : StagedText(staging.readText("lines.xml")))
            whole.append(line.toString());
        QCOMPARE(whole.size(), 8);
        for (qsizetype block = 1; block <= bytes.size() + 1; ++block) {
            QStringList read;
            QVERIFY(staging.readBlocks(
                "lines.xml",
                [&](QStringView text) {
                    forEachStagedLine(text, [&](QStringView line) {
                        read.append(line.toString());
                        return true;
                    });
                    return true;
                },
                block));
            QCOMPARE(read, whole);
        }
        QCOMPARE(staging.readLines("lines.xml"), whole);
        // A byte order mark is dropped at the start of the file, as from the whole text.
        QVERIFY(staging.writeBytes("bom.xml", "\xEF\xBB\xBF<A>1</A>\r\n"));
        QCOMPARE(staging.readLines("bom.xml"), QStringList({"<A>1</A>"}));

        // Stopping early stops the reading; a missing file is told apart from an empty one.
        QStringList firstTwo;
        QVERIFY(staging.forEachLine("lines.xml", [&](QStringView line) {
            firstTwo.append(line.toString());
            return firstTwo.size() < 2;
        }));
        QCOMPARE(firstTwo, whole.mid(0, 2));
        QVERIFY(staging.writeBytes("empty.xml", {}));
        int lines = 0;
        QVERIFY(staging.forEachLine("empty.xml", [&](QStringView) { return ++lines > 0; }));
        QCOMPARE(lines, 0);
        QVERIFY(!staging.forEachLine("missing.xml", [&](QStringView) { return ++lines > 0; }));
    }

    void notFoundLeavesTheFileAsItWas()
    {
        QTemporaryDir dir;
        const QByteArray previous = "<Errore>12</Errore>\r<Descrizione>già</Descrizione>\r\n";
        QVERIFY(writeBytes(dir.filePath("errori_xml.xml"), previous));
        SoapClient client(ServiceConfig{});
        ServiceCall call(client, StagingFolder(dir.path()));
        for (const QString& answer : {QString(), QStringLiteral("Error: 5 - Operation canceled"),
                                      soapAnswer("LoadTabErrori", "<loadtaberroriresult/>")}) {
            QCOMPARE(call.stage(answer, "LoadTabErrori", StagingFolder::errorTableFile, true),
                     ServiceCall::Staged::NotFound);
            QCOMPARE(fileBytes(dir.filePath("errori_xml.xml")), previous);
        }
    }

    // A write that cannot complete is reported and never replaces the file
    // with a partial one.
    void failedWriteKeepsThePreviousFile()
    {
        QTemporaryDir dir;
        StagingFolder staging(dir.path());
        QVERIFY(staging.write(StagingFolder::exportFile, "<ID>1</ID>"));
        const QByteArray previous = fileBytes(staging.path(StagingFolder::exportFile));

        // The write fails part-way: the process may not grow a file past 4 KiB.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = staging.write(StagingFolder::exportFile, QString(100000, u'x'));
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written);
        QCOMPARE(fileBytes(staging.path(StagingFolder::exportFile)), previous);

        // The same while an answer is staged as it arrives.
        {
            ResultStream stream(staging, "Op");
            stream.addFile(StagingFolder::exportFile, true);
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            stream.take("<OpResult>" + QByteArray(100000, 'x') + "</OpResult>");
            stream.finish();
            setrlimit(RLIMIT_FSIZE, &saved);
            QVERIFY(stream.found(0));
            QVERIFY(!stream.commit(0));
        }
        QCOMPARE(fileBytes(staging.path(StagingFolder::exportFile)), previous);

        // The target is a folder: nothing can replace it.
        QVERIFY(QDir(dir.path()).mkdir(StagingFolder::errorTableFile));
        SoapClient client(ServiceConfig{});
        ServiceCall call(client, staging);
        QCOMPARE(call.stage("<LoadTabErroriResult><Errore>1</Errore></LoadTabErroriResult>",
                            "LoadTabErrori", StagingFolder::errorTableFile, true),
                 ServiceCall::Staged::WriteFailed);
        QVERIFY(QFileInfo(staging.path(StagingFolder::errorTableFile)).isDir());
    }

    // A program run from its build folder stages beside itself; an installed one
    // (desktop entry under <prefix>/share) always in the user's folder, even where
    // its own folder can be written.
    void folderChoice()
    {
        QTemporaryDir dir;
        const QString bin = dir.filePath("prefix/bin");
        const QString user = dir.filePath("home/.local/share/QuorvelDPC");
        QVERIFY(QDir().mkpath(bin));
        QCOMPARE(StagingFolder::choose(bin, user).folder(), bin);
        QVERIFY(!QFileInfo::exists(user));

        if (::geteuid() != 0) { // permissions do not hold back root
            QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
            QCOMPARE(StagingFolder::choose(bin, user).folder(), user);
            QVERIFY(QFileInfo(user).isDir());
            QVERIFY(
                QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QVERIFY(QDir(user).removeRecursively());
        }

        const QString applications = dir.filePath("prefix/share/applications");
        QVERIFY(QDir().mkpath(applications));
        QVERIFY(writeBytes(applications + "/quorvel-dpc.desktop", "[Desktop Entry]\n"));
        const StagingFolder installed = StagingFolder::choose(bin, user);
        QCOMPARE(installed.folder(), user);
        QVERIFY(QFileInfo(user).isDir());
        QVERIFY(installed.write(StagingFolder::exportFile, "<ID>1</ID>"));
        QCOMPARE(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }
};

QTEST_GUILESS_MAIN(TestStaging)
#include "test_staging.moc"
