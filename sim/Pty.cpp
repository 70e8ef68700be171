#include "Pty.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace t3sim {

Pty::~Pty()
{
    close();
}

bool Pty::open(QString *error)
{
    close();
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) {
        if (error)
            *error = QStringLiteral("posix_openpt: ") + QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    char name[128] = {};
    if (ptsname_r(fd, name, sizeof name) != 0) {
        if (error)
            *error = QStringLiteral("ptsname: ") + QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    // Raw from the start, so that even a peer that sets nothing sees the bytes unchanged.
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios t{};
        if (tcgetattr(slave, &t) == 0) {
            cfmakeraw(&t);
            cfsetispeed(&t, B19200);
            cfsetospeed(&t, B19200);
            tcsetattr(slave, TCSANOW, &t);
        }
        ::close(slave);
    }
    m_master = fd;
    m_slavePath = QString::fromLocal8Bit(name);
    return true;
}

void Pty::close()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    m_slavePath.clear();
}

bool Pty::hungUp() const
{
    if (m_master < 0)
        return true;
    pollfd p{m_master, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
}

bool Pty::linkTo(const QString &link, const QString &target, QString *error)
{
    const QByteArray l = QFile::encodeName(link);
    const QByteArray tmp = l + ".new";
    ::unlink(tmp.constData());
    if (::symlink(QFile::encodeName(target).constData(), tmp.constData()) != 0
        || ::rename(tmp.constData(), l.constData()) != 0) {
        if (error)
            *error = QStringLiteral("link %1: %2").arg(link, QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(tmp.constData());
        return false;
    }
    return true;
}

} // namespace t3sim
