#pragma once
#include <QByteArray>

#include <functional>

namespace t3sim
{

// What the modem and the tracker need from the simulator's thread.
class Host
{
  public:
    virtual ~Host() = default;
    virtual qint64 now() const = 0; // ms on a monotonic clock
    virtual void send(const QByteArray &bytes) = 0;
    // Runs fn on the simulator's thread after the delay; equal times keep their order.
    virtual void schedule(qint64 delayMs, std::function<void()> fn) = 0;
    virtual void note(const QByteArray &text) = 0;
};

class Tracker;

// Which tracker answers a dialled number.
class TrackerDirectory
{
  public:
    virtual ~TrackerDirectory() = default;
    virtual Tracker &trackerFor(const QByteArray &number) = 0;
};

// The tracker's way back to the tool: through the modem's data call.
class TrackerLine
{
  public:
    virtual ~TrackerLine() = default;
    virtual void reply(const QByteArray &bytes, qint64 delayMs) = 0;
    // The call drops once everything replied before has gone out.
    virtual void dropCall() = 0;
};

} // namespace t3sim
