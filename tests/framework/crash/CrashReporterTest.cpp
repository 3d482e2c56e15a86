// The reporter's naming of the frames it is handed: from the modules' own
// files, with source lines in the report but not in the clipboard's copy,
// and the handler's names or logical addresses where the files tell nothing.

#include "framework/crash/CrashReporter.h"

#include "fakes/TempDir.h"
#include "platform/CrashSignals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using CrashCatcher::CrashHandoff;
using ::testing::HasSubstr;
using ::testing::Not;

// On one line: every instruction of it belongs to that line.
__attribute__((noinline)) int CrashReporterQuadruple(int x) { return x * 4 + 3; }
constexpr int kQuadrupleLine = __LINE__ - 1;

int (*volatile gQuadruple)(int) = CrashReporterQuadruple;

uintptr_t QuadrupleEntry()
{
    return reinterpret_cast<uintptr_t>(gQuadruple);
}

// As the handler describes a frame: the loader's module and exported name.
CrashHandoff::Frame FrameAt(uint64_t stack, uintptr_t pc)
{
    CrashHandoff::Frame frame;
    frame.frame = stack;
    frame.pc = pc;
    Platform::CodeLocation location;
    EXPECT_TRUE(Platform::LocateCode(pc, location));
    frame.module = location.module;
    frame.moduleOffset = pc - location.moduleBase;
    if (location.symbol != nullptr) {
        frame.symbol = location.symbol;
        frame.displacement = pc - location.symbolAddress;
    }
    return frame;
}

CrashHandoff Handoff(std::vector<CrashHandoff::Frame> frames)
{
    CrashHandoff handoff;
    handoff.exceptionCode = 0xC0000005;
    handoff.address = frames.empty() ? 0 : frames[0].pc;
    handoff.frames = std::move(frames);
    handoff.systemInfo = "OS Ver: Linux\r\n";
    handoff.crashInfo = "Product: Probe\r\n";
    return handoff;
}

std::string Hex(uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof(text), "%08llX", static_cast<unsigned long long>(value));
    return text;
}

const char* const kQuadrupleName = "(anonymous namespace)::CrashReporterQuadruple(int)";

TEST(CrashReporter, AFramePrivateToItsFileIsNamedWithItsSourceLineOutsideTheClipboard)
{
    const Testing::TempDir noMapFile;
    const uintptr_t entry = QuadrupleEntry();
    // The failing instruction is looked up where it is, a return address at
    // its call, one byte before it.
    CrashHandoff handoff = Handoff({FrameAt(0x7FFC0010, entry), FrameAt(0x7FFC0040, entry + 1),
                                    FrameAt(0x7FFC0080, entry)});
    const CrashCatcher::FinalReport report = CrashCatcher::MakeFinalReport(handoff, noMapFile.Path());

    const std::string first = "7FFC0010 " + Hex(entry) + " " + kQuadrupleName + "+0\r\n    ";
    // Its line starts at its entry.
    const std::string line = "/tests/framework/crash/CrashReporterTest.cpp line " + std::to_string(kQuadrupleLine);
    const size_t at = report.text.find(first);
    ASSERT_NE(at, std::string::npos) << report.text;
    EXPECT_EQ(report.text[at + first.size()], '/') << report.text;
    EXPECT_THAT(report.text.substr(at), HasSubstr(line + " +0x0\r\nParams: "));
    const std::string second = "7FFC0040 " + Hex(entry + 1) + " " + kQuadrupleName + "+1\r\n    /";
    ASSERT_THAT(report.text, HasSubstr(second));
    EXPECT_THAT(report.text.substr(report.text.find(second)), HasSubstr(line + " +0x1\r\nParams: "));
    const size_t third = report.text.find("7FFC0080 ");
    ASSERT_NE(third, std::string::npos);
    EXPECT_THAT(report.text.substr(third, report.text.find("\r\n", third) - third), Not(HasSubstr("Quadruple")));
    EXPECT_THAT(report.text, HasSubstr("\r\n\r\nProduct: Probe\r\n"));

    EXPECT_THAT(report.clipboardText, HasSubstr("7FFC0010 " + Hex(entry) + " " + kQuadrupleName + "+0\r\nParams: "));
    EXPECT_THAT(report.clipboardText,
                HasSubstr("7FFC0040 " + Hex(entry + 1) + " " + kQuadrupleName + "+1\r\nParams: "));
    EXPECT_THAT(report.clipboardText, Not(HasSubstr(" line ")));
    EXPECT_THAT(report.clipboardText, HasSubstr("\r\n\r\nProduct: Probe\r\n"));
    EXPECT_EQ(report.upload.errorText, report.text);
}

TEST(CrashReporter, WhereTheModulesFileTellsNothingTheLoadersNameOrTheLogicalAddressStays)
{
    const Testing::TempDir dir;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string stripped = dir / "stripped";
    ASSERT_EQ(std::system(("objcopy --strip-all '" + self + "' '" + stripped + "'").c_str()), 0);

    const uintptr_t entry = QuadrupleEntry();
    CrashHandoff::Frame withoutSymbols = FrameAt(0x7FFC0010, entry + 2);
    withoutSymbols.module = stripped;
    CrashHandoff::Frame loaderNamed = withoutSymbols;
    loaderNamed.frame = 0x7FFC0018;
    loaderNamed.symbol = "_Z4Drawi";
    loaderNamed.displacement = 0x13;
    CrashHandoff::Frame exported;
    exported.frame = 0x7FFC0020;
    exported.pc = 0x7F0000001123;
    exported.module = "/nowhere/libgone.so";
    exported.moduleOffset = 0x1123;
    exported.symbol = "_Z4Drawi";
    exported.displacement = 0x13;
    CrashHandoff::Frame unnamed = exported;
    unnamed.frame = 0x7FFC0030;
    unnamed.symbol.clear();
    // Damaged: the module would start above the address.
    CrashHandoff::Frame beyond = FrameAt(0x7FFC0040, entry + 2);
    beyond.moduleOffset = beyond.pc + 1;
    CrashHandoff handoff = Handoff({withoutSymbols, loaderNamed, exported, unnamed, beyond});
    const CrashCatcher::FinalReport report = CrashCatcher::MakeFinalReport(handoff, dir.Path());

    EXPECT_THAT(report.text, HasSubstr("7FFC0010 " + Hex(entry + 2) + " 0001:" + Hex(withoutSymbols.moduleOffset) +
                                       " " + stripped + "\r\nParams: "));
    EXPECT_THAT(report.text, HasSubstr("7FFC0018 " + Hex(entry + 2) + " Draw(int)+13\r\nParams: "));
    EXPECT_THAT(report.text, HasSubstr("7FFC0020 7F0000001123 Draw(int)+13\r\nParams: "));
    EXPECT_THAT(report.text, HasSubstr("7FFC0030 7F0000001123 0001:00001123 /nowhere/libgone.so\r\nParams: "));
    EXPECT_THAT(report.text, HasSubstr("7FFC0040 " + Hex(entry + 2) + " 0001:" + Hex(beyond.moduleOffset) + " "));
    EXPECT_EQ(report.text, report.clipboardText);
}

TEST(CrashReporter, TheFramePointersWalkKeepsItsLogicalAddresses)
{
    const Testing::TempDir noMapFile;
    const uintptr_t entry = QuadrupleEntry();
    CrashHandoff handoff = Handoff({FrameAt(0x7FFC0010, entry + 2)});
    handoff.byFramePointers = true;
    const CrashCatcher::FinalReport report = CrashCatcher::MakeFinalReport(handoff, noMapFile.Path());
    EXPECT_THAT(report.text, HasSubstr(Hex(entry + 2) + "  7FFC0010  0001:" + Hex(handoff.frames[0].moduleOffset) +
                                       " " + handoff.frames[0].module + "\r\n"));
    EXPECT_THAT(report.text, Not(HasSubstr("Quadruple")));
    EXPECT_EQ(report.text, report.clipboardText);
}

} // namespace
