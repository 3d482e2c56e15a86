// The queued input and state messages, handed on one per call between the
// message pump and the updates: written into a demo being recorded at the
// update they take effect, delivered to the widgets unless a demo plays.

#include "framework/app/VornAppBase.h"

#include "framework/display/DDInterface.h"
#include "framework/widgets/WidgetManager.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace Vorn {

using Platform::MessageRecord;

namespace {

// Moves shorter than this in both directions are written as relative.
constexpr int32_t kShortMoveLimit = 32;
// The positions a demo command can hold.
constexpr int kMinDemoPosition = -2048;
constexpr int kMaxDemoPosition = 2047;
// Timer messages this far apart mean the program was held up.
constexpr uint32_t kTimerGapMs = 500;
// How long the timer must have run steadily before a web page's opening is
// judged, and how long the browser may take to come up or to fail.
constexpr uint32_t kWebPageSteadyMs = 5000;
constexpr uint32_t kWebPageOpenedMs = 8000;
constexpr uint32_t kWebPageFailedMs = 12000;

struct MouseButton {
    bool down;
    int32_t clickCode;
};

std::optional<MouseButton> ButtonOf(uint32_t message)
{
    using namespace Platform;
    switch (message) {
    case WM_LBUTTONDOWN: return MouseButton{true, 1};
    case WM_LBUTTONUP: return MouseButton{false, 1};
    case WM_LBUTTONDBLCLK: return MouseButton{true, 2};
    case WM_RBUTTONDOWN: return MouseButton{true, -1};
    case WM_RBUTTONUP: return MouseButton{false, -1};
    case WM_RBUTTONDBLCLK: return MouseButton{true, -2};
    case WM_MBUTTONDOWN: return MouseButton{true, 3};
    case WM_MBUTTONUP: return MouseButton{false, 3};
    default: return std::nullopt;
    }
}

bool IsMouseMessage(uint32_t message)
{
    return message >= Platform::WM_MOUSEMOVE && message <= Platform::WM_MBUTTONUP;
}

// Whole notches, as a signed byte both live and in the demo.
int32_t WheelSteps(uintptr_t wParam)
{
    const int16_t amount = static_cast<int16_t>((wParam >> 16) & 0xFFFF);
    return static_cast<int8_t>(amount / Platform::WHEEL_DELTA);
}

int32_t LowByte(uintptr_t value)
{
    return static_cast<int32_t>(value & 0xFF);
}

} // namespace

bool VornAppBase::DispatchQueuedMessages()
{
    if (mDeferredMessages.empty())
        return false;
    const QueuedMessage record = mDeferredMessages.front();
    mDeferredMessages.pop_front();
    HandleQueuedMessage(record);
    return !mDeferredMessages.empty();
}

void VornAppBase::HandleQueuedMessage(const QueuedMessage& record)
{
    using namespace Platform;
    const MessageRecord& message = record.message;
    const uint32_t id = message.message;
    const bool mainWindow = record.window == mMainWindow;
    WidgetManager& widgets = *mWidgetManager;

    // Written as the widgets see them, so that a replayed click lands where
    // the live one did.
    int x = 0;
    int y = 0;
    if (IsMouseMessage(id)) {
        x = static_cast<int16_t>(message.lParam & 0xFFFF);
        y = static_cast<int16_t>((message.lParam >> 16) & 0xFFFF);
        WindowToScreen(x, y);
        widgets.MapMouseToScreen(x, y);
        // A demo holds a position in 12 signed bits: the widgets live must
        // see what they will see in the replay.
        x = std::clamp(x, kMinDemoPosition, kMaxDemoPosition);
        y = std::clamp(y, kMinDemoPosition, kMaxDemoPosition);
    }
    RecordQueuedMessage(record, x, y);

    if (id == WM_CLOSE && (mainWindow || record.window == mInvisibleWindow)) {
        mDemoStream.MarkClosedByUser();
        Shutdown();
        return;
    }
    // When the player last touched a key or the mouse, on the idle check's
    // clock: the last-input time copies timer ticks, 0 before the first.
    // Input during a replay counts too, or nothing could end the hold.
    if (IsMouseMessage(id) || (id >= WM_KEYDOWN && id <= WM_SYSKEYUP)) {
        mLastInputSeenTick = Now();
        mInputSeen = true;
    }
    if (mPlaying)
        return;
    switch (id) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        DispatchKeyDown(message);
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        mLastUserInputTick = mLastTimerTick;
        widgets.KeyUp(static_cast<int>(message.wParam));
        break;
    case WM_CHAR:
        mLastUserInputTick = mLastTimerTick;
        widgets.KeyChar(static_cast<char>(LowByte(message.wParam)));
        break;
    case WM_MOVE:
        // The outer window's place, where the next window is made.
        if (mainWindow && mIsWindowed && !mMainWindow->IsMinimized()) {
            const Platform::Point position = mMainWindow->Position();
            const Platform::FrameMargins frame = mMainWindow->Decorations();
            mPreferredX = position.x - frame.left;
            mPreferredY = position.y - frame.top;
        }
        break;
    case WM_SIZE:
        DispatchSize(record);
        break;
    case WM_SYSCOLORCHANGE:
    case WM_DISPLAYCHANGE:
        widgets.SystemColorsChangedAll();
        widgets.MarkAllDirty();
        break;
    case WM_ACTIVATEAPP:
        if (mainWindow && !mCrashed && !mShutdown) {
            UpdateFocusState();
            if (mActive && !mIsPhysWindowed)
                widgets.MarkAllDirty();
            if (mIsOpeningURL && !mActive)
                OnWebPageOpened(mOpeningURL);
        }
        break;
    case WM_TIMER:
        if (!mCrashed && mRunning)
            DispatchTimer();
        break;
    case WM_MOUSEWHEEL:
        widgets.MouseWheel(WheelSteps(message.wParam));
        break;
    default:
        if (IsMouseMessage(id) && !mCrashed)
            DispatchMouse(id, x, y);
        break;
    }
}

// In full screen the window shows the screen scaled into the desktop: a
// place on the desktop is taken back to the screen's pixels first. Until the
// screen has been shown there is nothing to scale by.
void VornAppBase::WindowToScreen(int& x, int& y) const
{
    if (!mIsPhysWindowed && mDDInterface)
        mDDInterface->WindowToScreen(x, y);
}

void VornAppBase::RecordInput(const DemoCommand& command)
{
    if (mRecording && !mShutdown)
        mDemoStream.RecordCommand(mUpdateCount, command);
}

// Key presses are written where they reach the widgets: one that switches
// the screen mode or serves the developer never reached them live and must
// not reach them in the replay.
void VornAppBase::RecordQueuedMessage(const QueuedMessage& record, int32_t x, int32_t y)
{
    using namespace Platform;
    const MessageRecord& message = record.message;
    const uint32_t id = message.message;
    switch (id) {
    case WM_ACTIVATEAPP:
        if (record.window == mMainWindow)
            RecordInput(DemoCommand::Active(message.wParam != 0));
        return;
    case WM_SIZE:
        RecordInput(DemoCommand::Minimized(message.wParam == SIZE_MINIMIZED));
        return;
    case WM_CLOSE:
        if (record.window == mMainWindow || record.window == mInvisibleWindow)
            RecordInput(DemoCommand::Close());
        return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        RecordInput(DemoCommand::KeyUp(LowByte(message.wParam)));
        return;
    case WM_CHAR:
        RecordInput(DemoCommand::Character(LowByte(message.wParam)));
        return;
    case WM_MOUSEWHEEL:
        RecordInput(DemoCommand::Wheel(WheelSteps(message.wParam)));
        return;
    default:
        break;
    }
    if (!IsMouseMessage(id) || !mRecording || mShutdown)
        return;
    const int32_t dx = x - mLastDemoMouseX;
    const int32_t dy = y - mLastDemoMouseY;
    if (std::abs(dx) >= kShortMoveLimit || std::abs(dy) >= kShortMoveLimit)
        RecordInput(DemoCommand::Position(x, y));
    else if (dx != 0 || dy != 0)
        RecordInput(DemoCommand::MouseMove(dx, dy));
    if (const std::optional<MouseButton> button = ButtonOf(id))
        RecordInput(DemoCommand::MouseButton(button->down, button->clickCode));
    mLastDemoMouseX = x;
    mLastDemoMouseY = y;
}

void VornAppBase::DispatchKeyDown(const MessageRecord& message)
{
    using namespace Platform;
    mLastUserInputTick = mLastTimerTick;
    const int key = static_cast<int>(message.wParam);
    if (key == VK_RETURN && message.message == WM_SYSKEYDOWN && !mForceFullScreen && !mFullScreenFailed) {
        ChangeScreenModeKeep3D(!mIsWindowed);
        ClearKeyState();
        return;
    }
    // Ctrl+Alt+D switches the developer's keys. The system's menu-command
    // sound that goes with it has no counterpart here.
    const auto& held = mWidgetManager->mKeyDown;
    if (key == 'D' && held[VK_CONTROL] && held[VK_MENU])
        mDebugKeysEnabled = !mDebugKeysEnabled;
    if (mDebugKeysEnabled && HandleDebugKey(key))
        return;
    RecordInput(DemoCommand::KeyDown(LowByte(message.wParam)));
    mWidgetManager->KeyDown(key);
}

void VornAppBase::DispatchSize(const QueuedMessage& record)
{
    using namespace Platform;
    const bool minimizedNow = record.message.wParam == SIZE_MINIMIZED;
    if (record.window == mMainWindow && !mShutdown && minimizedNow != mMinimized) {
        mMinimized = minimizedNow;
        if (mMinimized) {
            if (mMuteOnLostFocus)
                Mute(true);
        } else {
            if (mMuteOnLostFocus)
                Unmute(true);
            mWidgetManager->MarkAllDirty();
        }
    }
    UpdateFocusState();
    if (record.message.wParam == SIZE_MAXIMIZED)
        ChangeScreenModeKeep3D(false);
}

void VornAppBase::DispatchTimer()
{
    const uint32_t now = Now();
    if (now - mLastTimerTick > kTimerGapMs)
        mSteadyTimerTick = now;
    mLastTimerTick = now;

    if (mIsOpeningURL && now - mSteadyTimerTick > kWebPageSteadyMs) {
        const uint32_t elapsed = now - mOpeningURLTime;
        // Losing the focus means the browser came up.
        if (elapsed > kWebPageOpenedMs && !mActive)
            OnWebPageOpened(mOpeningURL);
        else if (elapsed > kWebPageFailedMs && mActive)
            OnWebPageFailed(mOpeningURL);
    }

    const bool inside = mMainWindow && mMainWindow->CursorInside();
    if (inside == mMouseIn)
        return;
    RecordInput(inside ? DemoCommand::MouseEnter() : DemoCommand::MouseLeave());
    if (!inside)
        mWidgetManager->MouseExit();
    mMouseIn = inside;
    ApplyCursor();
}

void VornAppBase::DispatchMouse(uint32_t message, int32_t x, int32_t y)
{
    WidgetManager& widgets = *mWidgetManager;
    mLastUserInputTick = mLastTimerTick;
    // A demo records only changes of position, so a repeated position must
    // not reach the widgets live either: the replay would miss that call.
    if (x != mLastMouseX || y != mLastMouseY) {
        mLastMouseX = x;
        mLastMouseY = y;
        widgets.MouseMove(x, y);
    }
    // The timer notices the pointer coming back only later.
    if (!mMouseIn) {
        RecordInput(DemoCommand::MouseEnter());
        mMouseIn = true;
        ApplyCursor();
    }
    const std::optional<MouseButton> button = ButtonOf(message);
    if (!button)
        return;
    if (button->down)
        widgets.MouseDown(x, y, button->clickCode);
    else
        widgets.MouseUp(x, y, button->clickCode);
}

} // namespace Vorn
