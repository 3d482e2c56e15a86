// The keys that steer a demo while it plays: speed, pause, single steps,
// jumps toward the end and the sound. They act at once from the window
// procedure, outside the recorded stream.

#include "framework/app/VornAppBase.h"

#include "framework/app/StringUtils.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/WidgetManager.h"

#include <algorithm>
#include <cctype>

namespace Vorn {

namespace {

constexpr double kSpeedStep = 1.5;
constexpr uint32_t kDialogFrameMs = 10;
constexpr char kDemoJumpTimeValue[] = "DemoJumpTime";
constexpr size_t kMaxDemoJumpTimeBytes = 1000;

// Milliseconds before the demo's end that the digit keys 4 to 9 jump to.
constexpr int32_t kJumpBeforeEndMs[] = {120000, 90000, 60000, 30000, 10000, 5000};

} // namespace

void VornAppBase::HandlePlaybackKey(uint8_t key)
{
    // The replay never goes back: a target at or below the update count is
    // simply never waited for.
    switch (std::toupper(key)) {
    case '+':
        mUpdateMultiplier *= kSpeedStep;
        return;
    case '-':
        mUpdateMultiplier /= kSpeedStep;
        return;
    case '=':
        mUpdateMultiplier = 1.0;
        return;
    case '0':
        mFastForwardToUpdateNum = mDemoLength;
        return;
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        mFastForwardToUpdateNum = mDemoLength - kJumpBeforeEndMs[key - '4'] / FrameTime();
        return;
    case 'J':
        DemoJumpDialog();
        return;
    case 'L':
        DemoMarkerListDialog();
        return;
    case 'M':
        mHoldFastForward = true;
        return;
    case 'N':
        mFastForwardToUpdateNum = std::min(mUpdateCount + 1, mDemoLength);
        mFastForwardOneStep = true;
        return;
    case 'P':
        mPaused = !mPaused;
        ResetFractionTime();
        return;
    case 'S':
        ToggleDemoSound();
        return;
    default:
        return;
    }
}

std::vector<MarkerListDialog::Item> VornAppBase::DemoMarkerListItems() const
{
    std::vector<MarkerListDialog::Item> items;
    for (const DemoMarker& marker : mDemoMarkerList) {
        if (marker.update <= mUpdateCount)
            continue;
        // A marker past the recorded end is 0 seconds before it, not
        // negative.
        const int64_t seconds = std::max<int64_t>(int64_t{mDemoLength} - marker.update, 0) * FrameTime() / 1000;
        items.push_back({FormatString("%s (%02d:%02d:%02d)", marker.name.c_str(), static_cast<int>(seconds / 3600),
                                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60)),
                         marker.update});
    }
    return items;
}

bool VornAppBase::JumpToUpdate(int64_t update)
{
    if (update <= mUpdateCount)
        return false;
    // Past the recorded end the replay would wait, muted, for updates that
    // never come.
    mFastForwardToUpdateNum = static_cast<int32_t>(std::min<int64_t>(update, mDemoLength));
    return true;
}

int64_t VornAppBase::ParseDemoJumpTime(const std::string& text)
{
    // Saturated: a long row of digits must not wrap into the past.
    constexpr int64_t kLimit = int64_t{1} << 40;
    int64_t seconds = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(':', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start) {
            int64_t field = 0;
            for (size_t i = start; i < end && text[i] >= '0' && text[i] <= '9'; ++i)
                field = std::min(field * 10 + (text[i] - '0'), kLimit);
            seconds = std::min(seconds * 60 + field, kLimit);
        }
        start = end + 1;
    }
    return seconds;
}

int64_t VornAppBase::DemoJumpTarget(int64_t seconds) const
{
    return int64_t{mDemoLength} - (seconds + 1) * 1000 / FrameTime();
}

// The jump time is kept straight in the store, not through the registry
// operations that a playing demo answers from its recorded commands.
std::string VornAppBase::ReadDemoJumpTime()
{
    std::string keyPath;
    std::string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!mSettings || !RegistryLocation(kDemoJumpTimeValue, keyPath, name) ||
        !mSettings->QueryValue(keyPath, name, type, data))
        return std::string();
    data.resize(std::min(data.size(), kMaxDemoJumpTimeBytes));
    std::string text(data.begin(), data.end());
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

void VornAppBase::StoreDemoJumpTime(const std::string& text)
{
    std::string keyPath;
    std::string name;
    if (!mSettings || !RegistryLocation(kDemoJumpTimeValue, keyPath, name))
        return;
    const std::string stored = text + '\0';
    mSettings->SetValue(keyPath, name, Platform::kSettingString, reinterpret_cast<const uint8_t*>(stored.data()),
                        stored.size());
}

int VornAppBase::RunPlaybackDialog(PlaybackDialog& dialog)
{
    if (!mMainWindow || !mDDInterface || !mDDInterface->GetScreenImage() || mPlaybackDialog)
        return -1;
    if (!mOverlayFont)
        mOverlayFont = std::make_unique<SysFont>("Tahoma", 8, false, false, false);
    Platform::Window* window = mMainWindow;
    mPlaybackDialog = &dialog;
    while (!dialog.Done() && !mShutdown && !mShutdownRequested && mMainWindow == window) {
        window->PumpMessages();
        if (DDImage* screen = mDDInterface->GetScreenImage()) {
            Graphics g(screen);
            dialog.Draw(g, *mOverlayFont, screen->mWidth, screen->mHeight);
            mDDInterface->Redraw(nullptr);
        }
        if (!dialog.Done())
            mClock->Sleep(kDialogFrameMs);
    }
    mPlaybackDialog = nullptr;
    // The dialog was drawn over the frame; the time it stood open is not
    // caught up.
    mWidgetManager->MarkAllDirty();
    ResetFractionTime();
    return dialog.Result();
}

int VornAppBase::DemoMarkerListDialog()
{
    MarkerListDialog dialog(DemoMarkerListItems(), [this](int32_t update) { return JumpToUpdate(update); });
    return RunPlaybackDialog(dialog);
}

int VornAppBase::DemoJumpDialog()
{
    JumpDialog dialog(ReadDemoJumpTime(), [this](const std::string& text) {
        StoreDemoJumpTime(text);
        JumpToUpdate(DemoJumpTarget(ParseDemoJumpTime(text)));
    });
    return RunPlaybackDialog(dialog);
}

void VornAppBase::ToggleDemoSound()
{
    const double music = GetMusicVolume();
    if (music == 0.0) {
        SetMusicVolume(mSavedMusicVolume);
    } else {
        mSavedMusicVolume = music;
        SetMusicVolume(0.0);
    }
    const double sfx = GetSfxVolume();
    if (sfx == 0.0) {
        SetSfxVolume(mSavedSfxVolume);
    } else {
        mSavedSfxVolume = sfx;
        SetSfxVolume(0.0);
    }
}

} // namespace Vorn
