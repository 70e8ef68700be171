// A save and a load of the GPS page against the simulated receiver, replies
// paced at 1920 bytes/s (19200 baud), each as a ratio to its protocol floor:
// request bytes x 2 ms + the tracker's text replies at 1920 bytes/s + the
// fixed pauses of the sequence (the NMEA switch waits its 4.5 s for an answer
// that never comes; every receiver frame collects for its whole time-out,
// during which the receiver's own replies arrive). Target: ratio <= 1.05.
//
//   build/bench/gps_bench [runs]
//
// Measured from the click to the worker's mailbox back at idle.
#include "../tests/e2e/GpsHelpers.h"

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

struct Run {
    double ms = 0;
    double floorMs = 0;
    qint64 requestBytes = 0, textReplyBytes = 0, frameReplyBytes = 0;
};

// Bytes of the receiver's frames inside what the tracker sent.
qint64 FrameBytes(const QByteArray &sent)
{
    qint64 n = 0;
    for (qsizetype i = sent.indexOf(QByteArray::fromHex("A0A2")); i >= 0 && i + 4 <= sent.size();
         i = sent.indexOf(QByteArray::fromHex("A0A2"), i + 1)) {
        const int length = (quint8(sent[i + 2]) << 8) | quint8(sent[i + 3]);
        n += length + 8;
        i += length + 7;
    }
    return n;
}

bool Measure(gps_e2e::GpsSession &s, QPushButton *button, double pausesMs, Run &run)
{
    QElapsedTimer t;
    t.start();
    if (!s.Click(button, nullptr, 120000))
        return false;
    run.ms = t.nsecsElapsed() / 1e6;
    run.requestBytes = s.h.sim->bytesReceived().size();
    const QByteArray sent = s.h.sim->bytesSent();
    run.frameReplyBytes = FrameBytes(sent);
    run.textReplyBytes = sent.size() - run.frameReplyBytes;
    run.floorMs = run.requestBytes * kMsPerRequestByte +
                  run.textReplyBytes * 1000.0 / kBytesPerSecond + pausesMs;
    return true;
}

void Report(const char *what, std::vector<Run> runs)
{
    std::sort(runs.begin(), runs.end(),
              [](const Run &a, const Run &b) { return a.ms / a.floorMs < b.ms / b.floorMs; });
    const Run &m = runs[runs.size() / 2];
    std::printf("%s: %.0f ms, floor %.0f ms (%lld request bytes, %lld text reply bytes, %lld "
                "receiver frame bytes), ratio %.3f  [best %.3f, worst %.3f of %zu]\n",
                what, m.ms, m.floorMs, static_cast<long long>(m.requestBytes),
                static_cast<long long>(m.textReplyBytes), static_cast<long long>(m.frameReplyBytes),
                m.ms / m.floorMs, runs.front().ms / runs.front().floorMs,
                runs.back().ms / runs.back().floorMs, runs.size());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    gps_e2e::GpsSession s;
    t3sim::TrackerConfig tc = s.h.sim->trackerConfig();
    tc.bytesPerSecond = int(kBytesPerSecond);
    tc.replyDelayMs = 0;
    s.h.sim->setTrackerConfig(tc);
    if (!s.h.Connected() || !s.GpsNodeShown()) {
        std::fprintf(stderr, "no session with the simulator\n");
        return 1;
    }
    const QString path = s.h.dir.filePath("bench.txt");
    s.page->etSave->setText(path);
    s.page->etLoad->setText(path);

    // NMEA switch 4500 ms; clock, almanac, NMEA frame 3000 ms each; ephemeris 9000 ms.
    constexpr double kSavePauses = 4500 + 3000 + 3000 + 9000 + 3000;
    std::vector<Run> saves, loads;
    for (int i = 0; i < runs; ++i) {
        Run r;
        if (!Measure(s, s.page->btnSaveAlEp, kSavePauses, r)) {
            std::fprintf(stderr, "save did not finish\n");
            return 1;
        }
        saves.push_back(r);
        const int ephemerides = int(gps_e2e::FileLines(path).size()) - 34;
        // NMEA switch 4500 ms; almanac, each ephemeris and the start 500 ms; NMEA frame 3000 ms.
        const double loadPauses = 4500 + 500 + 500.0 * ephemerides + 500 + 3000;
        if (!Measure(s, s.page->btnLoadAlEp, loadPauses, r)) {
            std::fprintf(stderr, "load did not finish\n");
            return 1;
        }
        loads.push_back(r);
    }
    Report("save (2 + 32 + 32 lines)", saves);
    Report("load (2 + 32 + 32 lines)", loads);
    return 0;
}
