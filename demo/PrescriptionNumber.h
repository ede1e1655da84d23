#pragma once

#include <QString>

namespace Demo {

// Fifteen-character prescription numbers. The last character of a checked
// number is the value of characters 6 to 14 modulo 9; numbers whose prefix is
// "999", whose fifth character is "A" (electronic prescriptions) or whose
// first three characters are not a positive number carry no check.
// The seed makes numbers with it, nine digits from the sixth on; the service
// never checks a number it is sent (it finds the prescription or not).
namespace PrescriptionNumber {

bool isCheckExempt(QStringView number);

// The check digit of a number given its first 14 characters (9 digits from
// the sixth on), or -1 when those are not digits.
int checkDigit(QStringView first14);

// True for an exempt number of 15 characters or a checked one whose last
// character is its check digit.
bool isValid(QStringView number);

} // namespace PrescriptionNumber

} // namespace Demo
