#include "platform/MusicEngine.h"

#include "fakes/EncodedTone.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

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

} // namespace
