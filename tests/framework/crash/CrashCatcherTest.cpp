// The crash catcher as a player meets it: a program that fails ends by its
// signal, leaves "crash.txt" with the named stack, shows the report (here,
// without a desktop, on standard error) and keeps the demo it was recording.

#include "framework/app/DemoFile.h"
#include "framework/app/DemoStream.h"
#include "fakes/ProgramRun.h"
#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr int kSeconds = 60;
const char* const kShown = "Fatal Error!: An unexpected error has occured!";

int KilledBy(int signal)
{
    return 128 + signal;
}

std::vector<std::string> ReportLines(const std::string& report)
{
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t end; (end = report.find("\r\n", from)) != std::string::npos; from = end + 2)
        lines.push_back(report.substr(from, end - from));
    lines.push_back(report.substr(from));
    return lines;
}

// The unwinder's stack line by line: each frame's line (a named one with its
// source line under it where known), its four words and a blank line; then,
// for a walk cut short, the unwinder's reason; then the blank line before
// the registers.
void ExpectUnwoundStack(const std::string& report, const char* walkEnd)
{
    const std::vector<std::string> lines = ReportLines(report);
    size_t i = 0;
    while (i < lines.size() && lines[i].rfind("Logical Address: ", 0) != 0)
        ++i;
    i += 2;
    const std::regex frameLine("[0-9A-F]{8,} [0-9A-F]{8,} [^ ].*");
    // The walk starts at the instruction that failed.
    const size_t rip = report.find("\r\nRIP:");
    ASSERT_NE(rip, std::string::npos);
    ASSERT_LT(i, lines.size());
    const size_t pcAt = lines[i].find(' ') + 1;
    const uint64_t pc = std::stoull(lines[i].substr(pcAt, lines[i].find(' ', pcAt) - pcAt), nullptr, 16);
    EXPECT_EQ(pc, std::stoull(report.substr(rip + 6, 16), nullptr, 16)) << lines[i];
    const size_t address = report.find(" at address ") + 12;
    EXPECT_EQ(std::stoull(report.substr(address, report.find(' ', address) - address), nullptr, 16),
              std::stoull(report.substr(rip + 6, 16), nullptr, 16));
    // Its place is where its caller's stack pointer was: a little above the
    // stack pointer at the fault.
    const uint64_t place = std::stoull(lines[i].substr(0, pcAt - 1), nullptr, 16);
    const uint64_t stackPointer = std::stoull(report.substr(report.find(" RSP:", rip) + 5, 16), nullptr, 16);
    // A call through a null pointer made no frame: it lies above the address the call pushed.
    if (pc == 0) {
        EXPECT_EQ(place, stackPointer + 8) << lines[i];
    }
    if (place != 0) {
        EXPECT_GT(place, stackPointer) << lines[i];
        EXPECT_LT(place - stackPointer, 1u << 20) << lines[i];
    }
    const std::regex sourceLine("    [^ ].* line [0-9]+ \\+0x[0-9A-F]+");
    const std::regex params("Params: [0-9A-F]{16} [0-9A-F]{16} [0-9A-F]{16} [0-9A-F]{16}");
    int frames = 0;
    while (i + 2 < lines.size() && !lines[i].empty() && lines[i].rfind("StackWalk", 0) != 0) {
        ASSERT_TRUE(std::regex_match(lines[i], frameLine)) << i << ": " << lines[i];
        if (lines[++i].rfind("    ", 0) == 0) {
            ASSERT_TRUE(std::regex_match(lines[i], sourceLine)) << i << ": " << lines[i];
            ++i;
        }
        ASSERT_TRUE(std::regex_match(lines[i], params)) << i << ": " << lines[i];
        ASSERT_EQ(lines[i + 1], "") << i;
        i += 2;
        ++frames;
    }
    EXPECT_GT(frames, 0);
    if (walkEnd != nullptr) {
        ASSERT_EQ(lines.at(i), walkEnd);
        ++i;
    }
    ASSERT_EQ(lines.at(i), "");
    EXPECT_EQ(lines.at(i + 1).rfind("RAX:", 0), 0u) << lines.at(i + 1);
}

struct FailureCase {
    const char* mode;
    int status;
    const char* exceptionLine;
    const char* failingFunction;
    // The last line of a walk cut short; null for a whole one.
    const char* walkEnd;
    // What the stack starts with, where a case pins it.
    const char* stackStart = nullptr;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.mode;
}

class CrashProbeFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CrashProbeFailure, EndsByItsSignalWithTheReportOnDiskAndShown)
{
    const FailureCase& c = GetParam();
    const Testing::TempDir dir;
    const Testing::ProgramEnd end = Testing::RunProgram(dir, std::string(CRASH_PROBE) + " " + c.mode, kSeconds);
    EXPECT_EQ(end.status, c.status);
    const std::string report = Testing::ReadTextFile(dir / "crash.txt");
    EXPECT_THAT(report, StartsWith(c.exceptionLine));
    EXPECT_THAT(report, HasSubstr("\r\nModule: "));
    EXPECT_THAT(report, HasSubstr(std::string(" ") + c.failingFunction + "+"));
    EXPECT_THAT(report, HasSubstr("\r\nRIP:"));
    EXPECT_THAT(report, HasSubstr("\r\nOS Ver: Linux "));
    ExpectUnwoundStack(report, c.walkEnd);
    if (c.stackStart != nullptr) {
        EXPECT_TRUE(std::regex_search(report, std::regex(c.stackStart))) << report;
    }
    // No application: no line about its libraries, no text of its own.
    EXPECT_THAT(report, Not(HasSubstr("Media Ver:")));
    EXPECT_THAT(report, Not(HasSubstr("Product:")));
    EXPECT_THAT(end.standardError, HasSubstr(kShown));
    EXPECT_THAT(end.standardError, HasSubstr(c.exceptionLine));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CrashProbeFailure,
    ::testing::Values(
        FailureCase{"segv", KilledBy(SIGSEGV), "Exception: Access Violation (code 0xc0000005) at address ",
                    "CrashProbeWriteNull", nullptr},
        FailureCase{"divide", KilledBy(SIGFPE), "Exception: Integer Divide by Zero (code 0xc0000094) at address ",
                    "CrashProbeDivide", nullptr},
        FailureCase{"abort", KilledBy(SIGABRT), "Unknown exception: (code 0x40000015) at address ", "abort",
                    nullptr},
        FailureCase{"throw", KilledBy(SIGABRT), "Unknown exception: (code 0xe06d7363) at address ",
                    "CrashProbeThrow", nullptr},
        // The walk goes on from the function that made the call to main.
        FailureCase{"nullcall", KilledBy(SIGSEGV), "Exception: Access Violation (code 0xc0000005) at address ",
                    "CrashProbeCallNothing", nullptr,
                    "Logical Address: 0000:00000000\r\n\r\n[0-9A-F]{8,} 00000000 0000:00000000 \r\n"
                    "Params: [0-9A-F ]+\r\n\r\n[0-9A-F]{8,} [0-9A-F]{8,} CrashProbeCallNothing\\+[0-9A-F]+\r\n"
                    "    [^\r]*/tests/probes/CrashProbe\\.cpp line [0-9]+ \\+0x[0-9A-F]+\r\nParams: [\\s\\S]* main\\+"},
        // The deepest frames fill the walk, which the catcher then stops.
        FailureCase{"overflow", KilledBy(SIGSEGV), "Exception: Stack Overflow (code 0xc00000fd) at address ",
                    "CrashProbeRecurse", "StackWalk failed (error 3)"},
        // The unwinder finds nothing that leads past the code without tables.
        FailureCase{"nounwind", KilledBy(SIGSEGV), "Exception: Access Violation (code 0xc0000005) at address ",
                    "CrashProbeWriteNull", "StackWalk failed (error 5)"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.mode); });

std::string RegexQuoted(const std::string& text)
{
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

// The line of the probe's source that holds `marker`, counted from 1.
int ProbeSourceLine(const std::string& marker)
{
    std::ifstream in(CRASH_PROBE_SOURCE);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.find(marker) != std::string::npos)
            return number;
    }
    return 0;
}

TEST(CrashProbe, AFunctionPrivateToItsFileIsNamedWithItsSourceLine)
{
    const int line = ProbeSourceLine("// the private write");
    ASSERT_GT(line, 0);
    const Testing::TempDir dir;
    const Testing::ProgramEnd end = Testing::RunProgram(dir, std::string(CRASH_PROBE) + " local", kSeconds);
    EXPECT_EQ(end.status, KilledBy(SIGSEGV));
    const std::string report = Testing::ReadTextFile(dir / "crash.txt");
    const std::regex named("\r\n[0-9A-F]{8,} [0-9A-F]{8,} \\(anonymous namespace\\)::CrashProbePrivateWrite\\(\\)\\+[0-9A-F]+"
                           "\r\n    /[^\r]*/tests/probes/CrashProbe\\.cpp line " +
                           std::to_string(line) + " \\+0x[0-9A-F]+\r\nParams: ");
    EXPECT_TRUE(std::regex_search(report, named)) << report;
    ExpectUnwoundStack(report, nullptr);
    // The window's text has the source lines too.
    EXPECT_TRUE(std::regex_search(end.standardError, named)) << end.standardError;
}

// The unwinder knows no frame's place before it has stepped past it.
struct CutShortCase {
    const char* mode;
    const char* ending;
};

class CutShortWalk : public ::testing::TestWithParam<CutShortCase> {};

TEST_P(CutShortWalk, EndsWithAFrameOfUnknownPlaceAndTheUnwindersReason)
{
    const Testing::TempDir dir;
    const Testing::ProgramEnd end = Testing::RunProgram(dir, std::string(CRASH_PROBE) + " " + GetParam().mode, kSeconds);
    EXPECT_EQ(end.status, KilledBy(SIGSEGV));
    const std::string report = Testing::ReadTextFile(dir / "crash.txt");
    EXPECT_TRUE(std::regex_search(report, std::regex(GetParam().ending))) << report;
    ExpectUnwoundStack(report, "StackWalk failed (error 5)");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CutShortWalk,
    ::testing::Values(
        CutShortCase{"nounwind", "CrashProbeWriteNull\\+[0-9A-F]+\r\n    [^\r]+\r\nParams: [0-9A-F ]+\r\n\r\n"
                                 "00000000 [0-9A-F]{8,} 0000:00000000 \r\n"
                                 "Params: 0000000000000000 0000000000000000 0000000000000000 0000000000000000\r\n"
                                 "\r\nStackWalk failed \\(error 5\\)\r\n\r\nRAX:"}),
    [](const ::testing::TestParamInfo<CutShortCase>& info) { return std::string(info.param.mode); });

TEST(CrashProbe, TheWordsUnderAFrameAreTheArgumentsItsCallerPassedOnTheStack)
{
    const Testing::TempDir dir;
    const Testing::ProgramEnd end = Testing::RunProgram(dir, std::string(CRASH_PROBE) + " params", kSeconds);
    EXPECT_EQ(end.status, KilledBy(SIGSEGV));
    const std::string report = Testing::ReadTextFile(dir / "crash.txt");
    const std::regex first("\r\n\r\n[0-9A-F]{8,} [0-9A-F]{8,} CrashProbeStackArguments\\+[0-9A-F]+\r\n    [^\r]+\r\n"
                           "Params: 1111222233334444 5555666677778888 7777000011112222 3333444455556666\r\n\r\n");
    EXPECT_TRUE(std::regex_search(report, first)) << report;
}

TEST(CrashProbe, AFrameOfTheProgramShowsItsFileHoweverItWasStarted)
{
    // Found on the PATH, the program's name is all its command tells.
    const std::filesystem::path probe = std::filesystem::canonical(CRASH_PROBE);
    const Testing::TempDir dir;
    const Testing::ProgramEnd end = Testing::RunProgram(
        dir, "PATH='" + probe.parent_path().string() + "':\"$PATH\" " + probe.filename().string() + " localalone",
        kSeconds);
    EXPECT_EQ(end.status, KilledBy(SIGSEGV));
    const std::string report = Testing::ReadTextFile(dir / "crash.txt");
    EXPECT_THAT(report, HasSubstr("\r\nModule: crash_probe\r\n"));
    // Without a reporter nothing names the private function.
    const std::regex unnamed("\r\n[0-9A-F]{8,} [0-9A-F]{8,} 0001:[0-9A-F]{8} " + RegexQuoted(probe.string()) +
                             "\r\nParams: ");
    EXPECT_TRUE(std::regex_search(report, unnamed)) << report;
    ExpectUnwoundStack(report, nullptr);
}

TEST(CrashProbe, WithoutAReporterTheFirstReportStays)
{
    const Testing::TempDir dir;
    const Testing::ProgramEnd end = Testing::RunProgram(dir, std::string(CRASH_PROBE) + " alone", kSeconds);
    EXPECT_EQ(end.status, KilledBy(SIGSEGV));
    const std::string report = Testing::ReadTextFile(dir / "crash.txt");
    EXPECT_THAT(report, StartsWith("Exception: Access Violation (code 0xc0000005) at address "));
    EXPECT_THAT(report, HasSubstr(" CrashProbeWriteNull+"));
    EXPECT_THAT(end.standardError, Not(HasSubstr(kShown)));
}

// The stream the recording had, closed by a filler at the crash's update,
// as the ordinary writer would have written it.
std::string ExpectedStream()
{
    Vorn::DemoStream recorder(Vorn::DemoMode::Recording);
    recorder.RecordCommand(3, Vorn::DemoCommand::KeyDown(0x41));
    recorder.RecordCommand(5, Vorn::DemoCommand::Close());
    recorder.RecordFiller(40);
    const Vorn::Buffer& bytes = recorder.GetBuffer();
    return std::string(reinterpret_cast<const char*>(bytes.GetBytes()), static_cast<size_t>(bytes.GetByteLength()));
}

class RecordingCrash : public ::testing::TestWithParam<const char*> {};

TEST_P(RecordingCrash, KeepsTheDemoAndTheApplicationsText)
{
    const Testing::TempDir dir;
    const Testing::ProgramEnd end =
        Testing::RunProgram(dir, std::string(CRASH_PROBE) + " " + GetParam() + " probe.dmo", kSeconds);
    EXPECT_EQ(end.status, KilledBy(SIGSEGV));

    Vorn::DemoFileInfo info;
    Vorn::Buffer stream;
    std::string error;
    ASSERT_TRUE(Vorn::LoadDemoFile(dir / "probe.dmo", "7.5", info, stream, error)) << error;
    EXPECT_EQ(info.seed, 0x12345678u);
    EXPECT_EQ(info.totalUpdates, 40);
    EXPECT_TRUE(info.markers.empty());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.GetBytes()), static_cast<size_t>(stream.GetByteLength())),
              ExpectedStream());

    const std::string report = Testing::ReadTextFile(dir / "crash.txt");
    EXPECT_THAT(report, StartsWith("Exception: Access Violation (code 0xc0000005) at address "));
    EXPECT_THAT(report, HasSubstr(" CrashProbeWriteNull+"));
    EXPECT_THAT(report, HasSubstr("\r\nMedia Ver: SDL "));
    EXPECT_THAT(report, HasSubstr("\r\n\r\nProduct: CrashProbe\r\nVersion: 7.5\r\nTime Loaded: "));
    EXPECT_THAT(end.standardError, HasSubstr(kShown));
}

INSTANTIATE_TEST_SUITE_P(OnEitherThread, RecordingCrash, ::testing::Values("record", "thread"));

TEST(CrashProbe, ASecondThreadsFaultNamesItsBody)
{
    const Testing::TempDir dir;
    const Testing::ProgramEnd end =
        Testing::RunProgram(dir, std::string(CRASH_PROBE) + " thread probe.dmo", kSeconds);
    EXPECT_EQ(end.status, KilledBy(SIGSEGV));
    EXPECT_THAT(Testing::ReadTextFile(dir / "crash.txt"), HasSubstr(" CrashProbeThreadBody+"));
}

TEST(ZarquelCrash, TheCrashOptionIsReportedAndTheRecordingKept)
{
    const Testing::TempDir dir;
    const Testing::ProgramEnd end = Testing::RunProgram(dir, std::string(ZARQUEL) + " -record -crash", kSeconds);
    EXPECT_EQ(end.status, KilledBy(SIGSEGV));
    const std::string report = Testing::ReadTextFile(dir / "crash.txt");
    EXPECT_THAT(report, StartsWith("Exception: Access Violation (code 0xc0000005) at address "));
    // The function that raised the fault is private to its file.
    EXPECT_TRUE(std::regex_search(report, std::regex(" Vorn::\\(anonymous namespace\\)::RaiseAccessViolation\\(\\)\\+[0-9A-F]+"
                                                     "\r\n    /[^\r]*/framework/app/VornAppBaseCommandLine\\.cpp line ")))
        << report;
    ExpectUnwoundStack(report, nullptr);
    EXPECT_THAT(report, HasSubstr(" Vorn::VornAppBase::Init()+"));
    EXPECT_THAT(report, HasSubstr(" main+"));
    EXPECT_THAT(report, HasSubstr("\r\nProduct: Zarquel\r\nVersion: 1.0\r\n"));
    EXPECT_THAT(end.standardError, HasSubstr(kShown));

    Vorn::DemoFileInfo info;
    Vorn::Buffer stream;
    std::string error;
    EXPECT_TRUE(Vorn::LoadDemoFile(dir / "data/Zarquel/vornapp.dmo", "1.0", info, stream, error)) << error;
    EXPECT_EQ(info.totalUpdates, 0);
}

} // namespace
