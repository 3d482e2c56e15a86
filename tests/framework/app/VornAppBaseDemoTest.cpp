#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"

#include <gtest/gtest.h>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;

TEST(DemoRecording, HeadersAreStampedWithTheCurrentUpdate)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.mUpdateCount = 9;
    app.WriteCommandHeader();
    EXPECT_EQ(app.mDemoStream.GetLastCommandUpdate(), 9);
    EXPECT_EQ(app.mDemoStream.GetBuffer().ReadBits(4, false), 9);
}

TEST(DemoRecording, TheLoadingHandOverIsRecordedAsCommandNine)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.SetDemoMode(Vorn::DemoMode::Recording);
    app.mUpdateCount = 3;
    app.mLoadingThreadFinished = true;

    EXPECT_TRUE(app.RunUpdateTick());
    EXPECT_EQ(app.mHandOvers, 1);

    Vorn::Buffer& stream = app.mDemoStream.GetBuffer();
    EXPECT_EQ(stream.ReadBits(4, false), 3);
    EXPECT_EQ(stream.ReadBits(1, false), 0);
    EXPECT_EQ(stream.ReadBits(5, false), 9);
    EXPECT_TRUE(stream.AtEnd());

    // Once only.
    app.RunUpdateTick();
    EXPECT_EQ(stream.GetByteLength(), 2);
}

TEST(DemoMode, RecordingAndPlayingAreNeverBoth)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.SetDemoMode(Vorn::DemoMode::Recording);
    EXPECT_TRUE(app.mRecording);
    EXPECT_FALSE(app.mPlaying);
    EXPECT_EQ(app.mDemoStream.GetMode(), Vorn::DemoMode::Recording);
    app.SetDemoMode(Vorn::DemoMode::Playing);
    EXPECT_FALSE(app.mRecording);
    EXPECT_TRUE(app.mPlaying);
    EXPECT_EQ(app.mDemoStream.GetMode(), Vorn::DemoMode::Playing);
}

TEST(DemoRecording, NothingIsRecordedWhenNotRecording)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.mLoadingThreadFinished = true;
    app.RunUpdateTick();
    EXPECT_EQ(app.mHandOvers, 1);
    EXPECT_EQ(app.mDemoStream.GetBuffer().GetByteLength(), 0);
}

} // namespace
