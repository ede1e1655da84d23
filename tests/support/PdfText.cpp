#include "PdfText.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

QByteArray run(const QStringList& arguments, const QString& program = QStringLiteral("pdftotext"))
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return {};
    }
    return process.readAllStandardOutput();
}

QString unescaped(QString html)
{
    html.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    html.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    html.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    html.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    html.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return html;
}

} // namespace

QStringList PdfText::pages(const QString& path)
{
    const QString all =
        QString::fromUtf8(run({QStringLiteral("-layout"), path, QStringLiteral("-")}));
    QStringList result;
    for (const QString& page : all.split(u'\f', Qt::SkipEmptyParts)) {
        const QString folded = page.simplified();
        if (!folded.isEmpty())
            result << folded;
    }
    return result;
}

QString PdfText::text(const QString& path)
{
    return pages(path).join(u' ');
}

QList<QList<PdfText::Word>> PdfText::words(const QString& path)
{
    const QString html =
        QString::fromUtf8(run({QStringLiteral("-bbox"), path, QStringLiteral("-")}));
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(.*?)</word>)re"));
    QList<QList<Word>> result;
    for (const QString& page : html.split(QStringLiteral("<page "), Qt::SkipEmptyParts).mid(1)) {
        QList<Word> list;
        for (auto it = word.globalMatch(page); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            list.append({unescaped(m.captured(5)),
                         QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
        }
        result.append(list);
    }
    return result;
}

QList<QPair<QString, bool>> PdfText::fonts(const QString& path)
{
    // name, type, encoding, emb, sub, uni, object, generation; the name and
    // the type may hold blanks, the last six columns do not.
    const QStringList lines =
        QString::fromUtf8(run({path}, QStringLiteral("pdffonts"))).split(u'\n').mid(2);
    QList<QPair<QString, bool>> result;
    for (const QString& line : lines) {
        const QStringList columns = line.split(u' ', Qt::SkipEmptyParts);
        if (columns.size() >= 7)
            result.append({columns.first(), columns[columns.size() - 5] == u"yes"});
    }
    return result;
}

QString PdfText::metadata(const QString& path)
{
    return QString::fromUtf8(run({QStringLiteral("-meta"), path}, QStringLiteral("pdfinfo")));
}
