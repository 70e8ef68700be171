// CPU spent while an exchange waits for an answer that never comes: the
// 50 ms polls, the driver's event thread and the idle pty peer together.
#include "PtyPeer.h"
#include "link/ComPortWorker.h"
#include "link/ModemWorker.h"

#include <cstdio>
#include <ctime>

static double seconds(clockid_t id)
{
    timespec ts{};
    clock_gettime(id, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

int main()
{
    PtyPeer peer; // silent
    TComPortWorker port(peer.Path(), nullptr);
    port.Open();
    TModemWorker modem(&port, QString(), false, nullptr, false);

    const double wall0 = seconds(CLOCK_MONOTONIC);
    const double cpu0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    QString reply;
    modem.Exchange(QStringLiteral("+v"), reply, QStringLiteral("OK"), 1, 4500, false);
    const double wall = seconds(CLOCK_MONOTONIC) - wall0;
    const double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    std::printf("polling wait of %.2f s used %.2f ms of CPU: %.3f %% of one core (target < 1 %%)\n",
                wall, cpu * 1000, 100 * cpu / wall);
    return 0;
}
