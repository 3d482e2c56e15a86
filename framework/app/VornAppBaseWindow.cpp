// The main window: its creation with the display on it, the window
// procedure that handles what cannot wait and queues the rest for the main
// loop, the focus state, and the screen-saver mode's end.

#include "framework/app/VornAppBase.h"

#include "framework/display/D3DTester.h"
#include "framework/display/DDInterface.h"
#include "framework/widgets/WidgetManager.h"

#include <algorithm>
#include <cmath>

namespace Vorn {

using Platform::MessageRecord;

namespace {

// A framed window keeps this far inside the work area.
constexpr int kWorkAreaMargin = 4;
// Without a preferred place the window starts at this share of the free
// height below the work area's top.
constexpr double kGoldenSection = -0.382;

// The saver ends from the fourth move to a new place on.
constexpr int32_t kScreenSaverMovesToEnd = 4;
// A monitor waking from power-down sends activations and moves of its own.
constexpr uint32_t kMonitorWakeMs = 1000;

bool IsQueued(uint32_t message)
{
    using namespace Platform;
    switch (message) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_CLOSE:
    case WM_SYSCOLORCHANGE:
    case WM_ACTIVATEAPP:
    case WM_DISPLAYCHANGE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_TIMER:
    case WM_MOUSEWHEEL:
        return true;
    default:
        // The middle double click, just above, is left out.
        return message >= WM_MOUSEMOVE && message <= WM_MBUTTONUP;
    }
}

bool IsDisplayChange(uint32_t message)
{
    return message == Platform::WM_SYSCOLORCHANGE || message == Platform::WM_DISPLAYCHANGE;
}

} // namespace

void VornAppBase::CreateMainWindow()
{
    if (mMainWindow) {
        mMainWindow->SetProcedure({});
        mMainWindow->Destroy();
        mMainWindow = nullptr;
        mWidgetManager->mImage = nullptr;
    }
    MakeMainWindowObject();
    if (!mMainWindowObject)
        FailDisplayInit(DDInterface::RESULT_FAIL, "No window can be made");

    // A demo always plays in a window, whatever the recorded run used.
    const bool fullScreen = !mPlaying && (!mIsWindowed || mDisplayModeChanged);
    Platform::WindowDescription description;
    description.title = mTitle;
    description.clientWidth = mWidth;
    description.clientHeight = mHeight;
    description.style = fullScreen ? Platform::WindowStyle::FullScreen : Platform::WindowStyle::Framed;
    Platform::Point position;
    if (!fullScreen && WindowedPosition(position))
        description.position = position;
    if (!mMainWindowObject->Create(description))
        FailDisplayInit(DDInterface::RESULT_FAIL, mMainWindowObject->Error());

    mMainWindow = mMainWindowObject.get();
    mWindowCreatedWindowed = !fullScreen;
    mIsPhysWindowed = !fullScreen;
    mMainWindow->SetProcedure([this](Platform::Window& window, const MessageRecord& message) {
        WindowProc(window, message);
    });
    // A full-screen window is shown as it is made; a framed one when the
    // main loop starts or the mode changes.
    if (fullScreen)
        mMainWindow->Show(true);
    // The saver counts the pointer's moves from where it was when it began.
    if (mIsScreenSaver && !mScreenSaverStarted) {
        mScreenSaverStarted = true;
        mScreenSaverCursor = mMainWindow->CursorPosition();
    }

    if (!mDDInterface)
        mDDInterface = std::make_unique<DDInterface>(this);
    bool is3D = false;
    if (ReadRegistryBoolean("Is3D", is3D)) {
        if (mAutoEnable3D) {
            mAutoEnable3D = false;
            mTest3D = true;
        }
        if (is3D)
            mTest3D = true;
        mDDInterface->mIs3D = is3D;
    }

    const int32_t result = InitDisplay();
    // A machine that failed the test must not pay for a 3D set-up at every
    // start.
    if (mDDInterface->mD3DTester && !mDDInterface->mD3DTester->mFailureReason.empty())
        EraseRegistryValue("Is3D");
    if (mWindowCreatedWindowed && result == DDInterface::RESULT_INVALID_COLORDEPTH) {
        if (mFullScreenFailed) {
            ShowFatalError(GetString("PLEASE_SET_COLOR_DEPTH", "Please set your desktop color depth to 16 bit."));
            ExitProgram(kFailedExitCode);
        }
        mForceFullScreen = true;
        ChangeScreenModeKeep3D(false);
        return;
    }
    const bool fullScreenRefused =
        result == DDInterface::RESULT_EXCLUSIVE_FAIL || result == DDInterface::RESULT_DISPCHANGE_FAIL;
    if (!mWindowCreatedWindowed && fullScreenRefused) {
        mFullScreenFailed = true;
        ChangeScreenModeKeep3D(true);
    } else if (result == DDInterface::RESULT_UNKNOWN || (result != DDInterface::RESULT_OK && mDDInterface->mIs3D)) {
        // The 2D display that replaces it needs the timer and the focus
        // state as much as any other.
        ReinitDisplayFor3D(false, true);
    } else if (result != DDInterface::RESULT_OK) {
        FailDisplayInit(result, mDDInterface->mErrorString);
    }
    FinishMainWindow();
}

// Places are those of the outer window's top-left corner, with the frame the
// desktop draws: the corner a window is made at and the one WM_MOVE stores.
// A desktop that does not tell its work area lets the system place the
// window.
bool VornAppBase::WindowedPosition(Platform::Point& position) const
{
    const Platform::Rect work = mMainWindowObject->WorkArea();
    if (work.width <= 0 || work.height <= 0)
        return false;
    const Platform::FrameMargins frame = mMainWindowObject->Decorations();
    const int outerWidth = mWidth + frame.left + frame.right;
    const int outerHeight = mHeight + frame.top + frame.bottom;
    const int right = work.x + work.width;
    const int bottom = work.y + work.height;
    if (mPreferredX == -1) {
        position.x = work.x + (work.width - outerWidth) / 2;
        position.y = work.y - static_cast<int>(std::trunc((work.height - outerHeight) * kGoldenSection));
        return true;
    }
    position.x = std::max(mPreferredX, work.x + kWorkAreaMargin);
    position.y = std::max(mPreferredY, work.y + kWorkAreaMargin);
    if (int64_t{position.x} + outerWidth >= right - kWorkAreaMargin)
        position.x = right - kWorkAreaMargin - outerWidth;
    if (int64_t{position.y} + outerHeight >= bottom - kWorkAreaMargin)
        position.y = bottom - kWorkAreaMargin - outerHeight;
    return true;
}

void VornAppBase::FinishMainWindow()
{
    // While a demo plays, focus comes from the demo alone; while one is
    // recorded, what the new window brings is written, so that the replay
    // meets the same focus changes.
    if (!mPlaying) {
        const bool wasActive = mActive;
        mActive = mMainWindow->HasFocus();
        if (mActive != wasActive)
            RecordInput(DemoCommand::Active(mActive));
        if (mMinimized) {
            if (mMuteOnLostFocus)
                Unmute(true);
            mMinimized = false;
            RecordInput(DemoCommand::Minimized(false));
            UpdateFocusState();
        } else if (mActive != wasActive) {
            UpdateFocusState();
        }
    }
    AdoptDisplay(true);
    mMainWindow->SetTimer(kMainTimerId, static_cast<uint32_t>(FrameTime()));
    AllowScreenSaverWhenIdle();
}

// The desktop's saver may start where the idle check holds the program for
// it: in a window, once loading was handed over. Before that, and in full
// screen, the program runs on with no saver.
void VornAppBase::AllowScreenSaverWhenIdle()
{
    if (mMainWindow)
        mMainWindow->AllowScreenSaver(mLoadingHandedOver && mWindowCreatedWindowed);
}

void VornAppBase::FailDisplayInit(int32_t result, const std::string& errorText)
{
    ShowFatalError(GetString("FAILED_INIT_DIRECTDRAW", "Failed to initialize DirectDraw: ") +
                   DDInterface::ResultToString(result) + " " + errorText);
    ExitProgram(kFailedExitCode);
}

void VornAppBase::WindowProc(Platform::Window& window, const MessageRecord& message)
{
    using namespace Platform;
    if (mIsScreenSaver && CheckScreenSaverPassword(window, message))
        return;
    if (mPlaybackDialog && &window == mMainWindow && RouteToPlaybackDialog(message))
        return;

    switch (message.message) {
    case WM_ENABLE:
        mIsDisabled = message.wParam == 0;
        return;
    case WM_PAINT:
        if (mInitialized && !mCrashed && mRunning)
            Redraw(nullptr);
        return;
    case WM_ENDSESSION:
        Shutdown();
        return;
    case WM_SETCURSOR:
        if (!mCrashed)
            ApplyCursor();
        return;
    case WM_NCLBUTTONDOWN:
        // The time spent dragging the window is not caught up.
        ResetFractionTime();
        return;
    case WM_SYSCOMMAND:
        if (message.wParam == SC_MONITORPOWER)
            mLastMonitorPowerTick = Now();
        return;
    case WM_SYSCHAR:
        UsesAltKey(static_cast<int>(message.wParam));
        return;
    case WM_ACTIVATEAPP:
        if (!mPlaying && &window == mMainWindow)
            mActive = message.wParam != 0;
        break;
    default:
        break;
    }

    if (IsQueued(message.message)) {
        QueueMessage(window, message);
        return;
    }
    if (mNotifyMessage != 0 && message.message == mNotifyMessage && &window == mMainWindow)
        BringToFront(static_cast<uint32_t>(message.wParam), static_cast<uint32_t>(message.lParam));
}

bool VornAppBase::RouteToPlaybackDialog(const MessageRecord& message)
{
    using namespace Platform;
    switch (message.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEWHEEL: {
        int x = static_cast<int16_t>(message.lParam & 0xFFFF);
        int y = static_cast<int16_t>((message.lParam >> 16) & 0xFFFF);
        WindowToScreen(x, y);
        MessageRecord mapped = message;
        mapped.lParam = static_cast<intptr_t>((x & 0xFFFF) | (y & 0xFFFF) << 16);
        mPlaybackDialog->HandleMessage(mapped);
        return true;
    }
    case WM_CLOSE:
    case WM_CHAR:
    case WM_KEYDOWN:
        mPlaybackDialog->HandleMessage(message);
        return true;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

void VornAppBase::QueueMessage(Platform::Window& window, const MessageRecord& message)
{
    using namespace Platform;
    if (mMessageBoxPopup)
        return;
    const uint32_t id = message.message;
    const bool keyDown = id == WM_KEYDOWN || id == WM_SYSKEYDOWN;
    if (keyDown || id == WM_KEYUP || id == WM_SYSKEYUP) {
        if (message.wParam == VK_CONTROL)
            mCtrlDown = keyDown;
        else if (message.wParam == VK_MENU)
            mAltDown = keyDown;
        if (keyDown && PreviewKeyDown(static_cast<int>(message.wParam), mCtrlDown, mAltDown))
            return;
    }
    // The playback keys act at once; the key itself is queued as any other
    // and dropped there, since live input does not reach a replay.
    if (mPlaying) {
        if (id == WM_CHAR)
            HandlePlaybackKey(static_cast<uint8_t>(message.wParam));
        else if (id == WM_KEYDOWN)
            HandleDebugKey(static_cast<int>(message.wParam));
    }
    if (!IsCoalesced(id))
        mDeferredMessages.push_back({&window, message});

    if (id == WM_SYSKEYDOWN && message.wParam == VK_F4) {
        // What the system makes of Alt+F4 when it reaches the window.
        window.PostMessage({WM_CLOSE, 0, 0});
    } else if (id == WM_CLOSE) {
        // Not destroyed here: the queued close shuts the program down.
        CloseRequest();
    }
}

bool VornAppBase::IsCoalesced(uint32_t message) const
{
    if (mDeferredMessages.empty())
        return false;
    const uint32_t last = mDeferredMessages.back().message.message;
    if (last == Platform::WM_CLOSE)
        return true;
    if (message == Platform::WM_TIMER)
        return last == Platform::WM_TIMER;
    if (IsDisplayChange(message)) {
        return std::any_of(mDeferredMessages.begin(), mDeferredMessages.end(),
                           [](const QueuedMessage& queued) { return IsDisplayChange(queued.message.message); });
    }
    return false;
}

void VornAppBase::BringToFront(uint32_t wParam, uint32_t)
{
    if (wParam == 0 && mMainWindow)
        mMainWindow->BringToFront();
}

// The system holds the mouse for the window while a button is down and lets
// it go by itself: there is no capture to release here.
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

void VornAppBase::ClearKeyState()
{
    mWidgetManager->mKeyDown.fill(0);
    mCtrlDown = false;
    mAltDown = false;
}

bool VornAppBase::CheckScreenSaverPassword(Platform::Window& window, const MessageRecord& message)
{
    using namespace Platform;
    if (mScreenSaverEnding)
        return false;
    switch (message.message) {
    case WM_SYSCOMMAND:
        return message.wParam == SC_CLOSE || message.wParam == SC_NEXTWINDOW || message.wParam == SC_PREVWINDOW ||
               message.wParam == SC_SCREENSAVE;
    case WM_MOUSEMOVE: {
        const Platform::Point at{static_cast<int16_t>(message.lParam & 0xFFFF),
                       static_cast<int16_t>((message.lParam >> 16) & 0xFFFF)};
        if (at != mScreenSaverCursor) {
            ++mScreenSaverMoves;
            mScreenSaverCursor = at;
        }
        if (mScreenSaverMoves < kScreenSaverMovesToEnd)
            return true;
        EndScreenSaver(window, message.message);
        return false;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CLOSE:
        EndScreenSaver(window, message.message);
        return false;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        if (message.wParam == 0)
            EndScreenSaver(window, message.message);
        return false;
    default:
        return false;
    }
}

// The desktop guards its own session: no password is asked here, so the
// saver ends on the first input that qualifies. The message itself goes on.
void VornAppBase::EndScreenSaver(Platform::Window& window, uint32_t message)
{
    using namespace Platform;
    if (&window != mMainWindow)
        return;
    const bool wakingUp = mLastMonitorPowerTick && Now() - *mLastMonitorPowerTick < kMonitorWakeMs;
    const bool wakeMessage = message == WM_ACTIVATE || message == WM_ACTIVATEAPP || message == WM_NCACTIVATE ||
                             message == WM_CLOSE || message == WM_MOUSEMOVE;
    if (wakingUp && wakeMessage)
        return;
    mScreenSaverEnding = true;
    window.PostMessage({WM_CLOSE, 0, 0});
}

} // namespace Vorn
