#include "Tracker.h"

#include "Hex.h"

namespace t3sim
{
namespace
{
const QByteArray kOk = "OK\r\n";
const QByteArray kError = "ERROR\r\n";
const QByteArray kAccessOn = "GPSACCESS_ON";
const QByteArray kAccessOff = "GPSACCESS_OFF";
constexpr int kMaxLine = 1024;
} // namespace

Tracker::Tracker(Host &host, TrackerConfig &config, Faults &faults)
    : m_host(host), m_config(config), m_faults(faults)
{
    m_memory.fill(HistoryFill{});
}

void Tracker::callStarted()
{
    m_lineBuffer.clear();
}

void Tracker::callEnded()
{
    // Losing the call ends pass-through and the loader; the staging flash keeps its blocks.
    if (m_mode == Mode::PassThrough || m_mode == Mode::Loader) {
        m_mode = Mode::Normal;
        m_receiver.reset();
    }
    m_lineBuffer.clear();
}

void Tracker::input(const QByteArray &bytes)
{
    if (m_mode == Mode::PassThrough) {
        const QByteArray out = m_receiver.input(bytes);
        if (!out.isEmpty() && m_line && !m_faults.receiverSilent)
            m_line->reply(out, m_config.replyDelayMs);
        // The tracker keeps listening for its own command between the frames.
        m_passText += bytes;
        for (int eol;
             (eol = m_passText.indexOf('\n')) >= 0 || (eol = m_passText.indexOf('\r')) >= 0;) {
            const QByteArray line = m_passText.left(eol);
            m_passText.remove(0, eol + 1);
            if (line.endsWith(kAccessOff)) {
                m_passText.clear();
                handleLine(kAccessOff);
                return;
            }
        }
        m_passText = m_passText.right(64);
        return;
    }
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!m_lineBuffer.isEmpty())
                handleLine(m_lineBuffer);
            m_lineBuffer.clear();
        } else if (m_lineBuffer.size() < kMaxLine) {
            m_lineBuffer += c;
        }
    }
}

QByteArray Tracker::commandName(const QByteArray &line)
{
    if (!line.startsWith('+'))
        return line;
    const QByteArray body = line.mid(1);
    for (const char *special :
         {"nspoint", "point", "read", "erase", "mflag", "BL", "BE", "EE", "W", "v"})
        if (body.startsWith(special))
            return special;
    return SettingsStore::matchName(body);
}

bool Tracker::gated(int minBuild) const
{
    if (!m_config.versionGates || minBuild == 0)
        return false;
    // "REV 07.MMM.NNN": the shell and the build.
    const QList<QByteArray> parts = m_config.version.split('.');
    if (parts.size() < 3)
        return false;
    const int major = parts[1].toInt();
    const int build = parts[2].toInt();
    return major < 600 || (major == 600 && build < minBuild);
}

void Tracker::handleLine(const QByteArray &line)
{
    m_commands << line;
    ++m_commandsSinceFaults;
    if (m_mode == Mode::Reprogramming)
        return;
    if (m_faults.carrierLostAfter > 0 && m_commandsSinceFaults > m_faults.carrierLostAfter) {
        m_faults.carrierLostAfter = 0;
        if (m_line)
            m_line->dropCall();
        return;
    }
    if (m_faults.silent || m_faults.silentCommands.contains(commandName(line)))
        return;
    if (m_faults.errorAlways || m_faults.errorOnCommand == m_commandsSinceFaults ||
        m_faults.errorCommands.contains(commandName(line))) {
        respond(line, kError);
        return;
    }
    answer(line);
}

void Tracker::respond(const QByteArray &line, const QByteArray &reply, qint64 extraDelayMs)
{
    if (!m_line)
        return;
    QByteArray out = m_faults.noise;
    // The loader never echoes: its block answer must begin with the index.
    if (m_config.echo && m_mode != Mode::Loader)
        out += line + "\r\n";
    out += reply;
    m_line->reply(out, m_config.replyDelayMs + extraDelayMs);
}

void Tracker::answer(const QByteArray &line)
{
    if (m_mode == Mode::Loader)
        answerLoader(line);
    else
        answerNormal(line);
}

void Tracker::answerNormal(const QByteArray &line)
{
    if (line == kAccessOn) {
        if (gated(41))
            return respond(line, kError);
        m_mode = Mode::PassThrough;
        m_passText.clear();
        m_receiver.reset();
        return respond(line, kOk);
    }
    if (line == kAccessOff) {
        if (m_mode == Mode::PassThrough) {
            m_mode = Mode::Normal;
            m_receiver.reset();
        }
        return respond(line, kOk);
    }
    if (!line.startsWith('+'))
        return respond(line, kError);
    const QByteArray body = line.mid(1);

    if (body == "v")
        return respond(line, "v>" + m_config.version + "\r\n" + kOk);
    if (body == "point")
        return respond(line, "point>" + hex::format(m_memory.writePointer(), 4) + "\r\n" + kOk);
    if (body.startsWith("nspoint")) {
        const QByteArray value = body.mid(7);
        if (value.isEmpty())
            return respond(line, "nspoint>" + m_memory.nsPoint() + "\r\n" + kOk);
        const auto p = value.size() <= 4 ? hex::parse(value) : std::nullopt;
        if (!p)
            return respond(line, kError);
        m_memory.setNsPoint(hex::format(*p, 4));
        return respond(line, kOk);
    }
    if (body.startsWith("read")) {
        const QByteArray range = body.mid(4);
        const auto first = range.size() == 8 ? hex::parse(range.left(4)) : std::nullopt;
        const auto last = range.size() == 8 ? hex::parse(range.mid(4)) : std::nullopt;
        if (!first || !last || *first >= TrackMemory::kSlots || *last >= TrackMemory::kSlots)
            return respond(line, kError);
        // A range whose end lies before its start runs over the end of the ring.
        QByteArray out;
        int a = int(*first);
        for (;;) {
            out += hex::format(a, 4) + '>' + m_memory.recordHex(a) + "\r\n";
            if (a == int(*last))
                break;
            a = (a + 1) % TrackMemory::kSlots;
        }
        return respond(line, out + kOk);
    }
    if (body == "erase") {
        // The memory is cleared when the answer comes, however long that takes.
        const qint64 delay = m_config.replyDelayMs + m_config.eraseDelayMs;
        m_host.schedule(delay, [this] { m_memory.erase(); });
        return respond(line, kOk, m_config.eraseDelayMs);
    }
    if (body == "BL") {
        m_mode = Mode::Loader;
        return respond(line, kOk);
    }
    if (body == "mflag") {
        m_settings.setValue("MFLAG", "0000");
        return respond(line, kOk);
    }

    const QByteArray name = SettingsStore::matchName(body);
    if (name.isEmpty() || gated(SettingsStore::minBuild(name)))
        return respond(line, kError);
    const QByteArray value = body.mid(name.size());
    if (value.isEmpty())
        return respond(line, name + '>' + m_settings.value(name) + "\r\n" + kOk);
    const auto result = m_settings.write(name, value);
    respond(line, result == SettingsStore::WriteResult::Ok ? kOk : kError);
}

void Tracker::answerLoader(const QByteArray &line)
{
    if (line == "+v")
        return respond(line, QByteArray(Bootloader::kVersion) + "\r\n" + kOk);
    if (line == "+BL")
        return respond(line, kOk);
    if (line == "+BE") {
        m_host.schedule(m_config.replyDelayMs + m_config.eraseDelayMs,
                        [this] { m_loader.erase(); });
        return respond(line, kOk, m_config.eraseDelayMs);
    }
    if (line.startsWith("+W")) {
        int index = -1;
        const QByteArray body = line.mid(2);
        const auto idx = hex::parse(body.left(4));
        if (idx && int(*idx) == m_faults.loaderRejectBlock && m_rejectsLeft != 0) {
            if (m_rejectsLeft > 0)
                --m_rejectsLeft;
            return respond(line, kError);
        }
        if (m_loader.writeBlock(body, &index) != Bootloader::BlockResult::Stored)
            return respond(line, kError);
        respond(line, hex::format(index, 4) + "\r\n" + kOk);
        if (index == m_faults.loaderDropAfterBlock && m_line) {
            m_faults.loaderDropAfterBlock = -1;
            m_line->dropCall();
        }
        return;
    }
    if (line.startsWith("+EE")) {
        if (!m_loader.closeMatches(line.mid(3)))
            return respond(line, kError);
        respond(line, kOk);
        m_mode = Mode::Reprogramming;
        m_host.schedule(m_config.replyDelayMs + m_config.reprogramDelayMs, [this] {
            m_loader.commit();
            m_config.version = m_config.versionAfterUpdate;
            m_mode = Mode::Normal;
            m_host.note("reprogrammed: " + m_config.version);
        });
        return;
    }
    respond(line, kError);
}

} // namespace t3sim
