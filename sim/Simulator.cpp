#include "Simulator.h"

#include "Hex.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace t3sim
{

Simulator::Simulator(const QString &linkPath)
    : m_linkPath(linkPath), m_tracker(*this, m_trackerConfig, m_faults),
      m_modem(*this, m_modemConfig, m_tracker)
{
    m_tracker.setLine(&m_modem);
    m_modem.setDirectory(this);
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::openPty(QString *error)
{
    if (!m_pty.open(error))
        return false;
    if (!m_linkPath.isEmpty() && !Pty::linkTo(m_linkPath, m_pty.slavePath(), error)) {
        m_pty.close();
        return false;
    }
    return true;
}

bool Simulator::start(QString *error)
{
    if (running())
        return true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!openPty(error))
            return false;
        m_open = false;
        m_openers = 0;
    }
    if (::pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        if (error)
            *error = QStringLiteral("pipe failed");
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void Simulator::stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        const char c = 0;
        [[maybe_unused]] auto n = ::write(m_wake[1], &c, 1);
        m_thread.join();
    }
    for (int &fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_open)
        m_modem.portClosed();
    m_open = false;
    m_pty.close();
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
}

qint64 Simulator::now() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 m_t0)
        .count();
}

void Simulator::log(WireLog::Direction d, const QByteArray &bytes)
{
    const qint64 t = now();
    m_wire.add(t, d, bytes);
    if (m_trace)
        m_trace(WireLog::Entry{t, d, bytes});
}

void Simulator::send(const QByteArray &bytes)
{
    if (m_open)
        m_out += bytes;
}

void Simulator::schedule(qint64 delayMs, std::function<void()> fn)
{
    m_timers.push_back(Timer{now() + std::max<qint64>(0, delayMs), m_timerSeq++, std::move(fn)});
}

void Simulator::note(const QByteArray &text)
{
    log(WireLog::Direction::Note, text);
}

void Simulator::runTimers()
{
    for (;;) {
        const qint64 t = now();
        auto due = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
            if (it->due <= t && (due == m_timers.end() ||
                                 std::tie(it->due, it->seq) < std::tie(due->due, due->seq)))
                due = it;
        if (due == m_timers.end())
            return;
        auto fn = std::move(due->fn);
        m_timers.erase(due);
        fn();
    }
}

int Simulator::pollTimeout() const
{
    qint64 timeout = 1000;
    const qint64 t = now();
    for (const Timer &tm : m_timers)
        timeout = std::min(timeout, std::max<qint64>(0, tm.due - t));
    if (!m_out.isEmpty() && m_trackerConfig.bytesPerSecond > 0)
        timeout = std::min<qint64>(
            timeout, std::max<qint64>(0, qint64(std::ceil(m_nextByteAt - double(t)))));
    return int(timeout);
}

void Simulator::readInput()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_pty.master(), buf, sizeof buf);
        if (n > 0) {
            const QByteArray chunk(buf, int(n));
            log(WireLog::Direction::FromTool, chunk);
            if (m_open)
                m_modem.input(chunk);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return;
    }
}

void Simulator::flushOutput()
{
    if (m_out.isEmpty())
        return;
    const double t = double(now());
    qint64 allowed = m_out.size();
    const int bps = m_trackerConfig.bytesPerSecond;
    if (bps > 0) {
        if (m_nextByteAt < t - 1000.0 / bps)
            m_nextByteAt = t;
        allowed = t < m_nextByteAt ? 0 : qint64((t - m_nextByteAt) * bps / 1000.0) + 1;
    }
    const qint64 want = std::min<qint64>(allowed, m_out.size());
    if (want <= 0)
        return;
    const ssize_t n = ::write(m_pty.master(), m_out.constData(), size_t(want));
    if (n > 0) {
        log(WireLog::Direction::ToTool, m_out.left(int(n)));
        m_out.remove(0, int(n));
        if (bps > 0)
            m_nextByteAt += double(n) * 1000.0 / bps;
    }
}

void Simulator::run()
{
    while (!m_stop) {
        pollfd fds[3] = {
            {m_wake[0], POLLIN, 0}, {m_pty.watch(), POLLIN, 0}, {m_pty.master(), POLLIN, 0}};
        int timeout;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_open && !m_out.isEmpty() &&
                (m_trackerConfig.bytesPerSecond <= 0 || double(now()) >= m_nextByteAt))
                fds[2].events |= POLLOUT;
            timeout = pollTimeout();
        }
        ::poll(fds, 3, timeout);
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        if (m_stop)
            break;

        std::lock_guard<std::mutex> lock(m_mutex);
        // Opens and closes first: bytes waiting at the master belong to the newest holder.
        for (bool opened : m_pty.takeEvents()) {
            m_openers = std::max(0, m_openers + (opened ? 1 : -1));
            if (opened && m_openers == 1 && !m_open) {
                m_open = true;
                ++m_sessions;
                m_out.clear();
                note("port opened");
                m_modem.portOpened();
            } else if (!opened && m_openers == 0 && m_open) {
                m_open = false;
                m_out.clear();
                m_modem.portClosed();
                m_pty.resetSlave();
                note("port closed");
            }
        }
        if (fds[2].revents & POLLIN)
            readInput();
        runTimers();
        if (m_open)
            flushOutput();
    }
}

QString Simulator::ptyPath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pty.slavePath();
}

QString Simulator::portPath() const
{
    return m_linkPath.isEmpty() ? ptyPath() : m_linkPath;
}

#define T3SIM_LOCKED std::lock_guard<std::mutex> lock(m_mutex)

ModemConfig Simulator::modemConfig() const
{
    T3SIM_LOCKED;
    return m_modemConfig;
}
void Simulator::setModemConfig(const ModemConfig &c)
{
    T3SIM_LOCKED;
    m_modemConfig = c;
}
TrackerConfig Simulator::trackerConfig() const
{
    T3SIM_LOCKED;
    return m_trackerConfig;
}
void Simulator::setTrackerConfig(const TrackerConfig &c)
{
    T3SIM_LOCKED;
    m_trackerConfig = c;
}
Faults Simulator::faults() const
{
    T3SIM_LOCKED;
    return m_faults;
}

void Simulator::setFaults(const Faults &f)
{
    T3SIM_LOCKED;
    m_faults = f;
    m_tracker.receiver().setOmitted(f.omittedSatellites);
    m_tracker.faultsChanged();
}

QByteArray Simulator::version() const
{
    T3SIM_LOCKED;
    return m_trackerConfig.version;
}
void Simulator::setVersion(const QByteArray &v)
{
    T3SIM_LOCKED;
    m_trackerConfig.version = v;
}
void Simulator::setTrackerEcho(bool on)
{
    T3SIM_LOCKED;
    m_trackerConfig.echo = on;
}
void Simulator::setGuardTimeMs(int ms)
{
    T3SIM_LOCKED;
    m_modemConfig.guardTimeMs = ms;
}

void Simulator::setRegistration(int delayMs, bool roaming)
{
    T3SIM_LOCKED;
    m_modemConfig.registrationDelayMs = delayMs;
    m_modemConfig.roaming = roaming;
}

void Simulator::setDialResult(DialResult r, int delayMs)
{
    T3SIM_LOCKED;
    m_modemConfig.dialResult = r;
    m_modemConfig.dialDelayMs = delayMs;
}

QByteArray Simulator::setting(const QByteArray &name) const
{
    T3SIM_LOCKED;
    return m_tracker.settings().value(name);
}

void Simulator::setSetting(const QByteArray &name, const QByteArray &value)
{
    T3SIM_LOCKED;
    m_tracker.settings().setValue(name, value);
}
QMap<QByteArray, QByteArray> Simulator::settings() const
{
    T3SIM_LOCKED;
    return m_tracker.settings().values();
}
void Simulator::fillHistory(const HistoryFill &how)
{
    T3SIM_LOCKED;
    m_tracker.memory().fill(how);
}
TrackMemory Simulator::trackMemory() const
{
    T3SIM_LOCKED;
    return m_tracker.memory();
}
int Simulator::writePointer() const
{
    T3SIM_LOCKED;
    return m_tracker.memory().writePointer();
}
QByteArray Simulator::nsPoint() const
{
    T3SIM_LOCKED;
    return m_tracker.memory().nsPoint();
}
QByteArray Simulator::recordHex(int address) const
{
    T3SIM_LOCKED;
    return m_tracker.memory().recordHex(address);
}
GpsReceiver Simulator::receiver() const
{
    T3SIM_LOCKED;
    return m_tracker.receiver();
}
Bootloader Simulator::loader() const
{
    T3SIM_LOCKED;
    return m_tracker.loader();
}
Tracker::Mode Simulator::trackerMode() const
{
    T3SIM_LOCKED;
    return m_tracker.mode();
}
bool Simulator::portOpen() const
{
    T3SIM_LOCKED;
    return m_open;
}
bool Simulator::callUp() const
{
    T3SIM_LOCKED;
    return m_modem.callUp();
}
Modem::State Simulator::modemState() const
{
    T3SIM_LOCKED;
    return m_modem.state();
}
int Simulator::sessions() const
{
    T3SIM_LOCKED;
    return m_sessions;
}
int Simulator::calls() const
{
    T3SIM_LOCKED;
    return m_modem.calls();
}
QList<WireLog::Entry> Simulator::wireLog() const
{
    T3SIM_LOCKED;
    return m_wire.entries();
}
QList<QByteArray> Simulator::linesReceived() const
{
    T3SIM_LOCKED;
    return m_wire.linesReceived();
}
QList<QByteArray> Simulator::linesSent() const
{
    T3SIM_LOCKED;
    return m_wire.linesSent();
}
QByteArray Simulator::bytesReceived() const
{
    T3SIM_LOCKED;
    return m_wire.bytes(WireLog::Direction::FromTool);
}
QByteArray Simulator::bytesSent() const
{
    T3SIM_LOCKED;
    return m_wire.bytes(WireLog::Direction::ToTool);
}
QList<QByteArray> Simulator::trackerCommands() const
{
    T3SIM_LOCKED;
    return m_tracker.commandsReceived();
}
QByteArray Simulator::wireLogDump() const
{
    T3SIM_LOCKED;
    return m_wire.dump();
}
void Simulator::setTraceSink(std::function<void(const WireLog::Entry &)> sink)
{
    T3SIM_LOCKED;
    m_trace = std::move(sink);
}

void Simulator::clearWireLog()
{
    T3SIM_LOCKED;
    m_wire.clear();
    m_tracker.clearCommands();
    for (auto &[number, u] : m_units)
        u->tracker.clearCommands();
}

Tracker &Simulator::trackerFor(const QByteArray &number)
{
    Unit *u = unit(number);
    return u ? u->tracker : m_tracker;
}

Simulator::Unit *Simulator::unit(const QByteArray &number) const
{
    const auto it = m_units.find(number);
    return it == m_units.end() ? nullptr : it->second.get();
}

void Simulator::addTracker(const QByteArray &number)
{
    T3SIM_LOCKED;
    if (unit(number))
        return;
    std::unique_ptr<Unit> u(new Unit(static_cast<Host &>(*this), m_trackerConfig));
    u->tracker.setLine(&m_modem);
    m_units.emplace(number, std::move(u));
}

void Simulator::setDialResult(const QByteArray &number, DialResult r)
{
    T3SIM_LOCKED;
    m_modemConfig.dialByNumber[number] = r;
}

void Simulator::setFaults(const QByteArray &number, const Faults &f)
{
    T3SIM_LOCKED;
    if (Unit *u = unit(number)) {
        u->faults = f;
        u->tracker.receiver().setOmitted(f.omittedSatellites);
        u->tracker.faultsChanged();
    }
}

void Simulator::setVersion(const QByteArray &number, const QByteArray &v)
{
    T3SIM_LOCKED;
    if (Unit *u = unit(number))
        u->config.version = v;
}

QByteArray Simulator::setting(const QByteArray &number, const QByteArray &name) const
{
    T3SIM_LOCKED;
    const Unit *u = unit(number);
    return u ? u->tracker.settings().value(name) : QByteArray();
}

void Simulator::setSetting(const QByteArray &number, const QByteArray &name,
                           const QByteArray &value)
{
    T3SIM_LOCKED;
    if (Unit *u = unit(number))
        u->tracker.settings().setValue(name, value);
}

QList<QByteArray> Simulator::trackerCommands(const QByteArray &number) const
{
    T3SIM_LOCKED;
    const Unit *u = unit(number);
    return u ? u->tracker.commandsReceived() : QList<QByteArray>();
}

#undef T3SIM_LOCKED

QByteArray Simulator::stateDump() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Tracker &t = m_tracker;
    QByteArray out = "[tracker]\nversion=" + m_trackerConfig.version +
                     "\nmode=" + QByteArray::number(int(t.mode())) + "\n\n[settings]\n";
    const auto values = t.settings().values();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        out += it.key() + '=' + it.value() + '\n';
    const TrackMemory &m = t.memory();
    int used = 0;
    for (int a = 0; a < TrackMemory::kSlots; ++a)
        used += m.isEmpty(a) ? 0 : 1;
    out += "\n[memory]\npoint=" + hex::format(m.writePointer(), 4) + "\nnspoint=" + m.nsPoint() +
           "\nrecords=" + QByteArray::number(used) + '\n';
    const GpsReceiver &r = t.receiver();
    out += "\n[receiver]\nbinary=" + QByteArray::number(r.binary()) +
           "\nalmanacSets=" + QByteArray::number(r.almanacSets()) +
           "\nephemerisSets=" + QByteArray::number(r.ephemerisSets()) + '\n';
    for (int sv = 1; sv <= GpsReceiver::kSatellites; ++sv)
        out += "almanac" + QByteArray::number(sv) + '=' + hex::frameText(r.almanac(sv)) + '\n';
    const Bootloader &b = t.loader();
    out += "\n[loader]\nblocks=" + QByteArray::number(b.blocks().size()) +
           "\nupdates=" + QByteArray::number(b.updates()) +
           "\nflashedBytes=" + QByteArray::number(b.flashedImage().size()) + "\n\n[wire]\n" +
           m_wire.dump();
    return out;
}

bool Simulator::waitUntil(const std::function<bool()> &cond, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace t3sim
