#pragma once
// The far end of a pseudo-terminal for link tests: the driver opens the
// slave side as its serial port, the peer reads the master side, records
// every byte with its arrival time and answers lines from a script.
#include "link/LogWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

class PtyPeer
{
  public:
    struct Reply {
        QByteArray bytes;
        int delayMs = 0;
    };
    struct Arrival {
        int64_t us; // steady clock
        uint8_t byte;
        int chunk; // bytes of one read() share a chunk number
    };

    PtyPeer()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        path_ = QString::fromLocal8Bit(::ptsname(master_));
        // Held open so the master never sees a hang-up between the driver's
        // opens; raw so nothing is echoed before the driver sets its mode.
        holder_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        ::tcgetattr(holder_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(holder_, TCSANOW, &t);
        if (::pipe2(stop_, O_CLOEXEC) != 0)
            throw std::runtime_error("no pipe");
        thread_ = std::thread([this] { run(); });
    }

    ~PtyPeer()
    {
        stopThread();
        ::close(stop_[0]);
        ::close(stop_[1]);
        if (holder_ >= 0)
            ::close(holder_);
        if (master_ >= 0)
            ::close(master_);
    }

    QString Path() const { return path_; }

    // Called for every line received (without its CR LF).
    void OnLine(std::function<Reply(const QByteArray &line)> f)
    {
        std::lock_guard l(mx_);
        onLine_ = std::move(f);
    }
    // Called for the first byte of every line, before the rest has come.
    void OnLineStart(std::function<Reply(char first)> f)
    {
        std::lock_guard l(mx_);
        onLineStart_ = std::move(f);
    }

    void Send(const QByteArray &bytes)
    {
        std::lock_guard l(writeMx_);
        writeAll(bytes);
    }

    QByteArray Received() const
    {
        std::lock_guard l(mx_);
        QByteArray out;
        for (const auto &a : arrivals_)
            out.append(static_cast<char>(a.byte));
        return out;
    }
    std::vector<Arrival> Arrivals() const
    {
        std::lock_guard l(mx_);
        return arrivals_;
    }
    // Waits (bounded, not asserted) until at least n bytes came.
    bool WaitReceived(qsizetype n, int maxMs = 3000) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        while (std::chrono::steady_clock::now() < end) {
            if (Received().size() >= n)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    // The cable is pulled: the slave side sees a hang-up.
    void Unplug()
    {
        stopThread();
        ::close(holder_);
        holder_ = -1;
        ::close(master_);
        master_ = -1;
    }

  private:
    void stopThread()
    {
        if (thread_.joinable()) {
            const char c = 1;
            [[maybe_unused]] auto r = ::write(stop_[1], &c, 1);
            thread_.join();
        }
    }

    void writeAll(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.constData() + done, bytes.size() - done);
            if (n <= 0)
                return;
            done += n;
        }
    }

    void answer(const Reply &r)
    {
        if (r.bytes.isEmpty())
            return;
        if (r.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(r.delayMs));
        Send(r.bytes);
    }

    void run()
    {
        int chunk = 0;
        for (;;) {
            pollfd p[2] = {{stop_[0], POLLIN, 0}, {master_, POLLIN, 0}};
            if (::poll(p, 2, -1) < 0)
                continue;
            if (p[0].revents)
                return;
            if (p[1].revents & (POLLHUP | POLLERR)) {
                // No slave open right now; look again shortly.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            char buf[512];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0)
                continue;
            const int64_t us = std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count();
            ++chunk;
            for (ssize_t i = 0; i < n; ++i) {
                std::function<Reply(char)> start;
                std::function<Reply(const QByteArray &)> line;
                QByteArray done;
                {
                    std::lock_guard l(mx_);
                    arrivals_.push_back({us, static_cast<uint8_t>(buf[i]), chunk});
                    if (line_.isEmpty())
                        start = onLineStart_;
                    line_.append(buf[i]);
                    if (buf[i] == '\n') {
                        done = line_;
                        line_.clear();
                        line = onLine_;
                    }
                }
                if (start)
                    answer(start(buf[i]));
                if (line) {
                    while (done.endsWith('\n') || done.endsWith('\r'))
                        done.chop(1);
                    answer(line(done));
                }
            }
        }
    }

    int master_ = -1;
    int holder_ = -1;
    int stop_[2] = {-1, -1};
    QString path_;
    mutable std::mutex mx_;
    std::mutex writeMx_;
    std::function<Reply(const QByteArray &)> onLine_;
    std::function<Reply(char)> onLineStart_;
    QByteArray line_;
    std::vector<Arrival> arrivals_;
    std::thread thread_;
};

// Keeps the lines a link object logs.
class LogCollector : public TLogWriter
{
  public:
    void WriteLine(const QString &text) override
    {
        std::lock_guard l(mx_);
        lines_.append(text);
    }
    QStringList Lines() const
    {
        std::lock_guard l(mx_);
        return lines_;
    }

  private:
    mutable std::mutex mx_;
    QStringList lines_;
};
