#pragma once

#include <QByteArray>

namespace Demo {

// Appends UTF-8 text to an answer exactly as SoapMessage::escape writes it:
// markup characters escaped, characters XML cannot carry replaced.
namespace Utf8Escape {

void append(QByteArray& out, const char* text, qsizetype size);

} // namespace Utf8Escape

} // namespace Demo
