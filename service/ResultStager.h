#pragma once

#include <QByteArray>
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

    // The staging file for an answer, byte for byte: the split result in UTF-8
    // followed by CR LF (the same bytes as writing split(cut(...)) would give),
    // built without the intermediate copies; nothing when the result is absent.
    static std::optional<QByteArray> stagedBytes(QStringView response, const QString& operation,
                                                 bool replaceCommas);
};
