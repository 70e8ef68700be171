// One tracker command exchanged against a peer that answers at once, compared
// with the protocol floor: bytes x 2 ms + reply arrival + 50 ms polling.
#include "PtyPeer.h"
#include "link/ComPortWorker.h"
#include "link/ModemWorker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

static double nowMs()
{
    using namespace std::chrono;
    return duration_cast<duration<double, std::milli>>(steady_clock::now().time_since_epoch())
        .count();
}

int main()
{
    PtyPeer peer;
    std::atomic<int64_t> lastByteUs{0}, answeredUs{0};
    peer.OnLine([&](const QByteArray &) {
        const auto a = peer.Arrivals();
        lastByteUs = a.back().us;
        answeredUs = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
        return PtyPeer::Reply{">0050\r\nOK\r\n", 0};
    });
    TComPortWorker port(peer.Path(), nullptr);
    port.Open();
    TModemWorker modem(&port, QString(), false, nullptr, false);

    const QString command = QStringLiteral("+object");
    const int bytes = command.size() + 2;
    const int runs = 30;
    std::vector<double> took, arrival;
    for (int i = 0; i < runs; ++i) {
        QString reply;
        const double start = nowMs();
        if (!modem.Exchange(command, reply, QStringLiteral("OK"), 1, 4500, true)) {
            std::printf("exchange failed\n");
            return 1;
        }
        took.push_back(nowMs() - start);
        arrival.push_back((answeredUs - lastByteUs) / 1000.0);
    }
    std::sort(took.begin(), took.end());
    std::sort(arrival.begin(), arrival.end());
    const double median = took[runs / 2];
    const double reply = arrival[runs / 2];
    const double paced = bytes * TComPortWorker::BytePauseMs;
    const double floor = paced + reply + TModemWorker::PollMs;
    std::printf(
        "exchange \"+object\" -> \">0050 OK\", %d runs, median %.2f ms (min %.2f, max %.2f)\n",
        runs, median, took.front(), took.back());
    std::printf("floor: %d bytes x 2 ms = %.1f ms + reply arrival %.2f ms + poll %d ms = %.2f ms\n",
                bytes, paced, reply, TModemWorker::PollMs, floor);
    std::printf("ratio to floor: %.3f (target <= 1.05)\n", median / floor);
    std::printf("ratio to floor without the poll granularity: %.3f\n", median / (paced + reply));
    return 0;
}
