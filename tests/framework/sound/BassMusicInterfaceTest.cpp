#include "framework/sound/BassMusicInterface.h"

#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"
#include "platform/AudioMixer.h"
#include "platform/MusicEngine.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace Testing;
using Vorn::BassMusicInterface;

TEST(MusicInterface, TheSilentBaseDoesNothingAndAnswersFalse)
{
    Vorn::MusicInterface silent;
    EXPECT_FALSE(silent.LoadMusic(1, "Music/Music.ogg"));
    silent.PlayMusic(1, 0, false);
    silent.FadeIn(1, 0, 0.002, false);
    silent.SetVolume(0.5);
    silent.Update();
    EXPECT_FALSE(silent.IsPlaying(1));
}

class Music : public ::testing::Test {
protected:
    Music()
    {
        std::vector<int16_t> ramp(100);
        for (size_t i = 0; i < ramp.size(); ++i)
            ramp[i] = static_cast<int16_t>(100 * (i + 1));
        mDir.WriteFile("Music/Ramp.wav", Wav(1, 44100, 16, Pcm16(ramp)));
        mDir.WriteFile("Music/Other.wav", Wav(1, 44100, 16, Pcm16({-1, -2})));
        EXPECT_TRUE(mMusic.LoadMusic(1, mDir / "Music/Ramp.wav"));
    }

    std::vector<int16_t> Left(size_t frames) { return MixLeft(*mMixer, frames); }
    int Active(int id) { return mMusic.mEngine->ChannelIsActive(mMusic.mSongs.at(id).mStream); }

    TempDir mDir;
    std::shared_ptr<Platform::AudioMixer> mMixer = std::make_shared<Platform::AudioMixer>();
    BassMusicInterface mMusic{mMixer};
};

TEST_F(Music, LoadsStreamsByExtensionAndKeepsTheFirstSongOfAnId)
{
    mDir.WriteFile("Music/Song.OGG", "not really");
    mDir.WriteFile("Music/Tune.XM", "a module");
    EXPECT_FALSE(mMusic.LoadMusic(2, mDir / "Music/Song.OGG"));
    EXPECT_FALSE(mMusic.LoadMusic(2, mDir / "Music/Tune.XM"));
    EXPECT_FALSE(mMusic.LoadMusic(2, mDir / "Music/Ramp"));
    EXPECT_FALSE(mMusic.LoadMusic(2, mDir / "Music/Missing.wav"));
    EXPECT_TRUE(mMusic.LoadMusic(2, mDir.Path() + "\\MUSIC\\ramp.WAV"));
    const uint32_t first = mMusic.mSongs.at(2).mStream;
    EXPECT_TRUE(mMusic.LoadMusic(2, mDir / "Music/Other.wav"));
    EXPECT_EQ(mMusic.mSongs.at(2).mStream, first);
    EXPECT_FALSE(mMusic.mEngine->StreamFree(first + 1));
    EXPECT_EQ(mMusic.mSongs.size(), 2u);
    const Vorn::BassSong& song = mMusic.mSongs.at(1);
    EXPECT_EQ(song.mVolume, 0.0);
    EXPECT_EQ(song.mVolumeStep, 0.0);
    EXPECT_EQ(song.mMaxVolume, 1.0);
    EXPECT_FALSE(song.mStopWhenDone);
}

TEST_F(Music, PlayRestartsOrGoesOnAndOffsetsAreBytes)
{
    mMusic.PlayMusic(1, 0, false);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    EXPECT_EQ(Left(3), (std::vector<int16_t>{100, 200, 300}));
    mMusic.PlayMusic(1, -1, false);
    EXPECT_EQ(Left(1), (std::vector<int16_t>{400}));
    mMusic.PlayMusic(1, 0, false);
    EXPECT_EQ(Left(1), (std::vector<int16_t>{100}));
    // Byte 9 lies in frame 4.
    mMusic.PlayMusic(1, 9, true);
    EXPECT_TRUE(mMusic.mSongs.at(1).mStopWhenDone);
    EXPECT_EQ(Left(1), (std::vector<int16_t>{500}));
    EXPECT_EQ(Left(96).back(), 0);
    EXPECT_FALSE(mMusic.IsPlaying(1));
    mMusic.PlayMusic(1, 0, false);
    Left(101);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    EXPECT_FALSE(mMusic.IsPlaying(7));
}

TEST_F(Music, FadingInTakesFiveHundredUpdatesAtTheGamesSpeed)
{
    mMusic.FadeIn(1, 0, 0.002, false);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    for (int update = 1; update < 500; ++update)
        mMusic.Update();
    EXPECT_LT(mMusic.mSongs.at(1).mVolume, 1.0);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolumeStep, 0.002);
    mMusic.Update();
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 1.0);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolumeStep, 0.0);
    mMusic.Update();
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 1.0);
    EXPECT_EQ(Left(1), (std::vector<int16_t>{100}));
}

TEST_F(Music, FadingOutStopsAtTheHundredthUpdateWhenAsked)
{
    mMusic.PlayMusic(1, 0, false);
    mMusic.FadeOut(1, true, 0.01);
    for (int update = 1; update < 100; ++update)
        mMusic.Update();
    EXPECT_GT(mMusic.mSongs.at(1).mVolume, 0.0);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    // 0.00999... is trunc'd to no volume at all, yet the song plays on.
    EXPECT_EQ(Left(1), (std::vector<int16_t>{0}));
    mMusic.Update();
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.0);
    EXPECT_FALSE(mMusic.IsPlaying(1));

    // On a silent song no fade starts, but the stop flag is set.
    mMusic.FadeOut(1, false, 0.01);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolumeStep, 0.0);
    EXPECT_FALSE(mMusic.mSongs.at(1).mStopWhenDone);
    mMusic.FadeOutAll(true, 0.5);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolumeStep, -0.5);
    EXPECT_TRUE(mMusic.mSongs.at(1).mStopWhenDone);
}

TEST_F(Music, SongAndGlobalVolumesReachTheMixerHeld)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double song, global;
        int16_t first;
    };
    const Case cases[] = {{1.0, 1.0, 100},  {0.5, 1.0, 50}, {1.0, 0.5, 50}, {0.339, 1.0, 32},
                          {2.0, 1.0, 100},  {1.0, 7.0, 100}, {-1.0, 1.0, 0}, {nan, 1.0, 0}, {1.0, nan, 0}};
    for (const Case& c : cases) {
        mMusic.SetVolume(c.global);
        mMusic.PlayMusic(1, 0, false);
        mMusic.SetSongVolume(1, c.song);
        EXPECT_EQ(Left(1), (std::vector<int16_t>{c.first})) << c.song << " " << c.global;
    }
}

TEST_F(Music, TheMaximumCapsTheVolume)
{
    mMusic.SetSongVolume(1, 0.8);
    mMusic.SetSongMaxVolume(1, 0.5);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.5);
    mMusic.SetSongVolume(1, 0.3);
    mMusic.SetSongMaxVolume(1, 0.5);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.3);
    mMusic.PlayMusic(1, 0, false);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.5);
    EXPECT_EQ(Left(1), (std::vector<int16_t>{50}));
}

TEST_F(Music, PausingResumingStoppingAndUnloading)
{
    ASSERT_TRUE(mMusic.LoadMusic(2, mDir / "Music/Other.wav"));
    mMusic.PlayMusic(1, 0, false);
    mMusic.PauseAllMusic();
    EXPECT_EQ(Active(1), Platform::kChannelPaused);
    EXPECT_EQ(Active(2), Platform::kChannelStopped);
    mMusic.ResumeAllMusic();
    EXPECT_EQ(Active(1), Platform::kChannelPlaying);
    EXPECT_EQ(Active(2), Platform::kChannelStopped);
    mMusic.PauseMusic(1);
    EXPECT_EQ(Active(1), Platform::kChannelPaused);
    mMusic.ResumeMusic(1);
    EXPECT_EQ(Active(1), Platform::kChannelPlaying);
    mMusic.StopMusic(1);
    EXPECT_EQ(Active(1), Platform::kChannelStopped);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.0);
    mMusic.PlayMusic(1, 0, false);
    mMusic.PlayMusic(2, 0, false);
    mMusic.StopAllMusic();
    EXPECT_FALSE(mMusic.IsPlaying(1) || mMusic.IsPlaying(2));
    const uint32_t stream = mMusic.mSongs.at(1).mStream;
    mMusic.UnloadMusic(1);
    EXPECT_FALSE(mMusic.mSongs.contains(1));
    EXPECT_FALSE(mMusic.mEngine->StreamFree(stream));
    mMusic.UnloadMusic(1);
    mMusic.UnloadAllMusic();
    EXPECT_TRUE(mMusic.mSongs.empty());
    mMusic.PlayMusic(1, 0, false);
    mMusic.StopMusic(3);
    mMusic.PauseMusic(3);
    mMusic.ResumeMusic(3);
    mMusic.FadeIn(3, 0, 0.1, false);
    mMusic.FadeOut(3, true, 0.1);
    mMusic.SetSongVolume(3, 1.0);
    mMusic.SetSongMaxVolume(3, 1.0);
}

TEST(BassMusicInterface, WithoutOutputNothingLoads)
{
    TempDir dir;
    dir.WriteFile("a.wav", Wav(1, 44100, 16, Pcm16({1})));
    BassMusicInterface music(std::shared_ptr<Platform::AudioMixer>{});
    EXPECT_FALSE(music.LoadMusic(1, dir / "a.wav"));
}

} // namespace
