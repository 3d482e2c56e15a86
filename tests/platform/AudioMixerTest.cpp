#include "platform/AudioMixer.h"

#include "fakes/SoundFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Platform::AudioMixer;
using Platform::PcmFormat;
using Platform::SoundBuffer;

constexpr PcmFormat kMono16{1, 44100, 16};
constexpr PcmFormat kStereo16{2, 44100, 16};

std::vector<uint8_t> Bytes16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (const int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
    return bytes;
}

std::unique_ptr<SoundBuffer> Filled(AudioMixer& mixer, const PcmFormat& format, const std::vector<uint8_t>& bytes)
{
    std::unique_ptr<SoundBuffer> buffer = mixer.CreateBuffer(format, static_cast<uint32_t>(bytes.size()));
    uint32_t length = 0;
    uint8_t* memory = buffer->Lock(0, buffer->Size(), length);
    std::memcpy(memory, bytes.data(), length);
    buffer->Unlock();
    return buffer;
}

std::vector<int16_t> Mix(AudioMixer& mixer, size_t frames, uint32_t line = Platform::kFullLineVolume)
{
    std::vector<int16_t> out(2 * frames, 0x5555);
    mixer.Mix(out.data(), frames, line);
    return out;
}

// Left samples, then right samples.
std::vector<int16_t> Side(const std::vector<int16_t>& mixed, int side)
{
    std::vector<int16_t> one;
    for (size_t i = static_cast<size_t>(side); i < mixed.size(); i += 2)
        one.push_back(mixed[i]);
    return one;
}

TEST(AttenuationGain, IsTenToTheHundredthsOverTwoThousandIn16Point16)
{
    const std::pair<int, uint32_t> cases[] = {{0, 65536},     {500, 65536},  {-1, 65461},  {-600, 32846},
                                              {-605, 32657},  {-2000, 6554}, {-5000, 207}, {-9999, 1},
                                              {-10000, 0},    {-12000, 0},   {-1956, 6894}};
    for (const auto& [attenuation, gain] : cases)
        EXPECT_EQ(Platform::AttenuationGain(attenuation), gain) << attenuation;
}

TEST(AudioMixer, RefusesBuffersItCannotPlay)
{
    AudioMixer mixer;
    const std::pair<PcmFormat, uint32_t> refused[] = {
        {{0, 44100, 16}, 4},  {{3, 44100, 16}, 6},  {{1, 44100, 24}, 6}, {{1, 44100, 0}, 6},
        {{1, 99, 16}, 4},     {{1, 100001, 16}, 4}, {{1, 44100, 16}, 0},
    };
    for (const auto& [format, size] : refused)
        EXPECT_EQ(mixer.CreateBuffer(format, size), nullptr) << format.channels << " " << format.sampleRate;
    const std::pair<PcmFormat, uint32_t> accepted[] = {{{1, 100, 8}, 1}, {{2, 100000, 16}, 1}};
    for (const auto& [format, size] : accepted)
        EXPECT_NE(mixer.CreateBuffer(format, size), nullptr);
}

TEST(AudioMixer, NothingPlayingGivesSilenceAndNewBuffersAreSilent)
{
    AudioMixer mixer;
    auto buffer = Filled(mixer, kMono16, Bytes16({1000}));
    EXPECT_EQ(Mix(mixer, 3), std::vector<int16_t>(6, 0));
    for (const PcmFormat& format : {PcmFormat{1, 44100, 8}, PcmFormat{2, 44100, 16}}) {
        auto fresh = mixer.CreateBuffer(format, 8);
        fresh->Play(false);
        EXPECT_EQ(Mix(mixer, 2), std::vector<int16_t>(4, 0)) << format.bitsPerSample;
    }
}

TEST(AudioMixer, FullVolumeCentredAtItsRatePlaysTheSamplesAsTheyAre)
{
    AudioMixer mixer;
    auto mono = Filled(mixer, kMono16, Bytes16({1000, -2000, 32767, -32768}));
    mono->Play(false);
    EXPECT_EQ(Mix(mixer, 5), (std::vector<int16_t>{1000, 1000, -2000, -2000, 32767, 32767, -32768, -32768, 0, 0}));
    EXPECT_FALSE(mono->IsPlaying());

    auto stereo = Filled(mixer, kStereo16, Bytes16({100, -100, 200, -200}));
    stereo->Play(false);
    EXPECT_EQ(Mix(mixer, 3), (std::vector<int16_t>{100, -100, 200, -200, 0, 0}));

    auto eight = Filled(mixer, {1, 44100, 8}, {0, 128, 255, 1});
    eight->Play(false);
    EXPECT_EQ(Side(Mix(mixer, 4), 0), (std::vector<int16_t>{-32768, 0, 32512, -32512}));

    auto eightStereo = Filled(mixer, {2, 44100, 8}, {0, 255});
    eightStereo->Play(false);
    EXPECT_EQ(Mix(mixer, 1), (std::vector<int16_t>{-32768, 32512}));
}

TEST(AudioMixer, VolumeAndPanScaleEachSideByItsGain)
{
    struct Case {
        int volume, pan;
        int16_t sample, left, right;
    };
    const Case cases[] = {
        {-600, 0, 10000, 5011, 5011},   {-600, 0, -10000, -5012, -5012}, {0, 2000, 10000, 1000, 10000},
        {0, -2000, 10000, 10000, 1000}, {0, 10000, 10000, 0, 10000},     {0, -10000, 10000, 10000, 0},
        {-5000, 6000, 30000, 0, 94},    {-10000, 0, 30000, 0, 0},
    };
    for (const Case& c : cases) {
        AudioMixer mixer;
        auto buffer = Filled(mixer, kMono16, Bytes16({c.sample}));
        buffer->SetVolume(c.volume);
        buffer->SetPan(c.pan);
        buffer->Play(false);
        EXPECT_EQ(Mix(mixer, 1), (std::vector<int16_t>{c.left, c.right})) << c.volume << " " << c.pan;
    }
}

TEST(AudioMixer, SettingsAreHeldToTheirRanges)
{
    AudioMixer mixer;
    auto buffer = Filled(mixer, kMono16, Bytes16({1}));
    const std::pair<int, int> volumes[] = {{100, 0}, {-20000, -10000}, {-1234, -1234}};
    for (const auto& [given, held] : volumes) {
        buffer->SetVolume(given);
        EXPECT_EQ(buffer->GetVolume(), held);
    }
    const std::pair<int, int> pans[] = {{20000, 10000}, {-20000, -10000}, {-77, -77}};
    for (const auto& [given, held] : pans) {
        buffer->SetPan(given);
        EXPECT_EQ(buffer->GetPan(), held);
    }
    const std::pair<uint32_t, uint32_t> frequencies[] = {{50, 100}, {200000, 100000}, {22050, 22050}};
    for (const auto& [given, held] : frequencies) {
        buffer->SetFrequency(given);
        EXPECT_EQ(buffer->GetFrequency(), held);
    }
}

// Between frames s0 and s1: s0 + (((s1 - s0) × f) >> 16), f the top 16 bits
// of the position's fraction.
TEST(AudioMixer, OtherFrequenciesStepAndInterpolateLinearly)
{
    struct Case {
        uint32_t frequency;
        bool looping;
        std::vector<int16_t> samples, out;
    };
    const Case cases[] = {
        // Half speed: every other output frame lies halfway; the last frame
        // holds, since nothing follows it.
        {22050, false, {0, 1000, 3000}, {0, 500, 1000, 2000, 3000, 3000, 0, 0}},
        // Looping, the frame after the last is the first.
        {22050, true, {0, 1000}, {0, 500, 1000, 500, 0, 500, 1000, 500}},
        // Three quarters: positions 0, .75, 1.5, 2.25, 3, 3.75.
        {33075, false, {0, 4000, 8000, 12000}, {0, 3000, 6000, 9000, 12000, 12000, 0, 0}},
        // Double speed skips every other frame.
        {88200, false, {1, 2, 3, 4, 5}, {1, 3, 5, 0, 0, 0, 0, 0}},
        {88200, true, {1, 2, 3}, {1, 3, 2, 1, 3, 2, 1, 3}},
        // Negative differences round toward minus infinity.
        {22050, false, {1, 0}, {1, 0, 0, 0, 0, 0, 0, 0}},
        {22050, false, {0, -1}, {0, -1, -1, -1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        AudioMixer mixer;
        auto buffer = Filled(mixer, kMono16, Bytes16(c.samples));
        buffer->SetFrequency(c.frequency);
        buffer->Play(c.looping);
        EXPECT_EQ(Side(Mix(mixer, c.out.size()), 0), c.out) << c.frequency << " " << c.looping;
    }
}

// The step is (frequency << 32) / 44100 rounded down: at 100 Hz one second of
// output ends just short of frame 100.
TEST(AudioMixer, TheStepIsRoundedDownIn32Point32)
{
    std::vector<int16_t> ramp(120);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i * 256);
    AudioMixer mixer;
    auto buffer = Filled(mixer, kMono16, Bytes16(ramp));
    buffer->SetFrequency(100);
    buffer->Play(false);
    const std::vector<int16_t> left = Side(Mix(mixer, 44101), 0);
    const uint64_t step = 9739154; // (100 << 32) / 44100
    ASSERT_EQ(step, (uint64_t{100} << 32) / 44100);
    const uint64_t position = step * 44100;
    const int64_t expected = static_cast<int64_t>(position >> 32) * 256 + ((256 * ((position >> 16) & 0xFFFF)) >> 16);
    EXPECT_EQ(left[44100], expected);
    EXPECT_EQ(left[44100], 25599);
}

TEST(AudioMixer, SumsSaturateAndTheLineVolumeScalesTowardZero)
{
    struct Case {
        int16_t a, b;
        uint32_t line;
        int16_t out;
    };
    const Case cases[] = {
        {30000, 30000, 65535, 32767},   {-30000, -30000, 65535, -32768}, {30000, -30000, 65535, 0},
        {32767, 0, 32768, 16383},       {-32768, 0, 32768, -16384},      {20000, 20000, 32768, 20000},
        {12345, 0, 0, 0},               {1000, 0, 70000, 1000},
    };
    for (const Case& c : cases) {
        AudioMixer mixer;
        auto a = Filled(mixer, kMono16, Bytes16({c.a}));
        auto b = Filled(mixer, kMono16, Bytes16({c.b}));
        a->Play(false);
        b->Play(false);
        EXPECT_EQ(Mix(mixer, 1, c.line), (std::vector<int16_t>{c.out, c.out})) << c.a << " " << c.b << " " << c.line;
    }
}

TEST(AudioMixer, LoopPointsRepeatTheirSpanAndBadPointsLoopEverything)
{
    const std::vector<int16_t> samples{10, 20, 30, 40, 50};
    struct Case {
        uint32_t start, end;
        bool looping;
        std::vector<int16_t> out;
    };
    const Case cases[] = {
        {1, 3, true, {10, 20, 30, 20, 30, 20, 30, 20}},
        {1, 4, true, {10, 20, 30, 40, 20, 30, 40, 20}},
        {1, 3, false, {10, 20, 30, 40, 50, 0, 0, 0}},
        {3, 3, true, {10, 20, 30, 40, 50, 10, 20, 30}},
        {2, 6, true, {10, 20, 30, 40, 50, 10, 20, 30}},
        {0, 5, true, {10, 20, 30, 40, 50, 10, 20, 30}},
    };
    for (const Case& c : cases) {
        AudioMixer mixer;
        auto buffer = Filled(mixer, kMono16, Bytes16(samples));
        buffer->SetLoopPoints(c.start, c.end);
        buffer->Play(c.looping);
        EXPECT_EQ(Side(Mix(mixer, 8), 0), c.out) << c.start << ".." << c.end;
    }
}

TEST(AudioMixer, OnlyWholeFramesPlay)
{
    AudioMixer mixer;
    auto buffer = Filled(mixer, kStereo16, {1, 0, 2, 0, 3, 0});
    buffer->Play(true);
    EXPECT_EQ(Mix(mixer, 2), (std::vector<int16_t>{1, 2, 1, 2}));
    auto empty = Filled(mixer, kStereo16, {1, 0});
    empty->Play(false);
    EXPECT_FALSE(empty->IsPlaying());
}

TEST(AudioMixer, DuplicatesShareSamplesButNotSettings)
{
    AudioMixer mixer;
    auto original = Filled(mixer, kMono16, Bytes16({100, 200}));
    original->SetVolume(-600);
    original->SetPan(300);
    original->SetFrequency(22050);
    auto copy = original->Duplicate();
    EXPECT_EQ(copy->GetVolume(), 0);
    EXPECT_EQ(copy->GetPan(), 0);
    EXPECT_EQ(copy->GetFrequency(), 22050u);
    EXPECT_FALSE(copy->IsPlaying());

    uint32_t length = 0;
    uint8_t* memory = original->Lock(2, 100, length);
    EXPECT_EQ(length, 2u);
    memory[0] = 0x2C; // 300
    memory[1] = 0x01;
    original->Unlock();
    copy->SetFrequency(44100);
    copy->Play(false);
    EXPECT_EQ(Side(Mix(mixer, 2), 0), (std::vector<int16_t>{100, 300}));

    original.reset();
    copy->Play(false);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{100}));
    EXPECT_EQ(copy->Lock(4, 1, length), nullptr);
    EXPECT_EQ(length, 0u);
}

TEST(AudioMixer, StopKeepsThePositionAndTheEndRewinds)
{
    AudioMixer mixer;
    auto buffer = Filled(mixer, kMono16, Bytes16({1, 2, 3, 4}));
    buffer->Play(false);
    Mix(mixer, 2);
    buffer->Stop();
    EXPECT_FALSE(buffer->IsPlaying());
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{0}));
    buffer->Play(false);
    EXPECT_EQ(Side(Mix(mixer, 3), 0), (std::vector<int16_t>{3, 4, 0}));
    buffer->Play(false);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{1}));
    // A byte position inside a frame means that frame.
    buffer->SetCurrentPosition(5);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{3}));
    buffer->SetCurrentPosition(1000);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{0}));
    EXPECT_FALSE(buffer->IsPlaying());
}

TEST(AudioMixer, LoopingCanBeChangedWhilePlaying)
{
    AudioMixer mixer;
    auto buffer = Filled(mixer, kMono16, Bytes16({1, 2}));
    buffer->Play(true);
    EXPECT_EQ(Side(Mix(mixer, 3), 0), (std::vector<int16_t>{1, 2, 1}));
    buffer->SetLooping(false);
    EXPECT_EQ(Side(Mix(mixer, 3), 0), (std::vector<int16_t>{2, 0, 0}));
    buffer->SetLooping(true);
    EXPECT_FALSE(buffer->IsPlaying());
}

// Frames numbered from 0: every sample is its frame number (and its negative
// on the right), read a few frames at a time.
class CountingSource : public Platform::PcmSource {
public:
    CountingSource(uint16_t channels, uint32_t rate, uint64_t frames, int scale = 1)
        : mChannels(channels), mRate(rate), mFrames(frames), mScale(scale)
    {
    }
    uint16_t Channels() const override { return mChannels; }
    uint32_t SampleRate() const override { return mRate; }
    size_t Read(int16_t* out, size_t frames) override
    {
        size_t done = 0;
        for (; done < frames && mNext < mFrames; ++done, ++mNext) {
            const int value = static_cast<int>(mNext * mScale % 30000);
            out[done * mChannels] = static_cast<int16_t>(value);
            if (mChannels == 2)
                out[done * mChannels + 1] = static_cast<int16_t>(-value);
        }
        return done;
    }
    bool Seek(uint64_t frame) override
    {
        if (frame > mFrames)
            return false;
        mNext = frame;
        return true;
    }

private:
    uint16_t mChannels;
    uint32_t mRate;
    uint64_t mFrames;
    int mScale;
    uint64_t mNext = 0;
};

std::vector<int16_t> Counting(uint64_t from, size_t count, uint64_t step = 1, uint64_t wrap = 0)
{
    std::vector<int16_t> out;
    for (size_t i = 0; i < count; ++i) {
        const uint64_t frame = from + i * step;
        out.push_back(static_cast<int16_t>((wrap ? frame % wrap : frame) % 30000));
    }
    return out;
}

TEST(StreamVoice, PlaysItsSourceAcrossManyWindows)
{
    AudioMixer mixer;
    auto stream = mixer.CreateStream(std::make_unique<CountingSource>(2, 44100, 20000));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->State(), Platform::StreamState::kStopped);
    stream->Play(true);
    const std::vector<int16_t> out = Mix(mixer, 20002);
    EXPECT_EQ(Side(out, 0), [] {
        std::vector<int16_t> expected = Counting(0, 20000);
        expected.insert(expected.end(), {0, 0});
        return expected;
    }());
    EXPECT_EQ(out[2 * 12345 + 1], -12345);
    EXPECT_EQ(stream->State(), Platform::StreamState::kStopped);
}

TEST(StreamVoice, ResamplesAtItsRateAndLoops)
{
    AudioMixer mixer;
    auto doubled = mixer.CreateStream(std::make_unique<CountingSource>(1, 88200, 9001));
    doubled->SetLooping(true);
    doubled->Play(true);
    // Two source frames per output frame: frame 9000 is the last, then the
    // stream starts over at 0.
    const std::vector<int16_t> left = Side(Mix(mixer, 4502), 0);
    EXPECT_EQ(std::vector<int16_t>(left.begin(), left.begin() + 4501), Counting(0, 4501, 2));
    EXPECT_EQ(left[4501], 0);
    EXPECT_EQ(doubled->State(), Platform::StreamState::kPlaying);

    // Output frame i stands at source frame i / 2, halfway between two
    // frames for odd i, also across the decoded windows.
    AudioMixer other;
    auto slowly = other.CreateStream(std::make_unique<CountingSource>(1, 22050, 5000, 4));
    slowly->Play(true);
    const std::vector<int16_t> slow = Side(Mix(other, 9000), 0);
    for (size_t i = 0; i < slow.size(); ++i)
        ASSERT_EQ(slow[i], static_cast<int16_t>(2 * i)) << i;

    // Faster than one frame per output frame it reads past whole windows.
    AudioMixer third;
    auto fast = third.CreateStream(std::make_unique<CountingSource>(1, 100000, 20000));
    fast->SetGain(32768);
    fast->Play(true);
    const std::vector<int16_t> quick = Side(Mix(third, 8000), 0);
    const uint64_t step = (uint64_t{100000} << 32) / 44100;
    for (size_t i = 0; i < quick.size(); ++i) {
        const uint64_t position = i * step;
        const int64_t frame = static_cast<int64_t>(position >> 32);
        ASSERT_EQ(quick[i], (frame + ((1 * static_cast<int64_t>((position >> 16) & 0xFFFF)) >> 16)) * 32768 >> 16) << i;
    }
}

TEST(StreamVoice, StopPauseAndPositionsBehaveAsAPlayerExpects)
{
    AudioMixer mixer;
    auto stream = mixer.CreateStream(std::make_unique<CountingSource>(1, 44100, 100));
    stream->Play(true);
    Mix(mixer, 10);
    stream->Pause();
    EXPECT_EQ(stream->State(), Platform::StreamState::kPaused);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{0}));
    stream->Play(false);
    EXPECT_EQ(Side(Mix(mixer, 2), 0), (std::vector<int16_t>{10, 11}));
    stream->Stop();
    stream->Pause();
    EXPECT_EQ(stream->State(), Platform::StreamState::kStopped);
    stream->Play(false);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{12}));
    stream->SetPosition(50);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{50}));
    stream->SetPosition(3);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{3}));
    stream->Play(true);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{0}));
    stream->SetPosition(1000);
    EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{0}));
    EXPECT_EQ(stream->State(), Platform::StreamState::kStopped);
}

// Counts like CountingSource; order n starts at frame 100 × n, orders 0..2,
// and it loops by itself when told to repeat (here: it does not, so that a
// voice that starts it over shows).
class OrderedSource : public CountingSource {
public:
    OrderedSource() : CountingSource(1, 44100, 300) {}
    int64_t SeekOrder(int order) override
    {
        if (order < 0 || order > 2)
            return -1;
        Seek(100 * static_cast<uint64_t>(order));
        return 100 * order;
    }
    bool SetRepeat(bool forever) override
    {
        repeat = forever;
        return true;
    }
    bool repeat = false;
};

TEST(StreamVoice, OrdersAndRepeatsAreTheTrackerSourcesOwn)
{
    AudioMixer mixer;
    auto owned = std::make_unique<OrderedSource>();
    OrderedSource* source = owned.get();
    auto stream = mixer.CreateStream(std::move(owned));
    stream->Play(true);
    EXPECT_EQ(Side(Mix(mixer, 2), 0), (std::vector<int16_t>{0, 1}));
    EXPECT_TRUE(stream->SeekOrder(2));
    EXPECT_EQ(Side(Mix(mixer, 2), 0), (std::vector<int16_t>{200, 201}));
    EXPECT_TRUE(stream->SeekOrder(1));
    EXPECT_EQ(Side(Mix(mixer, 2), 0), (std::vector<int16_t>{100, 101}));
    for (const int refused : {3, -1}) {
        EXPECT_FALSE(stream->SeekOrder(refused));
        EXPECT_EQ(Side(Mix(mixer, 1), 0), (std::vector<int16_t>{static_cast<int16_t>(refused == 3 ? 102 : 103)}));
    }
    // Told to loop, the source repeats by itself: the voice does not start
    // it over at its end.
    stream->SetLooping(true);
    EXPECT_TRUE(source->repeat);
    stream->SeekOrder(2);
    EXPECT_EQ(Side(Mix(mixer, 101), 0).back(), 0);
    EXPECT_EQ(stream->State(), Platform::StreamState::kStopped);
    stream->SetLooping(false);
    EXPECT_FALSE(source->repeat);

    // Other sources have no orders; their loop, once taken back, ends them.
    auto plain = mixer.CreateStream(std::make_unique<CountingSource>(1, 44100, 3));
    EXPECT_FALSE(plain->SeekOrder(0));
    plain->SetLooping(true);
    plain->SetLooping(false);
    plain->Play(true);
    EXPECT_EQ(Side(Mix(mixer, 4), 0), (std::vector<int16_t>{0, 1, 2, 0}));
    EXPECT_EQ(plain->State(), Platform::StreamState::kStopped);
}

TEST(StreamVoice, AnEmptySourceEndsEvenWhenLooping)
{
    AudioMixer mixer;
    auto stream = mixer.CreateStream(std::make_unique<CountingSource>(1, 44100, 0));
    stream->SetLooping(true);
    stream->Play(true);
    EXPECT_EQ(Mix(mixer, 4), std::vector<int16_t>(8, 0));
    EXPECT_EQ(stream->State(), Platform::StreamState::kStopped);
    EXPECT_EQ(mixer.CreateStream(std::make_unique<CountingSource>(3, 44100, 10)), nullptr);
    EXPECT_EQ(mixer.CreateStream(std::make_unique<CountingSource>(1, 99, 10)), nullptr);
    EXPECT_EQ(mixer.CreateStream(nullptr), nullptr);
}

// Run under ThreadSanitizer too: one thread pulls the mix the way the audio
// device does while this one changes voices. Whenever the pulls fall, every
// voice keeps the settings it was given, the mix never exceeds the two voices
// playing at once (a copy of 1000 at most at full volume, and at most 4999 of
// the stream, which plays at full gain until its gain is set), and once
// everything is stopped the device mixes silence.
TEST(MixerThreads, VoicesChangeWhileTheDevicePulls)
{
    AudioMixer mixer;
    auto source = Filled(mixer, kStereo16, Bytes16(std::vector<int16_t>(4000, 1000)));
    Testing::PullingDevice device(mixer);
    for (int round = 0; round < 300; ++round) {
        auto copy = source->Duplicate();
        copy->SetVolume(-round);
        copy->SetPan(round * 10 - 1500);
        copy->SetFrequency(22050 + static_cast<uint32_t>(round) * 100);
        copy->Play(round % 2 == 0);
        auto stream = mixer.CreateStream(std::make_unique<CountingSource>(2, 48000, 5000));
        stream->SetLooping(true);
        stream->Play(true);
        stream->SetGain(static_cast<uint32_t>(round) * 100);
        std::this_thread::yield();
        stream->SetPosition(static_cast<uint64_t>(round));
        ASSERT_EQ(stream->State(), Platform::StreamState::kPlaying) << round;
        copy->Stop();
        ASSERT_FALSE(copy->IsPlaying()) << round;
        copy->SetCurrentPosition(8);
        copy->Play(false);
        ASSERT_EQ(copy->GetVolume(), -round);
        ASSERT_EQ(copy->GetPan(), round * 10 - 1500);
        ASSERT_EQ(copy->GetFrequency(), 22050 + static_cast<uint32_t>(round) * 100);
        stream->Pause();
        ASSERT_EQ(stream->State(), Platform::StreamState::kPaused) << round;
        stream->Play(false);
    }
    EXPECT_LE(device.Peak(), 1000 + 4999);

    // 2000 frames at 22050 Hz take 4000 output frames: within 16 pulls a
    // copy played once has ended, a looping stream plays on.
    auto last = source->Duplicate();
    last->SetFrequency(22050);
    last->Play(false);
    auto looping = mixer.CreateStream(std::make_unique<CountingSource>(2, 48000, 5000));
    looping->SetLooping(true);
    looping->Play(true);
    device.WaitForPulls(17);
    EXPECT_FALSE(last->IsPlaying());
    EXPECT_EQ(looping->State(), Platform::StreamState::kPlaying);
    looping->Stop();
    // The second pull from here began after the stop.
    device.WaitForPulls(2);
    EXPECT_EQ(device.LastPeak(), 0);
    EXPECT_FALSE(source->IsPlaying());
}

} // namespace
