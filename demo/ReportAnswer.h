#pragma once

#include "ErrorReport.h"

#include <QByteArray>

#include <memory>

namespace Demo {

// An answer whose result is a report of registered errors, given out piece
// by piece: the envelope's head, the records, the envelope's tail.
class ReportAnswer
{
public:
    ReportAnswer(QByteArray head, std::unique_ptr<ErrorReport> report, QByteArray tail);

    // Replaces `piece` with the next part of the answer, about `size` bytes
    // (empty once the answer is done). False when the database fails.
    bool next(QByteArray& piece, qsizetype size);
    // The rest of the answer at once; empty when the database fails.
    QByteArray readAll();

private:
    QByteArray m_head;
    std::unique_ptr<ErrorReport> m_report;
    QByteArray m_tail;
    bool m_done = false;
};

} // namespace Demo
