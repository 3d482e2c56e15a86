#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

using Testing::ScriptedClock;
using Testing::WindowedApp;

// A demo of 20000 updates of 10 ms, playing at update 100; the keys typed
// reach the window as characters.
class Playback : public ::testing::Test {
protected:
    Playback() : app(clock)
    {
        app.SetDemoMode(Vorn::DemoMode::Playing);
        app.CreateMainWindow();
        app.mDemoLength = 20000;
        app.mUpdateCount = 100;
    }

    void Type(const std::string& keys)
    {
        for (const char key : keys)
            app.Send({Platform::WM_CHAR, static_cast<uint8_t>(key), 0});
    }

    ScriptedClock clock;
    WindowedApp app;
};

TEST_F(Playback, HotKeysSteerTheReplay)
{
    // Keys; multiplier; fast-forward target; paused; maximum speed; one step.
    const std::tuple<const char*, double, int32_t, bool, bool, bool> cases[] = {{"+", 1.5, 0, false, false, false},
        {"---", 1 / 3.375, 0, false, false, false}, {"++=", 1.0, 0, false, false, false},
        {"0", 1.0, 20000, false, false, false}, {"4", 1.0, 8000, false, false, false},
        {"9", 1.0, 19500, false, false, false}, {"p", 1.0, 0, true, false, false}, {"PP", 1.0, 0, false, false, false},
        {"m", 1.0, 0, false, true, false}, {"N", 1.0, 101, false, false, true}, {"x1jl", 1.0, 0, false, false, false}};
    for (const auto& [keys, multiplier, target, paused, maximumSpeed, oneStep] : cases) {
        SCOPED_TRACE(keys);
        app.mUpdateMultiplier = 1.0;
        app.mFastForwardToUpdateNum = 0;
        app.mPaused = app.mHoldFastForward = app.mFastForwardOneStep = false;
        Type(keys);
        EXPECT_DOUBLE_EQ(app.mUpdateMultiplier, multiplier);
        EXPECT_EQ(app.mFastForwardToUpdateNum, target);
        EXPECT_EQ(app.mPaused, paused);
        EXPECT_EQ(app.mHoldFastForward, maximumSpeed);
        EXPECT_EQ(app.mFastForwardOneStep, oneStep);
    }
}

TEST_F(Playback, TheSoundKeySilencesAndRestoresEachVolumeByItself)
{
    app.SetMusicVolume(0.0);
    app.SetSfxVolume(0.6);
    Type("S");
    app.SetMusicVolume(0.4);
    Type("Ss");
    EXPECT_EQ(app.GetMusicVolume(), 0.4);
    EXPECT_EQ(app.GetSfxVolume(), 0.0);
    Type("S");
    EXPECT_EQ(app.GetMusicVolume(), 0.0);
    EXPECT_EQ(app.GetSfxVolume(), 0.6);
}

} // namespace
