#pragma once
#include "Config.h"
#include "Host.h"
#include "Modem.h"
#include "Pty.h"
#include "Tracker.h"
#include "WireLog.h"

#include <QMap>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace t3sim
{

// The GSM modem and the tracker behind it on a pseudo-terminal, run on a
// thread of their own. Every accessor may be called from any thread, before
// or while the simulator runs.
class Simulator : private Host, private TrackerDirectory
{
  public:
    static QString defaultLinkPath() { return QStringLiteral("/tmp/t3sim-tty"); }

    // linkPath: where the stable link to the port is made; empty for none.
    explicit Simulator(const QString &linkPath = QString());
    ~Simulator() override;
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    bool start(QString *error = nullptr);
    void stop(); // also removes the link
    bool running() const { return m_thread.joinable(); }

    QString linkPath() const { return m_linkPath; }
    // The pty's slave device.
    QString ptyPath() const;
    // What the tool should open: the link if there is one, else the pty.
    QString portPath() const;

    ModemConfig modemConfig() const;
    void setModemConfig(const ModemConfig &c);
    TrackerConfig trackerConfig() const;
    void setTrackerConfig(const TrackerConfig &c);
    Faults faults() const;
    void setFaults(const Faults &f); // restarts the fault counters

    // Shortcuts for the settings most tests change.
    QByteArray version() const;
    void setVersion(const QByteArray &v);
    void setPanelType(const QByteArray &hex) { setSetting("typepan", hex); }
    void setTrackerEcho(bool on);
    void setGuardTimeMs(int ms);
    void setRegistration(int delayMs, bool roaming);
    void setDialResult(DialResult r, int delayMs = 0);

    // The tracker's stored settings as text, by command name ("object", "alphon1", "MFLAG").
    QByteArray setting(const QByteArray &name) const;
    void setSetting(const QByteArray &name, const QByteArray &value);
    QMap<QByteArray, QByteArray> settings() const;

    // Track memory.
    void fillHistory(const HistoryFill &how);
    TrackMemory trackMemory() const;
    int writePointer() const;
    QByteArray nsPoint() const;
    QByteArray recordHex(int address) const;

    // Receiver, loader and mode, as copies.
    GpsReceiver receiver() const;
    Bootloader loader() const;
    Tracker::Mode trackerMode() const;

    // A fleet: the number reaches a tracker of its own (fresh settings, the
    // tracker configuration of now, no faults); numbers never added reach the
    // tracker above. The accessors below take the number.
    void addTracker(const QByteArray &number);
    void setDialResult(const QByteArray &number, DialResult r);
    void setFaults(const QByteArray &number, const Faults &f);
    void setVersion(const QByteArray &number, const QByteArray &v);
    QByteArray setting(const QByteArray &number, const QByteArray &name) const;
    void setSetting(const QByteArray &number, const QByteArray &name, const QByteArray &value);
    QList<QByteArray> trackerCommands(const QByteArray &number) const;

    // Anything else: runs fn with the tracker while the simulator is held still.
    template <class F> auto withTracker(F &&fn)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return fn(m_tracker);
    }

    // Line state.
    bool portOpen() const;
    bool callUp() const;
    Modem::State modemState() const;
    int sessions() const; // times the tool opened the port
    int calls() const;    // data calls connected

    // Wire log.
    QList<WireLog::Entry> wireLog() const;
    QList<QByteArray> linesReceived() const;
    QList<QByteArray> linesSent() const;
    QByteArray bytesReceived() const;
    QByteArray bytesSent() const;
    // Lines the tracker took as commands (what passed the modem), in order.
    QList<QByteArray> trackerCommands() const;
    void clearWireLog();
    QByteArray wireLogDump() const;
    // Each wire log entry as it happens, called on the simulator's thread.
    void setTraceSink(std::function<void(const WireLog::Entry &)> sink);

    // Text dump of the tracker's state and the wire log.
    QByteArray stateDump() const;

    // Polls cond until it holds or the time is up; for tests waiting on the tool.
    static bool waitUntil(const std::function<bool()> &cond, int timeoutMs);

  private:
    struct Timer {
        qint64 due;
        quint64 seq;
        std::function<void()> fn;
    };

    qint64 now() const override;
    void send(const QByteArray &bytes) override;
    void schedule(qint64 delayMs, std::function<void()> fn) override;
    void note(const QByteArray &text) override;
    Tracker &trackerFor(const QByteArray &number) override;

    struct Unit {
        Unit(Host &host, const TrackerConfig &c) : config(c), tracker(host, config, faults) {}
        TrackerConfig config;
        Faults faults;
        Tracker tracker;
    };
    Unit *unit(const QByteArray &number) const;

    void run();
    void log(WireLog::Direction d, const QByteArray &bytes);
    bool openPty(QString *error);
    void readInput();
    void runTimers();
    void flushOutput();
    int pollTimeout() const;

    const QString m_linkPath;
    const std::chrono::steady_clock::time_point m_t0 = std::chrono::steady_clock::now();
    mutable std::mutex m_mutex;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    int m_wake[2] = {-1, -1};

    ModemConfig m_modemConfig;
    TrackerConfig m_trackerConfig;
    Faults m_faults;
    Tracker m_tracker;
    std::map<QByteArray, std::unique_ptr<Unit>> m_units;
    Modem m_modem;
    Pty m_pty;
    bool m_open = false;
    int m_openers = 0;
    int m_sessions = 0;
    std::vector<Timer> m_timers;
    quint64 m_timerSeq = 0;
    QByteArray m_out;
    double m_nextByteAt = 0;
    WireLog m_wire;
    std::function<void(const WireLog::Entry &)> m_trace;
};

} // namespace t3sim
