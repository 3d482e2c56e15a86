#include "framework/app/PrecisionTimer.h"

#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Vorn::PrecisionTimer;

TEST(PrecisionTimer, NeverStartedMeasuresNothing)
{
    PrecisionTimer timer;
    EXPECT_EQ(timer.GetDuration(), 0.0);
    timer.Stop();
    EXPECT_EQ(timer.GetDuration(), 0.0);
}

// The duration is the counter's microseconds between start and stop, in
// milliseconds: it lies between the counter's readings taken around them.
TEST(PrecisionTimer, MeasuresMillisecondsOfTheCounterAndHoldsThemAfterTheStop)
{
    PrecisionTimer timer;
    const int64_t beforeStart = Platform::PerformanceCounter();
    timer.Start();
    const int64_t afterStart = Platform::PerformanceCounter();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double running = timer.GetDuration();
    const int64_t beforeStop = Platform::PerformanceCounter();
    timer.Stop();
    const int64_t afterStop = Platform::PerformanceCounter();
    const double stopped = timer.GetDuration();
    EXPECT_GE(running, 30.0);
    EXPECT_LE(running, stopped);
    EXPECT_GE(stopped, static_cast<double>(beforeStop - afterStart) / 1000.0);
    EXPECT_LE(stopped, static_cast<double>(afterStop - beforeStart) / 1000.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(timer.GetDuration(), stopped);
    timer.Stop();
    EXPECT_EQ(timer.GetDuration(), stopped);

    // A new start measures afresh.
    timer.Start();
    timer.Stop();
    EXPECT_LT(timer.GetDuration(), stopped);
}

} // namespace
