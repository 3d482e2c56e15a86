// The keys that steer a demo while it plays: speed, pause, single steps,
// jumps toward the end and the sound. They act at once from the window
// procedure, outside the recorded stream.

#include "framework/app/VornAppBase.h"

#include <cctype>

namespace Vorn {

namespace {

constexpr double kSpeedStep = 1.5;

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
        mFastForwardToUpdateNum = mUpdateCount + 1;
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

// No dialog can be built here yet: as when its template cannot be had,
// nothing is shown and nothing changes.
int VornAppBase::DemoMarkerListDialog()
{
    return -1;
}

int VornAppBase::DemoJumpDialog()
{
    return -1;
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
