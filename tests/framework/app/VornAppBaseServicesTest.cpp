#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/MusicInterface.h"
#include "platform/Clipboard.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;

class RecordingMusic : public Vorn::MusicInterface {
public:
    void SetVolume(double volume) override { mVolume = volume; }
    double mVolume = -1.0;
};

class RecordingSounds : public Vorn::DSoundManager {
public:
    RecordingSounds() : DSoundManager(nullptr, false) {}
    void SetVolume(double volume) override { mVolume = volume; }
    double mVolume = -1.0;
};

struct SoundApp {
    SoundApp() : app(clock), music(new RecordingMusic), sounds(new RecordingSounds)
    {
        app.mMusicInterface.reset(music);
        app.mSoundManager.reset(sounds);
        app.mRegKey = "Tavoren\\Zarquel";
    }

    ScriptedClock clock;
    ScriptedApp app;
    RecordingMusic* music;
    RecordingSounds* sounds;
};

// Steps: M and U mute and unmute for the user, m and u automatically. An
// automatic unmute leaves the user's mute, and the other way round;
// unmuting at zero changes nothing.
TEST(Muting, CountsSilenceAndTheSavedStateFollowTheKindOfEachMute)
{
    const std::tuple<const char*, bool, int32_t> cases[] = {
        {"MMU", true, 1}, {"MmUu", false, 0}, {"m", true, 0}, {"Mu", true, 1}, {"mU", true, 0}, {"UuM", true, 1}};
    for (const auto& [steps, silent, savedMuted] : cases) {
        SCOPED_TRACE(steps);
        SoundApp s;
        for (const char step : std::string(steps))
            (step == 'M' || step == 'm') ? s.app.Mute(step == 'm') : s.app.Unmute(step == 'u');
        EXPECT_EQ(s.music->mVolume, silent ? 0.0 : 0.85);
        EXPECT_EQ(s.sounds->mVolume, silent ? 0.0 : 0.85);
        s.app.SaveSettings();
        int32_t saved = -1;
        EXPECT_TRUE(s.app.ReadRegistryInteger("Muted", saved));
        EXPECT_EQ(saved, savedMuted);
    }
}

TEST(Muting, AVolumeSetWhileMutedIsKeptAndSentOnUnmute)
{
    SoundApp s;
    s.app.Mute(false);
    s.app.SetMusicVolume(0.5);
    EXPECT_EQ(s.app.GetMusicVolume(), 0.5);
    EXPECT_EQ(s.music->mVolume, 0.0);
    s.app.Unmute(false);
    EXPECT_EQ(s.music->mVolume, 0.5);
}

// The clipboard exists once a window is open; the tests' video driver shows
// nothing.
class Clipboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_TRUE(mWindow->Create({"", 0, 0, Platform::WindowStyle::Hidden, {}})) << mWindow->Error();
    }

    // What a second application replays of `recorder`'s demo while the live
    // clipboard holds something else.
    static std::string Replayed(ScriptedApp& recorder)
    {
        ScriptedClock clock;
        ScriptedApp player(clock);
        player.mDemoStream.GetBuffer() = recorder.mDemoStream.GetBuffer();
        player.SetDemoMode(Vorn::DemoMode::Playing);
        Platform::SetClipboardText("live");
        return player.GetClipboard();
    }

    std::unique_ptr<Platform::Window> mWindow = Platform::MakeSystemWindow();
    ScriptedClock mClock;
    ScriptedApp mApp{mClock};
};

TEST_F(Clipboard, TextIsCutAlikeLiveAndRecordedAndReplaysInsteadOfTheLiveText)
{
    const std::string cut(32767, 'x');
    ASSERT_TRUE(Platform::SetClipboardText(cut + "yyy"));
    EXPECT_EQ(mApp.GetClipboard(), cut);
    mApp.SetDemoMode(Vorn::DemoMode::Recording);
    EXPECT_EQ(mApp.GetClipboard(), cut);
    EXPECT_EQ(Replayed(mApp), cut);
}

TEST_F(Clipboard, WhileADemoPlaysNothingIsCopiedOrReadLive)
{
    ScriptedApp nothingRecorded(mClock);
    EXPECT_EQ(Replayed(nothingRecorded), "");
    mApp.SetDemoMode(Vorn::DemoMode::Playing);
    mApp.CopyToClipboard("copied");
    EXPECT_EQ(Platform::GetClipboardText(), "live");
}

} // namespace
