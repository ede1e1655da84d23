#pragma once

#include <QString>

namespace Demo {

// Amounts as the service writes them: a decimal comma, no grouping.
namespace Money {

// 1250 -> "12,50", -5 -> "-0,05".
QString format(qint64 cents);

// "12,50" or "12.5" -> 1250; text that is not an amount gives 0.
qint64 parseCents(const char* text);

// 304 -> "30,4".
QString formatTenths(qint64 tenths);

} // namespace Money

} // namespace Demo
