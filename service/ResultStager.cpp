#include "ResultStager.h"

std::optional<QString> ResultStager::cut(QString response, const QString& operation,
                                         bool replaceCommas)
{
    if (replaceCommas)
        response.replace(u',', u'.');
    if (!response.contains(u'<' + operation + "Result"))
        return std::nullopt;

    // Right after the first "OPResult>"; when that is missing (a self-closing
    // start tag) the answer loses as many characters as the marker has, less one.
    const QString startMarker = operation + "Result>";
    const qsizetype q = response.indexOf(startMarker);
    const qsizetype from = q >= 0 ? q + startMarker.size() : startMarker.size() - 1;
    QString result = response.mid(from);

    const qsizetype end = result.indexOf("</" + operation + "Result");
    if (end >= 0)
        result.truncate(end);
    return result;
}

QString ResultStager::split(QStringView cutText)
{
    QString out;
    out.reserve(cutText.size() + cutText.size() / 16);
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = cutText.indexOf(u"><", from);
        if (p < 0)
            break;
        out.append(cutText.mid(from, p + 1 - from));
        out.append(u'\r');
        from = p + 1;
    }
    out.append(cutText.mid(from));
    return out;
}
