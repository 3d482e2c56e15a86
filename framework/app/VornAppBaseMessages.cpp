// Message boxes, fatal errors and the error log that stands in for both in
// screen-saver mode; web pages opened in the user's browser; the product
// version.

#include "framework/app/VornAppBase.h"

#include "framework/app/StringUtils.h"
#include "framework/display/DDInterface.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace Vorn {

namespace {

constexpr const char* kErrorLogName = "ScrError.txt";
constexpr const char* kWebPageOpener = "xdg-open";

std::mutex gErrorLogMutex;
// Each process starts the log afresh with its first message.
bool gFirstErrorLogWrite = true;

} // namespace

// The desktop's box is a window of its own over ours, visible in full
// screen too: nothing needs flipping to show it, only input meanwhile is to
// be ignored.
void VornAppBase::EnterMessageBoxMode()
{
    if (!mWindowCreatedWindowed && mDDInterface && mDDInterface->mInitialized)
        mMessageBoxPopup = true;
}

void VornAppBase::LeaveMessageBoxMode()
{
    if (!mWindowCreatedWindowed)
        mMessageBoxPopup = false;
    // The time spent in the box is not caught up, and keys and buttons
    // released while it had the input would otherwise stay held.
    ResetFractionTime();
    mCtrlDown = false;
    mAltDown = false;
    // The application's destructor may still show a box after the widgets
    // are gone.
    if (!mWidgetManager)
        return;
    mWidgetManager->mKeyDown.fill(0);
    if (mWidgetManager->mDownButtons != 0)
        mWidgetManager->ReleaseHeldButtons();
}

int VornAppBase::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags)
{
    if (mIsScreenSaver) {
        AppendToErrorLog(text);
        return Platform::IDOK;
    }
    EnterMessageBoxMode();
    const int answer = Platform::ShowMessageBox(text, caption, flags);
    LeaveMessageBoxMode();
    return answer;
}

int VornAppBase::ShowMessageBoxW(const std::u16string& text, const std::u16string& caption, uint32_t flags)
{
    return ShowMessageBox(WStringToString(text), WStringToString(caption), flags);
}

void VornAppBase::ShowFatalError(const std::string& text)
{
    if (mIsScreenSaver) {
        AppendToErrorLog(text);
        return;
    }
    EnterMessageBoxMode();
    if (!mShutdown)
        Platform::ShowMessageBox(text, GetString("FATAL_ERROR", "FATAL ERROR"), Platform::MB_ICONERROR);
    LeaveMessageBoxMode();
}

void VornAppBase::PostFatalError(const std::string& text)
{
    const std::lock_guard lock(mPendingErrorsMutex);
    mPendingErrors.push_back(text);
}

void VornAppBase::ShowFatalErrorW(const std::u16string& text)
{
    ShowFatalError(WStringToString(text));
}

void VornAppBase::AppendToErrorLog(const std::string& text)
{
    const std::lock_guard lock(gErrorLogMutex);
    // Only a write that happened ends the fresh start: a log that could not
    // be opened must not leave an earlier process's lines to be added to.
    std::FILE* file = std::fopen(Platform::ResolveFileName(kErrorLogName).c_str(), gFirstErrorLogWrite ? "w" : "a+");
    if (!file)
        return;
    gFirstErrorLogWrite = false;

    char timeOfDay[16] = "00:00:00";
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now))
        std::strftime(timeOfDay, sizeof timeOfDay, "%H:%M:%S", local);
    std::fprintf(file, "%s %s %u\n", text.c_str(), timeOfDay, static_cast<unsigned>(Now()));
    std::fclose(file);
}

void VornAppBase::OnWebPageFailed(const std::string&)
{
    mIsOpeningURL = false;
}

void VornAppBase::OnWebPageOpened(const std::string&)
{
    mIsOpeningURL = false;
    if (mShutdownOnURLOpened)
        Shutdown();
}

// Whether the page really opened is decided later, by the application
// losing the focus to the browser or by time running out.
bool VornAppBase::OpenWebPage(const std::string& url, bool shutdownAfter)
{
    if (mIsOpeningURL && url == mOpeningURL)
        return true;
    mShutdownOnURLOpened = shutdownAfter;
    mIsOpeningURL = true;
    mOpeningURL = url;
    mOpeningURLTime = Now();
    if (mStartProgram && mStartProgram(kWebPageOpener, {url}))
        return true;
    OnWebPageFailed(url);
    return false;
}

// Program files here carry no version resource: every file has the
// application's own version.
std::string VornAppBase::GetProductVersion(const std::string&)
{
    return mProductVersion;
}

} // namespace Vorn
