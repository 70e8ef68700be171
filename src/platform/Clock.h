#pragma once
#include <cstdint>

// Time sources for waits and time-outs. Both clocks are monotonic: a change
// of the wall clock during a session must not end or stretch a wait.
namespace t3clock
{
// Milliseconds since an arbitrary start, never going backwards.
int64_t MonotonicMs();
// The driver's millisecond clock: the high-resolution counter rounded to ms.
int64_t MillisecondClock();
// Sleeps at least ms milliseconds (0 or less returns at once).
void SleepMs(int ms);
} // namespace t3clock
