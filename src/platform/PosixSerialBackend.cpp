#include "PosixSerialBackend.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace
{

bool speedCode(uint32_t baud, speed_t &out)
{
    static const struct {
        uint32_t rate;
        speed_t code;
    } table[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},     {150, B150},
        {200, B200},       {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
        {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
        {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
        {460800, B460800},
#endif
#ifdef B921600
        {921600, B921600},
#endif
    };
    for (const auto &e : table)
        if (e.rate == baud) {
            out = e.code;
            return true;
        }
    return false;
}

int retryPoll(pollfd *fds, nfds_t n, int timeoutMs)
{
    int r;
    do
        r = ::poll(fds, n, timeoutMs);
    while (r < 0 && errno == EINTR && timeoutMs < 0);
    return r;
}

} // namespace

std::unique_ptr<TSerialBackend> TSerialBackend::Create()
{
    return std::make_unique<TPosixSerialBackend>();
}

TPosixSerialBackend::~TPosixSerialBackend()
{
    EndEvents();
    Close();
}

std::string TPosixSerialBackend::DevicePath(const std::string &deviceName)
{
    if (deviceName.find('/') != std::string::npos)
        return deviceName;
    return "/dev/" + deviceName;
}

bool TPosixSerialBackend::fail()
{
    lastError_ = errno;
    return false;
}

bool TPosixSerialBackend::Open(const std::string &deviceName)
{
    if (fd_ >= 0)
        return true;
    if (deviceName.empty()) {
        lastError_ = ENOENT;
        return false;
    }
    const int fd =
        ::open(DevicePath(deviceName).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail();
    // Only a terminal is a serial port; anything else would "open" and then
    // fail in odd ways later.
    if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    lastError_ = 0;
    return true;
}

void TPosixSerialBackend::Close()
{
    if (fd_ < 0)
        return;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_); // also releases the flock
    fd_ = -1;
}

int TPosixSerialBackend::modemLine(int bit, bool on)
{
    return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit);
}

bool TPosixSerialBackend::ApplyLine(const TSerialLine &line)
{
    termios t{};
    if (::tcgetattr(fd_, &t) != 0)
        return fail();
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
    t.c_cflag &= ~CMSPAR;
#endif
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    switch (line.dataBits) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    case 8:
        t.c_cflag |= CS8;
        break;
    default:
        lastError_ = EINVAL;
        return false;
    }
    switch (line.parity) {
    case 0:
        break;
    case 1:
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        t.c_cflag |= PARENB;
        break;
#ifdef CMSPAR
    case 3:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        t.c_cflag |= PARENB | CMSPAR;
        break;
#endif
    default:
        lastError_ = EINVAL;
        return false;
    }
    if (line.stopBits == 2)
        t.c_cflag |= CSTOPB;
    else if (line.stopBits != 0) {
        lastError_ = EINVAL; // termios has no 1.5 stop bits
        return false;
    }
    if (line.ctsOut || line.rtsHandshake)
        t.c_cflag |= CRTSCTS;
    if (line.inX)
        t.c_iflag |= IXOFF;
    if (line.outX)
        t.c_iflag |= IXON;
    if (line.parityCheck)
        t.c_iflag |= INPCK;
    t.c_cc[VSTART] = static_cast<cc_t>(line.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(line.xoffChar);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    speed_t speed;
    if (!speedCode(line.baud, speed)) {
        lastError_ = EINVAL;
        return false;
    }
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0)
        return fail();
    if (::tcsetattr(fd_, TCSANOW, &t) != 0)
        return fail();
    // Lines that no setting enables are dropped, as the port is opened with
    // both low. A pty has no modem lines; that is not an error.
    modemLine(TIOCM_DTR, line.dtrEnabled || line.dtrHandshake);
    modemLine(TIOCM_RTS, line.rtsEnabled || line.rtsHandshake);
    return true;
}

bool TPosixSerialBackend::Purge()
{
    if (::tcflush(fd_, TCIOFLUSH) != 0)
        return fail();
    return true;
}

bool TPosixSerialBackend::SetQueueSizes(uint32_t input, uint32_t output)
{
    // The kernel sizes its own tty buffers; the driver's loops use these.
    inputSize_ = input;
    outputSize_ = output;
    return true;
}

bool TPosixSerialBackend::SetTimeouts(const TSerialTimeouts &timeouts)
{
    // Transfers are non-blocking; the driver's loops apply the time-outs.
    timeouts_ = timeouts;
    return true;
}

bool TPosixSerialBackend::InQueue(uint32_t &count)
{
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0)
        return fail();
    count = n > 0 ? static_cast<uint32_t>(n) : 0;
    if (count == 0) {
        // An unplugged adapter (or a closed pty peer) reads as an empty queue
        // forever; the hang-up flag tells it apart.
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            lastError_ = EIO;
            return false;
        }
    }
    return true;
}

bool TPosixSerialBackend::OutQueue(uint32_t &count)
{
    int n = 0;
    if (::ioctl(fd_, TIOCOUTQ, &n) != 0)
        return fail();
    count = n > 0 ? static_cast<uint32_t>(n) : 0;
    return true;
}

long TPosixSerialBackend::WriteSome(const uint8_t *data, size_t count)
{
    const ssize_t n = ::write(fd_, data, count);
    if (n >= 0)
        return static_cast<long>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    fail();
    return -1;
}

long TPosixSerialBackend::ReadSome(uint8_t *data, size_t count)
{
    const ssize_t n = ::read(fd_, data, count);
    if (n > 0)
        return static_cast<long>(n);
    if (n == 0) {
        lastError_ = EIO; // end of file on a terminal: it was hung up
        return -1;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    fail();
    return -1;
}

bool TPosixSerialBackend::WaitInput(int timeoutMs)
{
    pollfd p{fd_, POLLIN, 0};
    return retryPoll(&p, 1, timeoutMs) > 0;
}

TSerialBackend::Rts TPosixSerialBackend::SetRts(bool on)
{
    if (modemLine(TIOCM_RTS, on) == 0)
        return Rts::Done;
    lastError_ = errno;
    if (errno == ENOTTY || errno == EINVAL)
        return Rts::NotSupported;
    return Rts::Failed;
}

bool TPosixSerialBackend::StartEvents()
{
    if (stopPipe_[0] >= 0)
        return true;
    if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        stopPipe_[0] = stopPipe_[1] = -1;
        return fail();
    }
    return true;
}

TSerialBackend::Wake TPosixSerialBackend::WaitEvent(bool watchInput, int timeoutMs)
{
    pollfd p[2] = {{stopPipe_[0], POLLIN, 0}, {fd_, POLLIN, 0}};
    const int r = retryPoll(p, watchInput ? 2 : 1, timeoutMs);
    if (r < 0)
        return errno == EINTR ? Wake::Timeout : Wake::Failed;
    if (p[0].revents)
        return Wake::Stop;
    if (watchInput && (p[1].revents & (POLLHUP | POLLERR | POLLNVAL)))
        return Wake::Failed;
    if (watchInput && (p[1].revents & POLLIN))
        return Wake::Input;
    return Wake::Timeout;
}

void TPosixSerialBackend::StopEvents()
{
    if (stopPipe_[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] auto r = ::write(stopPipe_[1], &c, 1);
    }
}

void TPosixSerialBackend::EndEvents()
{
    for (int &fd : stopPipe_)
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
}

std::string TPosixSerialBackend::ErrorText(int code) const
{
    return std::strerror(code);
}
