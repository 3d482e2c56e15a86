#pragma once
// The window over SDL. Events reach the window whose SDL id they carry;
// SIGTERM and SDL's quit request arrive as WM_CLOSE at the window that pumps.
// Windows are made, pumped and destroyed on one thread; only PostMessage,
// CursorPosition and CursorInside may be called from others.

#include "platform/Window.h"
#include "platform/sdl/SdlEventTranslator.h"
#include "platform/sdl/SdlVideo.h"

#include <array>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

namespace Platform::Detail {

class SdlCursor;

// A termination signal arrived that no window's pump has acted on yet.
bool TerminationRequested();

// From here on a termination signal is noted for TerminationRequested
// instead of going to SDL, which would only queue it for a pump.
void InstallTerminationHandler();

class SdlWindow final : public Window {
public:
    SdlWindow();
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    bool Create(const WindowDescription& description) override;
    void Destroy() override;
    bool IsCreated() const override { return mWindow != nullptr; }
    const std::string& Error() const override { return mError; }
    void SetProcedure(WindowProcedure procedure) override { mProcedure = std::move(procedure); }

    void Show(bool activate) override;
    void Hide() override;
    void BringToFront() override;
    bool IsMinimized() const override;
    bool HasFocus() const override;
    void SetTitle(const std::string& title) override;
    Point Position() const override;
    FrameMargins Decorations() const override;
    void SetPosition(Point position) override;
    Size ClientSize() const override;
    void SetClientSize(Size size) override;
    Size DrawableSize() const override;

    Size DesktopSize() const override;
    Rect WorkArea() const override;
    int RefreshRate() const override;
    std::optional<ScreenSaverSettings> ScreenSaver() const override;

    void PumpMessages() override;
    bool PostMessage(const MessageRecord& message) override;
    void SetTimer(uintptr_t id, uint32_t periodMs) override;
    void KillTimer(uintptr_t id) override;

    Point CursorPosition() const override;
    bool CursorInside() const override { return mCursorInside.load(); }
    void ShowCursor(bool visible) override;
    void AllowScreenSaver(bool allow) override;
    void SetCursor(const Cursor& cursor) override;
    const Cursor& SystemCursor(SystemCursorShape shape) override;
    std::unique_ptr<Cursor> CreateCursor(const uint32_t* argb, int width, int height, Point hotSpot) override;

    bool Present(const Frame& frame, const Rect& destination) override;
    bool PresentArea(const Frame& frame, const Rect& destination, const Rect& area) override;
    bool PresentCopying(const Frame& frame, const Rect& destination, uint8_t* copy, int copyPitch) override;

    // SDL's id of the window (0 while there is none): the events that carry
    // it are this window's.
    uint32_t SdlId() const;

private:
    struct Timer {
        uintptr_t id;
        uint32_t period;
        uint32_t due;
    };

    void Route(const SDL_Event& event);
    void Handle(const SDL_Event& event);
    void TrackPointer(const SDL_Event& event);
    std::deque<MessageRecord> TakePosted();
    std::vector<uintptr_t> TakeDueTimers(uint32_t now);
    void Deliver(const MessageRecord& message);
    int DisplayIndex() const;
    SDL_Surface* Staging(const Frame& frame, int width, int height);
    bool Show(const Frame& frame, const Rect& destination, uint8_t* copy, int copyPitch);
    bool Fail(std::string error);

    VideoSubsystem mVideo;
    SDL_Window* mWindow = nullptr;
    SDL_Surface* mStaging = nullptr;
    // The window's surface when the last frame went into it unscaled in one
    // pass, with that frame's size and destination; null otherwise. Only
    // then may a later frame replace a part of it.
    SDL_Surface* mPresentedSurface = nullptr;
    Rect mPresentedDestination;
    int mPresentedWidth = 0;
    int mPresentedHeight = 0;
    bool mHiddenStyle = false;
    const std::thread::id mOwner = std::this_thread::get_id();
    WindowProcedure mProcedure;
    EventTranslator mTranslator;
    std::vector<Timer> mTimers;
    std::mutex mPostedMutex;
    std::deque<MessageRecord> mPosted;
    // x in the low half, y in the high half, so one load reads both.
    std::atomic<uint64_t> mCursorPosition{0};
    std::atomic<bool> mCursorInside{false};
    std::array<std::unique_ptr<SdlCursor>, size_t(SystemCursorShape::Hand) + 1> mSystemCursors;
    std::string mError;
};

} // namespace Platform::Detail
