#include "framework/app/DemoStream.h"

#include "framework/app/DemoFile.h"

#include "fakes/TempDir.h"
#include "fakes/WindowedApp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace Vorn;
using C = DemoCommand;

// The data bits in stream order, '0' and '1'.
std::string Bits(Buffer copy)
{
    copy.Rewind();
    std::string bits;
    while (!copy.AtEnd())
        bits += copy.ReadBits(1, false) != 0 ? '1' : '0';
    return bits;
}

std::string Strip(std::string bits)
{
    std::erase(bits, ' ');
    return bits;
}

std::string Zeros(size_t n) { return std::string(n, '0'); }

// A player over exactly these bits, its last byte padded with zeros.
DemoStream PlayerOf(const std::string& bits)
{
    Buffer packed;
    for (char c : Strip(bits))
        packed.WriteBits(c == '1' ? 1 : 0, 1);
    DemoStream player(DemoMode::Playing);
    player.GetBuffer().SetData(packed.GetBytes(), packed.GetByteLength());
    return player;
}

DemoStream PlayerOf(const DemoStream& recorder) { return PlayerOf(Bits(recorder.GetBuffer())); }

const uint8_t kAb[] = {'a', 'b'};

struct LayoutCase {
    const char* name;
    std::function<void(DemoStream&)> record;
    std::string bits;
};

class RecordedLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(RecordedLayout, StoresExactlyTheseBits)
{
    DemoStream recorder(DemoMode::Recording);
    GetParam().record(recorder);
    EXPECT_EQ(Bits(recorder.GetBuffer()), Strip(GetParam().bits));
}

// Headers read: delta (4 bits), mouse flag, then kind (1) or number (5); every
// field least significant bit first.
INSTANTIATE_TEST_SUITE_P(Commands, RecordedLayout, ::testing::Values(
    LayoutCase{"FortyUpdatesApartTakeTwoFillers", [](DemoStream& s) { s.RecordCommand(0, C::Close()); s.RecordCommand(40, C::Close()); },
               "0000 0 01100  1111 0 11111  1111 0 11111  0101 0 01100"},
    LayoutCase{"SameUpdateHasDeltaZero", [](DemoStream& s) { s.RecordCommand(3, C::KeyDown(0x41)); s.RecordCommand(3, C::KeyUp(0x41)); },
               "1100 0 11000 10000010  0000 0 00100 10000010"},
    LayoutCase{"FifteenNeedsNoFiller", [](DemoStream& s) { s.RecordCommand(15, C::MouseEnter()); }, "1111 0 11100"},
    LayoutCase{"EarlierUpdateTakesDeltaZero", [](DemoStream& s) { s.RecordCommand(5, C::LoadingDone()); s.RecordCommand(2, C::LoadingDone()); },
               "1010 0 10010  0000 0 10010"},
    LayoutCase{"MouseMove", [](DemoStream& s) { s.RecordCommand(0, C::MouseMove(-3, 5)); }, "0000 1 0 101111 101000"},
    LayoutCase{"MouseButton", [](DemoStream& s) { s.RecordCommand(0, C::MouseButton(true, -2)); }, "0000 1 1 1 011"},
    LayoutCase{"PositionKeepsLow12Bits", [](DemoStream& s) { s.RecordCommand(0, C::Position(-5, 600)); },
               "0000 0 00000 110111111111 000110100100"},
    LayoutCase{"Active", [](DemoStream& s) { s.RecordCommand(0, C::Active(true)); }, "0000 0 10000 1"},
    LayoutCase{"MinimizedIsAByte", [](DemoStream& s) { s.RecordCommand(0, C::Minimized(true)); }, "0000 0 01000 10000000"},
    LayoutCase{"CharacterNarrow", [](DemoStream& s) { s.RecordCommand(0, C::Character('a')); }, "0000 0 10100 0 10000110"},
    LayoutCase{"WheelMinusTwoSteps", [](DemoStream& s) { s.RecordCommand(0, C::Wheel(-240 / 120)); }, "0000 0 10101 01111111"},
    LayoutCase{"DisplayMode", [](DemoStream& s) { s.RecordCommand(0, C::DisplayMode(true, 60)); },
               "0000 0 11101 10000000 00111100"},
    LayoutCase{"RegistryReadFound", [](DemoStream& s) { s.RecordRegistryRead(0, true, 1, kAb, 2); },
               "0000 0 11010 1 1" + Zeros(31) + " 01" + Zeros(30) + " 10000110 01000110"},
    LayoutCase{"RegistryReadNotFound", [](DemoStream& s) { s.RecordRegistryRead(0, false, 1, kAb, 2); }, "0000 0 11010 0"},
    LayoutCase{"RegistryWrite", [](DemoStream& s) { s.RecordRegistryWrite(0, false); }, "0000 0 00110 0"},
    LayoutCase{"WebResultTwoHasNoContent", [](DemoStream& s) { s.RecordWebResult(0, 7, 2, "x"); },
               "0000 0 10001 111" + Zeros(29) + " 01000000 " + Zeros(16)},
    LayoutCase{"KeptBuffer", [](DemoStream& s) { Buffer b; b.WriteByte(0xFF); s.RecordOrReplayBuffer(0, b); },
               "0000 0 01001 1" + Zeros(31) + " 11111111"},
    LayoutCase{"NothingUnlessRecording", [](DemoStream& s) {
                   s.SetMode(DemoMode::Playing); s.RecordCommand(0, C::Close()); s.RecordFiller(0);
                   s.RecordRegistryWrite(0, true); s.SetMode(DemoMode::Off); s.RecordWebResult(0, 1, 1, "x");
               }, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReplayCase {
    const char* name;
    std::string bits;
    // The update of each call and what it gives; the stream has then ended.
    std::vector<std::pair<int32_t, std::optional<C>>> replays;
};

class Replayed : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(Replayed, GivesTheseCommandsAndEnds)
{
    DemoStream player = PlayerOf(GetParam().bits);
    for (const auto& [update, command] : GetParam().replays)
        EXPECT_EQ(player.ReplayNextCommand(update), command) << update;
    EXPECT_TRUE(player.Ended());
}

INSTANTIATE_TEST_SUITE_P(Streams, Replayed, ::testing::Values(
    ReplayCase{"PositionsAreSignedSoADragPastTheEdgeStaysThere",
               "0000 0 00000 110111111111 000110100100  0000 0 00000" + Zeros(11) + "1 111111111110",
               {{0, C::Position(-5, 600)}, {0, C::Position(-2048, 2047)}, {0, std::nullopt}}},
    ReplayCase{"WideCharacterGivesItsLowByte", "0000 0 10100 1 0010110001001000  0000 0 01100",
               {{0, C::Character(0x34)}, {0, C::Close()}}},
    ReplayCase{"UnusedNumberHasNoFields", "0000 0 10110  0000 0 01100", {{0, C::Close()}}},
    ReplayCase{"SixPaddingBitsAreNoCommand", "0000 1 0 101111 101000", {{0, C::MouseMove(-3, 5)}, {0, std::nullopt}}},
    ReplayCase{"SevenPaddingBitsAreNoCommand", "0000 0 10000 1  0000 0 10000 0  0000 0 10000 1",
               {{0, C::Active(true)}, {0, C::Active(false)}, {0, C::Active(true)}, {0, std::nullopt}}},
    ReplayCase{"AHeaderReadAheadIsActedOnThoughFewBitsFollow", "1010 0 01100",
               {{0, std::nullopt}, {4, std::nullopt}, {5, C::Close()}, {5, std::nullopt}}},
    ReplayCase{"FieldsCutShortReadAsZeros", "0000 0 00000 110000", {{0, C::Position(3, 0)}}},
    ReplayCase{"MissingKeyReadsAsZero", "0000 0 11000", {{0, C::KeyDown(0)}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DemoStream, ReplayPassesOverUnaskedValuesAndFillers)
{
    DemoStream recorder(DemoMode::Recording);
    recorder.RecordCommand(0, C::KeyDown(9));
    recorder.RecordRegistryRead(0, true, 3, kAb, 2);
    recorder.RecordRegistryRead(0, false, 0, nullptr, 0);
    recorder.RecordRegistryWrite(0, true);
    recorder.RecordWebResult(0, 5, 1, "page");
    Buffer kept;
    kept.WriteInt32(-1);
    recorder.RecordOrReplayBuffer(0, kept);
    recorder.RecordFiller(0);
    recorder.RecordCommand(0, C::KeyUp(9));
    DemoStream player = PlayerOf(recorder);
    EXPECT_EQ(player.ReplayNextCommand(0), C::KeyDown(9));
    EXPECT_EQ(player.ReplayNextCommand(0), C::KeyUp(9));
    EXPECT_TRUE(player.Ended());
}

// Each producer, handed a stream whose next command is not its own.
const std::vector<std::pair<const char*, std::function<void(DemoStream&)>>> kProducers = {
    {"RegistryRead", [](DemoStream& s) { uint32_t t = 9; int32_t n = 2; uint8_t d[2] = {}; EXPECT_FALSE(s.ReplayRegistryRead(t, d, n)); EXPECT_EQ(t, 9u); }},
    {"RegistryWrite", [](DemoStream& s) { EXPECT_FALSE(s.ReplayRegistryWrite()); }},
    {"WebResult", [](DemoStream& s) { int32_t r = 4; std::string c = "old"; EXPECT_FALSE(s.ReplayWebResult(0, 1, r, c)); EXPECT_EQ(c, "old"); }},
    {"Buffer", [](DemoStream& s) { Buffer b; b.WriteByte(7); s.RecordOrReplayBuffer(0, b); EXPECT_EQ(b.GetByteLength(), 1); }},
    {"String", [](DemoStream& s) { std::string t = "live"; s.RecordOrReplayString(0, t); EXPECT_EQ(t, "live"); }},
    {"DisplayMode", [](DemoStream& s) { bool w = true; int32_t r = 7; EXPECT_FALSE(s.ReplayDisplayMode(0, w, r)); EXPECT_EQ(r, 7); }},
};

TEST(DemoStream, ProducersTakeNothingButTheirOwnCommand)
{
    for (const auto& [name, produce] : kProducers) {
        for (bool headerRead : {false, true}) {
            SCOPED_TRACE(std::string(name) + (headerRead ? " after the header" : " before the header"));
            DemoStream player = PlayerOf("0000 0 11000 10000010");
            if (headerRead)
                player.ReadCommandHeader(0);
            const int32_t position = player.GetBuffer().GetReadPosition();
            produce(player);
            EXPECT_EQ(player.GetBuffer().GetReadPosition(), position);
            EXPECT_EQ(player.IsHeaderPending(), !headerRead);
            EXPECT_EQ(player.ReplayNextCommand(0), C::KeyDown(0x41));
        }
    }
}

TEST(DemoStream, RegistryValueLongerThanTheCallersBufferIsCutAndReportsItsLength)
{
    const uint8_t value[] = {1, 2, 3, 4, 5, 6};
    DemoStream recorder(DemoMode::Recording);
    recorder.RecordRegistryRead(0, true, 4, value, 6);
    recorder.RecordCommand(0, C::Close());
    DemoStream player = PlayerOf(recorder);
    uint8_t into[5] = {0, 0, 0, 0, 0xEE};
    uint32_t type = 0;
    int32_t length = 4;
    EXPECT_TRUE(player.ReplayRegistryRead(type, into, length));
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(std::vector<uint8_t>(into, into + 5), (std::vector<uint8_t>{1, 2, 3, 4, 0xEE}));
    EXPECT_EQ(player.ReplayNextCommand(0), C::Close());
}

// Claims of 2^31 - 1 bytes (a string can claim only 32767) in a stream of a few.
const char* const kHugeClaims[] = {
    "0000 0 11010 1 " "00000000000000000000000000000000" "11111111111111111111111111111110",
    "0000 0 10001 " "00000000000000000000000000000000" "00000000" "1111111111111110",
    "0000 0 01001 " "11111111111111111111111111111110",
};

TEST(DemoStream, HugeClaimedLengthsAreRefusedAndEndTheReplay)
{
    for (const char* claim : kHugeClaims) {
        SCOPED_TRACE(claim);
        const std::string bits = std::string(claim) + " 10000000 0000 0 01100";
        DemoStream player = PlayerOf(bits);
        uint32_t type = 0;
        int32_t length = 0, result = 0;
        std::string content;
        Buffer kept;
        kept.WriteByte(7);
        EXPECT_FALSE(player.ReplayRegistryRead(type, nullptr, length));
        EXPECT_FALSE(player.ReplayWebResult(0, 0, result, content));
        player.RecordOrReplayBuffer(0, kept);
        EXPECT_EQ(kept.GetByteLength(), 1);
        EXPECT_EQ(player.GetBuffer().GetReadPosition(), 0);
        EXPECT_EQ(player.ReplayNextCommand(0), std::nullopt);
        EXPECT_TRUE(player.Ended());
    }
}

TEST(DemoStream, LongTextsAreCutAlikeWhenRecordedAndReplayed)
{
    DemoStream recorder(DemoMode::Recording);
    std::string text(40000, 'q');
    recorder.RecordOrReplayString(0, text);
    EXPECT_EQ(text.size(), 32767u);
    DemoStream player = PlayerOf(recorder);
    std::string replayed = "live";
    player.RecordOrReplayString(0, replayed);
    EXPECT_EQ(replayed, text);
    std::string unrecorded(32768, 'z');
    player.RecordOrReplayString(0, unrecorded);
    EXPECT_EQ(unrecorded, std::string(32767, 'z'));
}

TEST(DemoStream, AfterTheUserClosedTheWindowNothingIsRead)
{
    DemoStream player = PlayerOf("0000 0 00110 1  0000 0 11000 10000010");
    player.MarkClosedByUser();
    bool flag = false;
    player.RecordOrReplayBool(0, flag);
    EXPECT_FALSE(player.ReplayRegistryWrite());
    EXPECT_EQ(player.ReplayNextCommand(0), std::nullopt);
    EXPECT_EQ(player.GetBuffer().GetReadPosition(), 0);
}

// One recorded event and what its replay must give back.
struct Event {
    int32_t update;
    std::function<void(DemoStream&)> record;
    std::function<void(DemoStream&)> replay;
};

C RandomInput(std::mt19937& rng)
{
    const auto in = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    switch (in(0, 13)) {
    case 0: return C::MouseMove(in(-31, 31), in(-31, 31));
    case 1: return C::MouseButton(in(0, 1) != 0, in(-4, 3));
    case 2: return C::Position(in(-2048, 2047), in(-2048, 2047));
    case 3: return C::Active(in(0, 1) != 0);
    case 4: return C::Minimized(in(0, 1) != 0);
    case 5: return C::KeyDown(in(0, 255));
    case 6: return C::KeyUp(in(0, 255));
    case 7: return C::Character(in(0, 255));
    case 8: return C::Close();
    case 9: return C::MouseEnter();
    case 10: return C::MouseLeave();
    case 11: return C::LoadingDone();
    case 12: return C::Wheel(in(-128, 127));
    default: return C::DisplayMode(in(0, 1) != 0, in(0, 255));
    }
}

Event RandomEvent(std::mt19937& rng, int32_t update)
{
    const auto in = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    std::string bytes(static_cast<size_t>(in(0, 12)), '\0');
    for (char& c : bytes)
        c = static_cast<char>(in(0, 255));
    const auto size = static_cast<int32_t>(bytes.size());
    const bool flag = in(0, 1) != 0;
    const int32_t value = in(-5, 5);
    switch (in(0, 9)) {
    case 0:
        return {update,
                [=](DemoStream& s) {
                    s.RecordRegistryRead(update, flag, value, reinterpret_cast<const uint8_t*>(bytes.data()), size);
                },
                [=](DemoStream& s) {
                    uint8_t got[16];
                    uint32_t type = 99;
                    int32_t length = 16;
                    ASSERT_EQ(s.ReplayRegistryRead(type, got, length), flag);
                    if (flag) {
                        EXPECT_EQ(type, static_cast<uint32_t>(value));
                        EXPECT_EQ(std::string(got, got + length), bytes);
                    }
                }};
    case 1:
        return {update, [=](DemoStream& s) { s.RecordRegistryWrite(update, flag); },
                [=](DemoStream& s) { EXPECT_EQ(s.ReplayRegistryWrite(), flag); }};
    case 2:
        return {update, [=](DemoStream& s) { s.RecordWebResult(update, value, value & 3, bytes); },
                [=](DemoStream& s) {
                    int32_t result = -1;
                    std::string content;
                    ASSERT_TRUE(s.ReplayWebResult(update, value, result, content));
                    EXPECT_EQ(result, value & 3);
                    EXPECT_EQ(content, (value & 3) == 2 ? "" : bytes);
                }};
    case 3:
        return {update, [=](DemoStream& s) { std::string t = bytes; s.RecordOrReplayString(update, t); },
                [=](DemoStream& s) { std::string t = "live"; s.RecordOrReplayString(update, t); EXPECT_EQ(t, bytes); }};
    case 4:
        return {update, [=](DemoStream& s) { bool b = flag; s.RecordOrReplayBool(update, b); },
                [=](DemoStream& s) { bool b = !flag; s.RecordOrReplayBool(update, b); EXPECT_EQ(b, flag); }};
    default: {
        const C command = RandomInput(rng);
        return {update, [=](DemoStream& s) { s.RecordCommand(update, command); },
                [=](DemoStream& s) { EXPECT_EQ(s.ReplayNextCommand(update), command); }};
    }
    }
}

TEST(DemoStream, RandomRunsReplayFromTheirFileAtTheSameUpdates)
{
    Testing::TempDir dir;
    std::mt19937 rng(1912);
    const int32_t gaps[] = {0, 0, 0, 1, 2, 14, 15, 16, 29, 30, 31, 44, 45, 46, 100};
    for (int run = 0; run < 60; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        std::vector<Event> events;
        int32_t update = 0;
        for (int i = 0; i < 80; ++i) {
            update += gaps[rng() % std::size(gaps)];
            events.push_back(RandomEvent(rng, update));
        }
        DemoStream recorder(DemoMode::Recording);
        for (const Event& e : events)
            e.record(recorder);
        recorder.RecordFiller(update + 20);
        ASSERT_TRUE(SaveDemoFile(dir / "run.dmo", "1.0", {7, {}, update + 20}, recorder.GetBuffer()));
        DemoStream player(DemoMode::Playing);
        DemoFileInfo info;
        std::string error;
        ASSERT_TRUE(LoadDemoFile(dir / "run.dmo", "1.0", info, player.GetBuffer(), error)) << error;

        // As the main loop: between updates the replay reads ahead; producers
        // run inside the update that reaches theirs, before its replay.
        int32_t now = 0;
        for (const Event& e : events) {
            for (; now < e.update; ++now)
                ASSERT_EQ(player.ReplayNextCommand(now), std::nullopt) << now;
            e.replay(player);
        }
        for (; now <= update + 20; ++now)
            ASSERT_EQ(player.ReplayNextCommand(now), std::nullopt);
        EXPECT_TRUE(player.Ended());
        EXPECT_EQ(player.GetLastCommandUpdate(), update + 20);
    }
}

// Collects what a writer hands over, or refuses it.
class CollectingSink : public ByteSink {
public:
    bool Put(const void* data, size_t size) override
    {
        bytes.append(static_cast<const char*>(data), size);
        return accept;
    }
    std::string bytes;
    bool accept = true;
};

std::string StreamBytesOf(const Buffer& buffer)
{
    return std::string(reinterpret_cast<const char*>(buffer.GetBytes()), static_cast<size_t>(buffer.GetByteLength()));
}

TEST(DemoStream, AClosedStreamEndsWithFillersUpToTheUpdateAndStaysAsItWas)
{
    struct Row {
        int32_t update;
        const char* closing;
    };
    // After a key at update 3: "1100 0 11000 10000010".
    const Row rows[] = {
        {3, "0000 0 11111"},
        {18, "1111 0 11111"},
        {19, "1111 0 11111 1000 0 11111"},
        {40, "1111 0 11111 1111 0 11111 1110 0 11111"},
        // Before the last command: delta 0, as the stream cannot go back.
        {1, "0000 0 11111"},
    };
    for (const Row& row : rows) {
        DemoStream recorder(DemoMode::Recording);
        recorder.RecordCommand(3, C::KeyDown(0x41));
        const std::string before = StreamBytesOf(recorder.GetBuffer());
        CollectingSink sink;
        EXPECT_TRUE(recorder.WriteClosedStream(row.update, sink));
        Buffer written;
        written.SetData(reinterpret_cast<const uint8_t*>(sink.bytes.data()), static_cast<int32_t>(sink.bytes.size()));
        const std::string expected = Strip(std::string("1100 0 11000 10000010 ") + row.closing);
        EXPECT_EQ(Bits(written), expected + Zeros((8 - expected.size() % 8) % 8)) << row.update;
        EXPECT_EQ(StreamBytesOf(recorder.GetBuffer()), before);
        EXPECT_EQ(recorder.GetLastCommandUpdate(), 3);
    }

    DemoStream empty(DemoMode::Recording);
    CollectingSink sink;
    EXPECT_TRUE(empty.WriteClosedStream(0, sink));
    EXPECT_EQ(sink.bytes, std::string("\xE0\x03", 2));

    CollectingSink refusing;
    refusing.accept = false;
    EXPECT_FALSE(empty.WriteClosedStream(0, refusing));
}

TEST(DemoStream, AClosedStreamIsWhatTheRecorderWritesWithAFiller)
{
    std::mt19937 rng(2024);
    const int32_t gaps[] = {0, 1, 2, 15, 16, 31, 46, 700};
    for (int run = 0; run < 40; ++run) {
        DemoStream recorder(DemoMode::Recording);
        int32_t update = 0;
        for (int i = 0; i < 200; ++i) {
            update += gaps[rng() % std::size(gaps)];
            RandomEvent(rng, update).record(recorder);
        }
        // Long enough after the last command to take thousands of fillers.
        const int32_t closing = update + static_cast<int32_t>(rng() % 60000);
        CollectingSink sink;
        ASSERT_TRUE(recorder.WriteClosedStream(closing, sink));
        recorder.RecordFiller(closing);
        ASSERT_EQ(sink.bytes, StreamBytesOf(recorder.GetBuffer())) << "run " << run;
    }
}

TEST(DemoStream, StoppedForACrashNothingMoreIsWrittenAndEveryCommandIsWhole)
{
    DemoStream idle(DemoMode::Recording);
    EXPECT_TRUE(idle.StopWritersForCrash(std::chrono::milliseconds(0)));
    EXPECT_EQ(idle.GetMode(), DemoMode::Off);
    idle.RecordCommand(1, C::Close());
    EXPECT_EQ(idle.GetBuffer().GetBitLength(), 0);

    // A writer on another thread, as the main loop records while the catcher
    // runs on the thread that failed.
    DemoStream stream(DemoMode::Recording);
    std::atomic<bool> started{false};
    std::thread writer([&] {
        for (int32_t update = 0; stream.GetMode() == DemoMode::Recording; ++update) {
            stream.RecordCommand(update, C::KeyDown(update & 0xFF));
            uint8_t value[3] = {1, 2, 3};
            stream.RecordRegistryRead(update, true, 3, value, 3);
            started = true;
        }
    });
    while (!started)
        std::this_thread::yield();
    EXPECT_TRUE(stream.StopWritersForCrash(std::chrono::milliseconds(1000)));
    const int32_t stopped = stream.GetBuffer().GetBitLength();
    writer.join();
    EXPECT_EQ(stream.GetBuffer().GetBitLength(), stopped);

    // Whole commands: key downs, each followed by a registry read but
    // perhaps the last.
    DemoStream player(DemoMode::Playing);
    player.GetBuffer() = stream.GetBuffer();
    player.GetBuffer().Rewind();
    int32_t pairs = 0;
    for (int32_t update = 0; !player.Ended(); ++update, ++pairs) {
        ASSERT_EQ(player.ReplayNextCommand(update), C::KeyDown(update & 0xFF)) << update;
        uint32_t type = 0;
        uint8_t value[3] = {};
        int32_t length = 3;
        if (!player.ReplayRegistryRead(type, value, length)) {
            EXPECT_TRUE(player.Ended()) << update;
            break;
        }
        ASSERT_EQ(value[2], 3);
        // As the main loop, which reads ahead to the next update's header.
        ASSERT_EQ(player.ReplayNextCommand(update), std::nullopt);
    }
    EXPECT_GT(pairs, 0);
}

} // namespace
