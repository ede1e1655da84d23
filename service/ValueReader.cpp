#include "ValueReader.h"

#include "Blanks.h"

static QString startTag(QStringView tag)
{
    return u'<' + tag.toString() + u'>';
}

bool ValueReader::hasTag(QStringView line, QStringView tag)
{
    return line.contains(startTag(tag));
}

QString ValueReader::LEGGI_VALORE(QStringView line, QStringView tag)
{
    const QString open = startTag(tag);
    const qsizetype a = line.indexOf(open);
    if (a < 0)
        return {};
    const qsizetype from = a + open.size();
    const qsizetype b = line.indexOf(QString("</" + tag.toString() + u'>'), from);
    return Blanks::trim(b < 0 ? line.mid(from) : line.mid(from, b - from));
}
