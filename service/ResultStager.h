#pragma once

#include <QString>
#include <optional>

// Cuts an operation's result element out of a service answer (searched as text,
// first occurrence, exact case) and splits it one element per line.
class ResultStager
{
public:
    // The text of the first <OPResult ...> element, or nothing when the answer
    // has no such element. With replaceCommas every comma of the whole answer
    // becomes a full stop first.
    static std::optional<QString> cut(QString response, const QString& operation,
                                      bool replaceCommas);

    // Puts a carriage return between every "><", in one linear pass.
    static QString split(QStringView cutText);
};
