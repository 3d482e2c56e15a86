#include "framework/sound/DSoundInstance.h"

#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"
#include "framework/sound/DSoundManager.h"
#include "platform/AudioMixer.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

namespace {

using namespace Testing;
using Vorn::DSoundInstance;
using Vorn::DSoundManager;

class Instance : public ::testing::Test {
protected:
    Instance()
    {
        mDir.WriteFile("tone.wav", Wav(1, 44100, 16, Pcm16({100, 200, 300})));
        mManager.LoadSound(0, mDir.Path() + "/tone");
        mInstance = static_cast<DSoundInstance*>(mManager.GetSoundInstance(0));
    }

    std::vector<int16_t> Left(size_t frames) { return MixLeft(*mMixer, frames); }

    TempDir mDir;
    std::shared_ptr<Platform::AudioMixer> mMixer = std::make_shared<Platform::AudioMixer>();
    DSoundManager mManager{mMixer, false};
    DSoundInstance* mInstance = nullptr;
};

// f = 1.0594630943592953 ^ steps × base, truncated: an octave down lands
// just below 22050.
TEST_F(Instance, PitchShiftsBySemitonesFromTheBaseFrequency)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::pair<double, uint32_t> cases[] = {
        {12, 88200},  {-60, 1378},        {-100, 136}, {20, 100000},        {0, 44100}, {-12, 22049},
        {1, 46722},   {nan, 44100},       {-1000, 100}, {infinity, 100000}, {-infinity, 100},
    };
    ASSERT_NE(mInstance, nullptr);
    EXPECT_EQ(mInstance->mBaseFrequency, 44100u);
    for (const auto& [steps, frequency] : cases) {
        mInstance->ShiftPitch(steps);
        EXPECT_EQ(mInstance->mDuplicateBuffer->GetFrequency(), frequency) << steps;
    }
}

TEST_F(Instance, VolumeIsOwnTimesBaseTimesMaster)
{
    struct Case {
        double volume, base, master;
        int attenuation;
    };
    const Case cases[] = {
        {0.5, 1.0, 1.0, -605}, {1.0, 0.5, 1.0, -605}, {1.0, 1.0, 0.5, -605},
        {0.5, 0.5, 1.0, -1138}, {0.3, 1.0, 0.0, -10000}, {2.0, 1.0, 1.0, 0},
    };
    for (const Case& c : cases) {
        mManager.mMasterVolume = c.master;
        mInstance->SetBaseVolume(c.base);
        mInstance->SetVolume(c.volume);
        EXPECT_EQ(mInstance->mDuplicateBuffer->GetVolume(), c.attenuation) << c.volume << " " << c.base;
        EXPECT_EQ(mInstance->GetVolume(), c.volume);
    }
}

TEST_F(Instance, PanIsOwnPlusBaseHeldToTheRange)
{
    const std::tuple<int, int, int> cases[] = {
        {-2000, 500, -1500}, {0, 0, 0}, {9000, 2000, 10000}, {INT_MAX, 500, 10000}, {INT_MIN, -1, -10000},
        {INT_MAX, INT_MIN, -1},
    };
    for (const auto& [pan, base, applied] : cases) {
        mInstance->SetBasePan(base);
        mInstance->SetPan(pan);
        EXPECT_EQ(mInstance->mDuplicateBuffer->GetPan(), applied) << pan << " " << base;
    }
}

TEST_F(Instance, PlayAlwaysStartsOverAndAnEndedAutoReleaseInstanceIsReleased)
{
    EXPECT_FALSE(mInstance->IsPlaying());
    EXPECT_FALSE(mInstance->IsReleased());
    EXPECT_TRUE(mInstance->Play(false, true));
    EXPECT_EQ(Left(2), (std::vector<int16_t>{100, 200}));
    EXPECT_TRUE(mInstance->Play(false, true));
    EXPECT_EQ(Left(2), (std::vector<int16_t>{100, 200}));
    EXPECT_TRUE(mInstance->IsPlaying());
    EXPECT_FALSE(mInstance->IsReleased());
    Left(1);
    EXPECT_FALSE(mInstance->IsPlaying());
    EXPECT_TRUE(mInstance->IsReleased());
    EXPECT_TRUE(mInstance->IsReleased());
}

TEST_F(Instance, StopClearsAutoReleaseSoOnlyReleaseFreesIt)
{
    mInstance->Play(true, true);
    Left(1);
    mInstance->Stop();
    EXPECT_FALSE(mInstance->mAutoRelease);
    EXPECT_FALSE(mInstance->IsPlaying());
    EXPECT_FALSE(mInstance->IsReleased());
    mInstance->Play(false, false);
    EXPECT_EQ(Left(1), (std::vector<int16_t>{100}));
    mInstance->Release();
    EXPECT_FALSE(mInstance->IsPlaying());
    EXPECT_TRUE(mInstance->IsReleased());
}

} // namespace
