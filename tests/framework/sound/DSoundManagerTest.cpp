#include "framework/sound/DSoundManager.h"

#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"
#include "framework/app/PathUtils.h"
#include "framework/sound/DSoundInstance.h"
#include "platform/AudioMixer.h"
#include "platform/AudioOutput.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <limits>
#include <thread>

namespace {

using namespace Testing;
using Vorn::DSoundInstance;
using Vorn::DSoundManager;

TEST(VolumeToAttenuation, FollowsTheLogarithmAndFallsSilentBelowMinus2000)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::pair<double, int> cases[] = {
        {1.0, 0},         {0.5, -605},     {0.25, -1138}, {0.75, -258},     {0.999, 0},       {0.05, -1956},
        {0.0433, -1999},  {0.0432, -2000}, {0.043, -10000}, {0.04, -10000}, {0.0, -10000},   {-0.5, -10000},   {nan, -10000},
        {1.5, 0},         {infinity, 0},   {-infinity, -10000},
    };
    for (const auto& [volume, attenuation] : cases)
        EXPECT_EQ(DSoundManager::VolumeToAttenuation(volume), attenuation) << volume;
}

// Sound files in a folder of their own as the working folder, the cache in
// another; the manager plays into a mixer the test pulls.
class Manager : public ::testing::Test {
protected:
    Manager() : mFolder(std::filesystem::current_path())
    {
        std::filesystem::current_path(mGame.Path());
        Vorn::SetAppDataFolder(mData.Path());
        mGame.WriteFile("sfx/beep.wav", Wav(1, 44100, 16, Pcm16({1000, 2000, 3000, 4000})));
        mGame.WriteFile("sfx/long.wav", Wav(1, 44100, 16, Pcm16(std::vector<int16_t>(1000, 100))));
    }
    ~Manager() override
    {
        std::filesystem::current_path(mFolder);
        Vorn::SetAppDataFolder("");
    }

    std::vector<int16_t> Left(size_t frames) { return MixLeft(*mMixer, frames); }

    std::filesystem::path mFolder;
    TempDir mGame;
    TempDir mData;
    std::shared_ptr<Platform::AudioMixer> mMixer = std::make_shared<Platform::AudioMixer>();
    DSoundManager mManager{mMixer, false};
};

TEST_F(Manager, IdsOutsideTheTableAreRefused)
{
    EXPECT_FALSE(mManager.LoadSound(256, "sfx/beep"));
    EXPECT_FALSE(mManager.LoadSound(static_cast<unsigned>(-1), "sfx/beep"));
    EXPECT_EQ(mManager.GetSoundInstance(256), nullptr);
    EXPECT_FALSE(mManager.SetBaseVolume(256, 0.5));
    EXPECT_FALSE(mManager.SetBasePan(256, 5));
    EXPECT_TRUE(mManager.SetBaseVolume(255, 0.5));
    mManager.ReleaseSound(256);
    mManager.ReleaseSound(static_cast<unsigned>(-1));
    EXPECT_EQ(mManager.GetNumSounds(), 0);
}

TEST_F(Manager, LoadsReleasesAndCountsSounds)
{
    EXPECT_TRUE(mManager.IsInitialized());
    EXPECT_EQ(mManager.GetFreeSoundId(), 0);
    EXPECT_TRUE(mManager.LoadSound(0, "sfx/beep"));
    EXPECT_TRUE(mManager.LoadSound(1, "sfx\\LONG"));
    EXPECT_EQ(mManager.GetNumSounds(), 2);
    EXPECT_EQ(mManager.GetFreeSoundId(), 2);
    EXPECT_EQ(mManager.mSoundDataSizes[0], 8u);
    mManager.ReleaseSound(0);
    EXPECT_EQ(mManager.GetFreeSoundId(), 0);
    EXPECT_EQ(mManager.mSoundNames[0], "");
    EXPECT_EQ(mManager.GetNumSounds(), 1);
    mManager.ReleaseSounds();
    EXPECT_EQ(mManager.GetNumSounds(), 0);
    EXPECT_EQ(mManager.mSoundNames[1], "sfx\\LONG");
}

TEST_F(Manager, ByNameReusesAKnownNameAndFillsFromTheTop)
{
    EXPECT_EQ(mManager.LoadSoundByName("sfx/beep"), 255);
    EXPECT_EQ(mManager.LoadSoundByName("sfx/long"), 254);
    std::filesystem::remove("sfx/beep.wav");
    EXPECT_EQ(mManager.LoadSoundByName("sfx/beep"), 255);
    // A failed load keeps its name: asking again finds the id, empty.
    EXPECT_EQ(mManager.LoadSoundByName("sfx/gone"), -1);
    EXPECT_EQ(mManager.mSoundNames[253], "sfx/gone");
    EXPECT_EQ(mManager.LoadSoundByName("sfx/gone"), 253);
    EXPECT_EQ(mManager.GetNumSounds(), 2);
    EXPECT_EQ(mManager.GetFreeSoundId(), 0);
}

TEST_F(Manager, WithoutOutputLoadsSucceedAndInstancesAreSilent)
{
    DSoundManager silent(static_cast<Platform::Window*>(nullptr), false);
    EXPECT_FALSE(silent.IsInitialized());
    EXPECT_TRUE(silent.LoadSound(3, "sfx/beep"));
    EXPECT_EQ(silent.GetNumSounds(), 0);
    EXPECT_EQ(silent.mSoundNames[3], "");
    Vorn::SoundInstance* instance = silent.GetSoundInstance(7);
    ASSERT_NE(instance, nullptr);
    instance->SetVolume(0.3);
    EXPECT_EQ(instance->GetVolume(), 0.3);
    EXPECT_FALSE(instance->Play(false, true));
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_TRUE(instance->IsReleased());
}

TEST_F(Manager, InstancesTakeTheBaseVolumeAndPanOfTheirSound)
{
    mManager.LoadSound(0, "sfx/beep");
    EXPECT_EQ(mManager.GetSoundInstance(1), nullptr);
    mManager.SetBaseVolume(0, 0.5);
    mManager.SetBasePan(0, -300);
    auto* instance = static_cast<DSoundInstance*>(mManager.GetSoundInstance(0));
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->mDuplicateBuffer->GetVolume(), -605);
    EXPECT_EQ(instance->mDuplicateBuffer->GetPan(), -300);
    mManager.SetVolume(0.0);
    EXPECT_EQ(instance->mDuplicateBuffer->GetVolume(), -10000);
    instance->SetVolume(0.5);
    mManager.SetVolume(1.0);
    // (0.5 × 0.5) × 1.0
    EXPECT_EQ(instance->mDuplicateBuffer->GetVolume(), -1138);
    // -1138 is a gain of 17680 on the left; the pan lowers only the right.
    instance->Play(false, true);
    EXPECT_EQ(Left(4), (std::vector<int16_t>{269, 539, 809, 1079}));
}

TEST_F(Manager, ThirtyTwoInstancesPlayAtOnceAndFinishedOnesMakeRoom)
{
    mManager.LoadSound(0, "sfx/beep");
    std::vector<Vorn::SoundInstance*> playing;
    for (unsigned i = 0; i < Vorn::kMaxSoundInstances; ++i) {
        Vorn::SoundInstance* instance = mManager.GetSoundInstance(0);
        ASSERT_NE(instance, nullptr) << i;
        instance->Play(i == 0, i != 0);
        playing.push_back(instance);
    }
    EXPECT_EQ(mManager.GetSoundInstance(0), nullptr);
    // Four frames later every sound but the looping one has ended.
    Left(4);
    EXPECT_NE(mManager.GetSoundInstance(0), nullptr);
    EXPECT_EQ(mManager.mInstances[0].get(), playing[0]);
}

// Released instances are swept at most once a second, when an instance is
// asked for; between sweeps only the slot taken is freed.
TEST_F(Manager, ReleasedInstancesAreSweptOnceASecond)
{
    mManager.LoadSound(0, "sfx/beep");
    for (const auto& [sinceSweep, swept] : {std::pair{500u, false}, std::pair{1500u, true}}) {
        mManager.ReleaseInstances();
        Vorn::SoundInstance* first = mManager.GetSoundInstance(0);
        mManager.GetSoundInstance(0)->Release();
        first->Release();
        mManager.mLastReleaseTick = Platform::TickCount() - sinceSweep;
        mManager.GetSoundInstance(0);
        EXPECT_EQ(mManager.mInstances[1] == nullptr, swept) << sinceSweep;
    }
}

TEST_F(Manager, StopAllSoundsKeepsAutoReleaseSoStoppedSoundsAreFreed)
{
    mManager.LoadSound(1, "sfx/long");
    auto* automatic = static_cast<DSoundInstance*>(mManager.GetSoundInstance(1));
    auto* kept = static_cast<DSoundInstance*>(mManager.GetSoundInstance(1));
    auto* ownStop = static_cast<DSoundInstance*>(mManager.GetSoundInstance(1));
    automatic->Play(false, true);
    kept->Play(true, false);
    ownStop->Play(false, true);
    ownStop->Stop();
    mManager.StopAllSounds();
    EXPECT_FALSE(automatic->IsPlaying());
    EXPECT_FALSE(kept->IsPlaying());
    EXPECT_TRUE(automatic->mAutoRelease);
    EXPECT_TRUE(automatic->IsReleased());
    EXPECT_FALSE(kept->IsReleased());
    EXPECT_FALSE(ownStop->IsReleased());
    // A search for a slot deletes the released one and reuses its slot.
    Vorn::SoundInstance* next = mManager.GetSoundInstance(1);
    EXPECT_EQ(mManager.mInstances[0].get(), next);
    EXPECT_EQ(mManager.mInstances[1].get(), kept);
    EXPECT_EQ(mManager.mInstances[2].get(), ownStop);
    EXPECT_EQ(mManager.mInstances[3], nullptr);
}

TEST_F(Manager, TheMixerVolumeIsAStoredLineVolume)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, uint32_t> cases[] = {{1.0, 65535}, {0.5, 32767}, {0.0, 0},  {2.0, 65535},
                                                 {-1.0, 0},    {nan, 0},     {0.25, 16383}};
    for (const auto& [volume, line] : cases) {
        mManager.SetMixerVolume(volume);
        EXPECT_EQ(Platform::GetLineVolume(), line) << volume;
        EXPECT_EQ(mManager.GetMixerVolume(), line / 65535.0);
    }
    mManager.SetMixerVolume(1.0);
}

// Run under ThreadSanitizer too: the loading thread fills ids while the main
// thread plays loaded ones and the device pulls the mix.
TEST(SoundManagerThreads, LoadingWhilePlaying)
{
    TempDir game;
    game.WriteFile("s.wav", Wav(2, 44100, 16, Pcm16(std::vector<int16_t>(400, 50))));
    auto mixer = std::make_shared<Platform::AudioMixer>();
    DSoundManager manager(mixer, false);
    ASSERT_TRUE(manager.LoadSound(0, game.Path() + "/s"));
    PullingDevice device(*mixer);
    std::thread loading([&] {
        for (unsigned id = 1; id < 200; ++id) {
            manager.LoadSound(id, game.Path() + "/s");
            manager.SetBaseVolume(id, 0.5);
            manager.SetBasePan(id, 100);
        }
    });
    for (int i = 0; i < 500; ++i) {
        if (Vorn::SoundInstance* instance = manager.GetSoundInstance(static_cast<unsigned>(i % 3))) {
            instance->SetPan(i);
            instance->Play(false, true);
        }
        manager.GetNumSounds();
        manager.GetFreeSoundId();
    }
    loading.join();
    EXPECT_EQ(manager.GetNumSounds(), 200);
}

} // namespace
