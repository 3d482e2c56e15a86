#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"

#include <gtest/gtest.h>

#include <string>

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

struct HotKeys {
    const char* keys;
    double multiplier;
    int32_t target;
    bool paused;
    bool maximumSpeed;
    bool oneStep;
};

class PlaybackKeys : public Playback, public ::testing::WithParamInterface<HotKeys> {};

TEST_P(PlaybackKeys, SteerTheReplay)
{
    Type(GetParam().keys);
    EXPECT_DOUBLE_EQ(app.mUpdateMultiplier, GetParam().multiplier);
    EXPECT_EQ(app.mFastForwardToUpdateNum, GetParam().target);
    EXPECT_EQ(app.mPaused, GetParam().paused);
    EXPECT_EQ(app.mHoldFastForward, GetParam().maximumSpeed);
    EXPECT_EQ(app.mFastForwardOneStep, GetParam().oneStep);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PlaybackKeys,
    ::testing::Values(HotKeys{"+", 1.5, 0, false, false, false}, HotKeys{"---", 1 / 3.375, 0, false, false, false},
                      HotKeys{"++=", 1.0, 0, false, false, false}, HotKeys{"0", 1.0, 20000, false, false, false},
                      HotKeys{"4", 1.0, 8000, false, false, false}, HotKeys{"5", 1.0, 11000, false, false, false},
                      HotKeys{"9", 1.0, 19500, false, false, false}, HotKeys{"p", 1.0, 0, true, false, false},
                      HotKeys{"PP", 1.0, 0, false, false, false}, HotKeys{"m", 1.0, 0, false, true, false},
                      HotKeys{"N", 1.0, 101, false, false, true}, HotKeys{"x1jl", 1.0, 0, false, false, false}));

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
