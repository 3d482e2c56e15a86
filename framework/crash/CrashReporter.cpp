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
    for (CrashHandoff::Frame& frame : handoff.frames)
        frame.symbol = Platform::DemangleSymbol(frame.symbol).substr(0, kLongestName);
    const std::vector<CrashFrame> frames = handoff.FrameViews();
    std::vector<char> reportBuffer(kReportBytes);
    char titleBuffer[kTitleBytes];
    Vorn::SafeText report(reportBuffer.data(), reportBuffer.size());
    Vorn::SafeText title(titleBuffer, sizeof(titleBuffer));
    WriteCrashReport(handoff.Facts(frames), report, title);

    FinalReport final;
    final.title = std::string(title.View());
    final.text = std::string(report.View());
    if (!handoff.crashInfo.empty())
        final.text += "\r\n" + handoff.crashInfo;
    final.clipboardText = final.text;
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
