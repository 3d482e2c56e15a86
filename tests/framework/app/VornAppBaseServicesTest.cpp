#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/MusicInterface.h"

#include <gtest/gtest.h>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;

class RecordingMusic : public Vorn::MusicInterface {
public:
    void SetVolume(double volume) override { mVolumes.push_back(volume); }
    std::vector<double> mVolumes;
};

class RecordingSounds : public Vorn::DSoundManager {
public:
    RecordingSounds() : DSoundManager(nullptr, false) {}
    void SetVolume(double volume) override { mVolumes.push_back(volume); }
    std::vector<double> mVolumes;
};

struct SoundApp {
    SoundApp() : app(clock)
    {
        auto musicInterface = std::make_unique<RecordingMusic>();
        music = musicInterface.get();
        app.mMusicInterface = std::move(musicInterface);
        auto soundManager = std::make_unique<RecordingSounds>();
        sounds = soundManager.get();
        app.mSoundManager = std::move(soundManager);
    }

    ScriptedClock clock;
    ScriptedApp app;
    RecordingMusic* music;
    RecordingSounds* sounds;
};

TEST(Muting, MutesNestAndVolumesComeBackOnTheLastUnmute)
{
    SoundApp s;
    s.app.Mute(false);
    s.app.Mute(true);
    s.app.Unmute(true);
    EXPECT_TRUE(s.app.IsMuted());
    EXPECT_EQ(s.music->mVolumes.back(), 0.0);
    EXPECT_EQ(s.sounds->mVolumes.back(), 0.0);
    s.app.Unmute(false);
    EXPECT_FALSE(s.app.IsMuted());
    EXPECT_EQ(s.music->mVolumes.back(), 0.85);
    EXPECT_EQ(s.sounds->mVolumes.back(), 0.85);
    EXPECT_EQ(s.app.mAutoMuteCount, 0);
}

TEST(Muting, AVolumeSetWhileMutedIsKeptAndAppliedOnUnmute)
{
    SoundApp s;
    s.app.Mute(false);
    s.app.SetMusicVolume(0.5);
    EXPECT_EQ(s.app.GetMusicVolume(), 0.5);
    EXPECT_EQ(s.music->mVolumes.back(), 0.0);
    s.app.Unmute(false);
    EXPECT_EQ(s.music->mVolumes.back(), 0.5);
}

TEST(Muting, UnmuteWhenNotMutedOnlyReappliesTheVolumes)
{
    SoundApp s;
    s.app.Unmute(true);
    EXPECT_EQ(s.app.mMuteCount, 0);
    EXPECT_EQ(s.app.mAutoMuteCount, 0);
    EXPECT_EQ(s.music->mVolumes, std::vector<double>{0.85});
    EXPECT_EQ(s.sounds->mVolumes, std::vector<double>{0.85});
}

TEST(Sounds, MasterVolumeIsTheMixersAndAlsoStoredAsTheEffectsVolume)
{
    SoundApp s;
    s.app.SetMasterVolume(0.25);
    EXPECT_EQ(s.app.GetMasterVolume(), 0.25);
    EXPECT_EQ(s.app.GetSfxVolume(), 0.25);
    EXPECT_TRUE(s.sounds->mVolumes.empty());
}

TEST(Sounds, WithoutAnySoundObjectsEverythingIsHarmless)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.PlaySoundById(1);
    app.PlaySoundByIdWithPan(1, 10);
    app.Mute(true);
    app.SetMasterVolume(0.3);
    EXPECT_EQ(app.GetMasterVolume(), 0.0);
    EXPECT_TRUE(app.IsMuted());
}

} // namespace
