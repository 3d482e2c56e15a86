#include "framework/crash/CrashWindows.h"

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/Thread.h"

#include <system_error>

namespace CrashCatcher {

namespace {

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 300;
constexpr Platform::Point kFatalPosition{64, 64};
constexpr Platform::Point kSubmitInfoPosition{80, 80};
constexpr int kProgressWidth = 240;
constexpr int kProgressHeight = 64;
constexpr uint32_t kLoopSleepMs = 10;
constexpr int kDotsShown = 10;

const Vorn::Rect kHeadline(8, 8, 384, 84);
const Vorn::Rect kBody(8, 92, 384, 168);
const Vorn::Rect kWideButton(8, 268, 384, 24);
const Vorn::Rect kLeftButton(8, 268, 188, 24);
const Vorn::Rect kRightButton(204, 268, 188, 24);

const TextField::Style kHeadlineStyle{false, false, true, false};
const TextField::Style kReportStyle{true, true, true, false};
const TextField::Style kUserTextStyle{true, true, true, true};
const TextField::Style kStatusStyle{false, false, false, false};

const char* const kPleaseWait = "Please Wait";

} // namespace

CrashWindows::CrashWindows(CrashUpload& upload, bool hasApplication, Vorn::HTTPTransfer& transfer,
                           WindowMaker makeWindow, FontMaker makeFont, MessageBoxShower showMessageBox)
    : mUpload(upload), mHasApplication(hasApplication), mTransfer(transfer), mMakeWindow(std::move(makeWindow)),
      mMakeFont(std::move(makeFont)), mShowMessageBox(std::move(showMessageBox))
{
}

CrashWindows::~CrashWindows()
{
    FinishUploadThread();
}

std::unique_ptr<CrashWindow> CrashWindows::MakeWindow(const std::string& title, int width, int height,
                                                      Platform::Point at)
{
    auto window = std::make_unique<CrashWindow>(mMakeWindow(), title, width, height, at);
    CrashWindow& made = *window;
    window->OnMessage([this, &made](const Platform::MessageRecord& message) {
        if (message.message == Platform::WM_CLOSE)
            OnClose(made);
    });
    return window;
}

void CrashWindows::OnClose(CrashWindow& window)
{
    // Closing the progress window only stops the upload, whose end then
    // ends the loop.
    if (&window == mProgress.get())
        AbortUpload();
    else
        mExit = true;
}

bool CrashWindows::ShowFatalWindow(const std::string& report, const std::string& title)
{
    mSmallFont = mMakeFont("Tahoma", 8, false);
    mBoldFont = mMakeFont("Tahoma", 10, true);
    mUpload.errorTitle = title;
    mUpload.errorText = report;

    mFatal = MakeWindow("Fatal Error!", kClientWidth, kClientHeight, kFatalPosition);
    if (!mFatal->Created())
        return false;
    mArialFont = mMakeFont("Arial", 9, true);
    mCourierFont = mMakeFont("Courier New", 8, false);
    mFatal->AddField(kHeadline, kHeadlineStyle, mArialFont.get(), "An unexpected error has occured!");
    mFatal->AddField(kBody, kReportStyle, mCourierFont.get(), report);
    if (!mUpload.uploadAddress.empty()) {
        mFatal->AddButton(kLeftButton, "Send Report", mArialFont.get(), mHasApplication);
        mFatal->AddButton(kRightButton, "Close Now", mArialFont.get(), true);
    } else {
        mFatal->AddButton(kWideButton, "Close Now", mArialFont.get(), true);
    }
    mFatal->OnClick([this](const PushButton& button) { FatalWindowProc(button); });
    mFatal->Show();
    return true;
}

void CrashWindows::FatalWindowProc(const PushButton& button)
{
    if (button.Label() == "Send Report") {
        mFatal->Hide();
        ShowSubmitInfoWindow();
    } else {
        mExit = true;
    }
}

void CrashWindows::ShowSubmitInfoWindow()
{
    mSubmitInfo = MakeWindow("Error Details", kClientWidth, kClientHeight, kSubmitInfoPosition);
    mSubmitInfo->AddField(kHeadline, kHeadlineStyle, mArialFont.get(),
                          "Please help out by providing as much information as you can about this crash.");
    mUserText = &mSubmitInfo->AddField(kBody, kUserTextStyle, mCourierFont.get(), std::string());
    mSubmitInfo->Focus(*mUserText);
    mSubmitInfo->AddButton(kLeftButton, "Continue", mArialFont.get(), mHasApplication);
    mSubmitInfo->AddButton(kRightButton, "Abort", mArialFont.get(), true);
    mSubmitInfo->OnClick([this](const PushButton& button) { SubmitInfoWindowProc(button); });
    mSubmitInfo->Show();
}

void CrashWindows::SubmitInfoWindowProc(const PushButton& button)
{
    if (button.Label() == "Continue") {
        mSubmitInfo->Hide();
        mUpload.userText = mUserText->Text().substr(0, kLongestUserText);
        ShowProgressWindow();
        StartUpload();
    } else {
        mExit = true;
    }
}

void CrashWindows::ShowProgressWindow()
{
    mProgress = MakeWindow("Submitting Report", kProgressWidth, kProgressHeight, kFatalPosition);
    mProgress->System().SetTimer(kResultTimer, kResultPeriodMs);
    mProgress->System().SetTimer(kDotTimer, kDotPeriodMs);
    mStatus = &mProgress->AddField({24, 10, 224, 24}, kStatusStyle, mBoldFont.get(), kPleaseWait);
    mProgress->AddButton({72, 36, 96, 22}, "Abort", mSmallFont.get(), true);
    mProgress->OnClick([this](const PushButton&) { AbortUpload(); });
    mProgress->OnMessage([this](const Platform::MessageRecord& message) { ProgressWindowProc(message); });
    mProgress->Show();
}

void CrashWindows::ProgressWindowProc(const Platform::MessageRecord& message)
{
    if (message.message == Platform::WM_CLOSE) {
        OnClose(*mProgress);
    } else if (message.message == Platform::WM_TIMER && message.wParam == kResultTimer) {
        OnResultTimer();
    } else if (message.message == Platform::WM_TIMER && message.wParam == kDotTimer) {
        ++mDotCount;
        std::string status = kPleaseWait;
        for (int i = 0; i < mDotCount % kDotsShown; ++i)
            status += " .";
        mStatus->SetText(status);
        mProgress->Invalidate();
    }
}

void CrashWindows::AbortUpload()
{
    mAbortAsked = true;
    mTransfer.Abort();
}

void CrashWindows::OnResultTimer()
{
    // An abort asked before the upload thread handed its request over was
    // undone by the transfer's start: it is asked again of the running one.
    if (mAbortAsked) {
        FinishUploadThread();
        mTransfer.Abort();
    }
    const int result = mTransfer.GetResultCode();
    if (result == Vorn::HTTPTransfer::kIdle || result == Vorn::HTTPTransfer::kRunning)
        return;
    FinishUploadThread();
    if (result == Vorn::HTTPTransfer::kFinished || result == Vorn::HTTPTransfer::kAborted) {
        mExit = true;
        return;
    }
    // Back to idle first: the timers that come while the box is open find
    // nothing to do.
    mTransfer.Reset();
    const int answer =
        mShowMessageBox("Failed to connect to server.", "Connection Failed", Platform::MB_RETRYCANCEL);
    if (answer == Platform::IDRETRY)
        StartUpload();
    else
        mExit = true;
}

void CrashWindows::StartUpload()
{
    FinishUploadThread();
    mAbortAsked = false;
    try {
        mUploadThread = Platform::StartThread([this] { SubmitReport(mUpload, mTransfer); });
    } catch (const std::system_error&) {
        // Sent from here instead: the request is handed over at once.
        SubmitReport(mUpload, mTransfer);
    }
}

void CrashWindows::FinishUploadThread()
{
    if (mUploadThread.joinable())
        mUploadThread.join();
}

bool CrashWindows::Step()
{
    for (CrashWindow* window : {mFatal.get(), mSubmitInfo.get(), mProgress.get()}) {
        if (window != nullptr && !mExit)
            window->System().PumpMessages();
    }
    for (CrashWindow* window : {mFatal.get(), mSubmitInfo.get(), mProgress.get()}) {
        if (window != nullptr)
            window->Refresh();
    }
    return !mExit;
}

void CrashWindows::RunLoop()
{
    while (Step())
        Platform::SleepMilliseconds(kLoopSleepMs);
}

} // namespace CrashCatcher
