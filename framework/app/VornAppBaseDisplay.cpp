// The main window, the display, screen modes and the draw step.

#include "framework/app/VornAppBase.h"

#include "framework/display/DDInterface.h"
#include "framework/widgets/WidgetManager.h"

namespace Vorn {

void VornAppBase::CreateMainWindow() {}

// Without a display there is no cursor to set.
void VornAppBase::ApplyCursor() {}

void VornAppBase::RebuildAllImages() {}
void VornAppBase::FreeAllImageSoftwareData() {}
void VornAppBase::FreeAllImageDerivedData() {}
void VornAppBase::PreDisplayInit() {}
void VornAppBase::PostDisplayInit() {}

void VornAppBase::ChangeScreenMode(bool, bool, bool) {}

void VornAppBase::ChangeScreenModeKeep3D(bool windowed)
{
    ChangeScreenMode(windowed, mDDInterface && mDDInterface->mIs3D, false);
}

void VornAppBase::ReapplyScreenMode()
{
    ChangeScreenMode(mIsWindowed, mDDInterface && mDDInterface->mIs3D, true);
}

void VornAppBase::SetDrawToVideoMemory(bool drawToVideoMemory)
{
    if (drawToVideoMemory == mDrawToVideoMemory)
        return;
    mDrawToVideoMemory = drawToVideoMemory;
    mWidgetManager->MarkAllDirty();
}

bool VornAppBase::DrawDirty()
{
    mIsDrawing = true;
    const bool drawn = mWidgetManager->DrawToScreen();
    mIsDrawing = false;
    mUpdateSinceDraw = false;
    mNothingDrawn = !drawn;
    if (!drawn)
        return false;
    ++mDrawCount;
    mLastDrawTick = Now();
    AccumulateFractionTime();
    return true;
}

// Without a display there is nothing to present.
void VornAppBase::Redraw(const Rect*) {}

void VornAppBase::BringToFront(uint32_t, uint32_t) {}

bool VornAppBase::IsWindowEnabled()
{
    return !mIsDisabled;
}

// Without a window there is no mouse capture to release.
void VornAppBase::UpdateFocusState()
{
    const bool hasFocus = mActive && !mMinimized;
    if (hasFocus == mHasFocus)
        return;
    mHasFocus = hasFocus;
    WidgetManager& widgets = *mWidgetManager;
    if (hasFocus) {
        if (mMuteOnLostFocus)
            Unmute(true);
        widgets.GotFocus();
        GotFocus();
        return;
    }
    if (mMuteOnLostFocus)
        Mute(true);
    widgets.LostFocus();
    LostFocus();
    if (widgets.mLastDownWidget && widgets.mDownButtons != 0) {
        widgets.DeliverMouseUps(widgets.mLastDownWidget, widgets.mDownButtons);
        widgets.mLastDownWidget = nullptr;
        widgets.mDownButtons = 0;
    }
}

void VornAppBase::GotFocus() {}
void VornAppBase::LostFocus() {}
void VornAppBase::CloseRequest() {}
void VornAppBase::On3DTestCompleted() {}

bool VornAppBase::UsesAltKey(int)
{
    return false;
}

bool VornAppBase::HandleDebugKey(int)
{
    return false;
}

bool VornAppBase::PreviewKeyDown(int, bool, bool)
{
    return false;
}

} // namespace Vorn
