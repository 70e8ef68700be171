#pragma once
#include <QByteArray>
#include <QList>

namespace t3sim
{

// Every byte both ways, with the time it passed, plus the simulator's own notes.
class WireLog
{
  public:
    enum class Direction { FromTool, ToTool, Note };
    struct Entry {
        qint64 ms; // since the simulator started
        Direction direction;
        QByteArray bytes;
    };

    void add(qint64 ms, Direction d, const QByteArray &bytes);
    void clear();

    QList<Entry> entries() const { return m_entries; }
    QByteArray bytes(Direction d) const;
    // Lines the simulator got from the tool, line ends stripped, empty lines dropped.
    QList<QByteArray> linesReceived() const;
    // Lines the simulator sent, the same way.
    QList<QByteArray> linesSent() const;
    // Human-readable dump: time, direction, text with control bytes escaped.
    QByteArray dump() const;

  private:
    void flushLine();
    QList<Entry> m_entries;
    QList<QByteArray> m_received;
    QByteArray m_partial;
};

} // namespace t3sim
