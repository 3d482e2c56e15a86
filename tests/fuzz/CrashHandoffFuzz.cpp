// libFuzzer target: any bytes read as the crashed program's handoff must be
// taken in part, in whole or refused, and a report written from what was
// taken, never a crash.

#include "framework/crash/CrashHandoff.h"
#include "framework/crash/SafeText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CrashCatcher::CrashHandoff handoff;
    const CrashCatcher::HandoffState state =
        CrashCatcher::ParseHandoff(std::string_view(reinterpret_cast<const char*>(data), size), handoff);
    if (state == CrashCatcher::HandoffState::FirstPart || state == CrashCatcher::HandoffState::Whole) {
        const std::vector<CrashCatcher::CrashFrame> frames = handoff.FrameViews();
        static char report[64 * 1024];
        char title[64];
        Vorn::SafeText reportText(report, sizeof(report));
        Vorn::SafeText titleText(title, sizeof(title));
        CrashCatcher::WriteCrashReport(handoff.Facts(frames), reportText, titleText);
    }
    return 0;
}
