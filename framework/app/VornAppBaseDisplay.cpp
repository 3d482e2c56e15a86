// The display: screen modes, the display's (re)initialisation and what
// follows it.

#include "framework/app/VornAppBase.h"

#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/sound/SoundManager.h"
#include "framework/widgets/WidgetManager.h"

namespace Vorn {


void VornAppBase::PreDisplayInit() {}
void VornAppBase::PostDisplayInit() {}

void VornAppBase::ChangeScreenMode(bool windowed, bool want3D, bool force)
{
    if (mForceFullScreen)
        windowed = false;
    if (windowed == mIsWindowed && !force) {
        ReinitDisplayFor3D(want3D, true);
        return;
    }
    ReinitDisplayFor3D(want3D, false);
    mIsWindowed = windowed;
    CreateMainWindow();
    // While a web page opens, the browser keeps the focus.
    mMainWindow->Show(!mIsOpeningURL);
    if (mSoundManager)
        mSoundManager->SetCooperativeWindow(mMainWindow, mIsWindowed);
}

void VornAppBase::ChangeScreenModeKeep3D(bool windowed)
{
    ChangeScreenMode(windowed, mDDInterface && mDDInterface->mIs3D, false);
}

void VornAppBase::ReapplyScreenMode()
{
    ChangeScreenMode(mIsWindowed, mDDInterface && mDDInterface->mIs3D, true);
}

int32_t VornAppBase::InitDisplay()
{
    PreDisplayInit();
    {
        // The loading thread adds images meanwhile.
        const AutoCrit lock(mDDInterface->mCritSect);
        FreeAllImageSoftwareData();
    }
    const int32_t result = mDDInterface->Init(mMainWindow, mIsPhysWindowed);
    RecordDisplayMode();
    if (result != DDInterface::RESULT_OK)
        return result;
    const int32_t width = mDDInterface->mWidth;
    const int32_t height = mDDInterface->mHeight;
    mLetterbox = Rect((mWidth - width) / 2, (mHeight - height) / 2, width, height);
    mWidgetManager->Resize(mLetterbox, mDDInterface->mPresentationRect);
    PostDisplayInit();
    return result;
}

void VornAppBase::RecordDisplayMode()
{
    mRefreshRate = mDDInterface->mRefreshRate;
    mDemoStream.RecordCommand(mUpdateCount, DemoCommand::DisplayMode(mIsWindowed, mRefreshRate));
}

void VornAppBase::ReinitDisplayFor3D(bool want3D, bool reinit)
{
    if (mDDInterface->mIs3D != want3D) {
        mTestedHardwareAcceleration = true;
        mDDInterface->mIs3D = want3D;
    }
    if (!reinit)
        return;
    const int32_t result = InitDisplay();
    if (result != DDInterface::RESULT_OK) {
        if (want3D) {
            ReinitDisplayFor3D(false, true);
            return;
        }
        FailDisplayInit(result, mDDInterface->mErrorString);
    }
    AdoptDisplay(true);
}

void VornAppBase::AdoptDisplay(bool rebuildImages)
{
    if (rebuildImages) {
        // The loading thread adds images meanwhile.
        const AutoCrit lock(mDDInterface->mCritSect);
        RebuildAllImages();
    }
    mWidgetManager->mImage = mDDInterface->GetScreenImage();
    mWidgetManager->MarkAllDirty();
}

void VornAppBase::SetDrawToVideoMemory(bool drawToVideoMemory)
{
    if (drawToVideoMemory == mDrawToVideoMemory)
        return;
    mDrawToVideoMemory = drawToVideoMemory;
    if (!mDDInterface)
        return;
    mDDInterface->SetDrawInVideoMemory(drawToVideoMemory);
    AdoptDisplay(false);
}

bool VornAppBase::IsWindowEnabled()
{
    return !mIsDisabled;
}

void VornAppBase::GotFocus() {}
void VornAppBase::LostFocus() {}
void VornAppBase::CloseRequest() {}
void VornAppBase::On3DTestCompleted() {}

} // namespace Vorn
