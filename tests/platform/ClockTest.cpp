#include "platform/Clock.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

namespace {

TEST(Clock, TickCountAdvancesAcrossASleep)
{
    const uint32_t before = Platform::TickCount();
    Platform::SleepMilliseconds(20);
    const auto elapsed = static_cast<int32_t>(Platform::TickCount() - before);
    EXPECT_GE(elapsed, 19);
}

TEST(Clock, PerformanceCounterIsMicroseconds)
{
    EXPECT_EQ(Platform::PerformanceFrequency(), 1000000);
    const int64_t before = Platform::PerformanceCounter();
    Platform::SleepMilliseconds(5);
    EXPECT_GE(Platform::PerformanceCounter() - before, 4900);
}

TEST(Clock, TimeStampCounterMovesForward)
{
    const uint64_t before = Platform::TimeStampCounter();
    Platform::SleepMilliseconds(1);
    EXPECT_GT(Platform::TimeStampCounter(), before);
}

TEST(Thread, PriorityIsRememberedEvenWhenTheSchedulerRefuses)
{
    EXPECT_EQ(Platform::GetCurrentThreadPriority(), Platform::kThreadPriorityNormal);
    Platform::SetCurrentThreadPriority(Platform::kThreadPriorityHighest);
    EXPECT_EQ(Platform::GetCurrentThreadPriority(), Platform::kThreadPriorityHighest);
    Platform::SetCurrentThreadPriority(Platform::kThreadPriorityNormal);
    EXPECT_EQ(Platform::GetCurrentThreadPriority(), Platform::kThreadPriorityNormal);
}

} // namespace
