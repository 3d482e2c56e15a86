#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

// Units, not speed: a 20 ms sleep shows as at least 19 ticks of each clock.
TEST(Clock, TicksAreMillisecondsAndTheCounterMicroseconds)
{
    EXPECT_EQ(Platform::PerformanceFrequency(), 1000000);
    const uint32_t ticks = Platform::TickCount();
    const int64_t counter = Platform::PerformanceCounter();
    Platform::SleepMilliseconds(20);
    EXPECT_GE(Platform::TicksBetween(ticks, Platform::TickCount()), 19);
    EXPECT_GE(Platform::PerformanceCounter() - counter, 19000);
}

TEST(Clock, TicksCompareAcrossTheWrap)
{
    EXPECT_EQ(Platform::TicksBetween(0xFFFFFFF0u, 0x10u), 0x20);
    EXPECT_EQ(Platform::TicksBetween(0x10u, 0xFFFFFFF0u), -0x20);
}

} // namespace
