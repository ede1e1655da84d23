#include "PrescriptionNumber.h"

#include "Blanks.h"
#include "NumberText.h"

QString PrescriptionNumber::join(QStringView first, QStringView second)
{
    return Blanks::trim(first) + Blanks::trim(second);
}

bool PrescriptionNumber::hasOnlyLettersAndDigits(QStringView joined)
{
    for (QChar c : joined) {
        const char16_t u = c.unicode();
        if (!((u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')))
            return false;
    }
    return true;
}

bool PrescriptionNumber::checkApplies(QStringView numrickey)
{
    const QStringView prefix = numrickey.left(3);
    if (prefix == u"999")
        return false;
    if (numrickey.size() >= 5 && numrickey[4] == u'A')
        return false;
    return NumberText::leadingNumber(prefix) > 0;
}

int PrescriptionNumber::checkDigit(QStringView numrickey)
{
    const qint32 value = NumberText::toInt32(NumberText::leadingNumber(numrickey.mid(5, 9)));
    return value % 9;
}

bool PrescriptionNumber::passes(QStringView numrickey)
{
    if (!checkApplies(numrickey))
        return true;
    if (numrickey.size() < width)
        return false;
    const QChar last = numrickey[width - 1];
    return last.isDigit() && last.digitValue() == checkDigit(numrickey);
}

QString PrescriptionNumber::wrongCheckMessage(QStringView numrickey)
{
    const int digit = checkDigit(numrickey);
    // A non-negative number is written with a leading blank.
    return QStringLiteral("Numero ricetta errato - Controllo Nr ") +
           (digit >= 0 ? QStringLiteral(" ") : QString()) + QString::number(digit);
}
