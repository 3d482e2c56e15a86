#include "framework/app/VornAppBase.h"

#include "framework/app/PathUtils.h"
#include "framework/app/StringUtils.h"
#include "framework/crash/CrashCatcher.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Font.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/ResourceManager.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace Vorn {

VornAppBase* gApplication = nullptr;

namespace {

// The running program's own file; empty when the system does not say.
std::string ProgramPath()
{
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

} // namespace

VornAppBase::VornAppBase(Platform::Services services)
    : mClock(services.clock), mSettings(services.settings), mMakeWindow(std::move(services.makeWindow)),
      mLoadTime(services.clock->Milliseconds()), mLastDrawTick(mLoadTime), mNextDrawTick(mLoadTime)
{
    gApplication = this;

    const std::string programPath = ProgramPath();
    mProductVersion = GetProductVersion(programPath);
    mWorkingFolder = GetFileDir(programPath);

    ImageLib::LoadJPEG2000Codec();

    for (size_t i = 0; i < mAdd8BitMaxTable.size(); ++i)
        mAdd8BitMaxTable[i] = static_cast<uint8_t>(std::min<size_t>(i, 255));
    mAspect.Set(4, 3);

    SetString("DIALOG_BUTTON_OK", u"OK");
    SetString("DIALOG_BUTTON_CANCEL", u"CANCEL");
    SetString("UPDATE_CHECK_TITLE", u"Update Check");
    SetString("UPDATE_CHECK_BODY", u"Checking if there are any updates available for this product ...");
    SetString("UP_TO_DATE_TITLE", u"Up to Date");
    SetString("UP_TO_DATE_BODY", u"There are no updates available for this product at this time.");
    SetString("NEW_VERSION_TITLE", u"New Version");
    SetString("NEW_VERSION_BODY",
              u"There is an update available for this product.  Would you like to visit the web site to download it?");

    mDemoBaseName = "vornapp";
    mDemoFileName = mDemoBaseName + ".dmo";

    mWidgetManager = std::make_unique<WidgetManager>(this);
    mResourceManager = std::make_unique<ResourceManager>(this);

    gCrashHandlerApp = this;
}

VornAppBase::~VornAppBase()
{
    // A crash from here on must not reach an object being taken apart.
    gCrashHandlerApp = nullptr;
    Shutdown();
    ConfirmHardwareAcceleration();

    // The loading body uses the sound manager, the resource manager and the
    // display: they stay until it has finished.
    WaitForLoadingThread();

    for (const auto& [id, dialog] : mDialogMap) {
        mWidgetManager->RemoveWidget(dialog);
        delete dialog;
    }
    mDialogMap.clear();
    mDialogList.clear();
    // Widgets still waiting for deletion are deleted with the application
    // rather than lost.
    for (const auto& [depth, widget] : mDeferredDeleteQueue)
        delete widget;
    mDeferredDeleteQueue.clear();

    mWidgetManager.reset();
    mResourceManager.reset();
    // Images on the display's surfaces go before the display.
    DeleteAllSharedImages();
    mOverlayImage.reset();
    mDemoTimeImage.reset();
    mDDInterface.reset();
    mMusicInterface.reset();
    mSoundManager.reset();
    if (mMainWindow) {
        mMainWindow->SetProcedure({});
        mMainWindow->Destroy();
        mMainWindow = nullptr;
    }
    if (mInvisibleWindow) {
        mInvisibleWindow->SetProcedure({});
        mInvisibleWindow->Destroy();
        mInvisibleWindow = nullptr;
    }

    gApplication = nullptr;
    SaveDemoFile();
    // Its listener posts to the main window's object, which goes after it.
    mThreadWindow = nullptr;
    mInstanceLock.reset();
}

// After a run that switched 3D on or off, the choice is kept; one that
// switched it on without the test's recommendation asks first.
void VornAppBase::ConfirmHardwareAcceleration()
{
    if (!mTestedHardwareAcceleration || !mDDInterface)
        return;
    bool stored = false;
    ReadRegistryBoolean("Is3D", stored);
    const std::string caption =
        mCaptionPrefix + " " + GetString("HARDWARE_ACCEL_CONFIRMATION", "Hardware Acceleration Confirmation");
    const uint32_t flags = Platform::MB_YESNO | Platform::MB_ICONQUESTION;
    if (!stored && !Is3DRecommended()) {
        if (mDDInterface->mIs3D) {
            const bool keep = ShowMessageBox(GetString("HARDWARE_ACCEL_SWITCHED_ON",
                                                 "Hardware Acceleration was switched on during this session.\r\n"
                                                 "If this resulted in slower performance, it should be switched "
                                                 "off.\r\nWould you like to keep Hardware Acceleration switched on?"),
                                  caption, flags) == Platform::IDYES;
            mDDInterface->mIs3D = keep;
            if (keep)
                WriteRegistryBoolean("Is3D", true);
            return;
        }
    } else {
        WriteRegistryBoolean("Is3D", mDDInterface->mIs3D);
    }
    if (mDDInterface->Reported3DTrouble() && !mIsScreenSaver &&
        ShowMessageBox(GetString("HARDWARE_ACCEL_NOT_WORKING",
                           "Hardware Acceleration may not have been working correctly during this session.\r\n"
                           "If you noticed graphics problems, you may want to turn off Hardware Acceleration.\r\n"
                           "Would you like to keep Hardware Acceleration switched on?"),
            caption, flags) != Platform::IDYES)
        WriteRegistryBoolean("Is3D", false);
}

std::string VornAppBase::GetString(const std::string& name, const std::string& defaultText) const
{
    const auto it = mWStringProperties.find(name);
    return it == mWStringProperties.end() ? defaultText : WStringToString(it->second);
}

void VornAppBase::SetString(const std::string& name, const std::u16string& text)
{
    mWStringProperties[name] = text;
}

void VornAppBase::ReservedHookC(int) {}

bool VornAppBase::ReservedQuery(int, int)
{
    return false;
}

} // namespace Vorn
