#include "MarkerSearch.h"

#include <algorithm>

MarkerSearch::MarkerSearch(QByteArray marker) : m_marker(std::move(marker)) {}

bool MarkerSearch::feed(QByteArrayView piece)
{
    if (found() || m_marker.isEmpty()) {
        if (!found())
            m_at = 0;
        return true;
    }
    const qsizetype keep = m_marker.size() - 1;
    if (!m_tail.isEmpty()) {
        // A marker begun in the bytes before this piece.
        QByteArray joined = m_tail;
        joined.append(piece.first(std::min(piece.size(), keep)));
        const qsizetype at = joined.indexOf(m_marker);
        if (at >= 0) {
            m_at = m_fed - m_tail.size() + at;
            return true;
        }
    }
    const qsizetype at = piece.indexOf(m_marker);
    if (at >= 0) {
        m_at = m_fed + at;
        return true;
    }
    m_fed += piece.size();
    if (piece.size() >= keep) {
        m_tail = piece.last(keep).toByteArray();
    } else {
        m_tail += piece;
        m_tail.remove(0, std::max<qsizetype>(m_tail.size() - keep, 0));
    }
    return false;
}
