#include "Utenti.h"

#include <array>

QString Utenti::MESI(int month)
{
    static const std::array<const char*, 12> names = {
        "GENNAIO  ", "FEBBRAIO ", "MARZO    ", "APRILE   ", "MAGGIO   ", "GIUGNO   ",
        "LUGLIO   ", "AGOSTO   ", "SETTEMBRE", "OTTOBRE  ", "NOVEMBRE ", "DICEMBRE "};
    if (month < 1 || month > 12)
        return {};
    return QString::fromLatin1(names[static_cast<size_t>(month - 1)]);
}
