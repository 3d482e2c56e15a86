#include "platform/Random.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace {

TEST(Random, SeedOneGivesTheClassicSequence)
{
    Platform::SRand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int value : expected)
        EXPECT_EQ(Platform::Rand(), value);
}

TEST(Random, SameSeedSameSequenceAndWithinRange)
{
    Platform::SRand(0xDEADBEEF);
    std::vector<int> first;
    for (int i = 0; i < 1000; ++i) {
        first.push_back(Platform::Rand());
        ASSERT_GE(first.back(), 0);
        ASSERT_LE(first.back(), Platform::kRandMax);
    }
    Platform::SRand(0xDEADBEEF);
    for (int value : first)
        EXPECT_EQ(Platform::Rand(), value);
}

TEST(Random, ConcurrentDrawsNeverRepeatAState)
{
    // Each draw advances one shared state; with two threads drawing, the
    // union of their draws must equal one thread drawing the same count.
    constexpr int kDraws = 20000;
    Platform::SRand(7);
    std::multiset<int> serial;
    for (int i = 0; i < 2 * kDraws; ++i)
        serial.insert(Platform::Rand());

    Platform::SRand(7);
    std::vector<int> a, b;
    std::thread ta([&] { for (int i = 0; i < kDraws; ++i) a.push_back(Platform::Rand()); });
    std::thread tb([&] { for (int i = 0; i < kDraws; ++i) b.push_back(Platform::Rand()); });
    ta.join();
    tb.join();
    std::multiset<int> parallel(a.begin(), a.end());
    parallel.insert(b.begin(), b.end());
    EXPECT_EQ(parallel, serial);
}

} // namespace
