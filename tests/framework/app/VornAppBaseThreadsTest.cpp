#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "platform/DebugOutput.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;

class LoadingApp : public ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    ~LoadingApp() override { WaitForLoadingThread(); }

    void RunLoadingThread() override
    {
        ++mBodies;
        mBodyThread = std::this_thread::get_id();
        for (int i = 0; i < 4; ++i)
            ++mCompletedLoadingThreadTasks;
    }

    std::atomic<int> mBodies{0};
    std::thread::id mBodyThread;
};

TEST(LoadingThread, WaitingReturnsAtOnceWhenLoadingNeverStarted)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.WaitForLoadingThread();
    EXPECT_TRUE(clock.Sleeps().empty());
}

TEST(LoadingThread, RunsTheBodyOnceOnAThreadOfItsOwn)
{
    std::string debug;
    Platform::SetDebugSink([&](std::string_view text) { debug += text; });
    ScriptedClock clock;
    LoadingApp app(clock);
    app.mNumLoadingThreadTasks = 4;
    app.StartLoadingThread();
    app.StartLoadingThread();
    EXPECT_EQ(Platform::GetCurrentThreadPriority(), Platform::kThreadPriorityAboveNormal);
    app.WaitForLoadingThread();
    Platform::SetDebugSink(nullptr);

    EXPECT_EQ(app.mBodies, 1);
    EXPECT_NE(app.mBodyThread, std::this_thread::get_id());
    EXPECT_TRUE(app.mLoadingThreadFinished);
    EXPECT_TRUE(app.mLoadingThreadRunning);
    EXPECT_DOUBLE_EQ(app.GetLoadingProgress(), 1.0);
    // Scripted time moves while the main thread waits, so only the form is
    // certain.
    EXPECT_EQ(debug.rfind("Resource Loading Time: ", 0), 0u);
    EXPECT_EQ(debug.substr(debug.size() - 2), "\r\n");

    app.RunFor(50);
    EXPECT_EQ(app.mHandOvers, 1);
    EXPECT_EQ(app.mHandOverThread, std::this_thread::get_id());
    EXPECT_FALSE(app.mLoadingThreadRunning);
    EXPECT_EQ(Platform::GetCurrentThreadPriority(), Platform::kThreadPriorityNormal);
}

struct ProgressCase {
    bool started;
    int32_t total;
    int32_t completed;
    bool handedOver;
    double progress;
};

void PrintTo(const ProgressCase& c, std::ostream* os)
{
    *os << (c.started ? "started " : "not started ") << c.completed << "/" << c.total
        << (c.handedOver ? " handed over" : "");
}

class LoadingProgressTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(LoadingProgressTest, IsTheShareOfTasksDone)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.mLoadingThreadStarted = GetParam().started;
    app.mLoadingThreadFinished = true;
    app.mNumLoadingThreadTasks = GetParam().total;
    app.mCompletedLoadingThreadTasks = GetParam().completed;
    app.mLoadingHandedOver = GetParam().handedOver;
    EXPECT_DOUBLE_EQ(app.GetLoadingProgress(), GetParam().progress);
}

INSTANTIATE_TEST_SUITE_P(Counts, LoadingProgressTest,
                         ::testing::Values(ProgressCase{false, 10, 5, false, 0.0}, ProgressCase{true, 0, 5, false, 0.0},
                                           ProgressCase{true, -4, 2, false, 0.0}, ProgressCase{true, 10, 5, false, 0.5},
                                           ProgressCase{true, 10, 15, false, 1.0}, ProgressCase{true, 3, 1, true, 1.0}));

} // namespace
