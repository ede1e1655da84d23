#pragma once

#include <QString>
#include <QStringView>

// The 15-character prescription number, typed in two parts, and its check character.
class PrescriptionNumber
{
public:
    static constexpr int width = 15;

    // The trimmed first part followed by the trimmed second part.
    static QString join(QStringView first, QStringView second);

    // Only upper-case letters A-Z and digits 0-9: the number goes into a query
    // text the service runs, so nothing else may reach it.
    static bool hasOnlyLettersAndDigits(QStringView joined);

    // Whether the number carries a check character: not for a "999" prefix, a
    // fifth character "A", or a prefix whose numeric value is not above 0.
    static bool checkApplies(QStringView numrickey);

    // The value characters 6 to 14 give, modulo 9: what the 15th must be.
    static int checkDigit(QStringView numrickey);

    // True when the check does not apply or the 15th character is the check
    // digit. A 15th character that is not a digit never passes.
    static bool passes(QStringView numrickey);

    // "Numero ricetta errato - Controllo Nr " and the expected digit.
    static QString wrongCheckMessage(QStringView numrickey);
};
