#include "framework/sound/DSoundManager.h"

#include "fakes/EncodedTone.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"
#include "framework/app/PathUtils.h"
#include "framework/resources/PakInterface.h"
#include "platform/AudioMixer.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace {

using namespace Testing;
using Vorn::DSoundManager;
namespace fs = std::filesystem;

constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sets a file's time to `seconds` + `nanoseconds` after 1970 and gives its
// Windows file time: seconds × 10^7 + nanoseconds / 100 + the epoch's.
uint64_t SetFileTime(const std::string& path, int64_t seconds, int64_t nanos)
{
    using namespace std::chrono;
    const sys_time<nanoseconds> when{std::chrono::seconds(seconds) + nanoseconds(nanos)};
    fs::last_write_time(path, file_clock::from_sys(when));
    return static_cast<uint64_t>(seconds) * 10000000 + static_cast<uint64_t>(nanos) / 100 + kUnixEpochAsFileTime;
}

std::string Au(uint32_t encoding, uint32_t rate, uint32_t channels, const std::string& data, uint32_t offset = 24,
               uint32_t size = 0xFFFFFFFEu)
{
    return ".snd" + Big32(offset) + Big32(size == 0xFFFFFFFEu ? static_cast<uint32_t>(data.size()) : size)
           + Big32(encoding) + Big32(rate) + Big32(channels) + std::string(offset > 24 ? offset - 24 : 0, '\0') + data;
}

class Files : public ::testing::Test {
protected:
    Files() : mFolder(fs::current_path()), mLayer(std::exchange(Vorn::gPakInterface, &mPak))
    {
        fs::current_path(mGame.Path());
        Vorn::SetAppDataFolder(mData.Path());
    }
    ~Files() override
    {
        fs::current_path(mFolder);
        Vorn::SetAppDataFolder("");
        Vorn::gPakInterface = mLayer;
    }

    // The id's sample bytes, or "" when it holds none.
    std::string Samples(DSoundManager& manager, unsigned id)
    {
        Platform::SoundBuffer* buffer = manager.mSoundBuffers[id].get();
        if (!buffer)
            return "";
        uint32_t length = 0;
        const uint8_t* bytes = buffer->Lock(0, buffer->Size(), length);
        std::string copy(reinterpret_cast<const char*>(bytes), length);
        buffer->Unlock();
        return copy;
    }

    fs::path mFolder;
    TempDir mGame;
    TempDir mData;
    Vorn::PakInterface mPak;
    Vorn::PakInterface* mLayer;
    std::shared_ptr<Platform::AudioMixer> mMixer = std::make_shared<Platform::AudioMixer>();
    DSoundManager mManager{mMixer, false};
};

TEST_F(Files, WavFilesLoadWithTheirFormatOrNotAtAll)
{
    struct Case {
        const char* what;
        std::string file;
        bool loads;
        Platform::PcmFormat format;
        std::string samples;
    };
    const std::string eight("\x01\x80\xFF\x7F", 4);
    const std::string data = Pcm16({1, -1, 300});
    const Case cases[] = {
        {"16-bit mono", Wav(1, 22050, 16, data), true, {1, 22050, 16}, data},
        {"8-bit stereo", Wav(2, 11025, 8, eight), true, {2, 11025, 8}, eight},
        {"format of 18 bytes",
         Riff(Chunk("fmt ", Little16(1) + Little16(2) + Little32(8000) + Little32(32000) + Little16(4) + Little16(16)
                                + Little16(0))
              + Chunk("data", data + data)),
         true, {2, 8000, 16}, data + data},
        {"data before format", Riff(Chunk("data", data) + FormatChunk(2, 8000, 8)), true, {1, 22050, 16}, data},
        {"extra chunks", Wav(1, 44100, 16, data, Chunk("LIST", "abcd") + Chunk("fact", "1234")), true, {1, 44100, 16},
         data},
        {"scrambled", Wav(1, 44100, 8, "\x6B\x6A", Chunk("xor ", "\x6B")), true, {1, 44100, 8}, std::string("\0\x01", 2)},
        {"chunks named nearly alike", Wav(1, 44100, 8, "\x6B\x6A", Chunk("xorz", "\x6B") + Chunk("dat!", "zz")), true,
         {1, 44100, 8}, "\x6B\x6A"},
        {"float", Riff(FormatChunk(1, 44100, 32, 3) + Chunk("data", "abcd")), false, {}, ""},
        {"24-bit", Wav(1, 44100, 24, "abcdef"), false, {}, ""},
        {"no channels", Wav(0, 44100, 16, data), false, {}, ""},
        {"padded odd chunk", Wav(1, 44100, 16, data, Chunk("LIST", "abc") + std::string(1, '\0')), false, {}, ""},
        {"empty data", Wav(1, 44100, 16, ""), false, {}, ""},
        {"data past the end", Riff(FormatChunk(1, 44100, 16) + "data" + Little32(100) + data), false, {}, ""},
        {"chunk past the end", Riff(FormatChunk(1, 44100, 16) + "LIST" + Little32(0xFFFFFFF0u) + data), false, {}, ""},
        {"chunk up to the end", Riff(FormatChunk(1, 44100, 16) + Chunk("LIST", "ab")), false, {}, ""},
        {"cut in a chunk header", Riff(FormatChunk(1, 44100, 16) + "da"), false, {}, ""},
        {"cut in the format", Riff("fmt " + Little32(16) + "\x01"), false, {}, ""},
        {"no WAVE", "RIFF" + Little32(4) + "AVI " + Chunk("data", data), false, {}, ""},
        {"nothing after WAVE", "RIFF" + Little32(4) + "WAVE", false, {}, ""},
        {"not RIFF", "RIFX" + Little32(4) + "WAVE" + Chunk("data", data), false, {}, ""},
        {"empty", "", false, {}, ""},
    };
    mGame.WriteFile("good.wav", Wav(1, 8000, 8, "z"));
    for (const Case& c : cases) {
        mGame.WriteFile("s.wav", c.file);
        // A failing reader leaves the id empty, whatever it held.
        ASSERT_TRUE(mManager.ReadWavFile(9, "good.wav"));
        EXPECT_EQ(mManager.ReadWavFile(9, "s.wav"), c.loads) << c.what;
        EXPECT_EQ(Samples(mManager, 9), c.samples) << c.what;
        EXPECT_EQ(mManager.mSoundDataSizes[9], c.samples.size()) << c.what;
        if (c.loads) {
            EXPECT_EQ(mManager.mSoundBuffers[9]->Format(), c.format) << c.what;
        }
    }
}

// The program's own table: 0xFF 0, 0xF0 120, 0x81 30592, 0x80 1020, 0x01
// -30592, and the rows between by their start and step.
TEST_F(Files, MuLawExpandsByTheProgramsOwnTable)
{
    std::string codes;
    for (int b = 0; b < 256; ++b)
        codes += static_cast<char>(b);
    mGame.WriteFile("all.au", Au(1, 8000, 1, codes));
    ASSERT_TRUE(mManager.ReadAuFile(0, "all.au"));
    EXPECT_EQ(mManager.mSoundBuffers[0]->Format(), (Platform::PcmFormat{1, 8000, 16}));
    const std::string samples = Samples(mManager, 0);
    ASSERT_EQ(samples.size(), 512u);
    const auto at = [&](int code) {
        return static_cast<int16_t>(static_cast<uint8_t>(samples[2 * code]) | static_cast<uint8_t>(samples[2 * code + 1]) << 8);
    };
    const std::pair<int, int16_t> pinned[] = {
        {0xFF, 0},    {0xF0, 120},   {0x81, 30592}, {0x80, 1020},  {0x01, -30592}, {0x00, -1020},  {0x7F, 0},
        {0xE0, 368},  {0xEF, 128},   {0xD0, 864},   {0xC0, 1856},  {0xB0, 3840},   {0xA0, 7808},   {0x90, 15744},
        {0x9F, 8064}, {0x8F, 16256}, {0x70, -120},  {0x10, -15744},
    };
    for (const auto& [code, value] : pinned)
        EXPECT_EQ(at(code), value) << code;
    const int starts[] = {7648, 3936, 1952, 960, 464, 216, 92, 30};
    const int steps[] = {256, 128, 64, 32, 16, 8, 4, 2};
    for (int code = 0x81; code < 0x100; ++code) {
        const int row = (code - 0x80) / 16;
        const int first = row == 0 ? 0x81 : 0x80 + 16 * row;
        EXPECT_EQ(at(code), (starts[row] - steps[row] * (code - first)) * 4) << code;
        EXPECT_EQ(at(code & 0x7F), -at(code)) << code;
    }
}

TEST_F(Files, AuFilesAreBelievedOnlyAsFarAsTheyGo)
{
    struct Case {
        const char* what;
        std::string file;
        bool loads;
        Platform::PcmFormat format;
        std::string samples;
    };
    const Case cases[] = {
        {"8-bit linear is signed", Au(2, 8000, 2, std::string("\x00\x7F\x80\xFF", 4)), true, {2, 8000, 8},
         std::string("\x80\xFF\x00\x7F", 4)},
        {"data after a gap", Au(2, 8000, 1, "ab", 40), true, {1, 8000, 8}, "\xE1\xE2"},
        {"rate above 65535", Au(2, 70000, 1, "ab"), true, {1, 70000, 8}, "\xE1\xE2"},
        {"offset with a high byte", ".snd" + Big32(0x01000018) + Big32(2) + Big32(2) + Big32(8000) + Big32(1) + "ab",
         false, {}, ""},
        {"16-bit linear", Au(3, 8000, 1, "abcd"), false, {}, ""},
        {"size past the end", Au(2, 8000, 1, "abcd", 24, 5), false, {}, ""},
        {"unknown size", Au(2, 8000, 1, "abcd", 24, 0xFFFFFFFFu), false, {}, ""},
        {"offset past the end", ".snd" + Big32(1000) + Big32(0) + Big32(2) + Big32(8000) + Big32(1), false, {}, ""},
        {"three channels", Au(2, 8000, 3, "abc"), false, {}, ""},
        {"no channels", Au(2, 8000, 0, "abc"), false, {}, ""},
        {"65537 channels", Au(2, 8000, 65537, "abc"), false, {}, ""},
        {"rate too low", Au(2, 50, 1, "abc"), false, {}, ""},
        {"empty data", Au(2, 8000, 1, ""), false, {}, ""},
        {"cut header", ".snd" + Big32(24) + Big32(4), false, {}, ""},
        {"wrong magic", "snd." + Au(2, 8000, 1, "ab").substr(4), false, {}, ""},
    };
    for (const Case& c : cases) {
        mGame.WriteFile("s.au", c.file);
        EXPECT_EQ(mManager.ReadAuFile(4, "s.au"), c.loads) << c.what;
        EXPECT_EQ(Samples(mManager, 4), c.samples) << c.what;
        if (c.loads) {
            EXPECT_EQ(mManager.mSoundBuffers[4]->Format(), c.format) << c.what;
        }
    }
}

TEST_F(Files, OggFilesDecodeWholeOrNotAtAll)
{
    const std::vector<uint8_t> mono = EncodeTone("ogg", 1, 22050, 5000, 440);
    const std::vector<uint8_t> stereo = EncodeTone("ogg", 2, 44100, 3000, 440);
    const std::string monoFile(mono.begin(), mono.end());
    mGame.WriteFile("mono.ogg", monoFile);
    mGame.WriteFile("stereo.ogg", std::string(stereo.begin(), stereo.end()));
    ASSERT_TRUE(mManager.ReadOggFile(1, "mono.ogg"));
    EXPECT_EQ(mManager.mSoundBuffers[1]->Format(), (Platform::PcmFormat{1, 22050, 16}));
    EXPECT_EQ(mManager.mSoundDataSizes[1], 10000u);
    ASSERT_TRUE(mManager.ReadOggFile(2, "stereo.ogg"));
    EXPECT_EQ(mManager.mSoundBuffers[2]->Format(), (Platform::PcmFormat{2, 44100, 16}));
    EXPECT_EQ(mManager.mSoundDataSizes[2], 12000u);

    const std::string refused[] = {monoFile.substr(0, monoFile.size() / 2), monoFile.substr(0, 100), "OggS", "",
                                   monoFile.substr(0, 58) + std::string(monoFile.size() - 58, 'x')};
    for (const std::string& file : refused) {
        mGame.WriteFile("bad.ogg", file);
        EXPECT_FALSE(mManager.ReadOggFile(1, "bad.ogg")) << file.size();
        EXPECT_EQ(mManager.mSoundBuffers[1], nullptr);
    }
    EXPECT_FALSE(mManager.ReadOggFile(1, "missing.ogg"));
}

TEST_F(Files, Mp3FilesLoadOnlyThroughTheAlternativeLibrary)
{
    const std::vector<uint8_t> tone = EncodeTone("mp3", 2, 44100, 4410, 440);
    mGame.WriteFile("sfx/tone.mp3", std::string(tone.begin(), tone.end()));
    EXPECT_FALSE(mManager.ReadMp3File(0, "sfx/tone.mp3"));
    EXPECT_FALSE(mManager.LoadSound(0, "sfx/tone"));

    DSoundManager withMp3(mMixer, true);
    ASSERT_TRUE(withMp3.LoadSound(0, "sfx/tone"));
    EXPECT_EQ(withMp3.mSoundBuffers[0]->Format(), (Platform::PcmFormat{2, 44100, 16}));
    EXPECT_NEAR(withMp3.mSoundDataSizes[0] / 4.0, 4410, 1152);
    EXPECT_TRUE(fs::exists(mData / "cached/sfx/tone.wav"));
    EXPECT_FALSE(withMp3.ReadMp3File(1, "sfx/missing.mp3"));
    EXPECT_EQ(withMp3.mSoundBuffers[1], nullptr);
}

// MPEG-1 layer III frames at 32 kbit/s, 48 kHz, stereo, without padding: 96
// bytes each, their side information all zero, so each decodes to 1152
// silent frames (4608 bytes).
std::string SilentMp3(size_t frames)
{
    std::string frame(96, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x14';
    std::string file;
    file.reserve(frames * frame.size());
    for (size_t i = 0; i < frames; ++i)
        file += frame;
    return file;
}

// 64 MiB is 14563.6 such frames: 14563 load, 14564 are refused, as an Ogg
// effect of that length is.
TEST_F(Files, Mp3EffectsAreHeldToTheCapOfEveryDecodedEffect)
{
    DSoundManager withMp3(mMixer, true);
    const std::pair<size_t, bool> cases[] = {{14563, true}, {14564, false}};
    for (const auto& [frames, loads] : cases) {
        mGame.WriteFile("long.mp3", SilentMp3(frames));
        EXPECT_EQ(withMp3.ReadMp3File(0, "long.mp3"), loads) << frames;
        EXPECT_EQ(withMp3.mSoundBuffers[0] != nullptr, loads) << frames;
        if (loads) {
            EXPECT_EQ(withMp3.mSoundDataSizes[0], frames * 4608);
        }
    }
}

// L = 16 and N = 1000: 1087 bytes, RIFF size 1036, "dep " size 26.
TEST_F(Files, TheCacheFileIsExactlyTheLayoutWithTheSourcesTime)
{
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>(i * 7);
    mGame.WriteFile("sounds/click1.au", Au(2, 8000, 1, data));
    const uint64_t time = SetFileTime("sounds/click1.au", 1577836800, 123456789);
    ASSERT_TRUE(mManager.LoadSound(0, "sounds/click1"));
    const std::string cache = ReadFile(mData / "cached/sounds/click1.wav");

    std::string scrambled;
    for (const char byte : data)
        scrambled += static_cast<char>(byte ^ 0x80 ^ 0x6B);
    const std::string expected = "RIFF" + Little32(1036) + "WAVE" + "fmt " + Little32(16) + Little16(1) + Little16(1)
                                 + Little32(8000) + Little32(8000) + Little16(1) + Little16(8) + "dep " + Little32(26)
                                 + Little16(16) + "sounds/click1.au" + Little32(static_cast<uint32_t>(time))
                                 + Little32(static_cast<uint32_t>(time >> 32)) + "xor " + Little32(1) + "\x6B" + "data"
                                 + Little32(1000) + scrambled;
    EXPECT_EQ(cache.size(), 1087u);
    EXPECT_EQ(cache, expected);
    EXPECT_EQ(time, 132223104001234567u);
}

TEST_F(Files, TheCacheServesUntilItsSourceChanges)
{
    mGame.WriteFile("sfx/hit.au", Au(2, 8000, 1, "ab"));
    SetFileTime("sfx/hit.au", 1600000000, 0);
    ASSERT_TRUE(mManager.LoadSound(0, "sfx/hit"));

    // Same time, other bytes: the cache answers.
    mGame.WriteFile("sfx/hit.au", Au(2, 8000, 1, "cd"));
    SetFileTime("sfx/hit.au", 1600000000, 0);
    DSoundManager second(mMixer, false);
    ASSERT_TRUE(second.LoadSound(0, "sfx/hit"));
    EXPECT_EQ(Samples(second, 0), "\xE1\xE2");

    // Touched: decoded again and the cache rewritten.
    SetFileTime("sfx/hit.au", 1600000001, 0);
    DSoundManager third(mMixer, false);
    ASSERT_TRUE(third.LoadSound(0, "sfx/hit"));
    EXPECT_EQ(Samples(third, 0), "\xE3\xE4");
    DSoundManager fourth(mMixer, false);
    mGame.WriteFile("sfx/hit.au", "not a sound");
    SetFileTime("sfx/hit.au", 1600000001, 0);
    ASSERT_TRUE(fourth.LoadSound(0, "sfx/hit"));
    EXPECT_EQ(Samples(fourth, 0), "\xE3\xE4");

    // A plain WAV source is never cached; absolute names have no cache.
    mGame.WriteFile("sfx/plain.wav", Wav(1, 8000, 8, "x"));
    ASSERT_TRUE(mManager.LoadSound(1, "sfx/plain"));
    EXPECT_FALSE(fs::exists(mData / "cached/sfx/plain.wav"));
    mGame.WriteFile("abs.au", Au(2, 8000, 1, "x"));
    ASSERT_TRUE(mManager.LoadSound(2, mGame / "abs"));
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(mData.Path()), {}), 3);
}

TEST_F(Files, ASourceOnlyInTheArchiveRecordsTheArchivesTime)
{
    ASSERT_TRUE(Tools::WritePak("main.pak", {{"sfx/arch.au", Au(2, 8000, 1, "xy"), 77}}));
    const uint64_t archiveTime = SetFileTime("main.pak", 1500000000, 500);
    ASSERT_TRUE(mPak.AddArchive("main.pak"));
    EXPECT_EQ(DSoundManager::GetSourceFileTime("sfx/arch.au"), archiveTime);
    EXPECT_EQ(DSoundManager::GetSourceFileTime("sfx/nowhere.au"), 0u);
    mGame.WriteFile("sfx/arch.au", "on the disk too");
    const uint64_t diskTime = SetFileTime("sfx/arch.au", 1400000000, 0);
    EXPECT_EQ(DSoundManager::GetSourceFileTime("SFX\\ARCH.AU"), diskTime);
    fs::remove("sfx/arch.au");

    ASSERT_TRUE(mManager.LoadSound(0, "sfx/arch"));
    const std::string cache = ReadFile(mData / "cached/sfx/arch.wav");
    ASSERT_EQ(cache.size(), 71u + 11 + 2);
    EXPECT_EQ(cache.substr(57, 8), Little32(static_cast<uint32_t>(archiveTime)) + Little32(archiveTime >> 32));
}

// Only names of more than two characters that begin with no separator and
// no drive letter are cached.
TEST_F(Files, OnlyRelativeNamesHaveACache)
{
    const std::pair<const char*, bool> cases[] = {{"ab", false}, {"abc", true}, {"C:x", false}, {":bc", true}};
    for (const auto& [name, cached] : cases) {
        mGame.WriteFile(std::string(name) + ".au", Au(2, 8000, 1, "x"));
        ASSERT_TRUE(mManager.LoadSound(0, name)) << name;
        EXPECT_EQ(fs::exists(mData / "cached/" + name + ".wav"), cached) << name;
    }
}

TEST_F(Files, TheCacheWriterRefusesWhatItCannotWrite)
{
    EXPECT_FALSE(mManager.WriteWavCache("", 0, "x"));
    EXPECT_FALSE(mManager.WriteWavCache(mData / "a.wav", 256, "x"));
    EXPECT_FALSE(mManager.WriteWavCache(mData / "a.wav", 0, "x"));
    mGame.WriteFile("s.wav", Wav(1, 8000, 8, "x"));
    ASSERT_TRUE(mManager.ReadWavFile(0, "s.wav"));
    EXPECT_FALSE(mManager.WriteWavCache(mData / "no/such/folder/a.wav", 0, "x"));
    EXPECT_TRUE(mManager.WriteWavCache(mData / "a.wav", 0, "x"));
    EXPECT_EQ(ReadFile(mData / "a.wav").size(), 71u + 1 + 1);
}

} // namespace
