#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

struct StackSeen {
    bool enabled = false;
    size_t size = 0;
};

StackSeen CurrentCrashStack()
{
    stack_t stack{};
    sigaltstack(nullptr, &stack);
    return {(stack.ss_flags & SS_DISABLE) == 0, stack.ss_size};
}

TEST(Thread, EveryThreadStartedHereHasACrashStack)
{
    StackSeen seen;
    Platform::StartThread([&seen] { seen = CurrentCrashStack(); }).join();
    EXPECT_TRUE(seen.enabled);
    EXPECT_GT(seen.size, 0u);
}

TEST(Thread, GivingAThreadItsCrashStackTwiceKeepsTheFirst)
{
    StackSeen first;
    StackSeen second;
    Platform::StartThread([&] {
        first = CurrentCrashStack();
        EXPECT_TRUE(Platform::GiveThreadCrashStack());
        second = CurrentCrashStack();
    }).join();
    EXPECT_TRUE(second.enabled);
    EXPECT_EQ(second.size, first.size);
}

} // namespace
