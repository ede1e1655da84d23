#include "FiscalCode.h"

namespace Demo {

namespace FiscalCode {
namespace {

// Values of a character in an odd position (1st, 3rd, ...), for 0-9 and A-Z.
constexpr int kOddDigit[10] = {1, 0, 5, 7, 9, 13, 15, 17, 19, 21};
constexpr int kOddLetter[26] = {1,  0,  5,  7,  9,  13, 15, 17, 19, 21, 2,  4,  18,
                                20, 11, 3,  6,  8,  12, 14, 16, 10, 22, 25, 24, 23};
constexpr char kMonths[] = "ABCDEHLMPRST";

QString lettersOnly(const QString& text)
{
    // Decompose accented letters and keep the base letters A-Z only.
    const QString decomposed = text.toUpper().normalized(QString::NormalizationForm_D);
    QString out;
    for (QChar c : decomposed) {
        if (c >= u'A' && c <= u'Z')
            out += c;
    }
    return out;
}

bool isVowel(QChar c)
{
    return c == u'A' || c == u'E' || c == u'I' || c == u'O' || c == u'U';
}

void split(const QString& letters, QString& consonants, QString& vowels)
{
    for (QChar c : letters)
        (isVowel(c) ? vowels : consonants) += c;
}

QString threeLetters(QString text)
{
    text = text.left(3);
    while (text.size() < 3)
        text += u'X';
    return text;
}

QString surnamePart(const QString& surname)
{
    QString consonants, vowels;
    split(lettersOnly(surname), consonants, vowels);
    return threeLetters(consonants + vowels);
}

QString namePart(const QString& name)
{
    QString consonants, vowels;
    split(lettersOnly(name), consonants, vowels);
    if (consonants.size() >= 4)
        return QString(consonants[0]) + consonants[2] + consonants[3];
    return threeLetters(consonants + vowels);
}

} // namespace

QChar checkCharacter(QStringView first15)
{
    if (first15.size() != 15)
        return {};
    int sum = 0;
    for (qsizetype i = 0; i < 15; ++i) {
        const QChar c = first15[i];
        const bool odd = (i % 2) == 0; // positions counted from 1
        if (c >= u'0' && c <= u'9') {
            const int d = c.unicode() - u'0';
            sum += odd ? kOddDigit[d] : d;
        } else if (c >= u'A' && c <= u'Z') {
            const int l = c.unicode() - u'A';
            sum += odd ? kOddLetter[l] : l;
        } else {
            return {};
        }
    }
    return QChar(u'A' + sum % 26);
}

bool isValid(QStringView code)
{
    if (code.size() != 16)
        return false;
    const QChar check = checkCharacter(code.left(15));
    return !check.isNull() && check == code[15];
}

QString compute(const QString& surname, const QString& name, QDate birth, Sex sex,
                const QString& cadastralCode)
{
    QString code = surnamePart(surname) + namePart(name);
    code += QString::number(birth.year() % 100).rightJustified(2, u'0');
    code += QChar::fromLatin1(kMonths[birth.month() - 1]);
    code += QString::number(birth.day() + (sex == Sex::Female ? 40 : 0)).rightJustified(2, u'0');
    code += cadastralCode.toUpper();
    return code + checkCharacter(code);
}

} // namespace FiscalCode

} // namespace Demo
