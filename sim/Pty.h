#pragma once
#include <QList>
#include <QString>

namespace t3sim
{

// The master side of a pseudo-terminal whose slave the tool opens as its
// serial port, and the stable link that names the slave.
//
// The simulator holds the slave open itself, so the master never sees a
// hang-up, and watches the slave's device node for the opens and closes of
// others: that is how it knows the tool took or let go of the port, however
// quickly one follows the other.
class Pty
{
  public:
    Pty() = default;
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool open(QString *error);
    void close();
    int master() const { return m_master; }
    int watch() const { return m_watch; }
    QString slavePath() const { return m_slavePath; }

    // Opens (true) and closes (false) of the slave by others since the last call, in order.
    QList<bool> takeEvents();
    // After the tool let go: clear its exclusive-open flag and what is left in both queues.
    void resetSlave();

    // Points link at the slave, replacing an older link atomically.
    static bool linkTo(const QString &link, const QString &target, QString *error);

  private:
    int m_master = -1;
    int m_keeper = -1;
    int m_watch = -1;
    QString m_slavePath;
};

} // namespace t3sim
