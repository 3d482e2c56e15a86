#include "framework/sound/BassMusicInterface.h"

#include "fakes/SoundFiles.h"
#include "fakes/CurrentPathGuard.h"
#include "fakes/EncodedTone.h"
#include "fakes/TempDir.h"
#include "fakes/TrackerModule.h"
#include "framework/resources/PakInterface.h"
#include "platform/AudioMixer.h"
#include "platform/MusicEngine.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <utility>

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

// Modules are read through the file layer, from the working folder or from
// an archive added to it.
class ModuleMusic : public ::testing::Test {
protected:
    ModuleMusic() : mLayer(std::exchange(Vorn::gPakInterface, &mPak))
    {
        std::filesystem::current_path(mGame.Path());
        mGame.WriteFile("Music/Tune.XM", TwoOrderModule());
        EXPECT_TRUE(mMusic.LoadMusic(1, "Music/Tune.XM"));
    }
    ~ModuleMusic() override { Vorn::gPakInterface = mLayer; }

    std::vector<int16_t> Mixed(size_t frames) { return MixFrames(*mMixer, frames); }
    uint32_t Module(int id) { return mMusic.mSongs.at(id).mModule; }
    static double LeftTone(const std::vector<int16_t>& stereo) { return ToneFrequency(stereo, 2, 0, 44100); }

    // What the song plays at full gain after the same calls on a mixer of
    // its own: the library's rendering, untouched.
    static std::vector<int16_t> AsRendered(size_t frames, const std::function<void(BassMusicInterface&)>& start)
    {
        auto mixer = std::make_shared<Platform::AudioMixer>();
        BassMusicInterface music(mixer);
        EXPECT_TRUE(music.LoadMusic(1, "Music/Tune.XM"));
        start(music);
        return MixFrames(*mixer, frames);
    }

    static std::vector<int16_t> Scaled(const std::vector<int16_t>& samples, int64_t gain)
    {
        std::vector<int16_t> scaled;
        for (const int16_t sample : samples)
            scaled.push_back(static_cast<int16_t>(sample * gain >> 16));
        return scaled;
    }

    CurrentPathGuard mFolder;
    TempDir mGame;
    Vorn::PakInterface mPak;
    Vorn::PakInterface* mLayer;
    std::shared_ptr<Platform::AudioMixer> mMixer = std::make_shared<Platform::AudioMixer>();
    BassMusicInterface mMusic{mMixer};
};

TEST_F(ModuleMusic, AnyOtherExtensionLoadsAsAModuleThroughTheFileLayer)
{
    EXPECT_NE(Module(1), 0u);
    EXPECT_EQ(mMusic.mSongs.at(1).mStream, 0u);
    const std::vector<uint8_t> tone = EncodeTone("ogg", 1, 22050, 2205, 440);
    mGame.WriteFile("Music/Song.it", "not a module at all");
    mGame.WriteFile("Music/Cut.mod", TwoOrderModule().substr(0, kModuleHeaderBytes - 1));
    mGame.WriteFile("Music/Empty.s3m", "");
    mGame.WriteFile("Music/Tone.mod", std::string(tone.begin(), tone.end()));
    for (const char* refused : {"Music/Song.it", "Music/Cut.mod", "Music/Empty.s3m", "Music/Tone.mod",
                                "Music/Missing.xm", "Music/Tune"}) {
        EXPECT_FALSE(mMusic.LoadMusic(2, refused)) << refused;
    }
    EXPECT_FALSE(mMusic.mSongs.contains(2));

    // Only in the archive: read from there.
    ASSERT_TRUE(Tools::WritePak("main.pak", {{"Music\\Packed.S3M", TwoOrderModule(), 1}}));
    ASSERT_TRUE(mPak.AddArchive("main.pak"));
    ASSERT_TRUE(mMusic.LoadMusic(3, "music/packed.s3m"));
    mMusic.PlayMusic(3, 0, false);
    EXPECT_EQ(Mixed(500), AsRendered(500, [](BassMusicInterface& music) { music.PlayMusic(1, 0, false); }));

    // A second song under an id keeps the first; the new one is freed.
    const uint32_t first = Module(1);
    EXPECT_TRUE(mMusic.LoadMusic(1, "music/packed.s3m"));
    EXPECT_EQ(Module(1), first);
    EXPECT_FALSE(mMusic.mEngine->MusicFree(Module(3) + 1));
}

TEST_F(ModuleMusic, PlayStartsAtTheOrderInTheOffsetsLowSixteenBits)
{
    const std::pair<int, uint16_t> cases[] = {
        {0, kHighPeriod}, {1, kLowPeriod}, {0x10001, kLowPeriod}, {0x7FFF0000, kHighPeriod}, {-65535, kLowPeriod}};
    for (const auto& [offset, period] : cases) {
        mMusic.PlayMusic(1, offset, false);
        EXPECT_TRUE(mMusic.IsPlaying(1));
        EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 1.0);
        EXPECT_NEAR(LeftTone(Mixed(4000)), ModuleTone(period), 2.0) << offset;
    }
    // An order the song does not have (-1 is order 65535) goes on from where
    // it stood.
    for (const int offset : {2, -1}) {
        mMusic.PlayMusic(1, 1, false);
        Mixed(4000);
        mMusic.PlayMusic(1, offset, false);
        EXPECT_NEAR(LeftTone(Mixed(3000)), ModuleTone(kLowPeriod), 2.0) << offset;
        Mixed(kModuleOrderFrames - 7000);
        EXPECT_NEAR(LeftTone(Mixed(4000)), ModuleTone(kHighPeriod), 2.0) << offset;
    }
}

TEST_F(ModuleMusic, WithoutLoopASongEndsAfterItsLastOrderAndLoopingItStartsOver)
{
    mMusic.PlayMusic(1, 1, true);
    EXPECT_TRUE(mMusic.mSongs.at(1).mStopWhenDone);
    Mixed(kModuleOrderFrames);
    EXPECT_EQ(Mixed(1), (std::vector<int16_t>{0, 0}));
    EXPECT_FALSE(mMusic.IsPlaying(1));

    mMusic.PlayMusic(1, 1, false);
    Mixed(kModuleOrderFrames);
    EXPECT_NEAR(LeftTone(Mixed(kModuleOrderFrames)), ModuleTone(kHighPeriod), 2.0);
    EXPECT_NEAR(LeftTone(Mixed(kModuleOrderFrames)), ModuleTone(kLowPeriod), 2.0);
    EXPECT_TRUE(mMusic.IsPlaying(1));

    // A fade-in from order 0 takes the loop flag as given too.
    mMusic.FadeIn(1, 0, 1.0, true);
    mMusic.Update();
    Mixed(2 * kModuleOrderFrames + 1);
    EXPECT_FALSE(mMusic.IsPlaying(1));
}

TEST_F(ModuleMusic, FadesStepTheModulesGain)
{
    const std::vector<int16_t> whole =
        AsRendered(900, [](BassMusicInterface& music) { music.PlayMusic(1, -1, false); });
    // From the start when the offset is -1, at the current volume (0 after
    // loading) until the first update.
    mMusic.FadeIn(1, -1, 0.25, false);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    EXPECT_EQ(Mixed(300), std::vector<int16_t>(600, 0));
    mMusic.Update();
    EXPECT_EQ(Mixed(300), Scaled({whole.begin() + 600, whole.begin() + 1200}, 16384));
    for (int update = 0; update < 3; ++update)
        mMusic.Update();
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 1.0);
    EXPECT_EQ(Mixed(300), std::vector<int16_t>(whole.begin() + 1200, whole.end()));

    mMusic.FadeOut(1, true, 0.5);
    mMusic.Update();
    EXPECT_TRUE(mMusic.IsPlaying(1));
    mMusic.Update();
    mMusic.Update();
    EXPECT_FALSE(mMusic.IsPlaying(1));
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.0);

    // Stopped within its second order, -1 starts it over; another order it
    // does not have goes on from where it stood.
    const std::pair<int, uint16_t> cases[] = {{-1, kHighPeriod}, {2, kLowPeriod}};
    for (const auto& [offset, period] : cases) {
        mMusic.PlayMusic(1, 1, false);
        Mixed(100);
        mMusic.StopMusic(1);
        mMusic.FadeIn(1, offset, 1.0, false);
        mMusic.Update();
        EXPECT_NEAR(LeftTone(Mixed(4000)), ModuleTone(period), 2.0) << offset;
    }
}

// value × 100 as the module's amplification, held to 0..100: 50 plays the
// song as rendered, 100 twice as loud.
TEST_F(ModuleMusic, AmplificationScalesTheSongAroundItsRenderedLevel)
{
    const std::vector<int16_t> rendered =
        AsRendered(500, [](BassMusicInterface& music) { music.PlayMusic(1, 0, false); });
    const std::pair<double, int64_t> cases[] = {
        {0.5, 65536}, {1.0, 131072}, {0.25, 32768}, {0.0, 0},   {2.0, 131072},
        {-1.0, 0},    {0.339, 43253}, {0.999, 129761}, {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const auto& [value, gain] : cases) {
        mMusic.PlayMusic(1, 0, false);
        mMusic.SetSongAmplification(1, value);
        EXPECT_EQ(Mixed(500), Scaled(rendered, gain)) << value;
    }
}

TEST_F(ModuleMusic, TheMusicVolumeAndMuteReachModulesAsStreams)
{
    mGame.WriteFile("Music/Ramp.wav", Wav(1, 44100, 16, Pcm16({1000, 2000, 3000})));
    ASSERT_TRUE(mMusic.LoadMusic(2, "Music/Ramp.wav"));
    const std::vector<int16_t> rendered =
        AsRendered(3, [](BassMusicInterface& music) { music.PlayMusic(1, 0, false); });
    // Streams have no amplification: the one asked for them changes nothing.
    const std::pair<double, int64_t> cases[] = {{0.5, 32768}, {0.0, 0}, {1.0, 65536}};
    for (const auto& [volume, gain] : cases) {
        mMusic.SetVolume(volume);
        mMusic.PlayMusic(1, 0, false);
        mMusic.PlayMusic(2, 0, false);
        mMusic.SetSongAmplification(2, 1.0);
        const std::vector<int16_t> mixed = Mixed(3);
        for (size_t i = 0; i < mixed.size(); i += 2) {
            const int16_t stream = static_cast<int16_t>((1000 * (i / 2 + 1)) * gain >> 16);
            EXPECT_EQ(mixed[i], static_cast<int16_t>((rendered[i] * gain >> 16) + stream)) << volume << " " << i;
        }
    }
}

TEST_F(ModuleMusic, PausingStoppingAndUnloadingAModule)
{
    mMusic.PlayMusic(1, 0, false);
    mMusic.PauseMusic(1);
    EXPECT_EQ(mMusic.mEngine->ChannelIsActive(Module(1)), Platform::kChannelPaused);
    EXPECT_FALSE(mMusic.IsPlaying(1));
    EXPECT_EQ(Mixed(10), std::vector<int16_t>(20, 0));
    mMusic.ResumeAllMusic();
    EXPECT_TRUE(mMusic.IsPlaying(1));
    mMusic.PauseAllMusic();
    EXPECT_EQ(mMusic.mEngine->ChannelIsActive(Module(1)), Platform::kChannelPaused);
    mMusic.ResumeMusic(1);
    EXPECT_TRUE(mMusic.IsPlaying(1));
    mMusic.StopMusic(1);
    EXPECT_FALSE(mMusic.IsPlaying(1));
    EXPECT_EQ(mMusic.mSongs.at(1).mVolume, 0.0);
    const uint32_t module = Module(1);
    mMusic.UnloadMusic(1);
    EXPECT_FALSE(mMusic.mSongs.contains(1));
    EXPECT_FALSE(mMusic.mEngine->MusicFree(module));
    ASSERT_TRUE(mMusic.LoadMusic(1, "Music/Tune.XM"));
    const uint32_t again = Module(1);
    mMusic.UnloadAllMusic();
    EXPECT_FALSE(mMusic.mEngine->MusicFree(again));
}

} // namespace
