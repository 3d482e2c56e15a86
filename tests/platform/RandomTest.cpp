#include "platform/Random.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace {

TEST(Random, SeedOneGivesTheClassicSequenceAndConcurrentDrawsTakeEachStateOnce)
{
    Platform::SRand(1);
    for (int value : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358})
        EXPECT_EQ(Platform::Rand(), value);
    // Two threads drawing together must draw what one thread drawing as
    // many would, in some interleaving.
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
