#pragma once

#include <QDate>
#include <QString>

namespace Demo {

// Italian personal fiscal code (codice fiscale) of 16 characters.
namespace FiscalCode {

enum class Sex { Male, Female };

// Builds the code from surname, name, birth date, sex and the cadastral code
// of the birth place, check character included. Accents and apostrophes in
// the names are folded or dropped first.
QString compute(const QString& surname, const QString& name, QDate birth, Sex sex,
                const QString& cadastralCode);

// The check character of the first 15 characters, or a null QChar when they
// are not 15 upper-case letters and digits.
QChar checkCharacter(QStringView first15);

bool isValid(QStringView code);

} // namespace FiscalCode

} // namespace Demo
