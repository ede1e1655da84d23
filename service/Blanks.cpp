#include "Blanks.h"

QString Blanks::trim(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin).toString();
}

QString Blanks::fit(QStringView text, int width)
{
    if (text.size() >= width)
        return text.left(width).toString();
    QString out = text.toString();
    out.append(QString(width - text.size(), u' '));
    return out;
}
