#include "AicField.h"

#include "Blanks.h"

#include <QLineEdit>
#include <algorithm>

namespace {

constexpr int codeDigits = 9;

bool startsWithMark(QStringView text)
{
    return !text.isEmpty() && (text.front() == u'A' || text.front() == u'a');
}

} // namespace

void AicField::acceptReaderMark(QLineEdit* box)
{
    box->setMaxLength(codeDigits + 1);
    box->setValidator(new AicField(box));
}

QValidator::State AicField::validate(QString& input, int&) const
{
    return input.size() <= codeDigits || startsWithMark(input) ? Acceptable : Invalid;
}

QString AicField::code(const QString& text)
{
    const QString trimmed = Blanks::trim(text);
    const QStringView digits = QStringView(trimmed).mid(1);
    if (trimmed.size() == codeDigits + 1 && startsWithMark(trimmed) &&
        std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return digits.toString();
    return trimmed;
}
