#pragma once
// Time as the framework expects it of the system: a wrapping millisecond tick
// count for pacing, a microsecond counter for precise intervals, and the
// processor's cycle counter for profiling.

#include <cstdint>

namespace Platform {

// Milliseconds of a monotonic clock, wrapping at 2^32. Compare two readings by
// the sign of their int32_t difference, never with < on the raw values.
uint32_t TickCount();

// How far `now` lies after `then` (negative when before), across the wrap.
constexpr int32_t TicksBetween(uint32_t then, uint32_t now)
{
    return static_cast<int32_t>(now - then);
}

// A monotonic counter and its frequency (ticks per second, here 1,000,000).
int64_t PerformanceCounter();
int64_t PerformanceFrequency();

// The processor's cycle counter where it has one, else nanoseconds.
uint64_t TimeStampCounter();

void SleepMilliseconds(uint32_t ms);

// What the main loop reads and waits on; tests substitute scripted time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t Milliseconds() = 0;
    virtual void Sleep(uint32_t ms) = 0;
};

class SystemClock final : public Clock {
public:
    uint32_t Milliseconds() override { return TickCount(); }
    void Sleep(uint32_t ms) override { SleepMilliseconds(ms); }
};

} // namespace Platform
