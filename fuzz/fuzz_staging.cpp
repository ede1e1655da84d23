// Fuzzes the path of a service answer: cutting the result out, splitting it one
// element per line, writing and reading the staging file, and reading values
// and numbers back. The first line of the input is the operation name, the
// rest is the answer.

#include "NumberText.h"
#include "ResultStager.h"
#include "StagingFolder.h"
#include "ValueReader.h"

#include <QLocale>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

qsizetype occurrences(QStringView text, QStringView what)
{
    qsizetype count = 0;
    for (qsizetype at = text.indexOf(what); at >= 0; at = text.indexOf(what, at + what.size()))
        ++count;
    return count;
}

void checkCut(const QString& answer, const QString& operation, const std::optional<QString>& result)
{
    check(result.has_value() == answer.contains(u'<' + operation + "Result"));
    if (!result)
        return;
    check(answer.contains(*result));
    check(!result->contains("</" + operation + "Result"));
}

void checkSplit(const QString& text, const QString& split)
{
    const qsizetype boundaries = occurrences(text, u"><");
    check(split.size() == text.size() + boundaries);
    check(split.count(u'\r') == text.count(u'\r') + boundaries);
    check(!split.contains(u"><"));
    if (!text.contains(u'\r'))
        check(QString(split).remove(u'\r') == text);
}

void checkLines(const QString& staged, const QStringList& lines)
{
    // The staged text ends with CR LF: one line per CR, none holding a CR.
    check(lines.size() == staged.count(u'\r'));
    QString expected = staged;
    expected.chop(2);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    check(lines.join(u'\r') == expected);
}

void checkValue(QStringView line, QStringView tag)
{
    const QString value = ValueReader::LEGGI_VALORE(line, tag);
    if (!ValueReader::hasTag(line, tag)) {
        check(value.isEmpty());
        return;
    }
    check(line.contains(value));
    check(!value.startsWith(u' ') && !value.endsWith(u' '));

    // Values become numbers the way the windows show them; any text must
    // convert without overflow (the sanitizers watch the casts).
    const double number = NumberText::leadingNumber(value);
    check(NumberText::toInt16(number) == NumberText::roundHalfEven(number, -32768, 32767));
    check(!NumberText::money(number, QLocale::c()).isEmpty());
    check(NumberText::zeroPadded(number, 9).size() >= 9);
}

const QString& stagingDir()
{
    static const QTemporaryDir dir;
    static const QString path = dir.path();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = input.indexOf(u'\n');
    const QString operation = newline < 0 ? input : input.left(newline);
    const QString answer = newline < 0 ? QString() : input.mid(newline + 1);

    const std::optional<QString> plain = ResultStager::cut(answer, operation, false);
    checkCut(answer, operation, plain);
    const std::optional<QString> dotted = ResultStager::cut(answer, operation, true);
    checkCut(QString(answer).replace(u',', u'.'), operation, dotted);
    // Turning commas into full stops moves nothing, so the two cuts agree
    // unless the operation name itself holds one of those characters.
    if (!operation.contains(u',') && !operation.contains(u'.')) {
        check(plain.has_value() == dotted.has_value());
        if (plain)
            check(QString(*plain).replace(u',', u'.') == *dotted);
    }

    // The one-pass staging writes exactly what cutting and splitting give.
    for (const auto& [cut, commas] : {std::pair{&plain, false}, std::pair{&dotted, true}}) {
        const std::optional<QByteArray> staged =
            ResultStager::stagedBytes(answer, operation, commas);
        check(staged.has_value() == cut->has_value());
        if (staged)
            check(*staged == ResultStager::split(**cut).toUtf8() + "\r\n");
    }

    // The answer kept in UTF-8 stages the same bytes as its text, even where
    // the input is not UTF-8. The view ends where the fuzzer's buffer does, so
    // a read past it is caught.
    const auto* bytes = reinterpret_cast<const char*>(data);
    const void* newlineByte = std::memchr(bytes, '\n', size);
    if (newlineByte) {
        const char* from = static_cast<const char*>(newlineByte) + 1;
        const QByteArrayView raw(from, bytes + size - from);
        for (bool commas : {false, true}) {
            check(ResultStager::stagedBytes(raw, operation, commas) ==
                  ResultStager::stagedBytes(QString::fromUtf8(raw), operation, commas));
        }
    }

    const QString text = dotted ? *dotted : answer;
    const QString split = ResultStager::split(text);
    checkSplit(text, split);
    const QStringList lines = StagingFolder::splitLines(split + "\r\n");
    checkLines(split + "\r\n", lines);

    // What is written is what is read back, accents and all. Only one input in
    // 16 goes to disk: the file system would otherwise dominate the run.
    static unsigned calls = 0;
    if (calls++ % 16 == 0) {
        const StagingFolder staging(stagingDir());
        if (staging.write(StagingFolder::exportFile, split))
            check(staging.readLines(StagingFolder::exportFile) == lines);
    }

    static const QString tags[] = {QStringLiteral("ID"), QStringLiteral("Farmacia"),
                                   QStringLiteral("Lordo"), QStringLiteral("Errore")};
    for (const QString& line : lines) {
        for (const QString& tag : tags)
            checkValue(line, tag);
        if (!operation.isEmpty())
            checkValue(line, operation);
    }
    if (plain)
        checkValue(*plain, u"ID");
    return 0;
}
