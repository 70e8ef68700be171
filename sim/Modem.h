#pragma once
#include "Config.h"
#include "Host.h"

namespace t3sim
{

class Tracker;

// The GSM modem between the tool's port and the tracker: AT commands in
// command mode, a transparent data call, and the guarded "+++" escape.
class Modem : public TrackerLine
{
  public:
    enum class State { Command, Dialling, Data };

    Modem(Host &host, ModemConfig &config, Tracker &tracker);
    // The tracker behind each dialled number; without one every number
    // reaches the tracker given above.
    void setDirectory(TrackerDirectory *directory) { m_directory = directory; }

    // A pty has no DTR: the port's opening is the modem's power-up.
    void portOpened();
    // The tool let go of the port: the call, if any, ends.
    void portClosed();
    void input(const QByteArray &bytes);

    State state() const { return m_state; }
    bool callUp() const { return m_callUp; }
    int calls() const { return m_calls; }

    void reply(const QByteArray &bytes, qint64 delayMs) override;
    void dropCall() override;

  private:
    void commandByte(char c);
    void commandLine(const QByteArray &line);
    void dataByte(char c);
    void result(const QByteArray &word);
    void dial(const QByteArray &number);
    void hangUp();
    void loseCarrier();
    bool registered() const;

    Host &m_host;
    ModemConfig &m_config;
    Tracker *m_tracker;
    TrackerDirectory *m_directory = nullptr;
    State m_state = State::Command;
    bool m_echo = true;
    QByteArray m_line;
    bool m_afterCr = false;
    qint64 m_registeredAt = 0;
    int m_cregMode = 0;
    bool m_callUp = false;
    int m_callId = 0;
    int m_calls = 0;
    int m_dialId = 0;
    int m_pendingPlus = 0;
    int m_escapeId = 0;
    qint64 m_lastData = 0;
    qint64 m_lastTrackerDue = 0;
};

} // namespace t3sim
