#include "ReportAnswer.h"

namespace Demo {

ReportAnswer::ReportAnswer(QByteArray head, std::unique_ptr<ErrorReport> report, QByteArray tail)
    : m_head(std::move(head)), m_report(std::move(report)), m_tail(std::move(tail))
{
}

bool ReportAnswer::next(QByteArray& piece, qsizetype size)
{
    piece = std::exchange(m_head, QByteArray());
    if (m_done)
        return true;
    piece.reserve(size + 4096);
    if (!m_report->write(piece, size - piece.size()))
        return false;
    if (m_report->atEnd()) {
        piece += m_tail;
        m_done = true;
    }
    return true;
}

QByteArray ReportAnswer::readAll()
{
    QByteArray all;
    QByteArray piece;
    do {
        if (!next(piece, 1 << 20))
            return {};
        all += piece;
    } while (!piece.isEmpty());
    return all;
}

} // namespace Demo
