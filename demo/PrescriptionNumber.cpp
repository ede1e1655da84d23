#include "PrescriptionNumber.h"

namespace Demo {

namespace PrescriptionNumber {
namespace {

bool allDigits(QStringView text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

// The value of the number at the start of the text, as the operator's program
// reads it: blanks skipped, digits up to the first other character.
int leadingValue(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    int value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return value;
}

} // namespace

bool isCheckExempt(QStringView number)
{
    if (number.size() < 5)
        return true;
    return number.left(3) == u"999" || number[4] == u'A' || leadingValue(number.left(3)) <= 0;
}

int checkDigit(QStringView first14)
{
    if (first14.size() < 14 || !allDigits(first14.mid(5, 9)))
        return -1;
    return first14.mid(5, 9).toInt() % 9;
}

bool isValid(QStringView number)
{
    if (number.size() != 15)
        return false;
    if (isCheckExempt(number))
        return true;
    const int check = checkDigit(number);
    return check >= 0 && number[14] == QChar(u'0' + check);
}

} // namespace PrescriptionNumber

} // namespace Demo
