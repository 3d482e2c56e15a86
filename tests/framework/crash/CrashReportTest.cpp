#include "framework/crash/CrashReport.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using CrashCatcher::CrashFacts;
using CrashCatcher::CrashFrame;

struct NameRow {
    uint32_t code;
    const char* name;
};

TEST(CrashReport, EveryExceptionCodeOfTheTableHasItsName)
{
    const NameRow rows[] = {
        {0x40000005, "Segment Notification"},   {0x80000003, "Breakpoint"},
        {0x80000004, "Single step"},            {0x00000000, "Wait 0"},
        {0x00000080, "Abandoned Wait 0"},       {0x000000C0, "User APC"},
        {0x00000102, "Timeout"},                {0x00000103, "Pending"},
        {0x80000001, "Guard Page Violation"},   {0x80000002, "Data Type Misalignment"},
        {0xC0000005, "Access Violation"},       {0xC0000006, "In Page Error"},
        {0xC0000017, "No Memory"},              {0xC000001D, "Illegal Instruction"},
        {0xC0000025, "Noncontinuable Exception"}, {0xC0000026, "Invalid Disposition"},
        {0xC000008C, "Array Bounds Exceeded"},  {0xC000008D, "Float Denormal Operand"},
        {0xC000008E, "Divide by Zero"},         {0xC000008F, "Float Inexact Result"},
        {0xC0000090, "Float Invalid Operation"}, {0xC0000091, "Float Overflow"},
        {0xC0000092, "Float Stack Check"},      {0xC0000093, "Float Underflow"},
        {0xC0000094, "Integer Divide by Zero"}, {0xC0000095, "Integer Overflow"},
        {0xC0000096, "Privileged Instruction"}, {0xC00000FD, "Stack Overflow"},
        {0xC000013A, "Ctrl+C Exit"},
    };
    for (const NameRow& row : rows) {
        ASSERT_NE(CrashCatcher::ExceptionName(row.code), nullptr) << std::hex << row.code;
        EXPECT_STREQ(CrashCatcher::ExceptionName(row.code), row.name) << std::hex << row.code;
    }
    for (const uint32_t unknown : {0xE06D7363u, 0x40000015u, 0xFFFFFFFFu, 0xC0000004u, 0x00000001u})
        EXPECT_EQ(CrashCatcher::ExceptionName(unknown), nullptr) << std::hex << unknown;
}

TEST(CrashReport, AShortenedPathIsWhatFollowsTheLastSeparatorOfEitherKind)
{
    EXPECT_EQ(CrashCatcher::ShortenPath("C:\\game/bin\\zarquel.exe"), "zarquel.exe");
    EXPECT_EQ(CrashCatcher::ShortenPath("/opt/game\\data/zarquel"), "zarquel");
    EXPECT_EQ(CrashCatcher::ShortenPath("zarquel"), "zarquel");
    EXPECT_EQ(CrashCatcher::ShortenPath("/opt/game/"), "");
    EXPECT_EQ(CrashCatcher::ShortenPath(""), "");
}

struct Report {
    std::string text;
    std::string title;
};

Report Write(const CrashFacts& facts)
{
    static char report[8192];
    static char title[64];
    Vorn::SafeText reportText(report, sizeof(report));
    Vorn::SafeText titleText(title, sizeof(title));
    CrashCatcher::WriteCrashReport(facts, reportText, titleText);
    return {std::string(reportText.View()), std::string(titleText.View())};
}

Platform::CrashRegisters Registers()
{
    Platform::CrashRegisters r;
    r.known = true;
    for (int i = 0; i < 14; ++i)
        r.general[i] = 0x1111111111111111ULL * static_cast<uint64_t>(i % 15 + 1);
    r.general[13] = 0xFEDCBA9876543210ULL;
    r.rip = 0x4005A3;
    r.rsp = 0x7FFC0008;
    r.rbp = 0x7FFC0030;
    r.flags = 0x10246;
    r.cs = 0x33;
    r.fs = 0x2B;
    r.gs = 0x0;
    return r;
}

CrashFrame Frame(uint64_t stack, uint64_t pc, std::string_view module, uint64_t moduleOffset,
                 std::string_view symbol, uint64_t displacement, uint64_t firstParam)
{
    CrashFrame frame;
    frame.frame = stack;
    frame.pc = pc;
    frame.module = module;
    frame.moduleOffset = moduleOffset;
    frame.symbol = symbol;
    frame.displacement = displacement;
    for (int i = 0; i < Platform::kFrameParams; ++i)
        frame.params[i] = firstParam + static_cast<uint64_t>(i);
    return frame;
}

std::vector<CrashFrame> ReportFrames()
{
    std::vector<CrashFrame> frames = {
        Frame(0x7FFC0010, 0x4005A3, "/opt/game/zarquel", 0x5A3, "Board::Update()", 0x13, 0x7FFC00200000A000),
        Frame(0x7FFC0040, 0x7F0012345678, "/lib/libc.so.6", 0x27678, "", 0, 0x10),
        Frame(0x7FFC0080, 0x1234, "", 0x1234, "", 0, 0),
    };
    frames[0].sourceFile = "/src/game/Board.cpp";
    frames[0].sourceLine = 1042;
    frames[0].sourceDisplacement = 0x1B;
    frames[2].params[3] = 0xFFFFFFFFFFFFFFFFULL;
    return frames;
}

const std::vector<CrashFrame> kReportFrames = ReportFrames();

CrashFacts Facts()
{
    CrashFacts facts;
    facts.exceptionCode = 0xC0000005;
    facts.address = 0x4005A3;
    facts.threadId = 0x1F2E;
    facts.module = "/opt/game/zarquel";
    facts.moduleOffset = 0x5A3;
    facts.registers = Registers();
    facts.frames = kReportFrames;
    facts.systemInfo = "OS Ver: Linux 6.1\r\n";
    return facts;
}

const char* const kRegisterLines =
    "RAX:1111111111111111 RBX:2222222222222222 RCX:3333333333333333 RDX:4444444444444444\r\n"
    "RSI:5555555555555555 RDI:6666666666666666 R8:7777777777777777 R9:8888888888888888\r\n"
    "R10:9999999999999999 R11:AAAAAAAAAAAAAAAA R12:BBBBBBBBBBBBBBBB R13:CCCCCCCCCCCCCCCC\r\n"
    "R14:DDDDDDDDDDDDDDDD R15:FEDCBA9876543210\r\n"
    "RIP:00000000004005A3 RSP:000000007FFC0008  RBP:000000007FFC0030\r\n"
    "CS:0033 FS:002B GS:0000\r\n"
    "Flags:00010246\r\n"
    "\r\n";

TEST(CrashReport, TheWholeReportLineByLine)
{
    CrashFacts facts = Facts();
    facts.walkCutShort = true;
    facts.walkError = 5;
    const Report report = Write(facts);
    EXPECT_EQ(report.title, "Exception at 0001:000005A3");
    EXPECT_EQ(report.text,
              std::string("Exception: Access Violation (code 0xc0000005) at address 004005A3 in thread 1F2E\r\n"
                          "Module: zarquel\r\n"
                          "Logical Address: 0001:000005A3\r\n"
                          "\r\n"
                          "7FFC0010 004005A3 Board::Update()+13\r\n"
                          "    /src/game/Board.cpp line 1042 +0x1B\r\n"
                          "Params: 7FFC00200000A000 7FFC00200000A001 7FFC00200000A002 7FFC00200000A003\r\n"
                          "\r\n"
                          "7FFC0040 7F0012345678 0001:00027678 /lib/libc.so.6\r\n"
                          "Params: 0000000000000010 0000000000000011 0000000000000012 0000000000000013\r\n"
                          "\r\n"
                          "7FFC0080 00001234 0000:00000000 \r\n"
                          "Params: 0000000000000000 0000000000000001 0000000000000002 FFFFFFFFFFFFFFFF\r\n"
                          "\r\n"
                          "StackWalk failed (error 5)\r\n"
                          "\r\n") +
                  kRegisterLines + "OS Ver: Linux 6.1\r\n");
}

struct WalkEndCase {
    bool cutShort;
    int error;
    const char* ending;
};

TEST(CrashReport, OnlyAWalkCutShortEndsWithTheUnwindersReason)
{
    const WalkEndCase cases[] = {
        {false, 0, "Params: 0000000000000000 0000000000000001 0000000000000002 FFFFFFFFFFFFFFFF\r\n\r\n\r\n"},
        {false, 5, "Params: 0000000000000000 0000000000000001 0000000000000002 FFFFFFFFFFFFFFFF\r\n\r\n\r\n"},
        {true, 3, "FFFFFFFFFFFFFFFF\r\n\r\nStackWalk failed (error 3)\r\n\r\n"},
        {true, 0, "FFFFFFFFFFFFFFFF\r\n\r\nStackWalk failed (error 0)\r\n\r\n"},
        {true, -9, "FFFFFFFFFFFFFFFF\r\n\r\nStackWalk failed (error -9)\r\n\r\n"},
    };
    for (const WalkEndCase& c : cases) {
        CrashFacts facts = Facts();
        facts.walkCutShort = c.cutShort;
        facts.walkError = c.error;
        const std::string text = Write(facts).text;
        EXPECT_NE(text.find(std::string(c.ending) + kRegisterLines), std::string::npos) << c.cutShort << c.error;
        EXPECT_EQ(text.find("StackWalk failed") != std::string::npos, c.cutShort) << c.error;
    }
}

TEST(CrashReport, AnUnnamedFrameShowsNoSourceLineAndAnEmptyWalkNoParams)
{
    std::vector<CrashFrame> frames = ReportFrames();
    frames[0].symbol = "";
    CrashFacts facts = Facts();
    facts.frames = frames;
    const std::string text = Write(facts).text;
    EXPECT_NE(text.find("\r\n\r\n7FFC0010 004005A3 0001:000005A3 /opt/game/zarquel\r\nParams: 7FFC00200000A000 "),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Board.cpp"), std::string::npos) << text;

    facts.frames = {};
    facts.walkCutShort = true;
    facts.walkError = 5;
    EXPECT_NE(Write(facts).text.find("Logical Address: 0001:000005A3\r\n\r\nStackWalk failed (error 5)\r\n\r\nRAX:"),
              std::string::npos);
}

TEST(CrashReport, FramesFromTheFramePointersPutTheInstructionFirst)
{
    CrashFacts facts = Facts();
    facts.byFramePointers = true;
    // Neither the words, nor the source line, nor the unwinder's end belong
    // to this walk.
    facts.walkCutShort = true;
    facts.registers = Platform::CrashRegisters();
    const std::string text = Write(facts).text;
    EXPECT_NE(text.find("\r\n\r\n"
                        "004005A3  7FFC0010  0001:000005A3 /opt/game/zarquel\r\n"
                        "7F0012345678  7FFC0040  0001:00027678 /lib/libc.so.6\r\n"
                        "00001234  7FFC0080  0000:00000000 \r\n"
                        "\r\n"
                        "OS Ver: Linux 6.1\r\n"),
              std::string::npos)
        << text;
}

TEST(CrashReport, ACodeOutsideTheTableIsAnUnknownExceptionAndNoModuleIsZero)
{
    CrashFacts facts = Facts();
    facts.exceptionCode = 0xE06D7363;
    facts.module = "";
    facts.moduleOffset = 0x5A3;
    facts.frames = {};
    facts.registers = Platform::CrashRegisters();
    const Report report = Write(facts);
    EXPECT_EQ(report.title, "Exception at 0000:00000000");
    EXPECT_EQ(report.text,
              "Unknown exception: (code 0xe06d7363) at address 004005A3 in thread 1F2E\r\n"
              "Module: \r\n"
              "Logical Address: 0000:00000000\r\n"
              "\r\n"
              "\r\n"
              "OS Ver: Linux 6.1\r\n");
}

} // namespace
