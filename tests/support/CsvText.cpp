#include "CsvText.h"

bool CsvText::parse(const QString& text, QChar separator, QList<QStringList>* rows)
{
    QStringList row;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == separator) {
            row << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'\r') {
            if (i + 1 >= text.size() || text[i + 1] != u'\n')
                return false;
            ++i;
            row << field;
            field.clear();
            wasQuoted = false;
            rows->append(row);
            row.clear();
        } else if (c == u'\n' || c == u'"' || wasQuoted) {
            return false;
        } else {
            field += c;
        }
    }
    return !quoted && row.isEmpty() && field.isEmpty();
}
