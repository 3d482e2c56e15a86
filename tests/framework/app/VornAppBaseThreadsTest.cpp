#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"
#include "framework/display/DDInterface.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <system_error>
#include <tuple>

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

TEST(LoadingThread, RunsTheBodyOnceOnAThreadOfItsOwn)
{
    ScriptedClock clock;
    LoadingApp app(clock);
    app.mNumLoadingThreadTasks = 4;
    app.StartLoadingThread();
    app.StartLoadingThread();
    EXPECT_EQ(Platform::GetCurrentThreadPriority(), Platform::kThreadPriorityAboveNormal);
    app.WaitForLoadingThread();
    EXPECT_EQ(app.mBodies, 1);
    EXPECT_NE(app.mBodyThread, std::this_thread::get_id());
    EXPECT_TRUE(app.mLoadingThreadFinished);
    app.RunFor(50);
    EXPECT_EQ(app.mHandOvers, 1);
}

TEST(Threads, AThreadThatCannotBeStartedLeavesNothingToWaitFor)
{
    ScriptedClock clock;
    Testing::WindowedApp app(clock);
    app.CreateMainWindow();
    app.mStartThread = [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    app.StartLoadingThread();
    app.StartCursorThread();
    EXPECT_FALSE(app.mLoadingThreadStarted || app.mLoadingThreadRunning || app.mCursorThreadRunning);
    EXPECT_EQ(Platform::GetCurrentThreadPriority(), Platform::kThreadPriorityNormal);
    app.WaitForLoadingThread();
    app.Shutdown();
    EXPECT_TRUE(clock.Sleeps().empty());
}

TEST(CursorThread, HandsEveryNewPointerPositionToTheDisplayUntilShutdown)
{
    ScriptedClock clock;
    Testing::WindowedApp app(clock);
    app.CreateMainWindow();
    app.StartCursorThread();
    app.StartCursorThread();
    app.mWindow->MovePointer({123, 45}, true);
    for (int i = 0; i < 500 && app.mDDInterface->mNextCursorX != 123; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(app.mDDInterface->mNextCursorX, 123);
    EXPECT_EQ(app.mDDInterface->mNextCursorY, 45);
    app.Shutdown();
    EXPECT_FALSE(app.mCursorThreadRunning);
}

// Loads "resources" one at a time until the program closes.
class EndlessLoadingApp : public ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    ~EndlessLoadingApp() override { WaitForLoadingThread(); }
    void RunLoadingThread() override
    {
        while (!IsLoadingCancelled())
            ++mCompletedLoadingThreadTasks;
    }
};

TEST(LoadingThread, StopsAfterTheResourceInProgressWhenTheWindowCloses)
{
    ScriptedClock clock;
    EndlessLoadingApp app(clock);
    app.mMainThreadId = std::this_thread::get_id();
    app.StartLoadingThread();
    app.Shutdown();
    app.WaitForLoadingThread();
    EXPECT_TRUE(app.mLoadingThreadFinished);
}

} // namespace
