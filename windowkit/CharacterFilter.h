#pragma once

#include <QValidator>
#include <functional>
#include <optional>

class QLineEdit;

// Filters what reaches a line edit one character at a time, typed or pasted
// alike: a character the rule refuses is dropped, the others may be changed.
// It works on the text, not on keys, so editing keys (Delete, Backspace, the
// arrows, Home, End, the clipboard shortcuts, undo) keep their usual work
// whatever text the platform attaches to them.
class CharacterFilter : public QValidator
{
    Q_OBJECT
public:
    // The character to keep in place of `c`, or nothing to drop it.
    using Rule = std::function<std::optional<QChar>(QChar c)>;

    CharacterFilter(Rule rule, QObject* parent);

    // Digits, comma and minus only.
    static void digitsCommaMinus(QLineEdit* box);
    // Letters a to z become upper case; everything else passes unchanged.
    static void upperCase(QLineEdit* box);

    State validate(QString& input, int& pos) const override;

private:
    Rule m_rule;
};
