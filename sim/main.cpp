// t3sim: the tracker and its GSM modem on a pseudo-terminal, for trying the
// tool without hardware.
#include "Simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTimeZone>

#include <csignal>
#include <cstdio>
#include <pthread.h>

using namespace t3sim;

namespace
{

QSet<int> intSet(const QString &text)
{
    QSet<int> out;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.insert(part.trimmed().toInt());
    return out;
}

bool writeDump(const Simulator &sim, const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(sim.stateDump());
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Block the handled before any thread starts, so that only sigwait sees them.
    sigset_t handled;
    sigemptyset(&handled);
    sigaddset(&handled, SIGINT);
    sigaddset(&handled, SIGTERM);
    sigaddset(&handled, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &handled, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("t3sim"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulates a Trevalo-3 tracker behind a GSM modem on a pseudo-terminal.\n"
        "Open the link path as the serial port. SIGINT or SIGTERM end it and remove the link;\n"
        "SIGUSR1 writes the state dump (--dump)."));
    p.addHelpOption();
    const auto opt = [&](const char *name, const char *help, const char *valueName = nullptr,
                         const char *def = nullptr) {
        QCommandLineOption o(QString::fromLatin1(name), QString::fromUtf8(help));
        if (valueName)
            o.setValueName(QString::fromLatin1(valueName));
        if (def)
            o.setDefaultValue(QString::fromLatin1(def));
        p.addOption(o);
        return o;
    };
    const auto link = opt("link", "Path of the link to the port (default /tmp/t3sim-tty).", "PATH",
                          "/tmp/t3sim-tty");
    const auto version =
        opt("version", "Firmware version answered to \"v\".", "TEXT", "REV 07.600.070");
    const auto versionAfter =
        opt("version-after", "Version after a firmware update.", "TEXT", "REV 07.600.070");
    const auto panel = opt("panel", "Panel type answered to \"typepan\" (hex).", "HEX", "0138");
    const auto echo = opt("echo", "The tracker echoes each request line.");
    const auto noModemEcho = opt("no-modem-echo", "The modem starts with echo off.");
    const auto guard = opt("guard", "Escape guard time in ms.", "MS", "1000");
    const auto regDelay =
        opt("registration-delay", "Network registration after this many ms (-1 never).", "MS", "0");
    const auto roaming = opt("roaming", "Registered as roaming (+CREG: 0,5).");
    const auto dial = opt("dial", "Dial result: connect, busy, no-answer, no-dialtone, no-carrier.",
                          "RESULT", "connect");
    const auto dialDelay = opt("dial-delay", "Time from ATD to its result in ms.", "MS", "3000");
    const auto connectText =
        opt("connect-text", "Result word of a connected call.", "TEXT", "CONNECT 9600");
    const auto replyDelay =
        opt("reply-delay", "Extra delay of every tracker reply in ms.", "MS", "0");
    const auto eraseDelay =
        opt("erase-delay", "Time \"erase\" and \"BE\" take in ms.", "MS", "3000");
    const auto reprogramDelay =
        opt("reprogram-delay", "Silent time after \"EE\" in ms.", "MS", "10000");
    const auto baud =
        opt("baud", "Pace replies at this line speed (0: as fast as possible).", "BAUD", "19200");
    const auto history =
        opt("history", "Write pointer of the track memory (records logged).", "N", "1200");
    const auto wrapped = opt("wrapped", "The track memory has wrapped: every slot holds a record.");
    const auto start = opt("history-start", "UTC time of the oldest record (ISO 8601).", "TIME",
                           "2011-05-16T06:00:00");
    const auto seed = opt("seed", "Seed of the generated track.", "N", "1");
    const auto corrupt = opt("corrupt", "Slots written with a bad checksum (comma list).", "LIST");
    const auto omit =
        opt("omit-satellites", "Satellites the receiver leaves out (comma list).", "LIST");
    const auto errors =
        opt("error-commands", "Commands always answered ERROR (comma list).", "LIST");
    const auto silent = opt("silent", "The tracker answers nothing.");
    const auto carrier =
        opt("carrier-lost-after", "The call drops after N tracker commands.", "N", "0");
    const auto rejectBlock =
        opt("reject-block", "The loader rejects this block index once (hex).", "HEX");
    const auto dropBlock =
        opt("drop-after-block", "The call drops after this block index (hex).", "HEX");
    const auto dump =
        opt("dump", "Write the state and the wire log here on exit and on SIGUSR1.", "PATH");
    const auto trace = opt("trace", "Print every byte on the line as it passes.");
    p.process(app);

    Simulator sim(p.value(link));
    ModemConfig mc;
    mc.echo = !p.isSet(noModemEcho);
    mc.guardTimeMs = p.value(guard).toInt();
    mc.registrationDelayMs = p.value(regDelay).toInt();
    mc.roaming = p.isSet(roaming);
    const QString d = p.value(dial);
    mc.dialResult = d == QLatin1String("busy")          ? DialResult::Busy
                    : d == QLatin1String("no-answer")   ? DialResult::NoAnswer
                    : d == QLatin1String("no-dialtone") ? DialResult::NoDialtone
                    : d == QLatin1String("no-carrier")  ? DialResult::NoCarrier
                                                        : DialResult::Connect;
    mc.dialDelayMs = p.value(dialDelay).toInt();
    mc.connectText = p.value(connectText).toLatin1();
    sim.setModemConfig(mc);

    TrackerConfig tc;
    tc.version = p.value(version).toLatin1();
    tc.versionAfterUpdate = p.value(versionAfter).toLatin1();
    tc.echo = p.isSet(echo);
    tc.replyDelayMs = p.value(replyDelay).toInt();
    tc.eraseDelayMs = p.value(eraseDelay).toInt();
    tc.reprogramDelayMs = p.value(reprogramDelay).toInt();
    tc.bytesPerSecond = p.value(baud).toInt() / 10; // 8N1: ten bits a byte
    sim.setTrackerConfig(tc);
    sim.setPanelType(p.value(panel).toLatin1());

    HistoryFill fill;
    fill.writePointer = p.value(history).toInt();
    fill.wrapped = p.isSet(wrapped);
    fill.firstTime = QDateTime::fromString(p.value(start), Qt::ISODate);
    fill.firstTime.setTimeZone(QTimeZone::utc());
    fill.seed = p.value(seed).toUInt();
    fill.corrupt = intSet(p.value(corrupt)).values();
    sim.fillHistory(fill);

    Faults f;
    f.omittedSatellites = intSet(p.value(omit));
    for (const QString &c : p.value(errors).split(QLatin1Char(','), Qt::SkipEmptyParts))
        f.errorCommands << c.trimmed().toLatin1();
    f.silent = p.isSet(silent);
    f.carrierLostAfter = p.value(carrier).toInt();
    if (p.isSet(rejectBlock))
        f.loaderRejectBlock = p.value(rejectBlock).toInt(nullptr, 16);
    if (p.isSet(dropBlock))
        f.loaderDropAfterBlock = p.value(dropBlock).toInt(nullptr, 16);
    sim.setFaults(f);

    if (p.isSet(trace)) {
        // One printed line per line on the wire, however the bytes were paced.
        sim.setTraceSink(
            [open = false, last = WireLog::Direction::Note](const WireLog::Entry &e) mutable {
                if (open && (e.direction != last || e.direction == WireLog::Direction::Note)) {
                    std::fputc('\n', stdout);
                    open = false;
                }
                for (char c : e.bytes) {
                    if (!open) {
                        const char *arrow = e.direction == WireLog::Direction::FromTool ? "<-"
                                            : e.direction == WireLog::Direction::ToTool ? "->"
                                                                                        : "--";
                        std::printf("%9lld %s ", static_cast<long long>(e.ms), arrow);
                        open = true;
                    }
                    const auto u = static_cast<unsigned char>(c);
                    if (c == '\r')
                        std::fputs("\\r", stdout);
                    else if (c == '\n')
                        std::fputs("\\n", stdout);
                    else if (u < 0x20 || u >= 0x7F)
                        std::printf("\\x%02X", u);
                    else
                        std::fputc(c, stdout);
                    if (c == '\n' && e.direction != WireLog::Direction::Note) {
                        std::fputc('\n', stdout);
                        open = false;
                    }
                }
                last = e.direction;
                std::fflush(stdout);
            });
    }

    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "t3sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("t3sim: port %s\nt3sim: link %s\n", qPrintable(sim.ptyPath()),
                qPrintable(sim.linkPath()));
    std::fflush(stdout);

    for (;;) {
        int sig = 0;
        sigwait(&handled, &sig);
        if (sig == SIGUSR1) {
            if (p.isSet(dump))
                writeDump(sim, p.value(dump));
            continue;
        }
        break;
    }
    sim.stop();
    if (p.isSet(dump) && !writeDump(sim, p.value(dump)))
        std::fprintf(stderr, "t3sim: cannot write %s\n", qPrintable(p.value(dump)));
    return 0;
}
