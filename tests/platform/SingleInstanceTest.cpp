#include "platform/SingleInstance.h"

#include "platform/DebugOutput.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace {

using Platform::SingleInstance;
using Claim = Platform::SingleInstance::Claim;
using Testing::TempDir;

// Counts knocks that arrive on the listening thread.
class Knocks {
public:
    std::function<void()> Handler()
    {
        return [this] {
            std::lock_guard lock(mMutex);
            ++mCount;
            mArrived.notify_all();
        };
    }

    bool WaitFor(int count)
    {
        std::unique_lock lock(mMutex);
        return mArrived.wait_for(lock, std::chrono::seconds(5), [&] { return mCount >= count; });
    }

private:
    std::mutex mMutex;
    std::condition_variable mArrived;
    int mCount = 0;
};

TEST(SingleInstance, SecondCopyFindsTheFirstAndBringsItForward)
{
    TempDir dir;
    // Left by a copy that crashed: replaced, since the lock is free.
    dir.WriteFile("Zarquel.sock", "stale");
    Knocks knocks;
    SingleInstance first("Zarquel", dir.Path());
    ASSERT_EQ(first.Acquire(), Claim::First) << first.Error();
    ASSERT_TRUE(first.Listen(knocks.Handler())) << first.Error();

    SingleInstance second("Zarquel", dir.Path());
    EXPECT_EQ(second.Acquire(), Claim::AlreadyRunning);
    EXPECT_TRUE(second.NotifyRunning()) << second.Error();
    EXPECT_TRUE(second.NotifyRunning()) << second.Error();
    EXPECT_TRUE(knocks.WaitFor(2));
    EXPECT_TRUE(std::filesystem::exists(dir / "Zarquel.lock"));
}

TEST(SingleInstance, LockIsFreeAgainOnceTheFirstCopyEndsAndItsSocketIsGone)
{
    TempDir dir;
    {
        SingleInstance first("Zarquel", dir.Path());
        ASSERT_EQ(first.Acquire(), Claim::First);
        ASSERT_TRUE(first.Listen({}));
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "Zarquel.sock"));
    SingleInstance next("Zarquel", dir.Path());
    EXPECT_EQ(next.Acquire(), Claim::First);
    EXPECT_FALSE(next.NotifyRunning());
}

TEST(SingleInstance, FirstCopyNotYetListeningIsReportedNotWaitedFor)
{
    TempDir dir;
    SingleInstance first("Zarquel", dir.Path());
    ASSERT_EQ(first.Acquire(), Claim::First);
    SingleInstance second("Zarquel", dir.Path());
    EXPECT_EQ(second.Acquire(), Claim::AlreadyRunning);
    EXPECT_FALSE(second.NotifyRunning());
    EXPECT_NE(second.Error().find("No answer"), std::string::npos) << second.Error();
}

TEST(SingleInstance, FailuresAreReportedWithAReason)
{
    TempDir dir;
    SingleInstance missingFolder("Zarquel", dir / "missing");
    EXPECT_EQ(missingFolder.Acquire(), Claim::Failed);
    EXPECT_NE(missingFolder.Error().find("missing"), std::string::npos) << missingFolder.Error();

    SingleInstance badName("../Zarquel", dir.Path());
    EXPECT_EQ(badName.Acquire(), Claim::Failed);

    SingleInstance notHeld("Zarquel", dir.Path());
    EXPECT_FALSE(notHeld.Listen({}));

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

TEST(SingleInstance, HandlerThatThrowsIsReportedAndListeningGoesOn)
{
    TempDir dir;
    Knocks knocks;
    int calls = 0;
    auto count = knocks.Handler();
    std::string reported;
    const Platform::DebugSink previous = Platform::SetDebugSink([&](std::string_view text) { reported += text; });
    {
        SingleInstance first("Zarquel", dir.Path());
        ASSERT_EQ(first.Acquire(), Claim::First);
        ASSERT_TRUE(first.Listen([&] {
            count();
            if (++calls == 1)
                throw std::runtime_error("window gone");
        }));
        SingleInstance second("Zarquel", dir.Path());
        EXPECT_TRUE(second.NotifyRunning());
        EXPECT_TRUE(knocks.WaitFor(1));
        EXPECT_TRUE(second.NotifyRunning());
        EXPECT_TRUE(knocks.WaitFor(2));
    }
    Platform::SetDebugSink(previous);
    EXPECT_NE(reported.find("window gone"), std::string::npos);
}

} // namespace
