#include "CharacterFilter.h"

#include <QLineEdit>

CharacterFilter::CharacterFilter(Rule rule, QObject* parent)
    : QValidator(parent), m_rule(std::move(rule))
{
}

void CharacterFilter::digitsCommaMinus(QLineEdit* box)
{
    box->setValidator(new CharacterFilter(
        [](QChar c) -> std::optional<QChar> {
            if ((c >= u'0' && c <= u'9') || c == u',' || c == u'-')
                return c;
            return std::nullopt;
        },
        box));
}

void CharacterFilter::upperCase(QLineEdit* box)
{
    box->setValidator(new CharacterFilter(
        [](QChar c) -> std::optional<QChar> {
            if (c >= u'a' && c <= u'z')
                return QChar(c.unicode() - 32);
            return c;
        },
        box));
}

QValidator::State CharacterFilter::validate(QString& input, int& pos) const
{
    QString kept;
    kept.reserve(input.size());
    int keptBeforeCursor = 0;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const std::optional<QChar> c = m_rule(input[i]);
        if (!c)
            continue;
        kept.append(*c);
        if (i < pos)
            ++keptBeforeCursor;
    }
    // The line edit takes the changed text in place of what was typed or pasted.
    input = kept;
    pos = keptBeforeCursor;
    return Acceptable;
}
