#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

// Reads CSV text strictly as RFC 4180 writes it: quoted fields with doubled
// quotes, rows ending in CRLF. A bare CR or LF outside quotes, a stray quote
// or a last row without its CRLF makes the reading fail.
namespace CsvText {

bool parse(const QString& text, QChar separator, QList<QStringList>* rows);

} // namespace CsvText
