#include "framework/crash/CrashReporter.h"

#include "framework/crash/CrashWindows.h"
#include "framework/crash/MapFile.h"
#include "framework/crash/SafeText.h"
#include "framework/graphics/SysFont.h"
#include "platform/AtomicFile.h"
#include "platform/Clipboard.h"
#include "platform/CrashProcess.h"
#include "platform/CrashSignals.h"
#include "platform/MessageBox.h"
#include "platform/ModuleSymbols.h"

#include <vector>

namespace CrashCatcher {

namespace {

constexpr size_t kReportBytes = 256 * 1024;
constexpr size_t kTitleBytes = 64;
constexpr size_t kLongestName = 255;
// The crashed program sends its first part at once; the application's
// answers come after it or, when a hook stalls, not at all.
constexpr int kFirstPartMs = 10000;
constexpr int kApplicationPartMs = 3000;
// Once the windows are closed: how long the crashed program may take to
// close its end before it is taken for stalled.
constexpr int kClosingMs = 2000;
constexpr size_t kReceiveBytes = 64 * 1024;

struct Channel {
    int fd;
    bool closed = false;
};

HandoffState ReceiveHandoff(Channel& channel, CrashHandoff& handoff)
{
    std::string bytes;
    std::vector<char> chunk(kReceiveBytes);
    HandoffState state = HandoffState::Incomplete;
    for (;;) {
        const int timeout = state == HandoffState::Incomplete ? kFirstPartMs : kApplicationPartMs;
        const long got = Platform::ReporterChannel::Receive(channel.fd, chunk.data(), chunk.size(), timeout);
        if (got == 0)
            channel.closed = true;
        if (got <= 0)
            return state;
        bytes.append(chunk.data(), static_cast<size_t>(got));
        state = ParseHandoff(bytes, handoff);
        if (state == HandoffState::Whole || state == HandoffState::Invalid)
            return state;
    }
}

// The crashed program closes its end once its hooks have answered, and then
// only waits for us.
void EndCrashedProgram(Channel& channel)
{
    char drain[256];
    while (!channel.closed) {
        const long got = Platform::ReporterChannel::Receive(channel.fd, drain, sizeof(drain), kClosingMs);
        if (got == 0) {
            channel.closed = true;
        } else if (got < 0) {
            Platform::ReporterChannel::Kill(Platform::ReporterChannel::ParentProcess());
            return;
        }
    }
}

// Names from the modules' own symbol tables cover the functions the loader
// does not know (those private to one source file) and come with the source
// line. A return address lies one past its call, which may be the last
// instruction of its function: the address looked up is the call's own.
void NameFrames(CrashHandoff& handoff)
{
    if (handoff.byFramePointers)
        return;
    Platform::ModuleSymbols symbols;
    for (size_t i = 0; i < handoff.frames.size(); ++i) {
        CrashHandoff::Frame& frame = handoff.frames[i];
        if (frame.module.empty() || frame.moduleOffset > frame.pc)
            continue;
        const uint64_t at = i == 0 ? frame.pc : frame.pc - 1;
        Platform::CodeSymbol found;
        if (!symbols.Lookup(frame.module, frame.pc - frame.moduleOffset, at, found) || found.name.empty())
            continue;
        frame.symbol = found.name;
        frame.displacement = frame.pc - found.address;
        if (found.sourceFile.empty())
            continue;
        frame.sourceFile = found.sourceFile;
        frame.sourceLine = found.line;
        frame.sourceDisplacement = frame.pc - found.lineAddress;
    }
}

void ShowReport(const FinalReport& report, bool copyToClipboard, bool hasApplication)
{
    CrashUpload upload = report.upload;
    CrashWindows windows(
        upload, hasApplication, Vorn::gHTTPTransfer, Platform::MakeSystemWindow,
        [](const std::string& face, int pointSize, bool bold) {
            return std::make_unique<Vorn::SysFont>(face, pointSize, bold, false, false);
        },
        Platform::ShowMessageBox);
    if (!Platform::WindowsAreSeen() || !windows.ShowFatalWindow(report.text, report.title)) {
        Platform::ShowMessageBox("An unexpected error has occured!\r\n" + report.text, "Fatal Error!",
                                 Platform::MB_OK | Platform::MB_ICONERROR);
        return;
    }
    // The clipboard belongs to a window's display connection; it lasts
    // while this process does.
    if (copyToClipboard)
        Platform::SetClipboardText(report.clipboardText);
    windows.RunLoop();
}

} // namespace

FinalReport MakeFinalReport(CrashHandoff& handoff, const std::string& mapFolder)
{
    NameFrames(handoff);
    for (CrashHandoff::Frame& frame : handoff.frames)
        frame.symbol = Platform::DemangleSymbol(frame.symbol).substr(0, kLongestName);
    std::vector<char> reportBuffer(kReportBytes);
    char titleBuffer[kTitleBytes];
    FinalReport final;
    for (const bool withSourceLines : {false, true}) {
        const std::vector<CrashFrame> frames = handoff.FrameViews(withSourceLines);
        Vorn::SafeText report(reportBuffer.data(), reportBuffer.size());
        Vorn::SafeText title(titleBuffer, sizeof(titleBuffer));
        WriteCrashReport(handoff.Facts(frames), report, title);
        final.title = std::string(title.View());
        std::string& text = withSourceLines ? final.text : final.clipboardText;
        text = std::string(report.View());
        if (!handoff.crashInfo.empty())
            text += "\r\n" + handoff.crashInfo;
    }
    GetMapFileLine(final.text, mapFolder);

    CrashUpload& upload = final.upload;
    upload.productName = handoff.productName;
    upload.productVersion = handoff.productVersion;
    upload.fields = handoff.uploadFields;
    upload.errorTitle = final.title;
    upload.errorText = final.text;
    upload.attach = handoff.demoKept;
    upload.attachmentName = handoff.demoKept ? handoff.demoFileName : std::string();
    if (!handoff.attachmentName.empty()) {
        upload.attachmentName = handoff.attachmentName;
        upload.attach = true;
    }
    upload.uploadAddress = handoff.uploadAddress;
    return final;
}

int ReportCrash(int channelFd)
{
    Channel channel{channelFd};
    CrashHandoff handoff;
    const HandoffState state = ReceiveHandoff(channel, handoff);
    if (state != HandoffState::FirstPart && state != HandoffState::Whole)
        return 1;
    const FinalReport report = MakeFinalReport(handoff, ".");
    Platform::WriteFileAtomically(kCrashFileName, report.text + "\r\n");
    ShowReport(report, handoff.copyToClipboard, handoff.hasApplication);
    EndCrashedProgram(channel);
    return 0;
}

} // namespace CrashCatcher
