#include "Pty.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace t3sim
{
namespace
{
QString systemError(const char *what)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

Pty::~Pty()
{
    close();
}

bool Pty::open(QString *error)
{
    close();
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[128] = {};
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof name) != 0) {
        if (error)
            *error = systemError("posix_openpt");
        close();
        return false;
    }
    m_keeper = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_keeper < 0) {
        if (error)
            *error = systemError("open slave");
        close();
        return false;
    }
    // Raw from the start, so that even a peer that sets nothing sees the bytes unchanged.
    termios t{};
    if (tcgetattr(m_keeper, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B19200);
        cfsetospeed(&t, B19200);
        tcsetattr(m_keeper, TCSANOW, &t);
    }
    m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch < 0 ||
        inotify_add_watch(m_watch, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        if (error)
            *error = systemError("inotify");
        close();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    return true;
}

void Pty::close()
{
    for (int *fd : {&m_watch, &m_keeper, &m_master}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_slavePath.clear();
}

QList<bool> Pty::takeEvents()
{
    QList<bool> events;
    alignas(inotify_event) char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_watch, buf, sizeof buf);
        if (n <= 0)
            return events;
        for (ssize_t at = 0; at < n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(buf + at);
            if (e->mask & IN_OPEN)
                events << true;
            if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE))
                events << false;
            at += ssize_t(sizeof(inotify_event) + e->len);
        }
    }
}

void Pty::resetSlave()
{
    ioctl(m_keeper, TIOCNXCL);
    tcflush(m_keeper, TCIOFLUSH);
}

bool Pty::linkTo(const QString &link, const QString &target, QString *error)
{
    const QByteArray l = QFile::encodeName(link);
    const QByteArray tmp = l + ".new";
    ::unlink(tmp.constData());
    if (::symlink(QFile::encodeName(target).constData(), tmp.constData()) != 0 ||
        ::rename(tmp.constData(), l.constData()) != 0) {
        if (error)
            *error = QStringLiteral("link %1: %2")
                         .arg(link, QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(tmp.constData());
        return false;
    }
    return true;
}

} // namespace t3sim
