#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"
#include "framework/display/DDInterface.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/DebugOutput.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;
using Vorn::VornAppBase;

class RecordingManager : public Vorn::WidgetManager {
public:
    using WidgetManager::WidgetManager;
    bool UpdateTreeFraction(float fraction) override
    {
        mFractions.push_back(fraction);
        return false;
    }
    std::vector<float> mFractions;
};

// Refresh-paced updates at the rate, the fractions handed to the widgets
// written down.
RecordingManager& RecordFractions(ScriptedApp& app, int32_t refreshRate)
{
    auto manager = std::make_unique<RecordingManager>(&app);
    RecordingManager& recorder = *manager;
    app.mWidgetManager = std::move(manager);
    app.mVSyncUpdates = true;
    app.mRefreshRate = refreshRate;
    return recorder;
}

// Logs its own deletion into the application's log.
class TrackedWidget : public Vorn::Widget {
public:
    TrackedWidget(std::vector<std::string>& log, std::string name) : mLog(log), mName(std::move(name)) {}
    ~TrackedWidget() override { mLog.push_back("deleted " + mName); }

private:
    std::vector<std::string>& mLog;
    std::string mName;
};

// Playback whose next recorded command lies at `update`. The loop here never
// reads the stream, so a header written there is enough to say so.
void PlayWithNextCommandAt(ScriptedApp& app, int32_t update)
{
    app.SetDemoMode(Vorn::DemoMode::Playing);
    app.mDemoStream.WriteCommandHeader(update);
}

// Steps until the update count reaches `count`; a bounded number of steps.
void RunUntilUpdates(ScriptedApp& app, int32_t count)
{
    for (int i = 0; i < 1000000 && app.mUpdateCount < count; ++i)
        app.StepLoopState(nullptr);
}

TEST(TimeAccumulator, KeepsAtMostTwoHundredMillisecondsOfBacklogAcrossTheClocksWrap)
{
    ScriptedClock clock(0xFFFFFFF0u);
    ScriptedApp app(clock);
    app.AccumulateFractionTime();
    EXPECT_EQ(app.mTimeAcc, 0.0);
    clock.Advance(150);
    app.AccumulateFractionTime();
    EXPECT_EQ(app.mTimeAcc, 150.0);
    clock.Advance(150);
    app.AccumulateFractionTime();
    EXPECT_EQ(app.mTimeAcc, 200.0);
}

// A multiplier of 1 stands for pausing; 0, below 0 and NaN stop.
TEST(MainLoop, StoppedRunsNoUpdateButDeletesQueuedWidgetsFinishesTheStepAndSleepsOnlyWhenAllowed)
{
    for (const double multiplier : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), 1.0}) {
        SCOPED_TRACE(multiplier);
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.mUpdateMultiplier = multiplier;
        app.mPaused = multiplier == 1.0;
        for (const bool sleepAllowed : {false, true}) {
            app.mLog.clear();
            app.QueueWidgetDeletion(new TrackedWidget(app.mLog, "w"));
            app.mLoopState = VornAppBase::kStateUpdate;
            clock.Advance(500);
            EXPECT_EQ(app.Process(sleepAllowed), sleepAllowed);
            EXPECT_EQ(app.mLoopState, VornAppBase::kStateFinished);
            EXPECT_EQ(app.mLog, std::vector<std::string>{"deleted w"});
            EXPECT_EQ(clock.Sleeps(), sleepAllowed ? std::vector<uint32_t>{10} : std::vector<uint32_t>{});
        }
        app.RunFor(1000);
        EXPECT_EQ(app.mUpdateCount, 0);
    }
}

TEST(MainLoop, RefreshPacedStepsOncePerRefreshWithFractionalUpdates)
{
    // No known rate (0 or below): paced by the frame time.
    const std::tuple<int32_t, float, int> cases[] = {
        {60, static_cast<float>(1000.0 / 600.0), 60}, {100, 1.0f, 100}, {0, 1.0f, 100}, {-5, 1.0f, 100}};
    for (const auto& [refreshRate, fraction, fractionUpdates] : cases) {
        SCOPED_TRACE(refreshRate);
        ScriptedClock clock;
        ScriptedApp app(clock);
        RecordingManager* recorder = &RecordFractions(app, refreshRate);
        app.RunFor(1000);
        // However the steps fall, the game still sees 100 updates a second.
        EXPECT_NEAR(app.mUpdateCount, 100, 3);
        EXPECT_NEAR(static_cast<int>(recorder->mFractions.size()), fractionUpdates, 2);
        for (float f : recorder->mFractions)
            EXPECT_EQ(f, fraction);
    }
}

// The steps after a one-second stall: the backlog is held to 200 ms, that is
// 20 updates of 10 ms; every tenth step of the catch-up draws instead of
// updating (9 updates, a draw, 9 updates, a draw), and the last two updates
// end in a draw of their own before the loop sleeps again.
TEST(MainLoop, AStallIsCaughtUpWithTwentyUpdatesAndACatchUpDrawEveryTenthStep)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.mLoadingThreadFinished = true;
    app.RunFor(105);
    ASSERT_TRUE(app.mLoadingHandedOver);
    app.mLog.clear();
    clock.ForgetSleeps();
    clock.Advance(1000);
    for (int i = 0; i < 1000 && clock.Sleeps().empty(); ++i)
        app.StepLoopState(nullptr);
    std::string log;
    for (const std::string& entry : app.mLog)
        log += entry;
    EXPECT_EQ(log, "UUUUUUUUUDUUUUUUUUUDUUD");
    EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>{10});
}

// Refresh pacing, full screen, 60 Hz unless said: one step is 1000 / 60 ms.
void PaceByRefresh(ScriptedApp& app, int32_t rate = 60)
{
    app.mVSyncUpdates = true;
    app.mRefreshRate = rate;
    app.mIsPhysWindowed = false;
    app.mLoadingHandedOver = true;
}

// An update runs once the backlog holds a whole step; paced by the refresh
// with a draw since the last update, once it holds three quarters of one
// (truncated: 12 ms at 60 Hz), and right away after a draw.
TEST(MainLoop, AnUpdateWaitsForAStepOfBacklogOrWhenPacedForThreeQuartersOfOne)
{
    // In a window the refresh paces only while waiting for the blank without
    // the soft wait.
    enum Pacing { kFrameTime, kRefresh, kWindowSoftWait, kWindowWait };
    const struct { Pacing pacing; bool updateSinceDraw; double backlog; bool updates; } cases[] = {
        {kFrameTime, true, 9.99, false}, {kFrameTime, true, 10.0, true}, {kFrameTime, false, 9.99, false},
        {kRefresh, true, 11.99, false}, {kRefresh, true, 12.0, true}, {kRefresh, false, 0.0, true},
        {kWindowSoftWait, true, 12.0, false}, {kWindowWait, true, 12.0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.pacing << c.updateSinceDraw << " " << c.backlog);
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.mLoadingHandedOver = true;
        if (c.pacing != kFrameTime)
            PaceByRefresh(app);
        app.mIsPhysWindowed = c.pacing == kWindowSoftWait || c.pacing == kWindowWait;
        app.mWaitForVSync = app.mIsPhysWindowed;
        app.mSoftVSyncWait = c.pacing == kWindowSoftWait;
        app.mUpdateSinceDraw = c.updateSinceDraw;
        app.mTimeAcc = c.backlog;
        app.mLastTime = clock.Milliseconds();
        app.mLoopState = VornAppBase::kStateUpdate;
        EXPECT_TRUE(app.Process(true));
        EXPECT_EQ(app.mUpdateCount, c.updates ? 1 : 0);
        EXPECT_EQ(app.mLoopState, c.updates ? VornAppBase::kStateFractionUpdate : VornAppBase::kStateFinished);
        EXPECT_EQ(app.mTimeAcc, c.backlog);
    }
}

// After the update the backlog loses one step; paced, 0.2 ms more, and it
// never goes below 0.
TEST(MainLoop, AfterTheUpdatesTheBacklogLosesAStepAndWhenPacedAFifthMore)
{
    const struct { bool paced; double before, after; } cases[] = {
        {false, 30.0, 20.0}, {false, 5.0, -5.0}, {true, 30.0, 30.0 - 1000.0 / 60.0 - 0.2}, {true, 16.8, 0.0}};
    for (const auto& c : cases) {
        ScriptedClock clock;
        ScriptedApp app(clock);
        if (c.paced)
            PaceByRefresh(app);
        else
            app.mFrameTime = 10;
        app.mTimeAcc = c.before;
        app.mLastTime = clock.Milliseconds();
        app.mLoopState = VornAppBase::kStateFractionUpdate;
        EXPECT_TRUE(app.Process(true));
        EXPECT_EQ(app.mTimeAcc, c.after) << c.paced << " " << c.before;
        EXPECT_EQ(app.mLoopState, VornAppBase::kStateFinished);
    }
}

// Each step adds the fraction (held as a 32-bit float) less one to the
// fractional backlog and runs a whole update for each whole one in it; each
// such update counts as a catch-up, and the fraction is handed on.
TEST(MainLoop, RefreshPacedStepsRunTheWholeUpdatesTheFractionsAddUpTo)
{
    const struct { int32_t rate; double before; int updates; } cases[] = {
        {60, 0.5, 1}, {60, 0.3, 0}, {100, 0.99, 0}, {50, 0.0, 1}, {30, 0.25, 2}, {40, 0.75, 2}, {1, 0.0, 99}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        ScriptedClock clock;
        ScriptedApp app(clock);
        const RecordingManager& recorder = RecordFractions(app, c.rate);
        app.mFractionalUpdateAcc = c.before;
        app.mLoopState = VornAppBase::kStateFractionUpdate;
        app.Process(true);
        const float fraction = static_cast<float>(1000.0 / (10.0 * c.rate));
        EXPECT_EQ(app.mUpdateCount, c.updates);
        EXPECT_EQ(app.mCatchUpCount, c.updates);
        EXPECT_EQ(app.mFractionalUpdateAcc, c.before + (static_cast<double>(fraction) - 1.0) - c.updates);
        EXPECT_EQ(recorder.mFractions, std::vector<float>{fraction});
    }
}

// The speed check: every second's worth of updates (100 at 10 ms) that took
// 800 ms or less is a strike, a slower one clears the strikes, three strikes
// break the refresh pacing. The first group is measured from time 0, and
// each check comes before its update, so a group's time is that of the 100
// updates before it: a slow group also slows the one after it by one update.
// At 100 Hz no fractional updates come between the checked ones.
TEST(MainLoop, ThreeFastSecondsInARowMarkVerticalSyncBroken)
{
    const struct { std::vector<uint32_t> groupMs; int32_t brokenAt; } cases[] = {
        {{8, 8, 8, 8, 8}, 400}, {{8, 8, 9, 8, 8, 8, 8}, 700}, {{9, 9, 9, 9, 9, 9}, 0}, {{8, 8, 8, 9, 8, 8}, 0}};
    for (const auto& c : cases) {
        ScriptedClock clock;
        ScriptedApp app(clock);
        PaceByRefresh(app, 100);
        app.mOnUpdate = [&] {
            const size_t group = static_cast<size_t>(app.mUpdateCount - 1) / 100;
            clock.Advance(group < c.groupMs.size() ? c.groupMs[group] : 100);
        };
        const int32_t last = static_cast<int32_t>(c.groupMs.size()) * 100;
        for (int i = 0; i < 10000 && !app.mVSyncBroken && app.mUpdateCount < last; ++i)
            app.StepLoopState(nullptr);
        EXPECT_EQ(app.mVSyncBroken ? app.mUpdateCount.load() : 0, c.brokenAt) << c.groupMs.size();
    }
    // Sped up or slowed down, fast seconds count for nothing.
    for (const double multiplier : {2.0, 0.5}) {
        ScriptedClock clock;
        ScriptedApp app(clock);
        PaceByRefresh(app, 100);
        app.mUpdateMultiplier = multiplier;
        app.mOnUpdate = [&] { clock.Advance(8); };
        for (int i = 0; i < 10000 && app.mUpdateCount < 600; ++i)
            app.StepLoopState(nullptr);
        EXPECT_EQ(app.mUpdateCount, 600) << multiplier;
        EXPECT_FALSE(app.mVSyncBroken) << multiplier;
    }
    // At a frame time of 1 ms a second's worth is 1000 updates.
    ScriptedClock clock;
    ScriptedApp app(clock);
    PaceByRefresh(app, 1000);
    app.mFrameTime = 1;
    for (int i = 0; i < 100000 && !app.mVSyncBroken; ++i)
        app.StepLoopState(nullptr);
    EXPECT_EQ(app.mUpdateCount, 4000);
}

// Only refresh-paced updates hand fractions to the widgets, and not while
// the window is minimised.
TEST(MainLoop, NoFractionalUpdatesWithoutRefreshPacingOrWhileMinimised)
{
    for (const bool minimized : {false, true}) {
        ScriptedClock clock;
        ScriptedApp app(clock);
        const RecordingManager& recorder = RecordFractions(app, 60);
        app.mVSyncUpdates = minimized;
        app.mMinimized = minimized;
        app.RunFor(200);
        EXPECT_GT(app.mUpdateCount, 10);
        EXPECT_TRUE(recorder.mFractions.empty());
    }
}

// While the loading thread runs, each step then sleeps twice the time it
// worked less what it slept, at most 250 ms, and not when it may not sleep.
TEST(MainLoop, WhileLoadingEachStepGivesTheLoadingThreadTwiceItsWorkingTime)
{
    const struct { int32_t state; bool updateSinceDraw; uint32_t updateMs, drawMs; std::vector<uint32_t> sleeps; }
    cases[] = {{VornAppBase::kStateUpdate, true, 7, 0, {14}}, {VornAppBase::kStateUpdate, true, 200, 0, {250}},
        {VornAppBase::kStateUpdate, true, 0, 0, {0}}, {VornAppBase::kStateFinished, false, 0, 0, {6}},
        {VornAppBase::kStateFinished, true, 0, 5, {10}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.state << " " << c.updateMs << " " << c.drawMs);
        for (const bool allowSleep : {true, false}) {
            ScriptedClock clock;
            ScriptedApp app(clock);
            app.mLoadingThreadRunning = true;
            app.mOnUpdate = [&] { clock.Advance(c.updateMs); };
            app.mOnDraw = [&] { clock.Advance(c.drawMs); };
            app.mUpdateSinceDraw = c.updateSinceDraw;
            app.mTimeAcc = c.state == VornAppBase::kStateUpdate ? 10.0 : 4.0;
            app.mLastTime = clock.Milliseconds();
            app.mLoopState = c.state;
            EXPECT_EQ(app.Process(allowSleep), allowSleep);
            EXPECT_EQ(clock.Sleeps(), allowSleep ? c.sleeps : std::vector<uint32_t>{});
        }
    }
}

// A run's statistics go to the debug output when it ends, the average frame
// rate only when any time was spent drawing: draws x 1000 / (draw time +
// screen-blit time), in integers.
TEST(Start, WritesTheRunsStatisticsWhenItEnds)
{
    for (const bool drew : {true, false}) {
        std::string output;
        const Platform::DebugSink previous = Platform::SetDebugSink([&](std::string_view text) { output += text; });
        {
            ScriptedClock clock;
            ScriptedApp app(clock);
            app.mAutoStartLoadingThread = false;
            app.mOnUpdate = [&] {
                if (app.mUpdateCount == 50) {
                    app.mDrawTime = drew ? 37 : 0;
                    app.mScreenBltTime = drew ? 12 : 0;
                    app.Shutdown();
                }
            };
            app.Start();
            const auto line = [](const char* name, long long value) {
                return std::string(name) + " = " + std::to_string(value) + "\r\n";
            };
            char seconds[64];
            std::snprintf(seconds, sizeof seconds, "Seconds       = %g\r\n", (clock.Milliseconds() - 100000) / 1000.0);
            std::string expected = seconds + line("Sleep Count  ", app.mSleepCount) + line("Update Count ", 50) +
                                   line("Draw Count   ", app.mDrawCount) + line("Draw Time    ", drew ? 37 : 0) +
                                   line("Screen Blt   ", drew ? 12 : 0);
            if (drew)
                expected += line("Avg FPS      ", app.mDrawCount * 1000LL / 49);
            EXPECT_NE(output.find(expected), std::string::npos) << output << "\nexpected:\n" << expected;
            EXPECT_GT(app.mDrawCount, 1);
        }
        Platform::SetDebugSink(previous);
    }
}

// The developer's single step: one update, its fractional update and a
// draw, then the loop only sleeps a frame at a time until asked again.
TEST(MainLoop, SingleSteppingRunsOneUpdateAndDrawThenOnlySleeps)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    const RecordingManager& recorder = RecordFractions(app, 100);
    app.mStepMode = VornAppBase::kStepRunOne;
    app.mLoopState = VornAppBase::kStateUpdate;
    app.StepLoopState(nullptr);
    EXPECT_EQ(app.mLog, (std::vector<std::string>{"U", "D"}));
    EXPECT_EQ(recorder.mFractions, std::vector<float>{1.0f});
    EXPECT_EQ(app.mStepMode, VornAppBase::kStepStepped);
    for (int i = 0; i < 6; ++i)
        app.StepLoopState(nullptr);
    EXPECT_EQ(app.mLog.size(), 2u);
    EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{10, 10, 10}));
    bool updated = true;
    app.mLeaveStep = true;
    EXPECT_FALSE(app.StepLoopState(&updated));
    EXPECT_FALSE(updated);
}

// Fast-forwarding draws once a whole second of wall time has passed: with
// updates of 3 ms, after update 334 (1002 ms), not after 333 (999 ms).
TEST(FastForward, DrawsOnceASecondOfWallTimeHasPassed)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    PlayWithNextCommandAt(app, 100000);
    app.mFastForwardToUpdateNum = 5000;
    app.mOnUpdate = [&] { clock.Advance(3); };
    app.mLoopState = VornAppBase::kStateUpdate;
    EXPECT_TRUE(app.Process(true));
    EXPECT_EQ(app.mUpdateCount, 334);
    EXPECT_EQ(app.Count("D"), 1);
}

enum class FastForwardEnd { RefusedUpdate, SecondPassed, OneStep };

TEST(FastForward, EachWayOfEndingFinishesTheStep)
{
    const std::tuple<FastForwardEnd, int32_t, int> cases[] = {
        {FastForwardEnd::RefusedUpdate, 0, 0}, {FastForwardEnd::SecondPassed, 100, 1}, {FastForwardEnd::OneStep, 1, 1}};
    for (const auto& [end, updates, draws] : cases) {
        SCOPED_TRACE(updates);
        ScriptedClock clock;
        ScriptedApp app(clock);
        PlayWithNextCommandAt(app, end == FastForwardEnd::RefusedUpdate ? 0 : 10000);
        app.mFastForwardToUpdateNum = 1000;
        app.mOnUpdate = [&] { clock.Advance(10); };
        app.mFastForwardOneStep = end == FastForwardEnd::OneStep;
        app.mLoopState = VornAppBase::kStateUpdate;
        EXPECT_TRUE(app.Process(true));
        EXPECT_EQ(app.mLoopState, VornAppBase::kStateFinished);
        EXPECT_EQ(app.mUpdateCount, updates);
        EXPECT_EQ(app.Count("D"), draws);
        EXPECT_TRUE(end != FastForwardEnd::OneStep || !app.IsMuted());
        EXPECT_TRUE(clock.Sleeps().empty());
    }
}

TEST(DeferredDeletion, ADeeperStepLeavesWidgetsQueuedAtAShallowerDepthAndDeletesEachOnce)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.mLoopDepth = 1;
    app.QueueWidgetDeletion(new TrackedWidget(app.mLog, "outer"));
    app.mLoopDepth = 2;
    auto* inner = new TrackedWidget(app.mLog, "inner");
    app.QueueWidgetDeletion(inner);
    app.QueueWidgetDeletion(inner);

    app.DeleteQueuedWidgets();
    EXPECT_EQ(app.mLog, std::vector<std::string>{"deleted inner"});
    app.mLoopDepth = 1;
    app.DeleteQueuedWidgets();
    EXPECT_EQ(app.mLog, (std::vector<std::string>{"deleted inner", "deleted outer"}));
}

TEST(DeferredDeletion, ANestedLoopStepDoesNotDeleteTheOuterStepsWidget)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    bool nested = false;
    app.mOnUpdate = [&] {
        if (nested)
            return;
        nested = true;
        app.QueueWidgetDeletion(new TrackedWidget(app.mLog, "outer"));
        // A modal wait inside an update steps the loop from a deeper depth.
        app.mLog.push_back("nested");
        for (int i = 0; i < 10; ++i)
            app.StepLoopState(nullptr);
        app.mLog.push_back("back");
    };
    RunUntilUpdates(app, 1);
    app.StepLoopState(nullptr);

    const auto back = std::find(app.mLog.begin(), app.mLog.end(), "back");
    const auto deleted = std::find(app.mLog.begin(), app.mLog.end(), "deleted outer");
    ASSERT_NE(deleted, app.mLog.end());
    EXPECT_LT(back, deleted);
}

// Loading finished here; the recording says it was; handed over; updated.
// The real loading may run ahead of the recording, or lag (updates wait).
TEST(LoadingHandOver, DuringPlaybackHappensOnlyWhenTheRecordingSaysSo)
{
    const std::array<bool, 4> cases[] = {
        {false, false, false, true}, {true, false, false, true}, {false, true, false, false}, {true, true, true, true}};
    for (const auto& [finished, replayed, handedOver, updated] : cases) {
        SCOPED_TRACE(::testing::Message() << finished << replayed);
        ScriptedClock clock;
        ScriptedApp app(clock);
        PlayWithNextCommandAt(app, 50);
        app.mLoadingThreadFinished = finished;
        app.mDemoLoadingDoneReplayed = replayed;
        const int32_t streamBytes = app.mDemoStream.GetBuffer().GetByteLength();
        EXPECT_EQ(app.RunUpdateTick(), updated);
        EXPECT_EQ(app.mHandOvers, handedOver ? 1 : 0);
        EXPECT_EQ(app.mDemoStream.GetBuffer().GetByteLength(), streamBytes);
    }
}

// A replay refuses the update while its recorded hand-over and the real one
// disagree: before the hand-over the step draws and ends, afterwards the
// catch-up count ends it.
TEST(MainLoop, ARefusedTickBeforeTheHandOverDrawsAndEndsTheStep)
{
    for (const bool handedOver : {false, true}) {
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.mPlaying = true;
        app.mLoadingHandedOver = handedOver;
        app.mDemoLoadingDoneReplayed = !handedOver;
        app.mTimeAcc = 200.0;
        app.mLastTime = clock.Milliseconds();
        app.mLoopState = VornAppBase::kStateUpdate;
        EXPECT_TRUE(app.Process(true));
        EXPECT_EQ(app.mUpdateCount, 0);
        EXPECT_EQ(app.mLoopState, handedOver ? VornAppBase::kStateUpdate : VornAppBase::kStateFinished);
        EXPECT_EQ(app.Count("D"), handedOver ? 0 : 1);
    }
}

TEST(HeldForScreenSaver, NothingUpdatesTheDrawStepStillLooksAndTheStepSleeps)
{
    for (const bool allowSleep : {true, false}) {
        SCOPED_TRACE(allowSleep);
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.mUpdatesHeld = true;
        app.mLoadingHandedOver = true;
        app.mTimeAcc = 200.0;
        app.mLastTime = clock.Milliseconds();
        app.mLoopState = VornAppBase::kStateUpdate;
        const uint32_t before = clock.Milliseconds();

        EXPECT_EQ(app.Process(allowSleep), allowSleep);
        EXPECT_EQ(app.mUpdateCount, 0);
        EXPECT_EQ(app.Count("D"), 1);
        EXPECT_EQ(clock.Milliseconds() - before, allowSleep ? 10u : 0u);
    }
}

// A slowed replay sleeps in short steps, pumping messages between them, and
// still runs its updates on time. Below a multiplier of frame time / 200 the
// 200 ms backlog never reaches a step: nothing runs, but nothing hangs.
TEST(MainLoop, SleepsAtMostATenthOfASecondPerStepHoweverSlowTheMultiplier)
{
    const std::tuple<double, int> cases[] = {{0.0625, 6}, {0.25, 25}, {0.001, 0}};
    for (const auto& [multiplier, updates] : cases) {
        SCOPED_TRACE(multiplier);
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.mLoadingHandedOver = true;
        app.mUpdateMultiplier = multiplier;
        app.RunFor(1000);
        const std::vector<uint32_t> sleeps = clock.Sleeps();
        ASSERT_FALSE(sleeps.empty());
        EXPECT_LE(*std::max_element(sleeps.begin(), sleeps.end()), 100u);
        EXPECT_NEAR(app.mUpdateCount, updates, 1);
    }
}

// The first group of updates is measured from tick 0: it never counts as
// too fast, however long the machine has been up.
TEST(MainLoop, TheFirstGroupOfUpdatesNeverStrikesTheVerticalSync)
{
    for (const uint32_t start : {100000u, 0x80000400u, 0xFFFFF000u}) {
        SCOPED_TRACE(start);
        ScriptedClock clock(start);
        ScriptedApp app(clock);
        app.RunFor(1050);
        EXPECT_GE(app.mUpdateCount, 100);
        EXPECT_EQ(app.mVSyncStrikes, 0);
    }
}

TEST(Start, AFrameTimeBelowOneMillisecondPacesByOne)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.mFrameTime = 0;
    app.RunFor(100);
    EXPECT_NEAR(app.mUpdateCount, 100, 2);
}

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
    EXPECT_EQ(app.mHandOverThread, std::this_thread::get_id());
    EXPECT_EQ(Platform::GetCurrentThreadPriority(), Platform::kThreadPriorityNormal);
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

// In full screen the window shows the screen scaled into the desktop: the
// cursor lands where a click there would.
TEST(CursorThread, MapsThePointerInFullScreenAsMouseMessagesAre)
{
    ScriptedClock clock;
    Testing::WindowedApp app(clock);
    app.mIsWindowed = false;
    app.CreateMainWindow();
    ASSERT_FALSE(app.mIsPhysWindowed);
    {
        const Vorn::AutoCrit lock(app.mDDInterface->mCritSect);
        app.mDDInterface->mScreenRectInWindow = Vorn::Rect(160, 0, 1600, 1200);
    }
    app.StartCursorThread();
    app.mWindow->MovePointer({960, 601}, true);
    for (int i = 0; i < 500 && app.mDDInterface->mNextCursorX != 400; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(app.mDDInterface->mNextCursorX, 400);
    EXPECT_EQ(app.mDDInterface->mNextCursorY, 300);
    app.Shutdown();
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
