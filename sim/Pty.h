#pragma once
#include <QString>

namespace t3sim {

// The master side of a pseudo-terminal whose slave the tool opens as its
// serial port, and the stable link that names the slave.
class Pty {
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    // Opens a fresh pair with the slave in raw mode; false with a reason on failure.
    bool open(QString *error);
    void close();
    int master() const { return m_master; }
    QString slavePath() const { return m_slavePath; }
    // True while nobody holds the slave open (never opened, or closed again).
    bool hungUp() const;

    // Points link at the slave, replacing an older link atomically.
    static bool linkTo(const QString &link, const QString &target, QString *error);

private:
    int m_master = -1;
    QString m_slavePath;
};

} // namespace t3sim
