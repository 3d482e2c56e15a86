#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

TEST(Clock, TickCountAndPerformanceCounterAdvanceAcrossASleep)
{
    EXPECT_EQ(Platform::PerformanceFrequency(), 1000000);
    const uint32_t ticks = Platform::TickCount();
    const int64_t counter = Platform::PerformanceCounter();
    const uint64_t cycles = Platform::TimeStampCounter();
    Platform::SleepMilliseconds(20);
    EXPECT_GE(static_cast<int32_t>(Platform::TickCount() - ticks), 19);
    EXPECT_GE(Platform::PerformanceCounter() - counter, 19000);
    EXPECT_GT(Platform::TimeStampCounter(), cycles);
}

} // namespace
