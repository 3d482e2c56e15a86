#include "framework/app/PrecisionTimer.h"

#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

TEST(PrecisionTimer, MeasuresZeroUntilStartedGrowsWhileRunningAndHoldsAfterStop)
{
    Vorn::PrecisionTimer timer;
    timer.Stop();
    EXPECT_EQ(timer.GetDuration(), 0.0);
    timer.Start();
    Platform::SleepMilliseconds(20);
    const double running = timer.GetDuration();
    EXPECT_GE(running, 19.0);
    Platform::SleepMilliseconds(5);
    timer.Stop();
    const double stopped = timer.GetDuration();
    EXPECT_GE(stopped, running + 4.0);
    Platform::SleepMilliseconds(5);
    timer.Stop();
    EXPECT_EQ(timer.GetDuration(), stopped);
}

} // namespace
