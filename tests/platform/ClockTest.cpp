#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <pthread.h>
#include <thread>
#include <vector>

namespace {

int64_t SteadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Each reading lies between two readings of the monotonic clock taken around
// it, in its unit: milliseconds wrapping at 2^32, and microseconds. Many
// readings spread over some milliseconds, so that a unit off by a tiny
// factor still moves one of them across a boundary.
TEST(Clock, TicksAreMillisecondsAndTheCounterMicrosecondsOfTheMonotonicClock)
{
    EXPECT_EQ(Platform::PerformanceFrequency(), 1000000);
    for (int i = 0; i < 4000; ++i) {
        const int64_t before = SteadyNanoseconds();
        const uint32_t ticks = Platform::TickCount();
        const int64_t counter = Platform::PerformanceCounter();
        const int64_t after = SteadyNanoseconds();
        ASSERT_GE(Platform::TicksBetween(static_cast<uint32_t>(before / 1000000), ticks), 0) << i;
        ASSERT_GE(Platform::TicksBetween(ticks, static_cast<uint32_t>(after / 1000000)), 0) << i;
        ASSERT_GE(counter, before / 1000) << i;
        ASSERT_LE(counter, after / 1000) << i;
        std::this_thread::sleep_for(std::chrono::microseconds(5));
    }
}

TEST(Clock, TicksCompareAcrossTheWrap)
{
    EXPECT_EQ(Platform::TicksBetween(0xFFFFFFF0u, 0x10u), 0x20);
    EXPECT_EQ(Platform::TicksBetween(0x10u, 0xFFFFFFF0u), -0x20);
}

void Ignore(int) {}

// Just under and at a whole second, each slept whole though a signal
// interrupts it early on.
TEST(Clock, SleepLastsTheMillisecondsAskedForThroughSignals)
{
    struct sigaction quiet{};
    quiet.sa_handler = Ignore;
    struct sigaction old{};
    ASSERT_EQ(sigaction(SIGUSR1, &quiet, &old), 0);
    const std::vector<uint32_t> lengths = {999, 1000};
    std::vector<int64_t> slept(lengths.size());
    std::vector<std::thread> sleepers;
    for (size_t i = 0; i < lengths.size(); ++i)
        sleepers.emplace_back([&, i] {
            const int64_t start = SteadyNanoseconds();
            Platform::SleepMilliseconds(lengths[i]);
            slept[i] = (SteadyNanoseconds() - start) / 1000000;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (std::thread& sleeper : sleepers)
        pthread_kill(sleeper.native_handle(), SIGUSR1);
    for (std::thread& sleeper : sleepers)
        sleeper.join();
    sigaction(SIGUSR1, &old, nullptr);
    for (size_t i = 0; i < lengths.size(); ++i) {
        EXPECT_GE(slept[i], lengths[i]) << lengths[i];
        EXPECT_LT(slept[i], lengths[i] + 500) << lengths[i];
    }
}

} // namespace
