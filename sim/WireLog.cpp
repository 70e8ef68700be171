#include "WireLog.h"

#include "Hex.h"

namespace t3sim
{

void WireLog::add(qint64 ms, Direction d, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    // Bytes written in one go by the tool arrive in one read; keep them together.
    if (!m_entries.isEmpty() && d != Direction::Note && m_entries.last().direction == d &&
        m_entries.last().ms == ms)
        m_entries.last().bytes += bytes;
    else
        m_entries << Entry{ms, d, bytes};
    if (d == Direction::Note)
        flushLine(); // a note marks a boundary such as an accepted "+++"
    if (d != Direction::FromTool)
        return;
    for (char c : bytes) {
        if (c == '\r' || c == '\n')
            flushLine();
        else
            m_partial += c;
    }
}

void WireLog::flushLine()
{
    if (!m_partial.isEmpty())
        m_received << m_partial;
    m_partial.clear();
}

void WireLog::clear()
{
    m_entries.clear();
    m_received.clear();
    m_partial.clear();
}

QByteArray WireLog::bytes(Direction d) const
{
    QByteArray all;
    for (const Entry &e : m_entries)
        if (e.direction == d)
            all += e.bytes;
    return all;
}

QList<QByteArray> WireLog::linesReceived() const
{
    QList<QByteArray> lines = m_received;
    if (!m_partial.isEmpty())
        lines << m_partial;
    return lines;
}

QList<QByteArray> WireLog::linesSent() const
{
    QList<QByteArray> lines;
    QByteArray partial;
    for (char c : bytes(Direction::ToTool)) {
        if (c == '\r' || c == '\n') {
            if (!partial.isEmpty())
                lines << partial;
            partial.clear();
        } else {
            partial += c;
        }
    }
    if (!partial.isEmpty())
        lines << partial;
    return lines;
}

// Consecutive entries of one direction share a dump line until a line end,
// so a paced reply reads as one line.
QByteArray WireLog::dump() const
{
    QByteArray out;
    bool lineOpen = false;
    Direction last = Direction::Note;
    for (const Entry &e : m_entries) {
        if (lineOpen && (e.direction != last || e.direction == Direction::Note)) {
            out += '\n';
            lineOpen = false;
        }
        for (char c : e.bytes) {
            if (!lineOpen) {
                out += QByteArray::number(e.ms).rightJustified(9) + ' ';
                out += e.direction == Direction::FromTool ? "<- "
                       : e.direction == Direction::ToTool ? "-> "
                                                          : "-- ";
                lineOpen = true;
            }
            const auto u = static_cast<unsigned char>(c);
            if (u >= 0x20 && u < 0x7F && c != '\\')
                out += c;
            else if (c == '\r')
                out += "\\r";
            else if (c == '\n')
                out += "\\n";
            else
                out += "\\x" + hex::format(u, 2);
            if (c == '\n' && e.direction != Direction::Note) {
                out += '\n';
                lineOpen = false;
            }
        }
        last = e.direction;
    }
    if (lineOpen)
        out += '\n';
    return out;
}

} // namespace t3sim
