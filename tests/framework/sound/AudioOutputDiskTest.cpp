// The whole road of a sound resource and of a music file to the speaker,
// through the system's audio device as SDL's disk driver, whose file of raw
// 16-bit stereo frames is then measured.

#include "fakes/EncodedTone.h"
#include "fakes/ScriptedApp.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"
#include "framework/resources/ResourceManager.h"
#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/DSoundManager.h"
#include "platform/AudioMixer.h"
#include "platform/AudioOutput.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <thread>

namespace {

using namespace Testing;

// Output from here on goes to `file` instead of a device.
void RecordOutputTo(const std::string& file)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
}

std::vector<int16_t> Recorded(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    return samples;
}

// The sounding part of a recording, less a margin at each end.
std::vector<int16_t> Sounding(const std::vector<int16_t>& samples)
{
    size_t first = 0;
    while (first < samples.size() && samples[first] == 0)
        ++first;
    size_t last = samples.size();
    while (last > first && samples[last - 1] == 0)
        --last;
    constexpr size_t kMargin = 2 * 2048;
    first &= ~size_t{1};
    if (last - first < 4 * kMargin)
        return {};
    return {samples.begin() + static_cast<long>(first + kMargin), samples.begin() + static_cast<long>(last - kMargin)};
}

double Decibels(double level, double reference)
{
    return 20 * std::log10(level / reference);
}

class DiskOutput : public ::testing::Test {
protected:
    DiskOutput() : mFolder(std::filesystem::current_path()) { std::filesystem::current_path(mGame.Path()); }
    ~DiskOutput() override { std::filesystem::current_path(mFolder); }

    std::filesystem::path mFolder;
    TempDir mGame;
};

TEST_F(DiskOutput, ASoundResourceSoundsAtItsVolumeAndPan)
{
    std::vector<int16_t> tone(44100);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<int16_t>(std::lround(16000 * std::sin(2 * std::numbers::pi * 1000 * i / 44100.0)));
    mGame.WriteFile("sfx/tone.wav", Wav(1, 44100, 16, Pcm16(tone)));
    mGame.WriteFile("resources.xml", R"(<ResourceManifest><Resources id="Init">
<SetDefaults path="sfx/" idprefix="SOUND_"/><Sound id="TONE" path="tone" volume="0.5"/>
</Resources></ResourceManifest>)");
    const std::string recording = mGame / "sound.raw";
    RecordOutputTo(recording);
    {
        ScriptedClock clock;
        ScriptedApp app(clock);
        std::shared_ptr<Platform::AudioMixer> output = Platform::AcquireAudioOutput();
        ASSERT_NE(output, nullptr);
        app.mSoundManager = std::make_unique<Vorn::DSoundManager>(std::move(output), false);
        Vorn::ResourceManager resources(&app);
        ASSERT_TRUE(resources.ReadManifestFile("resources.xml")) << resources.GetErrorText();
        ASSERT_TRUE(resources.LoadGroup("Init")) << resources.GetErrorText();
        app.PlaySoundByIdWithPan(resources.GetSoundOrThrow("SOUND_TONE"), 2000);
        std::this_thread::sleep_for(std::chrono::milliseconds(1300));
        resources.FreeGroup("");
        app.mSoundManager.reset();
    }
    const std::vector<int16_t> sound = Sounding(Recorded(recording));
    ASSERT_GT(sound.size(), 2u * 30000);
    EXPECT_NEAR(ToneFrequency(sound, 2, 0, 44100), 1000.0, 1.0);
    EXPECT_NEAR(ToneFrequency(sound, 2, 1, 44100), 1000.0, 1.0);
    // Base volume 0.5 is -6.05 dB on both sides; the pan of 2000 takes 20 dB
    // more off the left.
    const double full = 16000 / std::numbers::sqrt2;
    EXPECT_NEAR(Decibels(ToneLevel(sound, 2, 1), full), -6.05, 0.5);
    EXPECT_NEAR(Decibels(ToneLevel(sound, 2, 0), full), -26.05, 0.5);
}

TEST_F(DiskOutput, AMusicFileSoundsAtTheMusicVolume)
{
    const std::vector<uint8_t> song = EncodeTone("ogg", 2, 44100, 44100, 440, 0.5);
    mGame.WriteFile("Music/Music.ogg", std::string(song.begin(), song.end()));
    const std::string recording = mGame / "music.raw";
    RecordOutputTo(recording);
    {
        Vorn::BassMusicInterface music(nullptr);
        ASSERT_TRUE(music.LoadMusic(1, "Music/Music.ogg"));
        music.SetVolume(0.8);
        music.PlayMusic(1, 0, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(1300));
        EXPECT_FALSE(music.IsPlaying(1));
    }
    const std::vector<int16_t> sound = Sounding(Recorded(recording));
    ASSERT_GT(sound.size(), 2u * 30000);
    EXPECT_NEAR(ToneFrequency(sound, 2, 0, 44100), 440.0, 1.0);
    EXPECT_NEAR(ToneFrequency(sound, 2, 1, 44100), 880.0, 1.0);
    // Half of full scale at 80 of 100: -1.94 dB.
    const double full = 0.5 * 32767 / std::numbers::sqrt2;
    EXPECT_NEAR(Decibels(ToneLevel(sound, 2, 0), full), -1.94, 0.5);
    EXPECT_NEAR(Decibels(ToneLevel(sound, 2, 1), full), -1.94, 0.5);
}

} // namespace
