#pragma once

#include <QValidator>

class QLineEdit;

// An AIC code typed by hand or by a barcode reader. The pack's sticker prints
// the code as the letter "A" and nine digits, and readers type it that way.
class AicField : public QValidator
{
    Q_OBJECT
public:
    // The field takes nine characters, or ten when its text begins with the
    // letter, as a reader types it.
    static void acceptReaderMark(QLineEdit* box);
    // The code a field's text stands for: the trimmed text, without the letter
    // when it is "A" or "a" followed by exactly nine digits.
    static QString code(const QString& text);

    State validate(QString& input, int& pos) const override;

private:
    using QValidator::QValidator;
};
