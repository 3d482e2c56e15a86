#include "platform/sdl/SdlWindow.h"

#include "platform/Clock.h"

#include "fakes/FakeWindow.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using namespace Platform;
using Detail::SdlWindow;
using Messages = std::vector<MessageRecord>;

WindowDescription Describe(const char* title, int width, int height, WindowStyle style = WindowStyle::Framed)
{
    return {title, width, height, style, {}};
}

// A window on SDL's dummy driver whose procedure writes down what it gets
// after SDL's own start-up events.
class RecordingWindow {
public:
    explicit RecordingWindow(const WindowDescription& description = Describe("Test", 320, 240))
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        EXPECT_TRUE(window.Create(description)) << window.Error();
        window.SetProcedure([this](Window&, const MessageRecord& message) { received.push_back(message); });
        window.PumpMessages();
        received.clear();
    }
    void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
    void PushKey(uint32_t id, SDL_Scancode code, SDL_Keycode sym)
    {
        Push({.key = {SDL_KEYDOWN, 0, id, 0, 0, 0, 0, {code, sym, 0, 0}}});
    }
    SdlWindow window;
    Messages received;
};

TEST(SdlWindow, EventsReachOnlyTheWindowTheyName)
{
    RecordingWindow first;
    RecordingWindow second;
    second.PushKey(second.window.SdlId(), SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    second.PushKey(second.window.SdlId() + 100, SDL_SCANCODE_A, 'a');
    first.window.PumpMessages();
    EXPECT_TRUE(first.received.empty());
    EXPECT_EQ(second.received, (Messages{{WM_KEYDOWN, VK_ESCAPE, 0x00010001}, {WM_CHAR, 27, 0x00010001}}));
}

// Registered messages: one name one number, from the registered range.
TEST(SdlWindow, PostedMessagesComeFromAnyThreadBeforeInputAndAreBounded)
{
    const uint32_t notify = RegisterMessage("ZarquelNotify");
    EXPECT_GE(notify, kFirstRegisteredMessage);
    EXPECT_EQ(RegisterMessage("ZarquelNotify"), notify);
    EXPECT_NE(RegisterMessage("OtherNotify"), notify);
    RecordingWindow recording;
    recording.PushKey(recording.window.SdlId(), SDL_SCANCODE_F1, SDLK_F1);
    std::thread([&] { EXPECT_TRUE(recording.window.PostMessage({notify, 0, 0})); }).join();
    recording.window.PumpMessages();
    EXPECT_EQ(recording.received, (Messages{{notify, 0, 0}, {WM_KEYDOWN, VK_F1, 0x003B0001}}));
    for (size_t i = 0; i < Window::kMaxPostedMessages; ++i)
        ASSERT_TRUE(recording.window.PostMessage({notify, i, 0}));
    EXPECT_FALSE(recording.window.PostMessage({notify, 0, 0}));
}

TEST(SdlWindow, LateTimerFiresOnceAKilledOneNeverAndDestroyDropsThem)
{
    RecordingWindow recording;
    recording.window.SetTimer(100, 1);
    recording.window.SetTimer(7, 1);
    recording.window.KillTimer(7);
    SleepMilliseconds(10);
    recording.window.PumpMessages();
    EXPECT_EQ(recording.received, (Messages{{WM_TIMER, 100, 0}}));
    // Destroying the window drops its timers and posted messages.
    recording.window.SetTimer(100, 1);
    recording.window.PostMessage({0xC123, 0, 0});
    recording.window.Destroy();
    ASSERT_TRUE(recording.window.Create(Describe("Again", 320, 240)));
    SleepMilliseconds(5);
    recording.received.clear();
    recording.window.PumpMessages();
    for (const MessageRecord& message : recording.received)
        EXPECT_TRUE(message.message != WM_TIMER && message.message != 0xC123u) << message.message;
}

TEST(SdlWindow, SigtermAndQuitArriveAsCloseAndThePointerIsReadableFromAnotherThread)
{
    RecordingWindow recording;
    std::raise(SIGTERM);
    recording.window.PumpMessages();
    recording.window.PumpMessages();
    recording.Push({.type = SDL_QUIT});
    recording.window.PumpMessages();
    EXPECT_EQ(recording.received, (Messages{{WM_CLOSE, 0, 0}, {WM_CLOSE, 0, 0}}));
    // The pointer's position is readable from another thread.
    const uint32_t id = recording.window.SdlId();
    recording.Push({.motion = {SDL_MOUSEMOTION, 0, id, 0, 0, -12, 34, 0, 0}});
    recording.window.PumpMessages();
    std::thread([&] {
        EXPECT_EQ(recording.window.CursorPosition(), (Point{-12, 34}));
        EXPECT_TRUE(recording.window.CursorInside());
    }).join();
    recording.Push({.window = {SDL_WINDOWEVENT, 0, id, SDL_WINDOWEVENT_LEAVE, 0, 0, 0, 0, 0}});
    recording.window.PumpMessages();
    EXPECT_FALSE(recording.window.CursorInside());
}

TEST(SdlWindow, SizesStayInRangeAndFullScreenDrawsOnTheWholeDesktop)
{
    RecordingWindow full(Describe("Full", 800, 600, WindowStyle::FullScreen));
    EXPECT_EQ(full.window.DrawableSize(), full.window.DesktopSize());
    EXPECT_GT(full.window.DesktopSize().width, 0);
    SdlWindow window;
    EXPECT_FALSE(window.Create(Describe("Zero", 0, 0)));
    EXPECT_FALSE(window.Create(Describe("Huge", Window::kMaxSide + 1, 10)));
    EXPECT_NE(window.Error().find("out of range"), std::string::npos) << window.Error();
    EXPECT_TRUE(window.Create(Describe("Invisible", 0, 0, WindowStyle::Hidden)));
    window.SetClientSize({400, 300});
    EXPECT_EQ(window.ClientSize(), (Size{400, 300}));
    window.SetClientSize({0, Window::kMaxSide + 1});
    EXPECT_EQ(window.ClientSize(), (Size{1, Window::kMaxSide}));
}

TEST(SdlWindowWithoutDesktop, RefusesToOpenAWindowNobodyCouldSee)
{
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    SdlWindow window;
    if (window.Create(Describe("Unseen", 320, 240))) {
        // A console with a drawable screen is a real display too.
        const char* driver = SDL_GetCurrentVideoDriver();
        EXPECT_TRUE(driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0);
        return;
    }
    EXPECT_NE(window.Error().find("No display"), std::string::npos) << window.Error();
}

// A 2 × 2 frame of red, green, blue and a mid grey lands in its rectangle of
// a 6 × 4 window on black, read back from the renderer.
// What the window's framebuffer shows, as 0xRRGGBB words.
std::vector<uint32_t> Shown(RecordingWindow& recording)
{
    SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(recording.window.SdlId()));
    std::vector<uint32_t> screen(static_cast<size_t>(surface->w * surface->h));
    EXPECT_EQ(SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels, surface->pitch,
                  SDL_PIXELFORMAT_RGB888, screen.data(), surface->w * 4), 0)
        << SDL_GetError();
    for (uint32_t& pixel : screen)
        pixel &= 0xFFFFFF;
    return screen;
}

// Straight into the window's framebuffer, in its rectangle on black; a
// rectangle of another size takes the frame scaled by area (twice the size
// copies each pixel, one and a half times the width halves the middle column
// between its neighbours); one reaching past the window is cut there, scaled
// the same way.
TEST(SdlWindow, PresentedFrameLandsInItsRectangleOnBlack)
{
    const uint32_t rgb32[] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456};
    const uint16_t rgb16[] = {0xF800, 0x07E0, 0x001F, 0x8410};
    const struct { const void* pixels; PixelFormat format; uint32_t grey, blueAndGrey; } cases[] = {
        {rgb32, kFormatX8R8G8B8, 0x123456, 0x091AAB}, {rgb16, kFormatR5G6B5, 0x848284, 0x4241C2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.grey);
        RecordingWindow recording(Describe("Present", 6, 4));
        const Platform::Frame frame{c.pixels, 2 * c.format.BytesPerPixel(), 2, 2, c.format};
        ASSERT_TRUE(recording.window.Present(frame, {3, 1, 2, 2})) << recording.window.Error();
        EXPECT_EQ(Shown(recording), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF0000, 0x00FF00, 0, //
                                                           0, 0, 0, 0x0000FF, c.grey, 0, 0, 0, 0, 0, 0, 0}));
        ASSERT_TRUE(recording.window.Present(frame, {1, 0, 4, 4})) << recording.window.Error();
        const uint32_t r = 0xFF0000, g = 0x00FF00, b = 0x0000FF, k = c.grey;
        EXPECT_EQ(Shown(recording), (std::vector<uint32_t>{0, r, r, g, g, 0, 0, r, r, g, g, 0, //
                                                           0, b, b, k, k, 0, 0, b, b, k, k, 0}));
        ASSERT_TRUE(recording.window.Present(frame, {5, 3, 2, 2})) << recording.window.Error();
        std::vector<uint32_t> corner(24, 0);
        corner[23] = r;
        EXPECT_EQ(Shown(recording), corner);
        const uint32_t y = 0x808000, m = c.blueAndGrey;
        ASSERT_TRUE(recording.window.Present(frame, {0, 0, 3, 2})) << recording.window.Error();
        EXPECT_EQ(Shown(recording), (std::vector<uint32_t>{r, y, g, 0, 0, 0, b, m, k, 0, 0, 0, //
                                                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        ASSERT_TRUE(recording.window.Present(frame, {4, 2, 3, 2})) << recording.window.Error();
        EXPECT_EQ(Shown(recording), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, //
                                                           0, 0, 0, 0, r, y, 0, 0, 0, 0, b, m}));
    }
}

// A part of a frame presented again replaces only that part of what the
// window shows (held to the frame), where the frame went unscaled into the
// same rectangle before; anywhere else the whole frame goes, as Present
// shows it.
TEST(SdlWindow, APresentedAreaReplacesOnlyItsPartOfTheLastFrame)
{
    const uint32_t a = 0x111111, b = 0x222222;
    const std::vector<uint32_t> first(6, a);
    const std::vector<uint32_t> second(6, b);
    const Platform::Frame before{first.data(), 12, 3, 2, kFormatX8R8G8B8};
    const Platform::Frame after{second.data(), 12, 3, 2, kFormatX8R8G8B8};

    RecordingWindow recording(Describe("Present", 5, 3));
    ASSERT_TRUE(recording.window.Present(before, {1, 1, 3, 2})) << recording.window.Error();
    ASSERT_TRUE(recording.window.PresentArea(after, {1, 1, 3, 2}, {2, 1, 5, 5})) << recording.window.Error();
    EXPECT_EQ(Shown(recording), (std::vector<uint32_t>{0, 0, 0, 0, 0, //
                                                       0, a, a, a, 0, //
                                                       0, a, a, b, 0}));
    ASSERT_TRUE(recording.window.PresentArea(after, {1, 1, 3, 2}, {-4, 0, 2, 1})) << recording.window.Error();
    EXPECT_EQ(Shown(recording), (std::vector<uint32_t>{0, 0, 0, 0, 0, //
                                                       0, a, a, a, 0, //
                                                       0, a, a, b, 0}));

    ASSERT_TRUE(recording.window.PresentArea(before, {0, 0, 3, 2}, {0, 0, 1, 1})) << recording.window.Error();
    EXPECT_EQ(Shown(recording), (std::vector<uint32_t>{a, a, a, 0, 0, //
                                                       a, a, a, 0, 0, //
                                                       0, 0, 0, 0, 0}));
    // Scaled, the frame goes whole every time.
    ASSERT_TRUE(recording.window.Present(before, {}));
    ASSERT_TRUE(recording.window.PresentArea(after, {}, {0, 0, 1, 1}));
    EXPECT_EQ(Shown(recording), std::vector<uint32_t>(15, b));

    bool presented = true;
    std::thread([&] { presented = recording.window.PresentArea(after, {}, {0, 0, 1, 1}); }).join();
    EXPECT_FALSE(presented);
}

// A frame presented with a copy shows what Present shows, wherever it lands
// (unscaled, scaled, cut at the window's edge; one pass or through the
// staging copy), and the copy holds its rows as they are, also when another
// thread presents; a part presented later replaces only its part.
TEST(SdlWindow, PresentingWithACopyShowsWhatPresentShowsAndCopiesTheFrame)
{
    // 5 x 3 pixels, rows 6 apart: odd widths leave tails.
    std::vector<uint32_t> words(18);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<uint32_t>(i) * 0x01030507u + 0xAB000000u;
    const std::vector<uint16_t> halves(words.begin(), words.end());
    const struct { const char* name; const void* pixels; PixelFormat format; } formats[] = {
        {"X8R8G8B8", words.data(), kFormatX8R8G8B8}, {"X8B8G8R8", words.data(), kFormatX8B8G8R8},
        {"R5G6B5", halves.data(), kFormatR5G6B5}};
    const Rect destinations[] = {{1, 1, 5, 3}, {0, 0, 7, 4}, {}, {4, 2, 5, 3}};
    RecordingWindow plain(Describe("Present", 7, 4));
    RecordingWindow copying(Describe("Present", 7, 4));
    for (const auto& f : formats) {
        const int size = f.format.BytesPerPixel();
        const Platform::Frame frame{f.pixels, 6 * size, 5, 3, f.format};
        std::vector<uint8_t> expected(static_cast<size_t>(7 * 3 * size), 0x5A);
        ASSERT_TRUE(CopyFrame(frame, expected.data(), 7 * size));
        for (const Rect& destination : destinations) {
            SCOPED_TRACE(std::string(f.name) + " at " + std::to_string(destination.x) + "," +
                         std::to_string(destination.y) + " " + std::to_string(destination.width));
            std::vector<uint8_t> copy(expected.size(), 0x5A);
            ASSERT_TRUE(plain.window.Present(frame, destination)) << plain.window.Error();
            ASSERT_TRUE(copying.window.PresentCopying(frame, destination, copy.data(), 7 * size))
                << copying.window.Error();
            EXPECT_EQ(Shown(copying), Shown(plain));
            EXPECT_EQ(copy, expected);
        }
    }
    const Platform::Frame frame{words.data(), 24, 5, 3, kFormatX8R8G8B8};
    std::vector<uint8_t> copy(5 * 3 * 4);
    bool presented = true;
    std::thread([&] { presented = copying.window.PresentCopying(frame, {1, 1, 5, 3}, copy.data(), 20); }).join();
    EXPECT_FALSE(presented);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(std::memcmp(&copy[static_cast<size_t>(y) * 20], &words[static_cast<size_t>(y) * 6], 20), 0) << y;
    const std::vector<uint32_t> other(18, 0x00404040);
    const Platform::Frame after{other.data(), 24, 5, 3, kFormatX8R8G8B8};
    ASSERT_TRUE(copying.window.PresentCopying(frame, {1, 1, 5, 3}, copy.data(), 20)) << copying.window.Error();
    ASSERT_TRUE(plain.window.Present(frame, {1, 1, 5, 3})) << plain.window.Error();
    ASSERT_TRUE(copying.window.PresentArea(after, {1, 1, 5, 3}, {4, 2, 1, 1})) << copying.window.Error();
    std::vector<uint32_t> shown = Shown(plain);
    shown[3 * 7 + 5] = 0x404040;
    EXPECT_EQ(Shown(copying), shown);
}

TEST(SdlWindow, PresentAndCursorsRefuseOtherThreadsAndUnreadablePictures)
{
    RecordingWindow recording;
    const uint32_t pixel = 0;
    EXPECT_FALSE(recording.window.Present({&pixel, 4, 1, 1, PixelFormat{24}}, {}));
    bool presented = true;
    std::thread([&] { presented = recording.window.Present({&pixel, 4, 1, 1}, {}); }).join();
    EXPECT_FALSE(presented);
    EXPECT_NE(recording.window.Error().find("thread"), std::string::npos);
    EXPECT_TRUE(recording.window.Present({&pixel, 4, 1, 1}, {})) << recording.window.Error();
    const std::vector<uint32_t> picture(32 * 32, 0xFF000000);
    EXPECT_EQ(recording.window.CreateCursor(nullptr, 32, 32, {0, 0}), nullptr);
    EXPECT_EQ(recording.window.CreateCursor(picture.data(), 0, 32, {0, 0}), nullptr);
    EXPECT_EQ(recording.window.CreateCursor(picture.data(), 32, 32, {32, 4}), nullptr);
    EXPECT_EQ(recording.window.CreateCursor(picture.data(), 32, 32, {4, -1}), nullptr);
}

} // namespace
