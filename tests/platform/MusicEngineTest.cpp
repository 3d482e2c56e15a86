#include "platform/MusicEngine.h"

#include "fakes/EncodedTone.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"
#include "fakes/TrackerModule.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace {

using namespace Testing;
using Platform::AudioMixer;
using Platform::MusicEngine;

class Engine : public ::testing::Test {
protected:
    Engine()
    {
        mDir.WriteFile("ramp.wav", Wav(1, 44100, 16, Pcm16({1000, 2000, 3000, 4000})));
        mDir.WriteFile("pair.wav", Wav(2, 44100, 16, Pcm16({10, -10, 20, -20, 30, -30})));
    }

    TempDir mDir;
    std::shared_ptr<AudioMixer> mMixer = std::make_shared<AudioMixer>();
    MusicEngine mEngine{mMixer};
};

TEST_F(Engine, StreamsOnlyWhatItCanOpenAndDecode)
{
    mDir.WriteFile("junk.ogg", "OggS and nothing more");
    EXPECT_EQ(mEngine.StreamCreateFile(mDir / "missing.ogg"), 0u);
    EXPECT_EQ(mEngine.StreamCreateFile(mDir / "junk.ogg"), 0u);
    EXPECT_EQ(MusicEngine(nullptr).StreamCreateFile(mDir / "ramp.wav"), 0u);
    const uint32_t first = mEngine.StreamCreateFile(mDir / "ramp.wav");
    const uint32_t second = mEngine.StreamCreateFile(mDir.Path() + "\\RAMP.WAV");
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_TRUE(mEngine.StreamFree(first));
    EXPECT_FALSE(mEngine.StreamFree(first));
    EXPECT_FALSE(mEngine.ChannelPlay(first, true));
}

TEST_F(Engine, AStreamPlaysAtVolumeTimesGlobalVolume)
{
    struct Case {
        int volume, global;
        std::vector<int16_t> out;
    };
    const Case cases[] = {
        {100, 100, {1000, 2000, 3000, 4000}}, {50, 100, {500, 1000, 1500, 2000}}, {100, 50, {500, 1000, 1500, 2000}},
        {50, 50, {250, 500, 750, 1000}},      {150, 300, {1000, 2000, 3000, 4000}}, {-5, 100, {0, 0, 0, 0}},
        {100, 0, {0, 0, 0, 0}},
        {33, 100, {329, 659, 989, 1319}},
    };
    for (const Case& c : cases) {
        MusicEngine engine(mMixer);
        const uint32_t stream = engine.StreamCreateFile(mDir / "ramp.wav");
        engine.SetConfig(Platform::kConfigStreamVolume, c.global);
        EXPECT_TRUE(engine.ChannelSetAttributes(stream, Platform::kKeepFrequency, c.volume, Platform::kKeepPan));
        engine.ChannelPlay(stream, true);
        EXPECT_EQ(MixLeft(*mMixer, 4), c.out) << c.volume << " " << c.global;
    }
    const uint32_t stream = mEngine.StreamCreateFile(mDir / "ramp.wav");
    mEngine.ChannelSetAttributes(stream, Platform::kKeepFrequency, 50, Platform::kKeepPan);
    mEngine.ChannelSetAttributes(stream, Platform::kKeepFrequency, Platform::kKeepVolume, Platform::kKeepPan);
    mEngine.SetConfig(0, 2000);
    mEngine.ChannelPlay(stream, true);
    EXPECT_EQ(MixLeft(*mMixer, 1), (std::vector<int16_t>{500}));
    EXPECT_FALSE(mEngine.ChannelSetAttributes(stream + 1, -1, 50, -101));
}

TEST_F(Engine, ChannelsReportTheirActivity)
{
    const uint32_t stream = mEngine.StreamCreateFile(mDir / "ramp.wav");
    EXPECT_EQ(mEngine.ChannelIsActive(stream), Platform::kChannelStopped);
    EXPECT_EQ(mEngine.ChannelIsActive(stream + 1), Platform::kChannelStopped);
    mEngine.ChannelPlay(stream, true);
    EXPECT_EQ(mEngine.ChannelIsActive(stream), Platform::kChannelPlaying);
    mEngine.ChannelPause(stream);
    EXPECT_EQ(mEngine.ChannelIsActive(stream), Platform::kChannelPaused);
    mEngine.ChannelPlay(stream, false);
    EXPECT_EQ(MixLeft(*mMixer, 5), (std::vector<int16_t>{1000, 2000, 3000, 4000, 0}));
    EXPECT_EQ(mEngine.ChannelIsActive(stream), Platform::kChannelStopped);
    mEngine.ChannelSetFlags(stream, Platform::kChannelLoop);
    mEngine.ChannelPlay(stream, true);
    EXPECT_EQ(MixLeft(*mMixer, 6), (std::vector<int16_t>{1000, 2000, 3000, 4000, 1000, 2000}));
    mEngine.ChannelStop(stream);
    EXPECT_EQ(mEngine.ChannelIsActive(stream), Platform::kChannelStopped);
    // A stopped stream goes on from where it stood unless restarted.
    mEngine.ChannelPlay(stream, false);
    EXPECT_EQ(MixLeft(*mMixer, 1), (std::vector<int16_t>{3000}));
    mEngine.ChannelSetFlags(stream, 0);
    mEngine.ChannelPlay(stream, true);
    EXPECT_EQ(MixLeft(*mMixer, 1), (std::vector<int16_t>{1000}));
}

TEST_F(Engine, BytePositionsRoundDownToAFrame)
{
    const std::tuple<const char*, uint64_t, int16_t> cases[] = {
        {"ramp.wav", 4, 3000}, {"ramp.wav", 5, 3000}, {"ramp.wav", 3, 2000},
        {"pair.wav", 4, 20},   {"pair.wav", 7, 20},   {"pair.wav", 11, 30},
    };
    for (const auto& [file, bytes, sample] : cases) {
        MusicEngine engine(mMixer);
        const uint32_t stream = engine.StreamCreateFile(mDir / file);
        engine.ChannelPlay(stream, true);
        EXPECT_TRUE(engine.ChannelSetPosition(stream, bytes));
        EXPECT_EQ(MixLeft(*mMixer, 1), (std::vector<int16_t>{sample})) << file << " " << bytes;
    }
    EXPECT_FALSE(mEngine.ChannelSetPosition(99, 0));
    EXPECT_FALSE(mEngine.ChannelSetFlags(99, 0));
    EXPECT_FALSE(mEngine.ChannelStop(99));
    EXPECT_FALSE(mEngine.ChannelPause(99));
}

TEST_F(Engine, OggAndMp3StreamsPlayTheirWholeLength)
{
    for (const char* kind : {"ogg", "mp3"}) {
        const std::vector<uint8_t> tone = EncodeTone(kind, 2, 44100, 44100, 500);
        const std::string path = mDir / (std::string("tone.") + kind);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(tone.data()),
                                                    static_cast<std::streamsize>(tone.size()));
        const uint32_t stream = mEngine.StreamCreateFile(path);
        ASSERT_NE(stream, 0u) << kind;
        mEngine.ChannelPlay(stream, true);
        const std::vector<int16_t> left = MixLeft(*mMixer, 44100 + 2000);
        EXPECT_NEAR(ToneFrequency(left, 1, 0, 44100), 500, 1.0) << kind;
        EXPECT_EQ(mEngine.ChannelIsActive(stream), Platform::kChannelStopped) << kind;
    }
}

class Modules : public Engine {
protected:
    uint32_t Load(MusicEngine& engine, const std::string& bytes, uint32_t flags = 0)
    {
        return engine.MusicLoad(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), flags);
    }

    static double LeftTone(const std::vector<int16_t>& stereo) { return ToneFrequency(stereo, 2, 0, 44100); }

    std::string mModule = TwoOrderModule();
};

TEST_F(Modules, LoadFromMemoryAndKeepTheirHandlesApartFromStreams)
{
    EXPECT_EQ(Load(mEngine, "not a module"), 0u);
    EXPECT_EQ(mEngine.MusicLoad(nullptr, 0, 0), 0u);
    EXPECT_EQ(Load(mEngine, mModule.substr(0, kModuleHeaderBytes - 1)), 0u);
    MusicEngine silent(nullptr);
    EXPECT_EQ(Load(silent, mModule), 0u);

    const uint32_t module = Load(mEngine, mModule);
    const uint32_t stream = mEngine.StreamCreateFile(mDir / "ramp.wav");
    ASSERT_NE(module, 0u);
    EXPECT_NE(module, stream);
    EXPECT_EQ(mEngine.ChannelIsActive(module), Platform::kChannelStopped);
    EXPECT_FALSE(mEngine.StreamFree(module));
    EXPECT_FALSE(mEngine.MusicFree(stream));
    EXPECT_FALSE(mEngine.MusicSetAttribute(stream, Platform::kMusicAttribAmplify, 50));
    EXPECT_FALSE(mEngine.MusicSetAttribute(module, 1, 50));
    EXPECT_TRUE(mEngine.MusicSetAttribute(module, Platform::kMusicAttribAmplify, 50));
    EXPECT_TRUE(mEngine.MusicFree(module));
    EXPECT_FALSE(mEngine.MusicFree(module));
    EXPECT_FALSE(mEngine.ChannelPlay(module, true));
    EXPECT_TRUE(mEngine.StreamFree(stream));
}

// gain = volume × music volume × amplification × 65536 / 500000, each held
// to 0..100; the stream volume is not the modules'.
TEST_F(Modules, PlayAtVolumeTimesMusicVolumeTimesAmplification)
{
    struct Case {
        int volume, music, stream, amplify;
        int64_t gain;
    };
    const Case cases[] = {
        {100, 100, 100, 50, 65536},  {100, 100, 100, 100, 131072}, {100, 100, 100, 25, 32768},
        {50, 100, 100, 50, 32768},   {100, 50, 100, 50, 32768},    {100, 100, 0, 50, 65536},
        {33, 100, 100, 50, 21626},   {100, 100, 100, 0, 0},        {100, 0, 100, 50, 0},
        {150, 300, 100, 150, 131072}, {-5, 100, 100, 50, 0},       {100, 100, 100, -1, 0},
        {100, 100, 100, 51, 66846},
    };
    const std::vector<int16_t> reference = RenderedTwoOrderModule(3000);
    for (const Case& c : cases) {
        MusicEngine engine(mMixer);
        const uint32_t module = Load(engine, mModule);
        engine.SetConfig(Platform::kConfigMusicVolume, c.music);
        engine.SetConfig(Platform::kConfigStreamVolume, c.stream);
        engine.ChannelSetAttributes(module, Platform::kKeepFrequency, c.volume, Platform::kKeepPan);
        engine.MusicSetAttribute(module, Platform::kMusicAttribAmplify, c.amplify);
        engine.ChannelPlay(module, true);
        const std::vector<int16_t> mixed = MixFrames(*mMixer, 3000);
        std::vector<int16_t> expected;
        for (const int16_t sample : reference)
            expected.push_back(static_cast<int16_t>(sample * c.gain >> 16));
        EXPECT_EQ(mixed, expected) << c.volume << " " << c.music << " " << c.amplify;
    }
    // The music volume leaves streams as they are.
    const uint32_t stream = mEngine.StreamCreateFile(mDir / "ramp.wav");
    mEngine.SetConfig(Platform::kConfigMusicVolume, 0);
    mEngine.ChannelPlay(stream, true);
    EXPECT_EQ(MixLeft(*mMixer, 2), (std::vector<int16_t>{1000, 2000}));
}

TEST_F(Modules, StartAtAnOrderAndLoopOnlyWhenFlagged)
{
    const uint32_t module = Load(mEngine, mModule);
    // The position with the order flag names an order; the bits above the
    // flag are not read.
    const std::pair<uint64_t, uint16_t> starts[] = {{Platform::kPositionOrder | 1, kLowPeriod},
                                                    {Platform::kPositionOrder, kHighPeriod},
                                                    {0xFFFFFFFF80000001u, kLowPeriod}};
    for (const auto& [position, period] : starts) {
        EXPECT_TRUE(mEngine.ChannelSetPosition(module, position));
        mEngine.ChannelPlay(module, false);
        EXPECT_NEAR(LeftTone(MixFrames(*mMixer, 4000)), ModuleTone(period), 2.0) << position;
    }
    // An order the song does not have leaves it where it stood.
    EXPECT_TRUE(mEngine.ChannelSetPosition(module, Platform::kPositionOrder | 1));
    EXPECT_FALSE(mEngine.ChannelSetPosition(module, Platform::kPositionOrder | 2));
    EXPECT_FALSE(mEngine.ChannelSetPosition(module, Platform::kPositionOrder | 0xFFFF));
    EXPECT_EQ(MixFrames(*mMixer, kModuleOrderFrames).size(), 2 * kModuleOrderFrames);
    // Played once, it ends after its last order.
    EXPECT_EQ(MixLeft(*mMixer, 1), (std::vector<int16_t>{0}));
    EXPECT_EQ(mEngine.ChannelIsActive(module), Platform::kChannelStopped);

    // Looping, its first order follows its last.
    mEngine.ChannelSetFlags(module, Platform::kChannelLoop);
    mEngine.ChannelSetPosition(module, Platform::kPositionOrder | 1);
    mEngine.ChannelPlay(module, false);
    MixFrames(*mMixer, kModuleOrderFrames);
    EXPECT_NEAR(LeftTone(MixFrames(*mMixer, kModuleOrderFrames)), ModuleTone(kHighPeriod), 2.0);
    EXPECT_EQ(mEngine.ChannelIsActive(module), Platform::kChannelPlaying);
    mEngine.ChannelSetFlags(module, 0);
    MixFrames(*mMixer, kModuleOrderFrames + 1);
    EXPECT_EQ(mEngine.ChannelIsActive(module), Platform::kChannelStopped);

    // Restarted, it plays from its first order; a byte position counts in
    // its stereo frames.
    mEngine.ChannelPlay(module, true);
    EXPECT_EQ(MixFrames(*mMixer, 100), RenderedTwoOrderModule(100));
    EXPECT_TRUE(mEngine.ChannelSetPosition(module, 4 * kModuleOrderFrames + 3));
    EXPECT_NEAR(LeftTone(MixFrames(*mMixer, 4000)), ModuleTone(kLowPeriod), 2.0);
    EXPECT_FALSE(mEngine.ChannelSetPosition(module + 1, Platform::kPositionOrder));
}

// Run under ThreadSanitizer too: the device renders the module on its own
// thread while this one steers it.
TEST(MusicThreads, AModuleIsSteeredWhileTheDevicePullsIt)
{
    const std::string bytes = TwoOrderModule();
    auto mixer = std::make_shared<AudioMixer>();
    MusicEngine engine(mixer);
    PullingDevice device(*mixer);
    for (int round = 0; round < 50; ++round) {
        const uint32_t module =
            engine.MusicLoad(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), Platform::kChannelLoop);
        ASSERT_NE(module, 0u);
        engine.ChannelPlay(module, true);
        engine.MusicSetAttribute(module, Platform::kMusicAttribAmplify, round);
        engine.SetConfig(Platform::kConfigMusicVolume, 100 - round);
        std::this_thread::yield();
        EXPECT_TRUE(engine.ChannelSetPosition(module, Platform::kPositionOrder | static_cast<uint64_t>(round % 2)));
        // Paused while it still loops: a module played once may reach its
        // end on the device's thread before the pause, and a stopped
        // channel stays stopped.
        engine.ChannelPause(module);
        EXPECT_EQ(engine.ChannelIsActive(module), Platform::kChannelPaused);
        engine.ChannelSetFlags(module, round % 3 == 0 ? 0 : Platform::kChannelLoop);
        engine.ChannelPlay(module, false);
        EXPECT_TRUE(engine.MusicFree(module));
    }
}

} // namespace
