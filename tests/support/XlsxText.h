#pragma once

#include <QJsonObject>
#include <QString>

// A spreadsheet read back by openpyxl, as a spreadsheet program reads it:
// {"sheets": [{"name", "freeze", "filter", "widths", "rows": [[{"t", "v", "f",
// "b"} or null]]}]}. Empty when the file could not be read.
namespace XlsxText {

QJsonObject read(const QString& path);

} // namespace XlsxText
