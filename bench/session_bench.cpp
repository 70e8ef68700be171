// Connect time against its fixed floor, and the CPU an idle session costs.
//   session_bench [idle-seconds]   (default 60)
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

#include "E2EHarness.h"

namespace
{
double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? atoi(argv[1]) : 60;

    E2EHarness h;
    h.waitRegistration = true;
    h.Window();
    QElapsedTimer t;
    t.start();
    h.Connect();
    const double connectMs = t.elapsed();
    if (!h.Connected()) {
        fprintf(stderr, "connect failed\n");
        return 1;
    }
    // Floor: the 2 s RTS pulse, every byte sent at 2 ms, the final 100 ms wait.
    double bytes = 0;
    int exchanges = 0;
    for (const QByteArray &line : h.sim->linesReceived()) {
        bytes += line.size() + 2;
        ++exchanges;
    }
    const double floorMs = 2000 + bytes * 2 + 100;
    const double floorPollMs = floorMs + exchanges * 50;
    printf("connect: %.0f ms, %d exchanges, %.0f bytes sent\n", connectMs, exchanges, bytes);
    printf("connect / fixed floor (RTS 2 s + 2 ms per byte + 100 ms): %.3f (floor %.0f ms)\n",
           connectMs / floorMs, floorMs);
    printf("connect / floor with 50 ms poll granularity per exchange: %.3f (floor %.0f ms)\n",
           connectMs / floorPollMs, floorPollMs);

    const double cpu0 = CpuSeconds();
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < idleSeconds * 1000)
        QTest::qWait(200);
    const double cpu = CpuSeconds() - cpu0;
    printf("idle connected %d s: CPU %.3f s = %.2f %% of one core (tool and simulator together)\n",
           idleSeconds, cpu, 100.0 * cpu / (idle.elapsed() / 1000.0));
    h.Window().tbtnDisconnect->trigger();
    return 0;
}
