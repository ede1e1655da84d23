#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Finds the first occurrence of a marker in bytes that arrive in pieces, one
// that straddles two pieces included. Only the marker's length less one byte
// is kept between pieces.
class MarkerSearch
{
public:
    explicit MarkerSearch(QByteArray marker);

    // Looks through the next piece unless the marker has been found; true once it has.
    bool feed(QByteArrayView piece);

    bool found() const { return m_at >= 0; }
    // Where the marker starts and where it ends, counted in bytes from the
    // first one fed; -1 while it has not been found.
    qint64 start() const { return m_at; }
    qint64 end() const { return m_at < 0 ? -1 : m_at + m_marker.size(); }

private:
    QByteArray m_marker;
    QByteArray m_tail; // the last bytes fed, fewer than the marker has
    qint64 m_fed = 0;
    qint64 m_at = -1;
};
