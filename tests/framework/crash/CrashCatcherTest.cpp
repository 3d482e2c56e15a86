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
#include <ostream>
#include <string>

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

struct FailureCase {
    const char* mode;
    int status;
    const char* exceptionLine;
    const char* failingFunction;
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
                    "CrashProbeWriteNull"},
        FailureCase{"divide", KilledBy(SIGFPE), "Exception: Integer Divide by Zero (code 0xc0000094) at address ",
                    "CrashProbeDivide"},
        FailureCase{"abort", KilledBy(SIGABRT), "Unknown exception: (code 0x40000015) at address ", "abort"},
        FailureCase{"throw", KilledBy(SIGABRT), "Unknown exception: (code 0xe06d7363) at address ",
                    "CrashProbeThrow"},
        FailureCase{"overflow", KilledBy(SIGSEGV), "Exception: Stack Overflow (code 0xc00000fd) at address ",
                    "CrashProbeRecurse"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.mode); });

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
