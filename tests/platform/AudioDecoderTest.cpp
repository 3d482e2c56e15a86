#include "platform/AudioDecoder.h"

#include "fakes/EncodedTone.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempDir.h"
#include "fakes/TrackerModule.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

using namespace Testing;

std::vector<uint8_t> BytesOfText(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::vector<int16_t> ReadAll(Platform::PcmSource& source, size_t chunk = 1000)
{
    std::vector<int16_t> all;
    std::vector<int16_t> part(chunk * source.Channels());
    for (;;) {
        const size_t got = source.Read(part.data(), chunk);
        all.insert(all.end(), part.begin(), part.begin() + static_cast<long>(got * source.Channels()));
        if (got < chunk)
            return all;
    }
}

TEST(PcmSource, WavFilesReadAsSixteenBitFramesWhateverTheirChunks)
{
    struct Case {
        std::string file;
        uint16_t channels;
        uint32_t rate;
        std::vector<int16_t> samples;
    };
    const Case cases[] = {
        {Wav(1, 22050, 16, Pcm16({1, -2, 300})), 1, 22050, {1, -2, 300}},
        {Wav(2, 44100, 16, Pcm16({1, -1, 2, -2})), 2, 44100, {1, -1, 2, -2}},
        {Wav(1, 8000, 8, std::string("\x00\x80\xFF", 3)), 1, 8000, {-32768, 0, 32512}},
        // An odd chunk is followed by its pad byte; the data chunk comes
        // later.
        {Riff(FormatChunk(1, 11025, 16) + Chunk("LIST", "abc") + std::string(1, '\0') + Chunk("data", Pcm16({7}))),
         1, 11025, {7}},
        // A data chunk longer than the file holds what is there, whole
        // frames only.
        {Riff(FormatChunk(2, 44100, 16) + "data" + Little32(100) + Pcm16({5, 6, 7})), 2, 44100, {5, 6}},
    };
    for (const Case& c : cases) {
        auto source = Platform::OpenPcmSource(BytesOfText(c.file));
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->Channels(), c.channels);
        EXPECT_EQ(source->SampleRate(), c.rate);
        EXPECT_EQ(ReadAll(*source, 2), c.samples);
    }
}

TEST(PcmSource, RefusesWhatIsNotPlainPcm)
{
    const std::string refused[] = {
        Riff(FormatChunk(1, 44100, 16, 3) + Chunk("data", Pcm16({1}))),
        Wav(1, 44100, 24, "abcdef"),
        Wav(3, 44100, 16, Pcm16({1, 2, 3})),
        Riff(Chunk("data", Pcm16({1})) + FormatChunk(1, 44100, 16)),
        Riff(FormatChunk(1, 44100, 16)),
        "RIFF" + Little32(4) + "AVI ",
        Riff("fmt " + Little32(16) + "short"),
        "RIFF",
        "",
        std::string(5000, 'x'),
    };
    for (const std::string& file : refused)
        EXPECT_EQ(Platform::OpenPcmSource(BytesOfText(file)), nullptr) << file.size();
}

TEST(PcmSource, WavSeeksToAFrame)
{
    auto source = Platform::OpenPcmSource(BytesOfText(Wav(2, 44100, 16, Pcm16({1, 2, 3, 4, 5, 6}))));
    EXPECT_TRUE(source->Seek(2));
    EXPECT_EQ(ReadAll(*source), (std::vector<int16_t>{5, 6}));
    EXPECT_TRUE(source->Seek(3));
    EXPECT_TRUE(ReadAll(*source).empty());
    EXPECT_FALSE(source->Seek(4));
}

TEST(PcmSource, OggAndMp3DecodeTheirToneAtTheirFormat)
{
    struct Case {
        std::string kind;
        int channels, rate;
        long frames;
        double hertz;
        // Frames the decoder may give beyond or short of the encoded ones
        // (an MP3 file keeps its coder's delay where no tag tells it), and
        // how far a lossy coder may move the level.
        long slack;
        double levelSlack;
    };
    const Case cases[] = {
        {"ogg", 1, 22050, 22050, 440, 0, 300},
        {"ogg", 2, 44100, 30000, 1000, 0, 300},
        {"mp3", 1, 22050, 22050, 440, 2304, 1500},
        {"mp3", 1, 8000, 8000, 440, 2304, 1500},
        {"mp3", 2, 44100, 44100, 1000, 1152, 1500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind + " " + std::to_string(c.channels));
        std::vector<uint8_t> file = EncodeTone(c.kind, c.channels, c.rate, c.frames, c.hertz);
        ASSERT_FALSE(file.empty());
        auto source = Platform::OpenPcmSource(std::move(file));
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->Channels(), c.channels);
        EXPECT_EQ(source->SampleRate(), static_cast<uint32_t>(c.rate));
        const std::vector<int16_t> samples = ReadAll(*source);
        EXPECT_NEAR(static_cast<double>(samples.size() / c.channels), c.frames, c.slack);
        EXPECT_NEAR(ToneFrequency(samples, c.channels, 0, c.rate), c.hertz, 2.0);
        if (c.channels == 2) {
            EXPECT_NEAR(ToneFrequency(samples, 2, 1, c.rate), 2 * c.hertz, 4.0);
        }
        EXPECT_NEAR(ToneLevel(samples, c.channels, 0), 0.5 * 32767 / std::sqrt(2.0), c.levelSlack);

        EXPECT_TRUE(source->Seek(static_cast<uint64_t>(c.frames / 2)));
        EXPECT_NEAR(static_cast<double>(ReadAll(*source).size() / c.channels), c.frames - c.frames / 2, c.slack);
    }
}

TEST(PcmSource, TruncatedCompressedFilesEndEarlyOrAreRefused)
{
    for (const char* kind : {"ogg", "mp3"}) {
        const std::vector<uint8_t> file = EncodeTone(kind, 1, 22050, 22050, 440);
        for (const size_t keep : {size_t{0}, size_t{10}, size_t{200}, file.size() / 2}) {
            auto source = Platform::OpenPcmSource(std::vector<uint8_t>(file.begin(), file.begin() + static_cast<long>(keep)));
            if (source) {
                EXPECT_LT(ReadAll(*source).size(), 22050u) << kind << " " << keep;
            }
        }
    }
}

std::unique_ptr<Platform::PcmSource> OpenModule(const std::string& bytes)
{
    return Platform::OpenModuleSource(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// `frames` stereo frames of `samples` from frame `first` on.
std::vector<int16_t> FramesOf(const std::vector<int16_t>& samples, size_t first, size_t frames)
{
    return {samples.begin() + static_cast<long>(2 * first), samples.begin() + static_cast<long>(2 * (first + frames))};
}

double LeftTone(const std::vector<int16_t>& samples, size_t first, size_t frames)
{
    return ToneFrequency(FramesOf(samples, first, frames), 2, 0, 44100);
}

TEST(ModuleSource, PlaysItsOrdersOnceInStereoAtTheOutputRate)
{
    auto source = OpenModule(TwoOrderModule());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->Channels(), 2);
    EXPECT_EQ(source->SampleRate(), 44100u);
    const std::vector<int16_t> all = ReadAll(*source);
    ASSERT_EQ(all.size(), 2 * 2 * kModuleOrderFrames);
    // Order 0 plays pattern 1, the high note; order 1 pattern 0, the low one.
    EXPECT_NEAR(LeftTone(all, 0, kModuleOrderFrames), ModuleTone(kHighPeriod), 2.0);
    EXPECT_NEAR(LeftTone(all, kModuleOrderFrames, kModuleOrderFrames), ModuleTone(kLowPeriod), 2.0);
    EXPECT_GT(ToneLevel(all, 2, 0), 3000.0);
    // Rendered without dither: the same song gives the same samples.
    EXPECT_EQ(ReadAll(*OpenModule(TwoOrderModule())), all);
}

TEST(ModuleSource, JumpsToTheStartOfAnOrderItHas)
{
    auto source = OpenModule(TwoOrderModule());
    const std::vector<int16_t> all = ReadAll(*source);
    const std::pair<int, int64_t> cases[] = {{1, kModuleOrderFrames}, {0, 0},     {2, -1},
                                             {-1, -1},                {INT_MAX, -1}, {INT_MIN, -1}};
    for (const auto& [order, frame] : cases) {
        auto jumping = OpenModule(TwoOrderModule());
        std::vector<int16_t> head(2 * 100);
        ASSERT_EQ(jumping->Read(head.data(), 100), 100u);
        EXPECT_EQ(jumping->SeekOrder(order), frame) << order;
        // Refused, it goes on where it stood.
        const size_t from = frame < 0 ? 100 : static_cast<size_t>(frame);
        const std::vector<int16_t> rest = ReadAll(*jumping);
        ASSERT_EQ(rest.size(), all.size() - 2 * from) << order;
        EXPECT_NEAR(LeftTone(rest, 0, 2000), LeftTone(all, from, 2000), 2.0) << order;
    }
    EXPECT_EQ(Platform::OpenPcmSource(BytesOfText(Wav(1, 44100, 16, Pcm16({1, 2}))))->SeekOrder(0), -1);
}

TEST(ModuleSource, RepeatingItLoopsBackToItsFirstOrderUntilToldOtherwise)
{
    auto source = OpenModule(TwoOrderModule());
    EXPECT_TRUE(source->SetRepeat(true));
    std::vector<int16_t> looped(2 * 5 * kModuleOrderFrames);
    ASSERT_EQ(source->Read(looped.data(), 5 * kModuleOrderFrames), 5 * kModuleOrderFrames);
    EXPECT_NEAR(LeftTone(looped, 2 * kModuleOrderFrames, kModuleOrderFrames), ModuleTone(kHighPeriod), 2.0);
    EXPECT_NEAR(LeftTone(looped, 3 * kModuleOrderFrames, kModuleOrderFrames), ModuleTone(kLowPeriod), 2.0);
    // Told to play once more, it ends with the pass it is in.
    EXPECT_TRUE(source->SetRepeat(false));
    EXPECT_EQ(ReadAll(*source).size(), 2 * kModuleOrderFrames);
    // Back at the start it plays its orders again.
    EXPECT_TRUE(source->Seek(0));
    EXPECT_EQ(ReadAll(*source).size(), 2 * 2 * kModuleOrderFrames);
    EXPECT_FALSE(source->Seek(3 * kModuleOrderFrames));

    EXPECT_FALSE(Platform::OpenPcmSource(BytesOfText(Wav(1, 44100, 16, Pcm16({1, 2}))))->SetRepeat(true));
}

TEST(ModuleSource, WhatIsNoModuleIsRefusedAndACutOneNeverRunsAway)
{
    const std::string module = TwoOrderModule();
    // Cut within the header: no module at all.
    for (const size_t keep : {size_t{0}, size_t{1}, size_t{20}, size_t{950}, size_t{1080}, kModuleHeaderBytes - 1})
        EXPECT_EQ(OpenModule(module.substr(0, keep)), nullptr) << keep;
    const std::vector<uint8_t> tone = EncodeTone("ogg", 1, 22050, 2205, 440);
    const std::string garbage[] = {"not a module", std::string(4000, 'x'), std::string(tone.begin(), tone.end()),
                                   Wav(1, 44100, 16, Pcm16({1, 2, 3}))};
    for (const std::string& bytes : garbage)
        EXPECT_EQ(OpenModule(bytes), nullptr) << bytes.size();
    // Cut within its patterns or its sample, it plays what is there and ends.
    for (const size_t keep : {kModuleHeaderBytes, kModuleHeaderBytes + 1500, module.size() - 1}) {
        auto cut = OpenModule(module.substr(0, keep));
        ASSERT_NE(cut, nullptr) << keep;
        EXPECT_LT(ReadAll(*cut, 44100).size(), 2u * 44100 * 30) << keep;
    }
}

TEST(ReadWholeFile, FindsTheFileByItsFrameworkName)
{
    TempDir dir;
    dir.WriteFile("Music/Song.ogg", "abc");
    std::vector<uint8_t> contents;
    EXPECT_TRUE(Platform::ReadWholeFile(dir.Path() + "\\music\\SONG.ogg", contents));
    EXPECT_EQ(contents, BytesOfText("abc"));
    EXPECT_FALSE(Platform::ReadWholeFile(dir / "missing.ogg", contents));
    EXPECT_FALSE(Platform::ReadWholeFile(dir.Path(), contents));
}

} // namespace
