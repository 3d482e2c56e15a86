#pragma once
// The crash windows, shown by the reporter after a crash: the fatal-error
// window with the report, the details window in which the user may say what
// happened before the report is sent, and the progress window that follows
// the upload. One loop serves all three until the exit flag is set.
//
// Without a report server ("upload address") the fatal-error window offers
// only "Close Now"; without an application object in the crashed run
// "Send Report" and "Continue" are shown disabled.

#include "framework/crash/CrashUpload.h"
#include "framework/crash/CrashWindow.h"
#include "framework/graphics/Font.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace CrashCatcher {

class CrashWindows {
public:
    using WindowMaker = std::function<std::unique_ptr<Platform::Window>()>;
    // A font of the desktop by face, point size (at 96 dots per inch) and
    // weight.
    using FontMaker = std::function<std::unique_ptr<Vorn::Font>(const std::string& face, int pointSize, bool bold)>;
    using MessageBoxShower = std::function<int(const std::string& text, const std::string& caption, uint32_t flags)>;

    // The progress window's timers.
    static constexpr uintptr_t kResultTimer = 0;
    static constexpr uint32_t kResultPeriodMs = 20;
    static constexpr uintptr_t kDotTimer = 1;
    static constexpr uint32_t kDotPeriodMs = 1000;
    // GetWindowText's buffer of 8192 bytes keeps this much of the user text.
    static constexpr size_t kLongestUserText = 8191;

    // `upload` holds the report's texts, the attachment and the server; the
    // user text is filled in here.
    CrashWindows(CrashUpload& upload, bool hasApplication, Vorn::HTTPTransfer& transfer, WindowMaker makeWindow,
                 FontMaker makeFont, MessageBoxShower showMessageBox);
    // Waits for an upload thread that is still handing over its request.
    ~CrashWindows();
    CrashWindows(const CrashWindows&) = delete;
    CrashWindows& operator=(const CrashWindows&) = delete;

    // Shows the fatal-error window with the report; false when the window
    // cannot be made.
    bool ShowFatalWindow(const std::string& report, const std::string& title);
    // One pass of the loop: every window's messages, then what changed is
    // drawn. False once the exit flag is set.
    bool Step();
    // Steps until the exit flag is set.
    void RunLoop();
    bool ExitRequested() const { return mExit; }

    // The windows while they exist (null before), and the dots counted.
    CrashWindow* FatalWindow() const { return mFatal.get(); }
    CrashWindow* SubmitInfoWindow() const { return mSubmitInfo.get(); }
    CrashWindow* ProgressWindow() const { return mProgress.get(); }
    int DotCount() const { return mDotCount; }

private:
    void FatalWindowProc(const PushButton& button);
    void ShowSubmitInfoWindow();
    void SubmitInfoWindowProc(const PushButton& button);
    void ShowProgressWindow();
    void ProgressWindowProc(const Platform::MessageRecord& message);
    void AbortUpload();
    void OnResultTimer();
    void StartUpload();
    void FinishUploadThread();
    std::unique_ptr<CrashWindow> MakeWindow(const std::string& title, int width, int height, Platform::Point at);
    void OnClose(CrashWindow& window);

    CrashUpload& mUpload;
    bool mHasApplication;
    Vorn::HTTPTransfer& mTransfer;
    WindowMaker mMakeWindow;
    FontMaker mMakeFont;
    MessageBoxShower mShowMessageBox;

    bool mExit = false;
    bool mAbortAsked = false;
    int mDotCount = 0;
    std::unique_ptr<Vorn::Font> mSmallFont;
    std::unique_ptr<Vorn::Font> mBoldFont;
    std::unique_ptr<Vorn::Font> mArialFont;
    std::unique_ptr<Vorn::Font> mCourierFont;
    std::unique_ptr<CrashWindow> mFatal;
    std::unique_ptr<CrashWindow> mSubmitInfo;
    std::unique_ptr<CrashWindow> mProgress;
    TextField* mUserText = nullptr;
    TextField* mStatus = nullptr;
    std::thread mUploadThread;
};

} // namespace CrashCatcher
