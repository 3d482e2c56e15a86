#pragma once
// A scripted window for tests of the code above the platform: it records
// what was asked of it, answers queries with what the test set, delivers the
// messages the test injects at the next pump, and keeps every presented
// frame as 0xFFRRGGBB words.

#include "platform/Window.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Platform {

// Failed comparisons of messages show them as {message, wParam, lParam} in hex.
void PrintTo(const MessageRecord& record, std::ostream* os);

} // namespace Platform

namespace Testing {

class FakeCursor final : public Platform::Cursor {
public:
    std::optional<Platform::SystemCursorShape> shape; // set for system cursors
    std::vector<uint32_t> argb;
    int width = 0;
    int height = 0;
    Platform::Point hotSpot;
};

class FakeWindow final : public Platform::Window {
public:
    struct Presented {
        int width = 0;
        int height = 0;
        Platform::PixelFormat format;
        Platform::Rect destination;
        // The whole frame is kept; this is the part said to have changed,
        // none when the whole frame was presented.
        std::optional<Platform::Rect> area;
        std::vector<uint32_t> pixels;
    };

    // Answers the test sets.
    Platform::Size desktopSize{1024, 768};
    Platform::Rect workArea{0, 0, 1024, 740};
    int refreshRate = 60;
    std::optional<Platform::ScreenSaverSettings> screenSaver;
    bool screenSaverAllowed = false;
    // The client area's corner; a framed window is made with its frame's
    // corner at the place asked, as a window manager places it.
    Platform::Point position{64, 64};
    Platform::FrameMargins frame;
    bool minimized = false;
    bool focused = true;
    // The next Create fails with this text when it is not empty.
    std::string createError;
    // Arrive one per pump, each injected at the end of a pump for the next:
    // the input a modal loop meets one message after another.
    std::deque<Platform::MessageRecord> later;
    // When set, each presented frame goes here instead of being kept: a long
    // run would keep too many.
    std::function<void(const Presented&)> onPresent;
    // Presents that also copied the frame for the screen surface in the same
    // pass.
    int copyingPresents = 0;

    // Queues a message as if it arrived from the desktop; the next pump
    // delivers it, after the messages posted.
    void Inject(const Platform::MessageRecord& message);
    // Where the pointer is, for the thread that reads it.
    void MovePointer(Platform::Point position, bool inside);
    // Delivers WM_TIMER for every timer set, as though all came due.
    void FireTimers();

    // What was asked, in order, one line per call, for example "Create 800x600
    // Framed", "Show activate", "SetPosition 10,20", "Destroy".
    const std::vector<std::string>& Calls() const { return mCalls; }
    const std::vector<Presented>& Presents() const { return mPresents; }
    const std::map<uintptr_t, uint32_t>& Timers() const { return mTimers; }
    bool Visible() const { return mVisible; }
    bool CursorShown() const { return mCursorShown; }
    const Platform::Cursor* CurrentCursor() const { return mCurrentCursor; }
    const std::string& Title() const { return mTitle; }

    bool Create(const Platform::WindowDescription& description) override;
    void Destroy() override;
    bool IsCreated() const override { return mCreated; }
    const std::string& Error() const override { return mError; }
    void SetProcedure(Platform::WindowProcedure procedure) override { mProcedure = std::move(procedure); }

    void Show(bool activate) override;
    void Hide() override;
    void BringToFront() override;
    bool IsMinimized() const override { return minimized; }
    bool HasFocus() const override { return focused; }
    void SetTitle(const std::string& title) override;
    Platform::Point Position() const override { return position; }
    Platform::FrameMargins Decorations() const override { return frame; }
    void SetPosition(Platform::Point newPosition) override;
    Platform::Size ClientSize() const override { return mClientSize; }
    void SetClientSize(Platform::Size size) override;
    Platform::Size DrawableSize() const override;

    Platform::Size DesktopSize() const override { return desktopSize; }
    Platform::Rect WorkArea() const override { return workArea; }
    int RefreshRate() const override { return refreshRate; }
    std::optional<Platform::ScreenSaverSettings> ScreenSaver() const override { return screenSaver; }

    void PumpMessages() override;
    bool PostMessage(const Platform::MessageRecord& message) override;
    void SetTimer(uintptr_t id, uint32_t periodMs) override;
    void KillTimer(uintptr_t id) override;

    Platform::Point CursorPosition() const override;
    bool CursorInside() const override { return mPointerInside.load(); }
    void ShowCursor(bool visible) override;
    void AllowScreenSaver(bool allow) override { screenSaverAllowed = allow; }
    void SetCursor(const Platform::Cursor& cursor) override;
    const Platform::Cursor& SystemCursor(Platform::SystemCursorShape shape) override;
    std::unique_ptr<Platform::Cursor> CreateCursor(const uint32_t* argb, int width, int height,
                                                   Platform::Point hotSpot) override;

    bool Present(const Platform::Frame& frame, const Platform::Rect& destination) override;
    bool PresentArea(const Platform::Frame& frame, const Platform::Rect& destination,
                     const Platform::Rect& area) override;
    bool PresentCopying(const Platform::Frame& frame, const Platform::Rect& destination, uint8_t* copy,
                        int copyPitch) override;

private:
    void Deliver(const Platform::MessageRecord& message);
    bool Keep(const Platform::Frame& frame, const Platform::Rect& destination,
              const std::optional<Platform::Rect>& area);

    bool mCreated = false;
    Platform::WindowDescription mDescription;
    Platform::Size mClientSize;
    std::string mTitle;
    std::string mError;
    bool mVisible = false;
    Platform::WindowProcedure mProcedure;
    std::vector<std::string> mCalls;
    std::vector<Presented> mPresents;
    std::map<uintptr_t, uint32_t> mTimers;
    std::mutex mQueueMutex;
    std::deque<Platform::MessageRecord> mPosted;
    std::deque<Platform::MessageRecord> mInjected;
    std::atomic<int> mPointerX{0};
    std::atomic<int> mPointerY{0};
    std::atomic<bool> mPointerInside{false};
    bool mCursorShown = true;
    const Platform::Cursor* mCurrentCursor = nullptr;
    std::map<Platform::SystemCursorShape, FakeCursor> mSystemCursors;
};

} // namespace Testing
