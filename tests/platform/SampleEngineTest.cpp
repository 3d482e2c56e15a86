#include "platform/SampleEngine.h"

#include "fakes/EncodedTone.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"
#include "fakes/TrackerModule.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

using namespace Testing;
using Platform::AudioMixer;
using Platform::SampleEngine;

class Samples : public ::testing::Test {
protected:
    Samples()
    {
        mDir.WriteFile("mono.wav", Wav(1, 22050, 16, Pcm16({10000, 20000, 30000})));
        mDir.WriteFile("stereo.wav", Wav(2, 44100, 16, Pcm16({1, 2, 3, 4})));
        mEngine.Init(mMixer);
    }

    TempDir mDir;
    std::shared_ptr<AudioMixer> mMixer = std::make_shared<AudioMixer>();
    SampleEngine mEngine;
};

TEST_F(Samples, NothingLoadsBeforeInitOrAfterClose)
{
    SampleEngine idle;
    EXPECT_EQ(idle.SampleLoad(-1, mDir / "mono.wav", 0), 0u);
    EXPECT_EQ(idle.SampleAlloc(-1, 10, 0, 44100), 0u);
    const uint32_t sample = mEngine.SampleLoad(-1, mDir / "mono.wav", 0);
    EXPECT_NE(sample, 0u);
    mEngine.Close();
    EXPECT_EQ(mEngine.SampleGetLength(sample), 0u);
    EXPECT_EQ(mEngine.SampleLoad(-1, mDir / "mono.wav", 0), 0u);
}

TEST_F(Samples, LoadedFilesTellTheirLengthRateAndMode)
{
    struct Case {
        std::string file;
        uint32_t length, mode;
        int rate;
    };
    const Case cases[] = {{"mono.wav", 3, Platform::kSampleMono, 22050}, {"stereo.wav", 2, 0, 44100}};
    for (const Case& c : cases) {
        const uint32_t sample = mEngine.SampleLoad(-1, mDir / c.file, 0);
        ASSERT_NE(sample, 0u) << c.file;
        EXPECT_EQ(mEngine.SampleGetLength(sample), c.length);
        EXPECT_EQ(mEngine.SampleGetMode(sample), c.mode);
        int rate = 0;
        EXPECT_TRUE(mEngine.SampleGetDefaults(sample, &rate));
        EXPECT_EQ(rate, c.rate);
    }
    EXPECT_EQ(mEngine.SampleLoad(-1, mDir / "missing.wav", 0), 0u);
    EXPECT_FALSE(mEngine.SampleGetDefaults(999, nullptr));
    EXPECT_EQ(mEngine.SampleGetMode(999), 0u);

    for (const char* kind : {"ogg", "mp3"}) {
        const std::vector<uint8_t> tone = EncodeTone(kind, 1, 22050, 22050, 300);
        const std::string path = mDir / (std::string("tone.") + kind);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(tone.data()),
                                                    static_cast<std::streamsize>(tone.size()));
        const uint32_t sample = mEngine.SampleLoad(-1, path, 0);
        ASSERT_NE(sample, 0u) << kind;
        EXPECT_EQ(mEngine.SampleGetMode(sample), Platform::kSampleMono);
        EXPECT_NEAR(mEngine.SampleGetLength(sample), 22050.0, kind == std::string("ogg") ? 0.0 : 2304.0);
    }
}

TEST_F(Samples, LocksGiveTheSampleMemoryUpToItsEnd)
{
    const uint32_t sample = mEngine.SampleLoad(-1, mDir / "mono.wav", 0);
    void* first = nullptr;
    void* second = reinterpret_cast<void*>(1);
    uint32_t firstLength = 9, secondLength = 9;
    ASSERT_TRUE(mEngine.SampleLock(sample, 2, 100, &first, &second, &firstLength, &secondLength));
    EXPECT_EQ(firstLength, 4u);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(secondLength, 0u);
    int16_t value = 0;
    std::memcpy(&value, first, 2);
    EXPECT_EQ(value, 20000);
    EXPECT_TRUE(mEngine.SampleUnlock(sample));
    EXPECT_FALSE(mEngine.SampleLock(sample, 6, 1, &first, &second, &firstLength, &secondLength));
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(firstLength, 0u);
    EXPECT_FALSE(mEngine.SampleLock(999, 0, 1, &first, &second, &firstLength, &secondLength));
    EXPECT_FALSE(mEngine.SampleUnlock(999));
}

TEST_F(Samples, AllocatedSamplesTakeTheirFormatFromTheModeBits)
{
    struct Case {
        uint32_t mode;
        uint32_t bytesPerFrame;
    };
    const Case cases[] = {{0, 4}, {Platform::kSampleMono, 2}, {Platform::kSample8Bits, 2},
                          {Platform::kSampleMono | Platform::kSample8Bits, 1}};
    for (const Case& c : cases) {
        const uint32_t sample = mEngine.SampleAlloc(-1, 10, c.mode | Platform::kSampleLoopNormal, 8000);
        ASSERT_NE(sample, 0u);
        EXPECT_EQ(mEngine.SampleGetLength(sample), 10u);
        EXPECT_EQ(mEngine.SampleGetMode(sample), c.mode | Platform::kSampleLoopNormal);
        void* memory = nullptr;
        void* second = nullptr;
        uint32_t length = 0, secondLength = 0;
        EXPECT_TRUE(mEngine.SampleLock(sample, 0, 1000, &memory, &second, &length, &secondLength));
        EXPECT_EQ(length, 10 * c.bytesPerFrame);
    }
    EXPECT_EQ(mEngine.SampleAlloc(-1, 0, 0, 8000), 0u);
    EXPECT_EQ(mEngine.SampleAlloc(-1, 10, 0, 50), 0u);
    EXPECT_EQ(mEngine.SampleAlloc(-1, 0x40000000, 0, 8000), 0u);
}

TEST_F(Samples, ChannelsPlayPauseLoopAndStop)
{
    const uint32_t sample = mEngine.SampleLoad(-1, mDir / "stereo.wav", 0);
    EXPECT_EQ(mEngine.PlaySound(-1, sample), -1);
    EXPECT_EQ(mEngine.PlaySound(3, 999), -1);
    EXPECT_FALSE(mEngine.IsPlaying(3));
    EXPECT_EQ(mEngine.PlaySound(3, sample), 3);
    EXPECT_TRUE(mEngine.IsPlaying(3));
    EXPECT_EQ(MixFrames(*mMixer, 1), (std::vector<int16_t>{1, 2}));
    EXPECT_TRUE(mEngine.SetPaused(3, true));
    EXPECT_TRUE(mEngine.IsPlaying(3));
    EXPECT_EQ(MixFrames(*mMixer, 1), (std::vector<int16_t>{0, 0}));
    EXPECT_TRUE(mEngine.SetLoopMode(3, Platform::kLoopNormal));
    EXPECT_TRUE(mEngine.SetPaused(3, false));
    EXPECT_EQ(MixFrames(*mMixer, 3), (std::vector<int16_t>{3, 4, 1, 2, 3, 4}));
    EXPECT_TRUE(mEngine.SetLoopMode(3, Platform::kLoopOff));
    EXPECT_EQ(MixFrames(*mMixer, 2), (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_FALSE(mEngine.IsPlaying(3));
    EXPECT_TRUE(mEngine.SetPaused(3, true));
    EXPECT_FALSE(mEngine.IsPlaying(3));

    mEngine.PlaySound(3, sample);
    EXPECT_TRUE(mEngine.StopSound(3));
    EXPECT_FALSE(mEngine.IsPlaying(3));
    EXPECT_EQ(MixFrames(*mMixer, 1), (std::vector<int16_t>{0, 0}));
    EXPECT_FALSE(mEngine.StopSound(3));
    EXPECT_FALSE(mEngine.SetVolume(3, 50));
    EXPECT_FALSE(mEngine.SetPaused(3, false));
    EXPECT_FALSE(mEngine.SetLoopMode(3, Platform::kLoopNormal));
}

// Linear 0..100 as the nearest hundredth of a decibel: 50 is -602, whose gain
// is 32770.
TEST_F(Samples, ChannelVolumeIsLinear)
{
    const uint32_t sample = mEngine.SampleLoad(-1, mDir / "mono.wav", 0);
    const std::pair<int, int16_t> cases[] = {{100, 10000}, {150, 10000}, {50, 5000}, {1, 99}, {0, 0}, {-3, 0}};
    for (const auto& [volume, left] : cases) {
        mEngine.PlaySound(0, sample);
        mEngine.SetVolume(0, volume);
        EXPECT_EQ(MixFrames(*mMixer, 1)[0], left) << volume;
    }
}

TEST_F(Samples, LoopPointsAndTheLoopBitShapeWhatAChannelPlays)
{
    const uint32_t looped = mEngine.SampleAlloc(-1, 4, Platform::kSampleMono | Platform::kSampleLoopNormal, 44100);
    void* memory = nullptr;
    void* second = nullptr;
    uint32_t length = 0, secondLength = 0;
    mEngine.SampleLock(looped, 0, 8, &memory, &second, &length, &secondLength);
    const int16_t frames[] = {1, 2, 3, 4};
    std::memcpy(memory, frames, sizeof frames);
    mEngine.SampleUnlock(looped);
    EXPECT_TRUE(mEngine.SampleSetLoopPoints(looped, 2, 4));
    EXPECT_FALSE(mEngine.SampleSetLoopPoints(999, 2, 4));
    mEngine.PlaySound(1, looped);
    EXPECT_EQ(MixLeft(*mMixer, 7), (std::vector<int16_t>{1, 2, 3, 4, 3, 4, 3}));
    mEngine.SampleFree(looped);
    EXPECT_TRUE(mEngine.IsPlaying(1));
}

// The cap counts decoded bytes: a sound that comes to exactly the cap loads,
// one frame more does not, whatever the chunks it is decoded in.
TEST_F(Samples, ADecodedSampleIsHeldToTheCapItIsGiven)
{
    struct Case {
        uint16_t channels;
        size_t frames;
        uint64_t cap;
        bool loads;
    };
    const Case cases[] = {
        {1, 10, 20, true},         {1, 10, 19, false},       {1, 10, 21, true},          {2, 10, 40, true},
        {2, 10, 39, false},        {1, 65536, 131072, true}, {1, 65537, 131072, false},  {1, 65537, 131074, true},
        {2, 65536, 262144, true},  {2, 65536, 262143, false}, {1, 1, 1, false},          {1, 1, 0, false},
        {1, 70000, Platform::kMaxSampleBytes, true},
    };
    for (const Case& c : cases) {
        mDir.WriteFile("sized.wav", Wav(c.channels, 8000, 16, Pcm16(std::vector<int16_t>(c.frames * c.channels, 7))));
        const uint32_t sample = mEngine.SampleLoad(-1, mDir / "sized.wav", 0, c.cap);
        EXPECT_EQ(sample != 0, c.loads) << c.channels << " " << c.frames << " " << c.cap;
        if (sample != 0) {
            EXPECT_EQ(mEngine.SampleGetLength(sample), c.frames);
        }
    }
}

class Songs : public Samples {
protected:
    Songs() { mDir.WriteFile("Music/Tune.mod", TwoOrderModule()); }

    static double LeftTone(const std::vector<int16_t>& stereo) { return ToneFrequency(stereo, 2, 0, 44100); }
};

TEST_F(Songs, LoadWholeFromTheDiskOrNotAtAll)
{
    mDir.WriteFile("Music/Bad.mod", "not a module");
    mDir.WriteFile("Music/Cut.mod", TwoOrderModule().substr(0, kModuleHeaderBytes - 1));
    EXPECT_EQ(mEngine.MusicLoadSong(mDir / "Music/Missing.mod"), 0u);
    EXPECT_EQ(mEngine.MusicLoadSong(mDir / "Music/Bad.mod"), 0u);
    EXPECT_EQ(mEngine.MusicLoadSong(mDir / "Music/Cut.mod"), 0u);
    SampleEngine idle;
    EXPECT_EQ(idle.MusicLoadSong(mDir / "Music/Tune.mod"), 0u);
    const uint32_t song = mEngine.MusicLoadSong(mDir.Path() + "\\MUSIC\\tune.MOD");
    ASSERT_NE(song, 0u);
    EXPECT_FALSE(mEngine.MusicIsPlaying(song));
    EXPECT_TRUE(mEngine.MusicFreeSong(song));
    EXPECT_FALSE(mEngine.MusicFreeSong(song));
    const uint32_t again = mEngine.MusicLoadSong(mDir / "Music/Tune.mod");
    EXPECT_NE(again, song);
    mEngine.Close();
    EXPECT_FALSE(mEngine.MusicPlaySong(again));
    EXPECT_EQ(mEngine.MusicLoadSong(mDir / "Music/Tune.mod"), 0u);
}

TEST_F(Songs, PlayFromTheFirstOrderOrTheOrderSetAndLoopOnlyWhenAsked)
{
    const uint32_t song = mEngine.MusicLoadSong(mDir / "Music/Tune.mod");
    EXPECT_TRUE(mEngine.MusicPlaySong(song));
    EXPECT_TRUE(mEngine.MusicIsPlaying(song));
    EXPECT_EQ(MixFrames(*mMixer, 500), RenderedTwoOrderModule(500));
    EXPECT_TRUE(mEngine.MusicSetOrder(song, 1));
    EXPECT_NEAR(LeftTone(MixFrames(*mMixer, 4000)), ModuleTone(kLowPeriod), 2.0);
    EXPECT_FALSE(mEngine.MusicSetOrder(song, 2));
    EXPECT_FALSE(mEngine.MusicSetOrder(song, -1));
    // Once by default: it ends after its last order.
    MixFrames(*mMixer, kModuleOrderFrames - 4000);
    EXPECT_EQ(MixFrames(*mMixer, 1), (std::vector<int16_t>{0, 0}));
    EXPECT_FALSE(mEngine.MusicIsPlaying(song));

    const std::pair<int, bool> modes[] = {{Platform::kLoopNormal, true}, {Platform::kLoopOff, false}, {0, false}};
    for (const auto& [mode, loops] : modes) {
        EXPECT_TRUE(mEngine.MusicSetLooping(song, mode));
        mEngine.MusicPlaySong(song);
        mEngine.MusicSetOrder(song, 1);
        MixFrames(*mMixer, kModuleOrderFrames + 1);
        EXPECT_EQ(mEngine.MusicIsPlaying(song), loops) << mode;
    }
    // A song played again starts from its first order.
    mEngine.MusicPlaySong(song);
    EXPECT_EQ(MixFrames(*mMixer, 500), RenderedTwoOrderModule(500));
    EXPECT_TRUE(mEngine.MusicStopSong(song));
    EXPECT_FALSE(mEngine.MusicIsPlaying(song));
}

TEST_F(Songs, PausedASongStillCountsAsPlayingAndGoesOnWhereItStood)
{
    const uint32_t song = mEngine.MusicLoadSong(mDir / "Music/Tune.mod");
    const std::vector<int16_t> whole = RenderedTwoOrderModule(600);
    // Unpausing a song that is not paused starts nothing.
    EXPECT_TRUE(mEngine.MusicSetPaused(song, false));
    EXPECT_FALSE(mEngine.MusicIsPlaying(song));
    mEngine.MusicPlaySong(song);
    EXPECT_EQ(MixFrames(*mMixer, 300), std::vector<int16_t>(whole.begin(), whole.begin() + 600));
    EXPECT_TRUE(mEngine.MusicSetPaused(song, true));
    EXPECT_TRUE(mEngine.MusicIsPlaying(song));
    EXPECT_EQ(MixFrames(*mMixer, 10), std::vector<int16_t>(20, 0));
    EXPECT_TRUE(mEngine.MusicSetPaused(song, false));
    EXPECT_EQ(MixFrames(*mMixer, 300), std::vector<int16_t>(whole.begin() + 600, whole.end()));
    mEngine.MusicStopSong(song);
    EXPECT_TRUE(mEngine.MusicSetPaused(song, true));
    EXPECT_FALSE(mEngine.MusicIsPlaying(song));
}

// A song's master volume is the linear gain volume × 65536 / 100.
TEST_F(Songs, MasterVolumeIsALinearGain)
{
    const uint32_t song = mEngine.MusicLoadSong(mDir / "Music/Tune.mod");
    const std::vector<int16_t> whole = RenderedTwoOrderModule(300);
    const std::pair<int, int64_t> cases[] = {{100, 65536}, {50, 32768}, {1, 655},   {0, 0},
                                             {150, 65536}, {-7, 0},     {99, 64880}};
    for (const auto& [volume, gain] : cases) {
        EXPECT_TRUE(mEngine.MusicSetMasterVolume(song, volume));
        mEngine.MusicPlaySong(song);
        std::vector<int16_t> expected;
        for (const int16_t sample : whole)
            expected.push_back(static_cast<int16_t>(sample * gain >> 16));
        EXPECT_EQ(MixFrames(*mMixer, 300), expected) << volume;
    }
}

TEST_F(Songs, AnUnknownSongRefusesEverything)
{
    EXPECT_FALSE(mEngine.MusicPlaySong(7));
    EXPECT_FALSE(mEngine.MusicStopSong(7));
    EXPECT_FALSE(mEngine.MusicSetLooping(7, Platform::kLoopNormal));
    EXPECT_FALSE(mEngine.MusicSetOrder(7, 0));
    EXPECT_FALSE(mEngine.MusicSetPaused(7, true));
    EXPECT_FALSE(mEngine.MusicSetMasterVolume(7, 50));
    EXPECT_FALSE(mEngine.MusicIsPlaying(7));
}

TEST(SampleEngine, OneEngineServesEveryHolder)
{
    std::shared_ptr<SampleEngine> first = SampleEngine::Acquire();
    std::shared_ptr<SampleEngine> second = SampleEngine::Acquire();
    EXPECT_EQ(first, second);
    const SampleEngine* old = first.get();
    first.reset();
    second.reset();
    std::shared_ptr<SampleEngine> third = SampleEngine::Acquire();
    EXPECT_NE(third, nullptr);
    (void)old;
}

// Run under ThreadSanitizer too: the loading thread decodes samples while the
// main thread plays channels and the device pulls the mix.
TEST(SampleEngineThreads, LoadingWhilePlaying)
{
    TempDir dir;
    dir.WriteFile("a.wav", Wav(2, 44100, 16, Pcm16(std::vector<int16_t>(2000, 300))));
    auto mixer = std::make_shared<AudioMixer>();
    SampleEngine engine;
    engine.Init(mixer);
    PullingDevice device(*mixer);
    std::thread loading([&] {
        for (int i = 0; i < 100; ++i)
            engine.SampleFree(engine.SampleLoad(-1, dir / "a.wav", 0));
    });
    const uint32_t sample = engine.SampleLoad(-1, dir / "a.wav", 0);
    for (int i = 0; i < 300; ++i) {
        engine.PlaySound(i % 4, sample);
        engine.SetVolume(i % 4, i % 100);
        engine.SetLoopMode(i % 4, i % 2 ? Platform::kLoopNormal : Platform::kLoopOff);
        engine.SetPaused(i % 4, i % 3 == 0);
        engine.IsPlaying(i % 4);
    }
    loading.join();
}

} // namespace
