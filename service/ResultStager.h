#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

class QIODevice;

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

    // The presence test of cut(): whether the answer holds the result element.
    static bool hasResult(QStringView response, const QString& operation, bool replaceCommas);

    // Writes the staging file's bytes for an answer that has its result: the
    // split result in UTF-8 followed by CR LF, the same bytes as split(cut(...))
    // would give. Works through the answer a slice at a time, so a large answer
    // costs no copy of its own size. False when the device refused a write.
    static bool writeStaged(QStringView response, const QString& operation, bool replaceCommas,
                            QIODevice& device);
    // The same bytes in memory; nothing when the result is absent.
    static std::optional<QByteArray> stagedBytes(QStringView response, const QString& operation,
                                                 bool replaceCommas);

    // The same three for an answer still in UTF-8, as it came from the
    // service: the same results and bytes as for its text, without ever
    // holding the whole answer as text.
    static bool hasResult(QByteArrayView responseUtf8, const QString& operation,
                          bool replaceCommas);
    static bool writeStaged(QByteArrayView responseUtf8, const QString& operation,
                            bool replaceCommas, QIODevice& device);
    static std::optional<QByteArray> stagedBytes(QByteArrayView responseUtf8,
                                                 const QString& operation, bool replaceCommas);

    // Whether the markers of this operation are found at the same places in
    // an answer's UTF-8 bytes, commas replaced or not, as in its text: a
    // plain ASCII name without commas or full stops.
    static bool plainName(const QString& operation);
};
