#include "framework/app/CriticalSection.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

using Vorn::AutoCrit;
using Vorn::CriticalSection;

bool FreeForAnotherThread(CriticalSection& section)
{
    return std::async(std::launch::async, [&section] {
        const bool entered = section.try_lock();
        if (entered)
            section.unlock();
        return entered;
    }).get();
}

TEST(CriticalSection, EnteredTwiceIsFreeOnlyAfterLeavingTwice)
{
    CriticalSection section;
    section.Enter();
    {
        AutoCrit nested(section);
        std::lock_guard standard(section);
        EXPECT_FALSE(FreeForAnotherThread(section));
    }
    EXPECT_FALSE(FreeForAnotherThread(section));
    section.Leave();
    EXPECT_TRUE(FreeForAnotherThread(section));
}

TEST(CriticalSection, TwoThreadsCountWithoutLosingIncrements)
{
    constexpr int kPerThread = 200000;
    CriticalSection section;
    int counter = 0;
    auto work = [&] {
        for (int i = 0; i < kPerThread; ++i) {
            AutoCrit guard(section);
            counter = counter + 1;
        }
    };
    std::thread first(work), second(work);
    first.join();
    second.join();
    EXPECT_EQ(counter, 2 * kPerThread);
}

} // namespace
