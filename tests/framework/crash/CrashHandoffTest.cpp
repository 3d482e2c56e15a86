#include "framework/crash/CrashHandoff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

using CrashCatcher::CrashFrame;
using CrashCatcher::CrashHandoff;
using CrashCatcher::HandoffState;

class StringSink : public Vorn::ByteSink {
public:
    bool Put(const void* data, size_t size) override
    {
        ++puts;
        bytes.append(static_cast<const char*>(data), size);
        return accept;
    }
    std::string bytes;
    int puts = 0;
    bool accept = true;
};

std::vector<CrashFrame> Frames()
{
    std::vector<CrashFrame> frames(2);
    frames[0].frame = 0x7FFC0010;
    frames[0].pc = 0x4005A3;
    frames[0].module = "/opt/game/zarquel";
    frames[0].moduleOffset = 0x5A3;
    frames[0].symbol = "_ZN5Board6UpdateEv";
    frames[0].displacement = 0x13;
    const uint64_t params[] = {0x8877665544332211ULL, 0, 0xFFFFFFFFFFFFFFFFULL, 0x7FFC0020};
    std::copy(std::begin(params), std::end(params), std::begin(frames[0].params));
    // Looked up by the reporter: never handed over.
    frames[0].sourceFile = "/src/Board.cpp";
    frames[0].sourceLine = 12;
    frames[0].sourceDisplacement = 3;
    frames[1].frame = 0x7FFC0040;
    frames[1].pc = 0x1234;
    return frames;
}

const std::vector<CrashFrame> kFrames = Frames();

CrashCatcher::HandoffFirstPart FirstPart()
{
    CrashCatcher::HandoffFirstPart part;
    part.facts.exceptionCode = 0xC00000FD;
    part.facts.address = 0x4005A3;
    part.facts.threadId = 0x1F2E;
    part.facts.module = "/opt/game/zarquel";
    part.facts.moduleOffset = 0x5A3;
    part.facts.registers.known = true;
    for (int i = 0; i < 14; ++i)
        part.facts.registers.general[i] = 0x0101010101010101ULL * static_cast<uint64_t>(i + 1);
    part.facts.registers.rip = 0x4005A3;
    part.facts.registers.rsp = 0x7FFC0008;
    part.facts.registers.rbp = 0x7FFC0030;
    part.facts.registers.flags = 0x10246;
    part.facts.registers.cs = 0x33;
    part.facts.registers.fs = 0x2B;
    part.facts.registers.gs = 0x63;
    part.facts.frames = kFrames;
    part.facts.byFramePointers = true;
    part.facts.walkCutShort = true;
    part.facts.walkError = -2;
    part.facts.systemInfo = "OS Ver: Linux\r\n";
    part.hasApplication = true;
    part.productName = "Zarquel";
    part.productVersion = "1.0";
    part.copyToClipboard = true;
    part.demoKept = true;
    part.demoFileName = "/home/p/vornapp.dmo";
    part.uploadAddress = "reports.example:8080";
    return part;
}

std::string Whole()
{
    StringSink sink;
    CrashCatcher::HandoffWriter writer(sink);
    CrashCatcher::WriteFirstPart(writer, FirstPart());
    CrashCatcher::WriteApplicationPart(writer, "Product: Zarquel\r\n", "/tmp/extra.bin",
                                       {{"b", "2"}, {"a", std::string(5000, 'x')}});
    return sink.bytes;
}

void ExpectFirstPart(const CrashHandoff& h)
{
    EXPECT_EQ(h.exceptionCode, 0xC00000FDu);
    EXPECT_EQ(h.address, 0x4005A3u);
    EXPECT_EQ(h.threadId, 0x1F2Eu);
    EXPECT_EQ(h.module, "/opt/game/zarquel");
    EXPECT_EQ(h.moduleOffset, 0x5A3u);
    EXPECT_TRUE(h.registers.known);
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(h.registers.general[i], 0x0101010101010101ULL * static_cast<uint64_t>(i + 1));
    EXPECT_EQ(h.registers.rip, 0x4005A3u);
    EXPECT_EQ(h.registers.rsp, 0x7FFC0008u);
    EXPECT_EQ(h.registers.rbp, 0x7FFC0030u);
    EXPECT_EQ(h.registers.flags, 0x10246u);
    EXPECT_EQ(h.registers.cs, 0x33);
    EXPECT_EQ(h.registers.fs, 0x2B);
    EXPECT_EQ(h.registers.gs, 0x63);
    ASSERT_EQ(h.frames.size(), 2u);
    EXPECT_EQ(h.frames[0].frame, 0x7FFC0010u);
    EXPECT_EQ(h.frames[0].pc, 0x4005A3u);
    EXPECT_EQ(h.frames[0].module, "/opt/game/zarquel");
    EXPECT_EQ(h.frames[0].moduleOffset, 0x5A3u);
    EXPECT_EQ(h.frames[0].symbol, "_ZN5Board6UpdateEv");
    EXPECT_EQ(h.frames[0].displacement, 0x13u);
    EXPECT_EQ(h.frames[0].params[0], 0x8877665544332211ULL);
    EXPECT_EQ(h.frames[0].params[1], 0u);
    EXPECT_EQ(h.frames[0].params[2], 0xFFFFFFFFFFFFFFFFULL);
    EXPECT_EQ(h.frames[0].params[3], 0x7FFC0020u);
    EXPECT_EQ(h.frames[0].sourceFile, "");
    EXPECT_EQ(h.frames[0].sourceLine, 0);
    EXPECT_EQ(h.frames[1].pc, 0x1234u);
    EXPECT_EQ(h.frames[1].module, "");
    for (const uint64_t word : h.frames[1].params)
        EXPECT_EQ(word, 0u);
    EXPECT_TRUE(h.byFramePointers);
    EXPECT_TRUE(h.walkCutShort);
    EXPECT_EQ(h.walkError, -2);
    EXPECT_EQ(h.systemInfo, "OS Ver: Linux\r\n");
    EXPECT_TRUE(h.hasApplication);
    EXPECT_EQ(h.productName, "Zarquel");
    EXPECT_EQ(h.productVersion, "1.0");
    EXPECT_TRUE(h.copyToClipboard);
    EXPECT_TRUE(h.demoKept);
    EXPECT_EQ(h.demoFileName, "/home/p/vornapp.dmo");
    EXPECT_EQ(h.uploadAddress, "reports.example:8080");
}

TEST(CrashHandoff, BothPartsComeThroughWhole)
{
    CrashHandoff h;
    ASSERT_EQ(CrashCatcher::ParseHandoff(Whole(), h), HandoffState::Whole);
    ExpectFirstPart(h);
    EXPECT_TRUE(h.applicationAnswered);
    EXPECT_EQ(h.crashInfo, "Product: Zarquel\r\n");
    EXPECT_EQ(h.attachmentName, "/tmp/extra.bin");
    ASSERT_EQ(h.uploadFields.size(), 2u);
    EXPECT_EQ(h.uploadFields["a"], std::string(5000, 'x'));
    EXPECT_EQ(h.uploadFields["b"], "2");

    h.frames[0].sourceFile = "/src/Board.cpp";
    h.frames[0].sourceLine = 12;
    h.frames[0].sourceDisplacement = 3;
    const std::vector<CrashFrame> views = h.FrameViews();
    const CrashCatcher::CrashFacts facts = h.Facts(views);
    EXPECT_EQ(facts.frames.size(), 2u);
    EXPECT_EQ(facts.frames[0].symbol, "_ZN5Board6UpdateEv");
    EXPECT_EQ(facts.frames[0].params[2], 0xFFFFFFFFFFFFFFFFULL);
    EXPECT_EQ(facts.frames[0].sourceFile, "/src/Board.cpp");
    EXPECT_EQ(facts.frames[0].sourceLine, 12);
    EXPECT_EQ(facts.frames[0].sourceDisplacement, 3u);
    EXPECT_EQ(facts.module, "/opt/game/zarquel");
    EXPECT_TRUE(facts.byFramePointers);
    EXPECT_TRUE(facts.walkCutShort);
    EXPECT_EQ(facts.walkError, -2);

    // The clipboard's copy: everything but the source lines.
    const std::vector<CrashFrame> plain = h.FrameViews(false);
    EXPECT_EQ(plain[0].symbol, "_ZN5Board6UpdateEv");
    EXPECT_EQ(plain[0].params[0], 0x8877665544332211ULL);
    EXPECT_EQ(plain[0].sourceFile, "");
    EXPECT_EQ(plain[0].sourceLine, 0);
    EXPECT_EQ(plain[0].sourceDisplacement, 0u);
}

TEST(CrashHandoff, EveryCutIsIncompleteOrTheFirstPartAloneNeverMore)
{
    const std::string whole = Whole();
    StringSink first;
    CrashCatcher::HandoffWriter writer(first);
    CrashCatcher::WriteFirstPart(writer, FirstPart());
    for (size_t length = 0; length < whole.size(); ++length) {
        CrashHandoff h;
        const HandoffState state = CrashCatcher::ParseHandoff(std::string_view(whole).substr(0, length), h);
        if (length < first.bytes.size()) {
            ASSERT_EQ(state, HandoffState::Incomplete) << length;
        } else {
            ASSERT_EQ(state, HandoffState::FirstPart) << length;
            EXPECT_FALSE(h.applicationAnswered);
            EXPECT_EQ(h.productName, "Zarquel");
        }
    }
}

TEST(CrashHandoff, AnythingElseIsRefused)
{
    std::string whole = Whole();
    CrashHandoff h;
    std::string wrongStart = whole;
    wrongStart[0] ^= 1;
    EXPECT_EQ(CrashCatcher::ParseHandoff(wrongStart, h), HandoffState::Invalid);

    // The first text's length (the module's, after 28 bytes of numbers) set
    // beyond any report.
    std::string longText = whole;
    longText[4 + 4 + 8 + 8 + 3] = 0x01;
    EXPECT_EQ(CrashCatcher::ParseHandoff(longText, h), HandoffState::Invalid);

    // The frame count (after the registers) above the most frames there are.
    const size_t frameCount = 4 + 4 + 8 + 8 + 4 + 17 + 8 + 1 + 14 * 8 + 4 * 8 + 3 * 2 + 1 + 1 + 4;
    std::string manyFrames = whole;
    manyFrames[frameCount + 1] = 0x10;
    EXPECT_EQ(CrashCatcher::ParseHandoff(manyFrames, h), HandoffState::Invalid);
}

TEST(CrashHandoff, FlagsOffAndTextsAtTheirLimitComeThroughToo)
{
    CrashCatcher::HandoffFirstPart part = FirstPart();
    part.facts.registers.known = false;
    part.facts.byFramePointers = false;
    part.facts.walkCutShort = false;
    part.hasApplication = false;
    part.copyToClipboard = false;
    part.demoKept = false;
    // Cut to the longest text a handoff carries.
    const std::string longest(1 << 20, 'm');
    const std::string module = longest + "cut";
    part.facts.module = module;
    StringSink sink;
    CrashCatcher::HandoffWriter writer(sink);
    CrashCatcher::WriteFirstPart(writer, part);
    CrashHandoff h;
    ASSERT_EQ(CrashCatcher::ParseHandoff(sink.bytes, h), HandoffState::FirstPart);
    EXPECT_FALSE(h.registers.known);
    EXPECT_FALSE(h.byFramePointers);
    EXPECT_FALSE(h.walkCutShort);
    EXPECT_FALSE(h.hasApplication);
    EXPECT_FALSE(h.copyToClipboard);
    EXPECT_FALSE(h.demoKept);
    EXPECT_EQ(h.module, longest);

    // One byte longer, as a damaged length would claim, is refused.
    std::string longer = sink.bytes;
    longer[24] = 1;
    longer.insert(28, 1, 'm');
    EXPECT_EQ(CrashCatcher::ParseHandoff(longer, h), HandoffState::Invalid);
}

TEST(CrashHandoff, AWriterStopsAtTheFirstRefusalAndPassesOnInBlocks)
{
    StringSink sink;
    sink.accept = false;
    CrashCatcher::HandoffWriter writer(sink);
    CrashCatcher::WriteFirstPart(writer, FirstPart());
    EXPECT_FALSE(writer.Ok());
    const int puts = sink.puts;
    writer.Text(std::string(10000, 'y'));
    writer.Flush();
    EXPECT_EQ(sink.puts, puts);

    StringSink large;
    CrashCatcher::HandoffWriter blocks(large);
    blocks.Text(std::string(10000, 'z'));
    blocks.Flush();
    EXPECT_EQ(large.puts, 3);
    EXPECT_EQ(large.bytes.size(), 10004u);
}

} // namespace
