#include "platform/Clock.h"

#include <ctime>
#include <cerrno>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace Platform {

namespace {

int64_t MonotonicNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

} // namespace

uint32_t TickCount()
{
    return static_cast<uint32_t>(static_cast<uint64_t>(MonotonicNanoseconds() / 1000000));
}

int64_t PerformanceCounter()
{
    return MonotonicNanoseconds() / 1000;
}

int64_t PerformanceFrequency()
{
    return 1000000;
}

uint64_t TimeStampCounter()
{
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return static_cast<uint64_t>(MonotonicNanoseconds());
#endif
}

void SleepMilliseconds(uint32_t ms)
{
    timespec request{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec remaining{};
    while (nanosleep(&request, &remaining) != 0 && errno == EINTR)
        request = remaining;
}

} // namespace Platform
