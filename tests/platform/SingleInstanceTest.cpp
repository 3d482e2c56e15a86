#include "platform/SingleInstance.h"

#include "platform/Clock.h"
#include "platform/DebugOutput.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace {

using Platform::SingleInstance;
using Claim = Platform::SingleInstance::Claim;
using Testing::TempDir;

// Knocks arrive on the listening thread: wait at most five seconds for them.
bool Arrived(const std::atomic<int>& knocks, int count)
{
    for (int i = 0; i < 500 && knocks < count; ++i)
        Platform::SleepMilliseconds(10);
    return knocks >= count;
}

// The first knock's handler throws: that is reported and listening goes on.
TEST(SingleInstance, SecondCopyFindsTheFirstAndBringsItForwardUntilTheFirstEnds)
{
    TempDir dir;
    // Left by a copy that crashed: replaced, since the lock is free.
    dir.WriteFile("Zarquel.sock", "stale");
    std::atomic<int> knocks = 0;
    std::string reported;
    const Platform::DebugSink previous = Platform::SetDebugSink([&](std::string_view text) { reported += text; });
    {
        SingleInstance first("Zarquel", dir.Path());
        ASSERT_EQ(first.Acquire(), Claim::First) << first.Error();
        ASSERT_TRUE(first.Listen([&] {
            if (++knocks == 1)
                throw std::runtime_error("window gone");
        })) << first.Error();
        SingleInstance second("Zarquel", dir.Path());
        EXPECT_EQ(second.Acquire(), Claim::AlreadyRunning);
        EXPECT_TRUE(second.NotifyRunning()) << second.Error();
        EXPECT_TRUE(Arrived(knocks, 1));
        EXPECT_TRUE(second.NotifyRunning()) << second.Error();
        EXPECT_TRUE(Arrived(knocks, 2));
    }
    Platform::SetDebugSink(previous);
    EXPECT_NE(reported.find("window gone"), std::string::npos);
    // The lock is free again and the socket gone.
    EXPECT_FALSE(std::filesystem::exists(dir / "Zarquel.sock"));
    SingleInstance next("Zarquel", dir.Path());
    EXPECT_EQ(next.Acquire(), Claim::First);
}

TEST(SingleInstance, FailuresAreReportedWithAReason)
{
    TempDir dir;
    SingleInstance first("Zarquel", dir.Path());
    ASSERT_EQ(first.Acquire(), Claim::First);
    SingleInstance notYetListening("Zarquel", dir.Path());
    EXPECT_EQ(notYetListening.Acquire(), Claim::AlreadyRunning);
    EXPECT_FALSE(notYetListening.NotifyRunning());
    EXPECT_NE(notYetListening.Error().find("No answer"), std::string::npos) << notYetListening.Error();
    EXPECT_EQ(SingleInstance("Zarquel", dir / "missing").Acquire(), Claim::Failed);
    EXPECT_EQ(SingleInstance("../Zarquel", dir.Path()).Acquire(), Claim::Failed);
    EXPECT_FALSE(SingleInstance("Other", dir.Path()).Listen({}));
    // The address of a Unix socket holds about a hundred bytes: a longer path
    // must not be cut short into another one.
    const std::string deep = dir / std::string(120, 'd');
    std::filesystem::create_directory(deep);
    SingleInstance tooDeep("Zarquel", deep);
    ASSERT_EQ(tooDeep.Acquire(), Claim::First) << tooDeep.Error();
    EXPECT_FALSE(tooDeep.Listen({}));
    EXPECT_NE(tooDeep.Error().find("too long"), std::string::npos) << tooDeep.Error();
    EXPECT_FALSE(tooDeep.NotifyRunning());
}

} // namespace
