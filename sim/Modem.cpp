#include "Modem.h"

#include "Tracker.h"

#include <algorithm>

namespace t3sim
{

Modem::Modem(Host &host, ModemConfig &config, Tracker &tracker)
    : m_host(host), m_config(config), m_tracker(&tracker)
{
}

void Modem::portOpened()
{
    m_state = State::Command;
    m_echo = m_config.echo;
    m_line.clear();
    m_cregMode = 0;
    m_callUp = false;
    m_pendingPlus = 0;
    ++m_dialId;
    ++m_escapeId;
    m_registeredAt =
        m_config.registrationDelayMs < 0 ? -1 : m_host.now() + m_config.registrationDelayMs;
}

void Modem::portClosed()
{
    if (m_callUp) {
        m_callUp = false;
        ++m_callId;
        m_tracker->callEnded();
        m_host.note("call ended: port closed");
    }
    m_state = State::Command;
    ++m_dialId;
    ++m_escapeId;
}

bool Modem::registered() const
{
    return m_registeredAt >= 0 && m_host.now() >= m_registeredAt;
}

void Modem::input(const QByteArray &bytes)
{
    for (char c : bytes) {
        switch (m_state) {
        case State::Command:
            commandByte(c);
            break;
        case State::Dialling:
            // Any character aborts dialling, as on every modem; the dial line's own LF does not.
            if (c == '\n' && m_afterCr) {
                m_afterCr = false;
                break;
            }
            ++m_dialId;
            m_state = State::Command;
            result("NO CARRIER");
            break;
        case State::Data:
            dataByte(c);
            break;
        }
    }
}

void Modem::result(const QByteArray &word)
{
    m_host.send("\r\n" + word + "\r\n");
}

void Modem::commandByte(char c)
{
    // The line feed after the command's CR comes after the result; it is not echoed.
    const bool swallow = c == '\n' && m_afterCr;
    m_afterCr = c == '\r';
    if (m_echo && !swallow)
        m_host.send(QByteArray(1, c));
    if (c == '\r') {
        const QByteArray line = m_line.trimmed();
        m_line.clear();
        if (!line.isEmpty())
            commandLine(line);
    } else if (c == '\b') {
        m_line.chop(1);
    } else if (c != '\n' && m_line.size() < 256) {
        m_line += c;
    }
}

void Modem::commandLine(const QByteArray &line)
{
    if (!line.toUpper().startsWith("AT"))
        return; // not a command: ignored
    const QByteArray rest = line.mid(2);
    const QByteArray up = rest.toUpper();
    if (up.isEmpty())
        return result("OK");
    if (up.startsWith('D'))
        return dial(rest.mid(1).trimmed());
    if (up == "Z" || up == "Z0" || up == "&F") {
        hangUp();
        m_echo = m_config.echo;
        m_cregMode = 0;
        return result("OK");
    }
    if (up == "E0" || up == "E1") {
        m_echo = up == "E1";
        return result("OK");
    }
    if (up == "H" || up == "H0") {
        hangUp();
        return result("OK");
    }
    if (up == "O" || up == "O0") {
        if (!m_callUp)
            return result("NO CARRIER");
        m_state = State::Data;
        m_lastData = m_host.now();
        return result(m_config.connectText);
    }
    if (up == "I")
        return m_host.send("\r\nT3SIM GSM MODEM\r\n\r\nOK\r\n");
    if (up == "+CREG?") {
        const int stat = registered() ? (m_config.roaming ? 5 : 1) : 2;
        return m_host.send("\r\n+CREG: " + QByteArray::number(m_cregMode) + ',' +
                           QByteArray::number(stat) + "\r\n\r\nOK\r\n");
    }
    if (up.startsWith("+CREG=") && up.size() == 7 && up[6] >= '0' && up[6] <= '2') {
        m_cregMode = up[6] - '0';
        return result("OK");
    }
    if (up == "+CBST?")
        return m_host.send("\r\n+CBST: 7,0,1\r\n\r\nOK\r\n");
    if (up.startsWith("+CBST=")) {
        const QList<QByteArray> args = up.mid(6).split(',');
        const bool ok =
            args.size() == 3 && std::all_of(args.begin(), args.end(), [](const QByteArray &a) {
                bool isNumber = false;
                a.toInt(&isNumber);
                return isNumber;
            });
        return result(ok ? "OK" : "ERROR");
    }
    result("ERROR");
}

void Modem::dial(const QByteArray &number)
{
    if (m_callUp)
        return result("ERROR");
    m_host.note("dialling \"" + number + "\"");
    m_state = State::Dialling;
    const int id = ++m_dialId;
    const DialResult outcome = m_config.dialByNumber.value(number, m_config.dialResult);
    if (m_directory)
        m_tracker = &m_directory->trackerFor(number);
    m_host.schedule(m_config.dialDelayMs, [this, id, outcome] {
        if (id != m_dialId || m_state != State::Dialling)
            return;
        m_state = State::Command;
        if (!registered())
            return result("NO CARRIER");
        switch (outcome) {
        case DialResult::Connect:
            m_callUp = true;
            ++m_callId;
            ++m_calls;
            m_state = State::Data;
            m_pendingPlus = 0;
            m_lastData = m_host.now();
            m_lastTrackerDue = 0;
            m_tracker->callStarted();
            return result(m_config.connectText);
        case DialResult::Busy:
            return result("BUSY");
        case DialResult::NoAnswer:
            return result("NO ANSWER");
        case DialResult::NoDialtone:
            return result("NO DIALTONE");
        case DialResult::NoCarrier:
            return result("NO CARRIER");
        }
    });
}

void Modem::hangUp()
{
    if (!m_callUp)
        return;
    m_callUp = false;
    ++m_callId;
    m_tracker->callEnded();
    m_host.note("call ended: hung up");
}

void Modem::loseCarrier()
{
    if (!m_callUp)
        return;
    hangUp();
    m_state = State::Command;
    m_pendingPlus = 0;
    ++m_escapeId;
    result("NO CARRIER");
}

// "+++" counts only with the guard time of silence before and after it;
// otherwise the characters are the tracker's data.
void Modem::dataByte(char c)
{
    const qint64 now = m_host.now();
    const qint64 silence = now - m_lastData;
    m_lastData = now;
    if (m_pendingPlus > 0) {
        if (c == '+' && m_pendingPlus < 3 && silence < m_config.guardTimeMs) {
            if (++m_pendingPlus == 3) {
                const int id = ++m_escapeId;
                m_host.schedule(m_config.guardTimeMs, [this, id] {
                    if (id != m_escapeId || m_pendingPlus != 3 || m_state != State::Data)
                        return;
                    m_pendingPlus = 0;
                    m_state = State::Command;
                    m_host.note("escape to command mode");
                    result("OK");
                });
            }
            return;
        }
        ++m_escapeId;
        m_tracker->input(QByteArray(m_pendingPlus, '+'));
        m_pendingPlus = 0;
    }
    if (c == '+' && silence >= m_config.guardTimeMs) {
        m_pendingPlus = 1;
        return;
    }
    m_tracker->input(QByteArray(1, c));
}

void Modem::reply(const QByteArray &bytes, qint64 delayMs)
{
    const qint64 due = std::max(m_host.now() + delayMs, m_lastTrackerDue);
    m_lastTrackerDue = due;
    const int id = m_callId;
    m_host.schedule(due - m_host.now(), [this, id, bytes] {
        // Data from the far end is lost while the call is down or escaped.
        if (id == m_callId && m_callUp && m_state == State::Data)
            m_host.send(bytes);
    });
}

void Modem::dropCall()
{
    const qint64 due = std::max(m_host.now(), m_lastTrackerDue);
    const int id = m_callId;
    m_host.schedule(due - m_host.now(), [this, id] {
        if (id == m_callId) {
            m_host.note("carrier lost");
            loseCarrier();
        }
    });
}

} // namespace t3sim
