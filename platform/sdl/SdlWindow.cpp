#include "platform/sdl/SdlWindow.h"

#include "platform/Clock.h"
#include "platform/TextEncoding.h"

#include <SDL_syswm.h>

#include <algorithm>
#include <signal.h>

namespace Platform {

std::unique_ptr<Window> MakeSystemWindow()
{
    return std::make_unique<Detail::SdlWindow>();
}

namespace Detail {

class SdlCursor final : public Cursor {
public:
    // Null stands for the system's default arrow.
    explicit SdlCursor(SDL_Cursor* cursor) : mCursor(cursor) {}
    ~SdlCursor() override
    {
        if (mCursor)
            SDL_FreeCursor(mCursor);
    }
    SdlCursor(const SdlCursor&) = delete;
    SdlCursor& operator=(const SdlCursor&) = delete;

    SDL_Cursor* Handle() const { return mCursor; }

private:
    // SDL must outlive its cursors, whichever goes first, window or cursor.
    VideoSubsystem mVideo;
    SDL_Cursor* mCursor;
};

namespace {

// Every SdlWindow alive, touched only on the thread that pumps.
std::vector<SdlWindow*>& LiveWindows()
{
    static std::vector<SdlWindow*> windows;
    return windows;
}

bool IsLive(const SdlWindow* window)
{
    const auto& windows = LiveWindows();
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
std::atomic<bool> gTerminationRequested{false};

extern "C" void OnTerminationSignal(int)
{
    gTerminationRequested.store(true);
}

uint32_t WindowIdOf(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_WINDOWEVENT: return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return event.key.windowID;
    case SDL_TEXTINPUT: return event.text.windowID;
    case SDL_MOUSEMOTION: return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return event.button.windowID;
    case SDL_MOUSEWHEEL: return event.wheel.windowID;
    default: return 0;
    }
}

uint64_t PackPosition(int x, int y)
{
    return uint64_t{static_cast<uint32_t>(x)} | uint64_t{static_cast<uint32_t>(y)} << 32;
}

SDL_SystemCursor SdlShape(SystemCursorShape shape)
{
    switch (shape) {
    case SystemCursorShape::IBeam: return SDL_SYSTEM_CURSOR_IBEAM;
    case SystemCursorShape::Wait: return SDL_SYSTEM_CURSOR_WAIT;
    case SystemCursorShape::No: return SDL_SYSTEM_CURSOR_NO;
    case SystemCursorShape::SizeAll: return SDL_SYSTEM_CURSOR_SIZEALL;
    case SystemCursorShape::SizeNESW: return SDL_SYSTEM_CURSOR_SIZENESW;
    case SystemCursorShape::SizeNS: return SDL_SYSTEM_CURSOR_SIZENS;
    case SystemCursorShape::SizeNWSE: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case SystemCursorShape::SizeWE: return SDL_SYSTEM_CURSOR_SIZEWE;
    case SystemCursorShape::Hand: return SDL_SYSTEM_CURSOR_HAND;
    case SystemCursorShape::Arrow: break;
    }
    return SDL_SYSTEM_CURSOR_ARROW;
}

// Far enough out for any desktop, short of the values SDL reads as "centred"
// or "undefined".
constexpr int kMaxCoordinate = 1 << 20;

} // namespace

bool TerminationRequested()
{
    return gTerminationRequested.load();
}

// The service manager's and the session's polite request to end: the
// application closes as if its window were closed, and saves its settings.
void InstallTerminationHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action = {};
        action.sa_handler = OnTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
    });
}

SdlWindow::SdlWindow()
{
    LiveWindows().push_back(this);
}

SdlWindow::~SdlWindow()
{
    Destroy();
    auto& windows = LiveWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

bool SdlWindow::Fail(std::string error)
{
    mError = std::move(error);
    return false;
}

bool SdlWindow::Create(const WindowDescription& description)
{
    Destroy();
    if (!mVideo.IsUp())
        return Fail("No display: " + mVideo.Error());
    const bool hidden = description.style == WindowStyle::Hidden;
    const int smallest = hidden ? 0 : 1;
    if (description.clientWidth < smallest || description.clientHeight < smallest ||
        description.clientWidth > kMaxSide || description.clientHeight > kMaxSide) {
        return Fail("Window size out of range: " + std::to_string(description.clientWidth) + " x " +
                    std::to_string(description.clientHeight));
    }

    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (description.style == WindowStyle::FullScreen)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    int x = SDL_WINDOWPOS_CENTERED;
    int y = SDL_WINDOWPOS_CENTERED;
    if (description.position && description.style == WindowStyle::Framed) {
        x = std::clamp(description.position->x, -kMaxCoordinate, kMaxCoordinate);
        y = std::clamp(description.position->y, -kMaxCoordinate, kMaxCoordinate);
    }
    // SDL makes no window of size 0; a hidden one is never seen anyway.
    int width = std::max(description.clientWidth, 1);
    int height = std::max(description.clientHeight, 1);
    SDL_Rect desktop;
    if (description.style == WindowStyle::FullScreen && SDL_GetDisplayBounds(0, &desktop) == 0 && desktop.w > 0 &&
        desktop.h > 0) {
        // Without a window manager nobody makes the window cover the desktop:
        // made at the desktop's place and size, it covers it anyway.
        x = desktop.x;
        y = desktop.y;
        width = desktop.w;
        height = desktop.h;
    }
    mWindow = SDL_CreateWindow(Windows1252ToUtf8(description.title).c_str(), x, y, width, height, flags);
    if (!mWindow)
        return Fail(std::string("SDL_CreateWindow: ") + SDL_GetError());

    InstallTerminationHandler();
    mHiddenStyle = hidden;
    mTranslator = EventTranslator{};
    mTranslator.SetClientSize({width, height});
    mError.clear();
    return true;
}

void SdlWindow::Destroy()
{
    if (mStaging)
        SDL_FreeSurface(mStaging);
    if (mWindow)
        SDL_DestroyWindow(mWindow);
    mStaging = nullptr;
    mWindow = nullptr;
    // Like the window they were meant for, its timers and posted messages go.
    mTimers.clear();
    std::lock_guard lock(mPostedMutex);
    mPosted.clear();
    mCursorInside = false;
}

void SdlWindow::Show(bool activate)
{
    if (!mWindow || mHiddenStyle)
        return;
    SDL_ShowWindow(mWindow);
    if (activate)
        SDL_RaiseWindow(mWindow);
}

void SdlWindow::Hide()
{
    if (mWindow)
        SDL_HideWindow(mWindow);
}

void SdlWindow::BringToFront()
{
    if (!mWindow || mHiddenStyle)
        return;
    if (IsMinimized())
        SDL_RestoreWindow(mWindow);
    SDL_RaiseWindow(mWindow);
}

bool SdlWindow::IsMinimized() const
{
    return mWindow && (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_MINIMIZED);
}

bool SdlWindow::HasFocus() const
{
    return mWindow && (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_INPUT_FOCUS);
}

void SdlWindow::SetTitle(const std::string& title)
{
    if (mWindow)
        SDL_SetWindowTitle(mWindow, Windows1252ToUtf8(title).c_str());
}

Point SdlWindow::Position() const
{
    Point position;
    if (mWindow)
        SDL_GetWindowPosition(mWindow, &position.x, &position.y);
    return position;
}

// Known only once the window manager has framed a window; kept for the
// windows made after it, whose frames are the same.
FrameMargins SdlWindow::Decorations() const
{
    static std::atomic<uint64_t> lastKnown{0};
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    if (mWindow && !(SDL_GetWindowFlags(mWindow) & (SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN)) &&
        SDL_GetWindowBordersSize(mWindow, &top, &left, &bottom, &right) == 0 && top >= 0 && left >= 0 &&
        top < 65536 && left < 65536 && bottom >= 0 && right >= 0 && bottom < 65536 && right < 65536)
        lastKnown = uint64_t(left) | uint64_t(top) << 16 | uint64_t(right) << 32 | uint64_t(bottom) << 48;
    const uint64_t known = lastKnown.load();
    return {int(known & 0xFFFF), int(known >> 16 & 0xFFFF), int(known >> 32 & 0xFFFF), int(known >> 48 & 0xFFFF)};
}

void SdlWindow::SetPosition(Point position)
{
    if (mWindow) {
        SDL_SetWindowPosition(mWindow, std::clamp(position.x, -kMaxCoordinate, kMaxCoordinate),
                              std::clamp(position.y, -kMaxCoordinate, kMaxCoordinate));
    }
}

Size SdlWindow::ClientSize() const
{
    Size size;
    if (mWindow)
        SDL_GetWindowSize(mWindow, &size.width, &size.height);
    return size;
}

void SdlWindow::SetClientSize(Size size)
{
    if (mWindow)
        SDL_SetWindowSize(mWindow, std::clamp(size.width, 1, kMaxSide), std::clamp(size.height, 1, kMaxSide));
}

Size SdlWindow::DrawableSize() const
{
    Size size;
    if (mWindow)
        SDL_GetWindowSizeInPixels(mWindow, &size.width, &size.height);
    return size;
}

void SdlWindow::AllowScreenSaver(bool allow)
{
    if (!mVideo.IsUp())
        return;
    if (allow)
        SDL_EnableScreenSaver();
    else
        SDL_DisableScreenSaver();
}

int SdlWindow::DisplayIndex() const
{
    const int index = mWindow ? SDL_GetWindowDisplayIndex(mWindow) : 0;
    return index < 0 ? 0 : index;
}

Size SdlWindow::DesktopSize() const
{
    SDL_DisplayMode mode;
    if (!mVideo.IsUp() || SDL_GetDesktopDisplayMode(DisplayIndex(), &mode) != 0)
        return {};
    return {mode.w, mode.h};
}

Rect SdlWindow::WorkArea() const
{
    SDL_Rect bounds;
    if (!mVideo.IsUp() || SDL_GetDisplayUsableBounds(DisplayIndex(), &bounds) != 0)
        return {};
    return {bounds.x, bounds.y, bounds.w, bounds.h};
}

int SdlWindow::RefreshRate() const
{
    SDL_DisplayMode mode;
    if (!mVideo.IsUp() || SDL_GetDesktopDisplayMode(DisplayIndex(), &mode) != 0)
        return 0;
    return std::max(mode.refresh_rate, 0);
}

// Only an X server tells its screen-saver timeout; 0 there means switched off.
std::optional<ScreenSaverSettings> SdlWindow::ScreenSaver() const
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (mWindow == nullptr || !SDL_GetWindowWMInfo(mWindow, &info) || info.subsystem != SDL_SYSWM_X11)
        return std::nullopt;
    int timeout = 0;
    int interval = 0;
    int blanking = 0;
    int exposures = 0;
    XGetScreenSaver(info.info.x11.display, &timeout, &interval, &blanking, &exposures);
    return ScreenSaverSettings{timeout > 0, std::max(timeout, 0)};
#else
    return std::nullopt;
#endif
}

uint32_t SdlWindow::SdlId() const
{
    return mWindow ? SDL_GetWindowID(mWindow) : 0;
}

void SdlWindow::PumpMessages()
{
    // Procedures may destroy windows (never themselves) while this runs:
    // each delivery checks that its window is still there.
    const std::vector<SdlWindow*> windows = LiveWindows();
    for (SdlWindow* window : windows) {
        if (!IsLive(window))
            continue;
        for (const MessageRecord& message : window->TakePosted()) {
            if (IsLive(window))
                window->Deliver(message);
        }
    }

    if (mWindow && gTerminationRequested.exchange(false))
        Deliver({WM_CLOSE, 0, 0});

    SDL_Event event;
    while (mVideo.IsUp() && SDL_PollEvent(&event))
        Route(event);

    const uint32_t now = TickCount();
    for (SdlWindow* window : windows) {
        if (!IsLive(window))
            continue;
        for (const uintptr_t id : window->TakeDueTimers(now)) {
            if (IsLive(window))
                window->Deliver({WM_TIMER, id, 0});
        }
    }
}

void SdlWindow::Route(const SDL_Event& event)
{
    if (event.type == SDL_QUIT) {
        if (mWindow)
            Deliver({WM_CLOSE, 0, 0});
        return;
    }
    const uint32_t id = WindowIdOf(event);
    if (id == 0)
        return;
    const auto& windows = LiveWindows();
    // Found first: the procedure may make windows while it runs.
    const auto target = std::find_if(windows.begin(), windows.end(), [id](SdlWindow* w) { return w->SdlId() == id; });
    if (target != windows.end())
        (*target)->Handle(event);
}

void SdlWindow::Handle(const SDL_Event& event)
{
    TrackPointer(event);
    std::vector<MessageRecord> messages;
    mTranslator.Translate(event, messages);
    for (const MessageRecord& message : messages) {
        if (!mWindow)
            return;
        Deliver(message);
    }
}

void SdlWindow::TrackPointer(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_MOUSEMOTION:
        mCursorPosition = PackPosition(event.motion.x, event.motion.y);
        mCursorInside = true;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        mCursorPosition = PackPosition(event.button.x, event.button.y);
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_ENTER)
            mCursorInside = true;
        else if (event.window.event == SDL_WINDOWEVENT_LEAVE)
            mCursorInside = false;
        break;
    default:
        break;
    }
}

void SdlWindow::Deliver(const MessageRecord& message)
{
    if (mProcedure)
        mProcedure(*this, message);
}

std::deque<MessageRecord> SdlWindow::TakePosted()
{
    std::lock_guard lock(mPostedMutex);
    std::deque<MessageRecord> posted;
    if (mWindow)
        posted.swap(mPosted);
    return posted;
}

bool SdlWindow::PostMessage(const MessageRecord& message)
{
    std::lock_guard lock(mPostedMutex);
    if (mPosted.size() >= kMaxPostedMessages)
        return false;
    mPosted.push_back(message);
    return true;
}

void SdlWindow::SetTimer(uintptr_t id, uint32_t periodMs)
{
    const uint32_t period = std::max<uint32_t>(periodMs, 1);
    const uint32_t due = TickCount() + period;
    for (Timer& timer : mTimers) {
        if (timer.id == id) {
            timer = {id, period, due};
            return;
        }
    }
    mTimers.push_back({id, period, due});
}

void SdlWindow::KillTimer(uintptr_t id)
{
    std::erase_if(mTimers, [id](const Timer& timer) { return timer.id == id; });
}

std::vector<uintptr_t> SdlWindow::TakeDueTimers(uint32_t now)
{
    std::vector<uintptr_t> due;
    if (!mWindow)
        return due;
    for (Timer& timer : mTimers) {
        // Like WM_TIMER, a timer that fell behind fires once, not once per
        // missed period.
        if (static_cast<int32_t>(now - timer.due) >= 0) {
            due.push_back(timer.id);
            timer.due = now + timer.period;
        }
    }
    return due;
}

Point SdlWindow::CursorPosition() const
{
    const uint64_t packed = mCursorPosition.load();
    return {static_cast<int32_t>(static_cast<uint32_t>(packed)),
            static_cast<int32_t>(static_cast<uint32_t>(packed >> 32))};
}

void SdlWindow::ShowCursor(bool visible)
{
    if (mVideo.IsUp())
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void SdlWindow::SetCursor(const Cursor& cursor)
{
    const auto* sdlCursor = dynamic_cast<const SdlCursor*>(&cursor);
    if (!sdlCursor || !mVideo.IsUp())
        return;
    SDL_SetCursor(sdlCursor->Handle() ? sdlCursor->Handle() : SDL_GetDefaultCursor());
}

const Cursor& SdlWindow::SystemCursor(SystemCursorShape shape)
{
    auto& cursor = mSystemCursors.at(static_cast<size_t>(shape));
    if (!cursor)
        cursor = std::make_unique<SdlCursor>(mVideo.IsUp() ? SDL_CreateSystemCursor(SdlShape(shape)) : nullptr);
    return *cursor;
}

std::unique_ptr<Cursor> SdlWindow::CreateCursor(const uint32_t* argb, int width, int height, Point hotSpot)
{
    if (!argb || width < 1 || height < 1 || width > kMaxCursorSide || height > kMaxCursorSide ||
        hotSpot.x < 0 || hotSpot.y < 0 || hotSpot.x >= width || hotSpot.y >= height || !mVideo.IsUp())
        return nullptr;
    // SDL only reads the pixels: the cursor keeps a copy of its own.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return nullptr;
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotSpot.x, hotSpot.y);
    SDL_FreeSurface(surface);
    if (!cursor)
        return nullptr;
    return std::make_unique<SdlCursor>(cursor);
}

// The frame as 0xXXRRGGBB words, scaled to width x height by the present's
// own filter, for a window surface of another format or a frame that does
// not lie wholly on it.
SDL_Surface* SdlWindow::Staging(const Frame& frame, int width, int height)
{
    if (mStaging && (mStaging->w != width || mStaging->h != height)) {
        SDL_FreeSurface(mStaging);
        mStaging = nullptr;
    }
    if (!mStaging)
        mStaging = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888);
    if (!mStaging || SDL_LockSurface(mStaging) != 0)
        return nullptr;
    auto* words = static_cast<uint32_t*>(mStaging->pixels);
    const bool converted = width == frame.width && height == frame.height
                               ? ConvertToXrgb8888(frame, words, mStaging->pitch)
                               : ScaleToXrgb8888(frame, words, mStaging->pitch, width, height);
    SDL_UnlockSurface(mStaging);
    return converted ? mStaging : nullptr;
}

// Frames are made in software: they go straight into the window's own
// framebuffer, which the desktop shows without a 3D context (whose set-up
// alone takes a tenth of a second or more where the desktop has no graphics
// processor, and which brings threads of its own).
bool SdlWindow::Present(const Frame& frame, const Rect& destination)
{
    return Show(frame, destination, nullptr, 0);
}

bool SdlWindow::PresentCopying(const Frame& frame, const Rect& destination, uint8_t* copy, int copyPitch)
{
    return Show(frame, destination, copy, copyPitch);
}

// A copy asked for is made in the pass that writes the frame into the
// window's surface where there is one, before anything else otherwise.
bool SdlWindow::Show(const Frame& frame, const Rect& destination, uint8_t* copy, int copyPitch)
{
    const auto keepApart = [&] {
        if (copy)
            CopyFrame(frame, copy, copyPitch);
    };
    // SDL's display calls are not safe off the thread that made the window.
    if (std::this_thread::get_id() != mOwner) {
        keepApart();
        return Fail("Present: not on the window's thread");
    }
    if (!mWindow) {
        keepApart();
        return Fail("Present: no window");
    }
    if (!IsReadable(frame))
        return Fail("Present: unreadable frame");
    SDL_Surface* surface = SDL_GetWindowSurface(mWindow);
    if (!surface) {
        keepApart();
        return Fail(std::string("SDL_GetWindowSurface: ") + SDL_GetError());
    }

    const bool whole = destination.width <= 0 || destination.height <= 0;
    SDL_Rect target = whole ? SDL_Rect{0, 0, surface->w, surface->h}
                            : SDL_Rect{destination.x, destination.y, destination.width, destination.height};
    const SDL_Rect all = {0, 0, surface->w, surface->h};
    SDL_Rect shown;
    if (!SDL_IntersectRect(&target, &all, &shown))
        shown = SDL_Rect{};
    // The bars around the frame are black.
    const SDL_Rect bars[4] = {{0, 0, surface->w, shown.y},
                              {0, shown.y + shown.h, surface->w, surface->h - shown.y - shown.h},
                              {0, shown.y, shown.x, shown.h},
                              {shown.x + shown.w, shown.y, surface->w - shown.x - shown.w, shown.h}};
    for (const SDL_Rect& bar : bars) {
        if (bar.w > 0 && bar.h > 0)
            SDL_FillRect(surface, &bar, SDL_MapRGB(surface->format, 0, 0, 0));
    }

    // Written in one pass, scaled or not, where the surface has the words
    // the frame becomes; through a copy in the frame's size otherwise.
    const bool scaled = target.w != frame.width || target.h != frame.height;
    mPresentedSurface = nullptr;
    if (surface->format->format == SDL_PIXELFORMAT_RGB888 && SDL_RectEquals(&target, &shown)) {
        if (SDL_LockSurface(surface) != 0) {
            keepApart();
            return Fail(std::string("Present: ") + SDL_GetError());
        }
        auto* corner = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                   static_cast<ptrdiff_t>(target.y) * surface->pitch +
                                                   static_cast<ptrdiff_t>(target.x) * 4);
        if (scaled)
            keepApart();
        const bool written = scaled ? ScaleToXrgb8888(frame, corner, surface->pitch, target.w, target.h)
                             : copy ? ConvertToXrgb8888(frame, corner, surface->pitch, copy, copyPitch)
                                    : ConvertToXrgb8888(frame, corner, surface->pitch);
        SDL_UnlockSurface(surface);
        if (!written)
            return Fail("Present: frame rows too short");
        if (!scaled) {
            mPresentedSurface = surface;
            mPresentedDestination = destination;
            mPresentedWidth = frame.width;
            mPresentedHeight = frame.height;
        }
    } else {
        keepApart();
        SDL_Surface* staging = Staging(frame, target.w, target.h);
        const int blitted = staging ? SDL_BlitSurface(staging, nullptr, surface, &target) : -1;
        if (blitted != 0)
            return Fail(std::string("Present: ") + SDL_GetError());
    }
    if (SDL_UpdateWindowSurface(mWindow) != 0)
        return Fail(std::string("SDL_UpdateWindowSurface: ") + SDL_GetError());
    return true;
}

bool SdlWindow::PresentArea(const Frame& frame, const Rect& destination, const Rect& area)
{
    // A surface made anew (the window was resized or shown again) holds
    // nothing of the last frame.
    SDL_Surface* surface = mWindow && std::this_thread::get_id() == mOwner ? SDL_GetWindowSurface(mWindow) : nullptr;
    if (!surface || surface != mPresentedSurface || !(destination == mPresentedDestination) ||
        frame.width != mPresentedWidth || frame.height != mPresentedHeight || !IsReadable(frame))
        return Present(frame, destination);

    SDL_Rect part = {area.x, area.y, area.width, area.height};
    const SDL_Rect all = {0, 0, frame.width, frame.height};
    if (!SDL_IntersectRect(&part, &all, &part))
        return true;
    const int bytes = frame.format.BytesPerPixel();
    const Frame piece{static_cast<const uint8_t*>(frame.pixels) + static_cast<ptrdiff_t>(part.y) * frame.pitch +
                          static_cast<ptrdiff_t>(part.x) * bytes,
                      frame.pitch, part.w, part.h, frame.format};
    // The frame lies unscaled at the destination's corner, or at the
    // window's for an empty destination.
    const bool whole = destination.width <= 0 || destination.height <= 0;
    const SDL_Rect shown = {part.x + (whole ? 0 : destination.x), part.y + (whole ? 0 : destination.y), part.w, part.h};
    if (SDL_LockSurface(surface) != 0)
        return Fail(std::string("Present: ") + SDL_GetError());
    auto* corner = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                               static_cast<ptrdiff_t>(shown.y) * surface->pitch +
                                               static_cast<ptrdiff_t>(shown.x) * 4);
    const bool written = ConvertToXrgb8888(piece, corner, surface->pitch);
    SDL_UnlockSurface(surface);
    if (!written)
        return Fail("Present: frame rows too short");
    if (SDL_UpdateWindowSurfaceRects(mWindow, &shown, 1) != 0)
        return Fail(std::string("SDL_UpdateWindowSurfaceRects: ") + SDL_GetError());
    return true;
}

} // namespace Detail
} // namespace Platform
