#include "framework/sound/FModMusicInterface.h"

#include "fakes/CurrentPathGuard.h"
#include "fakes/EncodedTone.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"
#include "fakes/TrackerModule.h"
#include "framework/app/PathUtils.h"
#include "framework/resources/PakInterface.h"
#include "framework/sound/DSoundManager.h"
#include "platform/AudioMixer.h"
#include "platform/SampleEngine.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace {

using namespace Testing;
using Vorn::FModMusicInterface;

// The sound manager starts the library on a mixer the test pulls; the music
// shares it. Decoded songs are cached under the data folder.
class FMod : public ::testing::Test {
protected:
    FMod()
    {
        Vorn::SetAppDataFolder(mData.Path());
        // Cache files stand in for decoded songs: they are read before any
        // source.
        mData.WriteFile("cached/Intro.wav", Wav(1, 44100, 16, Pcm16({1, 2})));
        mData.WriteFile("cached/Body.wav", Wav(1, 44100, 16, Pcm16({10, 20, 30})));
        mData.WriteFile("cached/Fast.wav", Wav(1, 48000, 16, Pcm16({1})));
        mData.WriteFile("cached/Wide.wav", Wav(2, 44100, 16, Pcm16({1, 1})));
    }
    ~FMod() override { Vorn::SetAppDataFolder(""); }

    std::vector<int16_t> Left(size_t frames) { return MixLeft(*mMixer, frames); }

    TempDir mData;
    TempDir mGame;
    std::shared_ptr<Platform::AudioMixer> mMixer = std::make_shared<Platform::AudioMixer>();
    Vorn::DSoundManager mSounds{mMixer, true};
    FModMusicInterface mMusic;
};

TEST_F(FMod, TrackerSongsLoadFromTheDiskAndTheGamesOggIsNone)
{
    const std::vector<uint8_t> tone = EncodeTone("ogg", 2, 22050, 2205, 440);
    mGame.WriteFile("Music/Music.ogg", std::string(tone.begin(), tone.end()));
    EXPECT_FALSE(mMusic.LoadMusic(1, mGame / "Music/Music.ogg"));
    EXPECT_FALSE(mMusic.IsPlaying(1));
    EXPECT_FALSE(mMusic.mSongs.contains(1));
    mGame.WriteFile("Music/Cut.xm", TwoOrderModule().substr(0, kModuleHeaderBytes - 1));
    EXPECT_FALSE(mMusic.LoadMusic(1, mGame / "Music/Cut.xm"));
    EXPECT_FALSE(mMusic.LoadMusic(1, mGame / "Music/Missing.xm"));

    mGame.WriteFile("Music/Tune.xm", TwoOrderModule());
    ASSERT_TRUE(mMusic.LoadMusic(1, mGame.Path() + "\\MUSIC\\tune.XM"));
    const Vorn::FModSong& song = mMusic.mSongs.at(1);
    EXPECT_NE(song.mSong, 0u);
    EXPECT_EQ(song.mSample, 0u);
    EXPECT_EQ(song.mVolume, 0.0);
    EXPECT_EQ(song.mMaxVolume, 1.0);
    EXPECT_FALSE(mMusic.IsPlaying(1));
    // A song already under the id stays; the new one is freed.
    const uint32_t first = song.mSong;
    EXPECT_TRUE(mMusic.LoadMusic(1, mGame / "Music/Tune.xm"));
    EXPECT_EQ(mMusic.mSongs.at(1).mSong, first);
    EXPECT_FALSE(mMusic.mFMod->MusicFreeSong(first + 1));

    // The library opens songs from the disk: the archive is not looked in.
    CurrentPathGuard folder;
    Vorn::PakInterface pak;
    const auto layer = std::exchange(Vorn::gPakInterface, &pak);
    std::filesystem::current_path(mGame.Path());
    ASSERT_TRUE(Tools::WritePak("main.pak", {{"Music\\Packed.mod", TwoOrderModule(), 1}}));
    ASSERT_TRUE(pak.AddArchive("main.pak"));
    EXPECT_FALSE(mMusic.LoadMusic(2, "Music/Packed.mod"));
    Vorn::gPakInterface = layer;
}

class FModTracker : public FMod {
protected:
    FModTracker()
    {
        mGame.WriteFile("Music/Tune.xm", TwoOrderModule());
        EXPECT_TRUE(mMusic.LoadMusic(1, mGame / "Music/Tune.xm"));
    }

    std::vector<int16_t> Mixed(size_t frames) { return MixFrames(*mMixer, frames); }
    static double LeftTone(const std::vector<int16_t>& stereo) { return ToneFrequency(stereo, 2, 0, 44100); }
    static std::vector<int16_t> Scaled(const std::vector<int16_t>& samples, int64_t gain)
    {
        std::vector<int16_t> scaled;
        for (const int16_t sample : samples)
            scaled.push_back(static_cast<int16_t>(sample * gain >> 16));
        return scaled;
    }
};

TEST_F(FModTracker, PlaysFromTheOrderGivenAndLoopsUnlessToldNotTo)
{
    mMusic.PlayMusic(1, 1, true);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 1.0);
    EXPECT_NEAR(LeftTone(Mixed(4000)), ModuleTone(kLowPeriod), 2.0);
    Mixed(kModuleOrderFrames - 4000);
    EXPECT_EQ(Mixed(1), (std::vector<int16_t>{0, 0}));
    EXPECT_FALSE(mMusic.IsPlaying(1));

    mMusic.PlayMusic(1, 1, false);
    Mixed(kModuleOrderFrames);
    EXPECT_NEAR(LeftTone(Mixed(4000)), ModuleTone(kHighPeriod), 2.0);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    // Without such an order it plays from its first.
    for (const int offset : {2, -1}) {
        mMusic.PlayMusic(1, 1, false);
        Mixed(100);
        mMusic.PlayMusic(1, offset, false);
        EXPECT_NEAR(LeftTone(Mixed(4000)), ModuleTone(kHighPeriod), 2.0) << offset;
    }
}

// trunc(volume × master volume × 100) as a linear gain of p × 65536 / 100.
TEST_F(FModTracker, FollowsTheSongAndMasterVolumesLinearly)
{
    mMusic.PlayMusic(1, 0, false);
    const std::vector<int16_t> full = Mixed(300);
    struct Case {
        double volume, master;
        int64_t gain;
    };
    const Case cases[] = {{0.5, 1.0, 32768}, {1.0, 0.5, 32768}, {0.5, 0.5, 16384}, {0.339, 1.0, 21626},
                          {1.0, 0.0, 0},     {2.0, 1.0, 65536}, {1.0, 1.0, 65536}};
    for (const Case& c : cases) {
        mMusic.SetVolume(c.master);
        mMusic.PlayMusic(1, 0, false);
        mMusic.SetSongVolume(1, c.volume);
        EXPECT_EQ(Mixed(300), Scaled(full, c.gain)) << c.volume << " " << c.master;
    }
}

TEST_F(FModTracker, AFadeInStartsOnlyAStoppedSongAndMovesItOnlyToAnOrderGiven)
{
    mMusic.PlayMusic(1, 1, false);
    Mixed(100);
    mMusic.FadeIn(1, -1, 0.5, false);
    EXPECT_NEAR(LeftTone(Mixed(4000)), ModuleTone(kLowPeriod), 2.0);
    mMusic.FadeIn(1, 0, 0.5, false);
    EXPECT_NEAR(LeftTone(Mixed(4000)), ModuleTone(kHighPeriod), 2.0);
    mMusic.Update();
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 1.0);

    mMusic.StopMusic(1);
    EXPECT_FALSE(mMusic.IsPlaying(1));
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.0);
    mMusic.FadeIn(1, -1, 0.5, true);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    EXPECT_EQ(Mixed(100), std::vector<int16_t>(200, 0));
    mMusic.Update();
    EXPECT_NEAR(LeftTone(Mixed(4000)), ModuleTone(kHighPeriod), 2.0);
    // Not looping, as the fade-in asked.
    Mixed(2 * kModuleOrderFrames);
    EXPECT_FALSE(mMusic.IsPlaying(1));

    mMusic.PlayMusic(1, 0, false);
    mMusic.SetSongVolume(1, 0.5);
    mMusic.FadeOut(1, true, 0.25);
    mMusic.Update();
    mMusic.Update();
    EXPECT_TRUE(mMusic.IsPlaying(1));
    mMusic.Update();
    EXPECT_FALSE(mMusic.IsPlaying(1));
}

TEST_F(FModTracker, APausedSongStillCountsAsPlaying)
{
    mMusic.PlayMusic(1, 0, false);
    const std::vector<int16_t> before = Mixed(100);
    mMusic.PauseMusic(1);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    EXPECT_EQ(Mixed(100), std::vector<int16_t>(200, 0));
    mMusic.ResumeMusic(1);
    EXPECT_NE(Mixed(100), std::vector<int16_t>(200, 0));
    mMusic.StopAllMusic();
    EXPECT_FALSE(mMusic.IsPlaying(1));
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.0);
    EXPECT_EQ(Mixed(100), std::vector<int16_t>(200, 0));
    EXPECT_NE(before, std::vector<int16_t>(200, 0));
}

// The cache is the application-data folder + "cached\\" + the name's file
// name without folder: a plain 44-byte WAV head and the samples as decoded.
TEST_F(FMod, ADecodedSongIsCachedAsAPlainWavByItsFileName)
{
    const std::vector<uint8_t> tone = EncodeTone("ogg", 2, 22050, 1000, 440);
    mGame.WriteFile("Music/Tune.ogg", std::string(tone.begin(), tone.end()));
    ASSERT_TRUE(mMusic.LoadSongDecoded(4, mGame / "Music/Tune", true));
    std::ifstream in(mData / "cached/Tune.wav", std::ios::binary);
    const std::string cache{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(cache.size(), 44u + 4000);
    EXPECT_EQ(cache.substr(0, 44), "RIFF" + Little32(4036) + "WAVE" + "fmt " + Little32(16) + Little16(1) + Little16(2)
                                       + Little32(22050) + Little32(88200) + Little16(4) + Little16(16) + "data"
                                       + Little32(4000));
    const uint32_t sample = mMusic.mSongs.at(4).mSample;
    void* samples = nullptr;
    void* second = nullptr;
    uint32_t length = 0, secondLength = 0;
    ASSERT_TRUE(mMusic.mFMod->SampleLock(sample, 0, 4000, &samples, &second, &length, &secondLength));
    EXPECT_EQ(cache.substr(44), std::string(static_cast<const char*>(samples), length));

    // Read back from the cache even though the source has changed since.
    mGame.WriteFile("Music/Tune.ogg", "gone bad");
    FModMusicInterface again;
    ASSERT_TRUE(again.LoadSongDecoded(1, mGame / "Other/Tune", false));
    EXPECT_EQ(again.mFMod->SampleGetLength(again.mSongs.at(1).mSample), 1000u);
    EXPECT_FALSE(again.LoadSongDecoded(2, mGame / "Music/Missing", false));
}

// Effects are held to 64 MiB once decoded; a song may be longer.
TEST_F(FMod, ADecodedSongMayPassTheEffectsCap)
{
    const uint64_t frames = (Vorn::kMaxDecodedSoundBytes / 4) + 1;
    mData.WriteFile("cached/Long.wav", Wav(2, 44100, 16, std::string(frames * 4, '\0')));
    ASSERT_TRUE(mMusic.LoadSongDecoded(5, "Music/Long", true));
    EXPECT_EQ(mMusic.mFMod->SampleGetLength(mMusic.mSongs.at(5).mSample), frames);
}

TEST_F(FMod, AVariantPlaysItsFirstPartThenLoopsTheSecond)
{
    ASSERT_TRUE(mMusic.LoadSongVariant(2, "Music/Intro", "Music/Body", true));
    const uint32_t joined = mMusic.mSongs.at(2).mSample;
    EXPECT_EQ(mMusic.mFMod->SampleGetLength(joined), 5u);
    EXPECT_EQ(mMusic.mFMod->SampleGetMode(joined), Platform::kSampleMono | Platform::kSampleLoopNormal);
    mMusic.PlayMusic(2, 0, false);
    EXPECT_TRUE(mMusic.IsPlaying(2));
    EXPECT_EQ(Left(11), (std::vector<int16_t>{1, 2, 10, 20, 30, 10, 20, 30, 10, 20, 30}));

    EXPECT_FALSE(mMusic.LoadSongVariant(3, "Intro", "Fast", true));
    EXPECT_FALSE(mMusic.LoadSongVariant(3, "Intro", "Wide", true));
    EXPECT_FALSE(mMusic.LoadSongVariant(3, "Intro", "Missing", true));
    EXPECT_FALSE(mMusic.mSongs.contains(3));
}

TEST_F(FMod, ASongNotLoopingEndsAndItsChannelSaysSo)
{
    ASSERT_TRUE(mMusic.LoadSongDecoded(1, "Body", false));
    EXPECT_FALSE(mMusic.IsPlaying(1));
    mMusic.PlayMusic(1, 0, true);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    EXPECT_EQ(Left(4), (std::vector<int16_t>{10, 20, 30, 0}));
    EXPECT_FALSE(mMusic.IsPlaying(1));
    mMusic.PlayMusic(1, 0, true);
    mMusic.PauseMusic(1);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    EXPECT_EQ(Left(1), (std::vector<int16_t>{0}));
    mMusic.ResumeMusic(1);
    EXPECT_EQ(Left(1), (std::vector<int16_t>{10}));
    mMusic.StopMusic(1);
    EXPECT_FALSE(mMusic.IsPlaying(1));
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.0);
}

TEST_F(FMod, ASecondSongUnderAnIdKeepsTheFirst)
{
    ASSERT_TRUE(mMusic.LoadSongDecoded(1, "Body", false));
    const uint32_t first = mMusic.mSongs.at(1).mSample;
    EXPECT_TRUE(mMusic.LoadSongDecoded(1, "Intro", true));
    EXPECT_TRUE(mMusic.LoadSongVariant(1, "Intro", "Body", true));
    EXPECT_EQ(mMusic.mSongs.at(1).mSample, first);
    EXPECT_FALSE(mMusic.mSongs.at(1).mLoop);
    EXPECT_EQ(mMusic.mFMod->SampleGetLength(first + 1), 0u);
}

TEST_F(FMod, FadesStepTheVolumeAndAFadeOutStartsEvenFromSilence)
{
    ASSERT_TRUE(mMusic.LoadSongDecoded(1, "Body", true));
    mMusic.FadeOut(1, true, 0.25);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolumeStep, -0.25);
    mMusic.FadeIn(1, 0, 0.5, false);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    EXPECT_EQ(Left(1), (std::vector<int16_t>{0}));
    mMusic.Update();
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.5);
    // 20 × (0.5 × 1.0 → 50 → -602 dB/100, gain 32770)
    EXPECT_EQ(Left(1), (std::vector<int16_t>{10}));
    mMusic.Update();
    mMusic.Update();
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 1.0);
    EXPECT_EQ(mMusic.mSongs.at(1).mVolumeStep, 0.0);
    mMusic.SetVolume(0.5);
    EXPECT_EQ(Left(1), (std::vector<int16_t>{15}));
    mMusic.SetSongVolume(1, 0.0);
    mMusic.FadeOutAll(true, 0.1);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    mMusic.Update();
    EXPECT_FALSE(mMusic.IsPlaying(1));
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.0);
}

TEST_F(FMod, OperationsOnAnAbsentSongDoNothing)
{
    mMusic.PlayMusic(9, 0, false);
    mMusic.StopMusic(9);
    mMusic.PauseMusic(9);
    mMusic.ResumeMusic(9);
    mMusic.FadeIn(9, 0, 0.1, false);
    mMusic.FadeOut(9, true, 0.1);
    mMusic.SetSongVolume(9, 1.0);
    mMusic.StopAllMusic();
    EXPECT_FALSE(mMusic.IsPlaying(9));
    EXPECT_TRUE(mMusic.mSongs.empty());
}

} // namespace
