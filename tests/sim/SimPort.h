#pragma once
// The tool's side of the line as a plain file descriptor: what a serial
// port open on the simulator's link sees, with nothing of the tool's code.
#include "Simulator.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace simtest
{

class SimPort
{
  public:
    explicit SimPort(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios t{};
            tcgetattr(m_fd, &t);
            cfmakeraw(&t);
            tcsetattr(m_fd, TCSANOW, &t);
        }
    }
    ~SimPort() { close(); }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool isOpen() const { return m_fd >= 0; }

    void write(const QByteArray &bytes)
    {
        for (int done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += int(n);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Collects until the text holds one of the tokens as a whole line, or the time is up.
    QByteArray readUntil(const QList<QByteArray> &tokens, int timeoutMs = 3000)
    {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            got += readSome(10);
            for (const QByteArray &t : tokens)
                if (got.startsWith(t + "\r\n") || got.contains("\n" + t + "\r\n") ||
                    got.endsWith(t + "\r\n"))
                    return got;
        }
        return got;
    }

    // Everything that arrives within the time.
    QByteArray readFor(int ms)
    {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end)
            got += readSome(5);
        return got;
    }

    // One request line and its reply up to "OK" or "ERROR".
    QByteArray command(const QByteArray &line, int timeoutMs = 3000)
    {
        write(line + "\r\n");
        return readUntil({"OK", "ERROR", "NO CARRIER"}, timeoutMs);
    }

    // The tool's call set-up up to CONNECT; returns what the modem answered to the dial.
    QByteArray dial(const QByteArray &number = "")
    {
        command("ATZ");
        command("AT");
        command("AT+CBST=7,0,1");
        write("ATD " + number + "\r\n");
        return readUntil(
            {"CONNECT 9600", "CONNECT", "BUSY", "NO ANSWER", "NO DIALTONE", "NO CARRIER"});
    }

  private:
    QByteArray readSome(int waitMs)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0 || !(p.revents & POLLIN))
            return {};
        char buf[4096];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        return n > 0 ? QByteArray(buf, int(n)) : QByteArray();
    }
    int m_fd = -1;
};

// A running simulator with small guard time and its own link per test.
class SimFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        QString name = QStringLiteral("t3sim-test-%1-%2-%3")
                           .arg(::getpid())
                           .arg(QString::fromLatin1(info->test_suite_name()),
                                QString::fromLatin1(info->name()));
        m_link =
            QDir::tempPath() + QLatin1Char('/') + name.replace(QLatin1Char('/'), QLatin1Char('_'));
        sim = std::make_unique<t3sim::Simulator>(m_link);
        sim->setGuardTimeMs(50);
        QString error;
        ASSERT_TRUE(sim->start(&error)) << error.toStdString();
    }
    void TearDown() override { sim.reset(); }

    // Waits until the simulator has seen the port open, so timings start from there.
    std::unique_ptr<SimPort> openPort()
    {
        const int before = sim->sessions();
        auto port = std::make_unique<SimPort>(m_link);
        EXPECT_TRUE(port->isOpen());
        EXPECT_TRUE(t3sim::Simulator::waitUntil([&] { return sim->sessions() > before; }, 2000));
        return port;
    }
    std::unique_ptr<SimPort> connected()
    {
        auto port = openPort();
        const QByteArray r = port->dial();
        EXPECT_TRUE(r.contains("\r\nCONNECT 9600\r\n")) << r.toStdString();
        return port;
    }

    std::unique_ptr<t3sim::Simulator> sim;
    QString m_link;
};

// The record checksum as the format defines it, written here independently.
inline bool recordSumHolds(int address, const QByteArray &hexText)
{
    unsigned sum = unsigned(address >> 8) + unsigned(address & 0xFF);
    for (int i = 0; i + 1 < hexText.size(); i += 2)
        sum += hexText.mid(i, 2).toUInt(nullptr, 16);
    return sum % 256 == 0;
}

} // namespace simtest
