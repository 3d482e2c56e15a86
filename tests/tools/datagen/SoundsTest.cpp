// The sound effects in the archive: well-formed 16-bit PCM WAV files of the
// length and loudness each use needs, never clipped; and the form of the
// writer itself.

#include "GameData.h"
#include "tools/datagen/Synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

uint32_t Le(const std::string& data, size_t at, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(data[at + static_cast<size_t>(i)]);
    return value;
}

struct Wav {
    bool wellFormed = false;
    uint32_t format = 0, channels = 0, rate = 0, byteRate = 0, blockAlign = 0, bits = 0;
    std::vector<int16_t> samples;
};

// Walks the chunks as the game's reader does.
Wav ReadWav(const std::string& data)
{
    Wav wav;
    if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WAVE") != 0 ||
        Le(data, 4, 4) != data.size() - 8)
        return wav;
    size_t at = 12;
    while (at + 8 <= data.size()) {
        const std::string id = data.substr(at, 4);
        const uint32_t size = Le(data, at + 4, 4);
        at += 8;
        if (at + size > data.size())
            return wav;
        if (id == "fmt ") {
            wav.format = Le(data, at, 2);
            wav.channels = Le(data, at + 2, 2);
            wav.rate = Le(data, at + 4, 4);
            wav.byteRate = Le(data, at + 8, 4);
            wav.blockAlign = Le(data, at + 12, 2);
            wav.bits = Le(data, at + 14, 2);
        } else if (id == "data") {
            for (size_t i = 0; i + 1 < size; i += 2)
                wav.samples.push_back(static_cast<int16_t>(Le(data, at + i, 2)));
            wav.wellFormed = at + size == data.size() && size % 2 == 0;
        }
        at += size;
    }
    return wav;
}

struct Expected {
    const char* name;
    double minSeconds, maxSeconds;
};

class SoundFile : public ::testing::TestWithParam<Expected> {};

TEST_P(SoundFile, IsAnUnclippedMono16BitWavOfItsLength)
{
    Testing::GameArchive archive;
    const Wav wav = ReadWav(Testing::GameArchive::Read(std::string("sounds/") + GetParam().name + ".wav"));
    ASSERT_TRUE(wav.wellFormed);
    EXPECT_EQ(wav.format, 1u);
    EXPECT_EQ(wav.channels, 1u);
    EXPECT_EQ(wav.rate, 44100u);
    EXPECT_EQ(wav.bits, 16u);
    EXPECT_EQ(wav.blockAlign, 2u);
    EXPECT_EQ(wav.byteRate, 88200u);
    const double seconds = static_cast<double>(wav.samples.size()) / 44100.0;
    EXPECT_GE(seconds, GetParam().minSeconds);
    EXPECT_LE(seconds, GetParam().maxSeconds);
    int peak = 0;
    double energy = 0.0;
    for (const int16_t s : wav.samples) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
        energy += static_cast<double>(s) * s;
    }
    // Loud enough to hear, headroom left: never at full scale.
    EXPECT_GE(peak, 32767 * 0.4);
    EXPECT_LE(peak, 32767 * 0.85);
    EXPECT_GT(std::sqrt(energy / static_cast<double>(wav.samples.size())), 300.0);
    // Silent at both ends: no click when it starts or stops.
    EXPECT_LT(std::abs(static_cast<int>(wav.samples.front())), 3000);
    EXPECT_LT(std::abs(static_cast<int>(wav.samples.back())), 300);
}

INSTANTIATE_TEST_SUITE_P(Effects, SoundFile,
    ::testing::Values(Expected{"btn", 0.05, 0.3}, Expected{"click", 0.02, 0.2}, Expected{"flip1", 0.2, 0.6},
        Expected{"flip2", 0.2, 0.6}, Expected{"flip3", 0.2, 0.6}, Expected{"flip4", 0.2, 0.6},
        Expected{"flip5", 0.2, 0.6}, Expected{"flip6", 0.2, 0.6}, Expected{"flip7", 0.2, 0.6},
        Expected{"flip8", 0.2, 0.6}, Expected{"flip9", 0.2, 0.6}, Expected{"flip10", 0.2, 0.6},
        Expected{"delete1", 0.3, 1.2}, Expected{"delete2", 0.3, 1.2}, Expected{"delete3", 0.3, 1.2},
        Expected{"explode", 0.8, 2.0}, Expected{"score", 0.8, 2.5}, Expected{"bonus", 0.6, 2.0},
        Expected{"warning", 0.4, 1.2}, Expected{"error", 0.15, 0.8}, Expected{"game_end", 1.5, 4.0}),
    [](const auto& info) { return std::string(info.param.name); });

// The ten flip notes climb: each one's strongest pitch is above the one
// before (counted by zero crossings of the first tenth of a second).
TEST(SoundFiles, FlipNotesRiseOneAfterAnother)
{
    Testing::GameArchive archive;
    double previous = 0.0;
    for (int i = 1; i <= 10; ++i) {
        const Wav wav = ReadWav(Testing::GameArchive::Read("sounds/flip" + std::to_string(i) + ".wav"));
        ASSERT_GE(wav.samples.size(), 4410u);
        int crossings = 0;
        for (size_t k = 1; k < 4410; ++k)
            crossings += (wav.samples[k - 1] < 0) != (wav.samples[k] < 0);
        const double frequency = crossings / 2.0 / 0.1;
        EXPECT_GT(frequency, previous) << "flip" << i;
        previous = frequency;
    }
}

// The writer's header, byte by byte, for a known signal.
TEST(Synth, WavFileHasTheCanonicalPcmHeaderAndClampsSamples)
{
    const std::string wav = DataGen::WavFile({0.0, 0.5, -1.0, 2.0}, 2);
    ASSERT_EQ(wav.size(), 44u + 8u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(Le(wav, 4, 4), 44u);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le(wav, 16, 4), 16u);
    EXPECT_EQ(Le(wav, 20, 2), 1u);
    EXPECT_EQ(Le(wav, 22, 2), 2u);
    EXPECT_EQ(Le(wav, 24, 4), 44100u);
    EXPECT_EQ(Le(wav, 28, 4), 176400u);
    EXPECT_EQ(Le(wav, 32, 2), 4u);
    EXPECT_EQ(Le(wav, 34, 2), 16u);
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(Le(wav, 40, 4), 8u);
    // 0.5 rounds to 16384 (0.5 x 32767 = 16383.5); beyond full scale holds.
    EXPECT_EQ(static_cast<int16_t>(Le(wav, 44, 2)), 0);
    EXPECT_EQ(static_cast<int16_t>(Le(wav, 46, 2)), 16384);
    EXPECT_EQ(static_cast<int16_t>(Le(wav, 48, 2)), -32767);
    EXPECT_EQ(static_cast<int16_t>(Le(wav, 50, 2)), 32767);
}

TEST(Synth, NotesFollowEqualTemperamentFromA440)
{
    EXPECT_DOUBLE_EQ(DataGen::NoteFrequency(69), 440.0);
    EXPECT_DOUBLE_EQ(DataGen::NoteFrequency(81), 880.0);
    EXPECT_NEAR(DataGen::NoteFrequency(60), 261.6256, 1e-4);
}

TEST(Synth, TableSineStaysWithinAMillionthOfTheTrueOne)
{
    for (double phase = -20.0; phase < 20.0; phase += 0.0137)
        ASSERT_NEAR(DataGen::FastSin(phase), std::sin(phase), 1e-6) << phase;
}

TEST(Synth, NormaliseScalesThePeakToTheGivenLevel)
{
    DataGen::Samples samples = {0.1, -0.4, 0.2};
    DataGen::Normalise(samples, 0.8);
    EXPECT_DOUBLE_EQ(samples[1], -0.8);
    EXPECT_DOUBLE_EQ(samples[0], 0.2);
    EXPECT_DOUBLE_EQ(DataGen::Peak(samples), 0.8);
    DataGen::Samples silent = {0.0, 0.0};
    DataGen::Normalise(silent, 0.8);
    EXPECT_EQ(silent, (DataGen::Samples{0.0, 0.0}));
}

} // namespace
