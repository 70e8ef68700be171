// Reading all pages and writing all pages against the simulated tracker,
// replies paced at 1920 bytes/s (19200 baud), each as a ratio to its
// protocol floor: the sum over its exchanges, taken from the wire log, of
// request bytes x 2 ms + reply bytes at 1920 bytes/s + 50 ms poll
// granularity. Target: ratio <= 1.05.
//
//   build/bench/pages_rw_bench [runs]
//
// Measured from the toolbar click to the worker's mailbox back at idle.
#include "../tests/e2e/PagesHelpers.h"

#include <QApplication>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

constexpr double kBytesPerSecond = 1920;
constexpr double kMsPerRequestByte = 2;
constexpr double kPollMs = 50;

struct Floor {
    int exchanges = 0;
    qint64 requestBytes = 0;
    qint64 replyBytes = 0;
    double ms = 0;
    qint64 firstByteMs = -1; // wire span: first request byte to last reply byte
    qint64 lastByteMs = -1;
    double gapMs = 0; // from a reply's last byte to the next request's first
};

// An exchange is one request line from the tool and what came back until
// the next one. The tracker answers at the carriage return, so its reply may
// begin before the tool has sent the line feed.
Floor FloorOf(const QList<t3sim::WireLog::Entry> &log)
{
    using D = t3sim::WireLog::Direction;
    Floor f;
    bool lineEnded = true;
    qint64 lastReply = -1;
    for (const auto &e : log) {
        if (e.direction == D::Note || e.bytes.isEmpty())
            continue;
        if (f.firstByteMs < 0)
            f.firstByteMs = e.ms;
        if (e.direction == D::FromTool) {
            if (lineEnded) {
                ++f.exchanges;
                if (lastReply >= 0)
                    f.gapMs += e.ms - lastReply;
            }
            lineEnded = e.bytes.endsWith('\n');
            f.requestBytes += e.bytes.size();
        } else {
            f.replyBytes += e.bytes.size();
            lastReply = e.ms;
        }
        f.lastByteMs = e.ms;
    }
    f.ms = f.requestBytes * kMsPerRequestByte + f.replyBytes * 1000.0 / kBytesPerSecond +
           f.exchanges * kPollMs;
    return f;
}

struct Run {
    double ms;
    Floor floor;
};

bool Measure(E2EHarness &h, QAction *action, Run &run)
{
    h.sim->clearWireLog();
    h.messages.clear();
    QElapsedTimer t;
    t.start();
    action->trigger();
    if (pages_e2e::WorkerIdle(h))
        return false;
    while (!pages_e2e::WorkerIdle(h)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(500);
        if (t.elapsed() > 120000)
            return false;
    }
    run.ms = t.nsecsElapsed() / 1e6;
    run.floor = FloorOf(h.sim->wireLog());
    if (qEnvironmentVariableIsSet("T3_BENCH_DUMP"))
        std::fputs(h.sim->wireLogDump().constData(), stderr);
    // Let the window apply the closing message before the next run.
    return E2EHarness::WaitFor([&] { return !h.messages.isEmpty(); }, 5000);
}

void Report(const char *what, std::vector<Run> runs)
{
    std::sort(runs.begin(), runs.end(),
              [](const Run &a, const Run &b) { return a.ms / a.floor.ms < b.ms / b.floor.ms; });
    const Run &m = runs[runs.size() / 2];
    const Floor &f = m.floor;
    const double span = double(f.lastByteMs - f.firstByteMs);
    std::printf("%s: %.0f ms, floor %.0f ms (%d exchanges, %lld request bytes, %lld reply "
                "bytes), ratio %.3f  [best %.3f, worst %.3f of %zu]\n",
                what, m.ms, f.ms, f.exchanges, static_cast<long long>(f.requestBytes),
                static_cast<long long>(f.replyBytes), m.ms / f.ms,
                runs.front().ms / runs.front().floor.ms, runs.back().ms / runs.back().floor.ms,
                runs.size());
    std::printf("    on the wire %.0f ms; before the first byte and after the last %.0f ms; "
                "between a reply and the next request %.1f ms on average\n",
                span, m.ms - span, f.exchanges > 1 ? f.gapMs / (f.exchanges - 1) : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    E2EHarness h;
    h.waitRegistration = false;
    t3sim::TrackerConfig tc = h.sim->trackerConfig();
    tc.bytesPerSecond = int(kBytesPerSecond);
    h.sim->setTrackerConfig(tc);
    TformMain &w = h.Window();
    pages_e2e::BusyWatch busy;
    busy.Install(h);
    h.Connect();
    if (!h.Connected() || !busy.WaitReady()) {
        std::fprintf(stderr, "no session with the simulator\n");
        return 1;
    }
    // Keep-alive polls while idle are no part of either operation.
    w.Session()->Controller()->PollSuspended = true;

    std::vector<Run> reads, writes;
    for (int i = 0; i < runs; ++i) {
        Run r{};
        if (!Measure(h, w.tbtnReadAll, r)) {
            std::fprintf(stderr, "read all did not finish\n");
            return 1;
        }
        reads.push_back(r);
        if (!Measure(h, w.tbtnWriteAll, r)) {
            std::fprintf(stderr, "write all did not finish\n");
            return 1;
        }
        writes.push_back(r);
    }
    std::printf("pages read/write against the simulator at %.0f bytes/s, median of %d runs\n",
                kBytesPerSecond, runs);
    Report("read all pages ", reads);
    Report("write all pages", writes);
    w.tbtnDisconnect->trigger();
    return 0;
}
