#include "framework/crash/CrashCatcher.h"

#include "framework/app/VornAppBase.h"
#include "framework/crash/CrashHandoff.h"
#include "framework/crash/CrashReport.h"
#include "framework/crash/CrashReporter.h"
#include "platform/CrashProcess.h"
#include "platform/CrashSignals.h"
#include "platform/SystemInfo.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace Vorn {

std::atomic<VornAppBase*> gCrashHandlerApp{nullptr};

} // namespace Vorn

namespace CrashCatcher {

namespace {

constexpr const char* kReporterFlag = "-crashreporter";
constexpr const char* kSelf = "/proc/self/exe";
// The reporter takes the handoff at once; one that does not is not waited
// for beyond this.
constexpr int kSendTimeoutMs = 5000;

// Everything the handler needs is made beforehand: in the handler nothing
// may be allocated.
char gReport[256 * 1024];
char gTitle[64];
CrashFrame gFrames[Platform::kMaxStackFrames];
char gSystemInfo[1024];
// The same with the line about the display and sound library, which the
// report carries when there is an application.
char gSystemInfoWithMedia[1024];
char gUploadAddress[256];
char gProgramPath[4096];
const char* gReporterArguments[] = {gProgramPath, kReporterFlag, nullptr};
std::atomic<bool> gReporterEnabled{false};

void CopyText(char* destination, size_t capacity, const std::string& text)
{
    const size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(destination, text.data(), length);
    destination[length] = '\0';
}

void PrepareSystemInfo()
{
    const std::string system = "OS Ver: " + Platform::OperatingSystemVersion() + "\r\n";
    CopyText(gSystemInfo, sizeof(gSystemInfo), system);
    CopyText(gSystemInfoWithMedia, sizeof(gSystemInfoWithMedia),
             system + "Media Ver: " + Platform::MediaLibraryVersion() + "\r\n");
}

class ChannelSink : public Vorn::ByteSink {
public:
    explicit ChannelSink(int channel)
        : mChannel(channel)
    {
    }
    bool Put(const void* data, size_t size) override
    {
        return Platform::SignalSafe::Send(mChannel, data, size, kSendTimeoutMs);
    }

private:
    int mChannel;
};

// A return address lies one past its call, which may be the last
// instruction of its function: the address looked up is the call's own.
CrashFacts Describe(const Platform::CrashFault& fault)
{
    CrashFacts facts;
    facts.exceptionCode = fault.exceptionCode;
    facts.address = fault.address;
    facts.threadId = fault.threadId;
    facts.registers = fault.registers;
    facts.byFramePointers = fault.byFramePointers;
    facts.walkCutShort = fault.walkCutShort;
    facts.walkError = fault.walkError;
    Platform::CodeLocation location;
    if (Platform::LocateCode(fault.address, location)) {
        facts.module = location.module;
        facts.moduleOffset = fault.address - location.moduleBase;
    }
    for (int i = 0; i < fault.frameCount; ++i) {
        const Platform::StackFrame& from = fault.frames[i];
        CrashFrame& frame = gFrames[i];
        frame = CrashFrame();
        frame.frame = from.frame;
        frame.pc = from.pc;
        for (int k = 0; k < Platform::kFrameParams; ++k)
            frame.params[k] = from.params[k];
        Platform::CodeLocation at;
        if (from.pc == 0 || !Platform::LocateCode(i == 0 ? from.pc : from.pc - 1, at))
            continue;
        frame.module = at.module;
        frame.moduleOffset = from.pc - at.moduleBase;
        if (at.symbol != nullptr) {
            frame.symbol = at.symbol;
            frame.displacement = from.pc - at.symbolAddress;
        }
    }
    facts.frames = std::span<const CrashFrame>(gFrames, static_cast<size_t>(fault.frameCount));
    return facts;
}

void WriteShortReport(const Vorn::SafeText& report)
{
    const int fd = Platform::SignalSafe::CreateFile(kCrashFileName);
    if (fd < 0)
        return;
    Platform::SignalSafe::WriteAll(fd, report.View().data(), report.Size());
    Platform::SignalSafe::WriteAll(fd, "\r\n", 2);
    Platform::SignalSafe::Close(fd);
}

void OnFault(const Platform::CrashFault& fault)
{
    Vorn::VornAppBase* app = Vorn::gCrashHandlerApp.load();
    CrashFacts facts = Describe(fault);
    facts.systemInfo = app != nullptr ? gSystemInfoWithMedia : gSystemInfo;
    Vorn::SafeText report(gReport, sizeof(gReport));
    Vorn::SafeText title(gTitle, sizeof(gTitle));
    WriteCrashReport(facts, report, title);
    WriteShortReport(report);

    HandoffFirstPart part;
    part.facts = facts;
    part.uploadAddress = gUploadAddress;
    if (app != nullptr) {
        part.hasApplication = true;
        part.productName = app->mProductName;
        part.productVersion = app->mProductVersion;
        part.copyToClipboard = !app->mPlaying;
        part.demoKept = app->KeepDemoAfterCrash();
        part.demoFileName = app->mDemoFileName;
    }
    if (!gReporterEnabled)
        return;
    const Platform::SignalSafe::Reporter reporter = Platform::SignalSafe::StartReporter(kSelf, gReporterArguments);
    if (reporter.pid < 0)
        return;
    ChannelSink sink(reporter.channel);
    HandoffWriter writer(sink);
    WriteFirstPart(writer, part);
    // From here on the application is asked, which may allocate and take
    // locks: the report is safe on disk and with the reporter already.
    if (app != nullptr && writer.Ok()) {
        app->HideForCrash();
        WriteApplicationPart(writer, app->GetCrashInfo(), app->GetCrashAttachmentName(),
                             app->GetCrashUploadFields());
    }
    Platform::SignalSafe::Close(reporter.channel);
    Platform::SignalSafe::WaitFor(reporter.pid);
}

struct Installation {
    Installation() { Install(); }
    ~Installation() { Uninstall(); }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;
};

const Installation gInstallation;

} // namespace

void Install()
{
    PrepareSystemInfo();
    Platform::InstallCrashHandler(OnFault);
}

void Uninstall()
{
    Platform::UninstallCrashHandler();
}

void EnableReporter()
{
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::read_symlink(kSelf, ec);
    CopyText(gProgramPath, sizeof(gProgramPath), ec ? std::string(kSelf) : path.string());
    gReporterEnabled = true;
}

bool IsReporterCommandLine(int argc, const char* const* argv)
{
    return argc == 2 && std::strcmp(argv[1], kReporterFlag) == 0;
}

int RunReporter()
{
    Uninstall();
    return ReportCrash(Platform::kReporterChannelFd);
}

void SetUploadAddress(const std::string& address)
{
    CopyText(gUploadAddress, sizeof(gUploadAddress), address);
}

} // namespace CrashCatcher
