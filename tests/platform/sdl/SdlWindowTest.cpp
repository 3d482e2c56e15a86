#include "platform/sdl/SdlWindow.h"

#include "platform/Clock.h"

#include "fakes/FakeWindow.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <cstdlib>
#include <thread>

namespace {

using namespace Platform;
using Detail::SdlWindow;

WindowDescription Description(const char* title, int width, int height, WindowStyle style = WindowStyle::Framed)
{
    WindowDescription description;
    description.title = title;
    description.clientWidth = width;
    description.clientHeight = height;
    description.style = style;
    return description;
}

// A window on SDL's dummy driver whose procedure writes down what it gets.
class RecordingWindow {
public:
    explicit RecordingWindow(const WindowDescription& description = Description("Test", 320, 240))
    {
        EXPECT_TRUE(window.Create(description)) << window.Error();
        window.SetProcedure([this](Window&, const MessageRecord& message) { received.push_back(message); });
    }

    // Pumps until SDL's own start-up events are gone, then forgets them.
    void Settle()
    {
        window.PumpMessages();
        received.clear();
    }

    SdlWindow window;
    std::vector<MessageRecord> received;
};

class SdlWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "dummy", 0); }
};

void Push(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

SDL_Event KeyDown(uint32_t windowId, SDL_Scancode scancode, SDL_Keycode sym)
{
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.windowID = windowId;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = sym;
    return event;
}

TEST_F(SdlWindowTest, EventsReachOnlyTheWindowTheyName)
{
    RecordingWindow first;
    RecordingWindow second;
    first.Settle();
    second.Settle();
    Push(KeyDown(second.window.SdlId(), SDL_SCANCODE_ESCAPE, SDLK_ESCAPE));
    Push(KeyDown(second.window.SdlId() + 100, SDL_SCANCODE_A, 'a'));
    first.window.PumpMessages();
    EXPECT_TRUE(first.received.empty());
    EXPECT_EQ(second.received,
              (std::vector<MessageRecord>{{WM_KEYDOWN, VK_ESCAPE, 0x00010001}, {WM_CHAR, 27, 0x00010001}}));
}

TEST_F(SdlWindowTest, PostedMessagesComeFromAnyThreadBeforeInputAndAreBounded)
{
    RecordingWindow recording;
    recording.Settle();
    Push(KeyDown(recording.window.SdlId(), SDL_SCANCODE_F1, SDLK_F1));
    std::thread poster([&] { EXPECT_TRUE(recording.window.PostMessage({0xC123, 0, 0})); });
    poster.join();
    recording.window.PumpMessages();
    EXPECT_EQ(recording.received,
              (std::vector<MessageRecord>{{0xC123, 0, 0}, {WM_KEYDOWN, VK_F1, 0x003B0001}}));

    for (size_t i = 0; i < Window::kMaxPostedMessages; ++i)
        ASSERT_TRUE(recording.window.PostMessage({0xC123, i, 0}));
    EXPECT_FALSE(recording.window.PostMessage({0xC123, 0, 0}));
}

TEST_F(SdlWindowTest, LateTimerFiresOnceAndAKilledOneNever)
{
    RecordingWindow recording;
    recording.Settle();
    recording.window.SetTimer(100, 1);
    recording.window.SetTimer(7, 1);
    recording.window.KillTimer(7);
    SleepMilliseconds(10);
    recording.window.PumpMessages();
    EXPECT_EQ(recording.received, (std::vector<MessageRecord>{{WM_TIMER, 100, 0}}));
}

TEST_F(SdlWindowTest, SigtermAndQuitRequestsArriveAsCloseAtThePumpingWindow)
{
    RecordingWindow recording;
    recording.Settle();
    std::raise(SIGTERM);
    recording.window.PumpMessages();
    recording.window.PumpMessages();
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    Push(quit);
    recording.window.PumpMessages();
    EXPECT_EQ(recording.received, (std::vector<MessageRecord>{{WM_CLOSE, 0, 0}, {WM_CLOSE, 0, 0}}));
}

TEST_F(SdlWindowTest, PointerPositionIsReadableFromAnotherThread)
{
    RecordingWindow recording;
    recording.Settle();
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = recording.window.SdlId();
    event.motion.x = -12;
    event.motion.y = 34;
    Push(event);
    recording.window.PumpMessages();
    std::thread([&] {
        EXPECT_EQ(recording.window.CursorPosition(), (Point{-12, 34}));
        EXPECT_TRUE(recording.window.CursorInside());
    }).join();

    event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = recording.window.SdlId();
    event.window.event = SDL_WINDOWEVENT_LEAVE;
    Push(event);
    recording.window.PumpMessages();
    EXPECT_FALSE(recording.window.CursorInside());
}

TEST_F(SdlWindowTest, CreateRefusesSizesOutOfRangeWithAReason)
{
    SdlWindow window;
    EXPECT_FALSE(window.Create(Description("Zero", 0, 0)));
    EXPECT_FALSE(window.Create(Description("Huge", Window::kMaxSide + 1, 10)));
    EXPECT_FALSE(window.IsCreated());
    EXPECT_NE(window.Error().find("out of range"), std::string::npos) << window.Error();
    EXPECT_TRUE(window.Create(Description("Invisible", 0, 0, WindowStyle::Hidden)));
}

// Not a fixture test: nothing here asks for the dummy driver.
TEST(SdlWindowWithoutDesktop, RefusesToOpenAWindowNobodyCouldSee)
{
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    SdlWindow window;
    if (window.Create(Description("Unseen", 320, 240))) {
        // A console with a drawable screen is a real display too.
        const char* driver = SDL_GetCurrentVideoDriver();
        EXPECT_TRUE(driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0);
        return;
    }
    EXPECT_NE(window.Error().find("No display"), std::string::npos) << window.Error();
}

TEST_F(SdlWindowTest, DestroyDropsTimersAndPostedMessages)
{
    RecordingWindow recording;
    recording.Settle();
    recording.window.SetTimer(100, 1);
    recording.window.PostMessage({0xC123, 0, 0});
    recording.window.Destroy();
    ASSERT_TRUE(recording.window.Create(Description("Again", 320, 240)));
    SleepMilliseconds(5);
    recording.window.PumpMessages();
    for (const MessageRecord& message : recording.received) {
        EXPECT_NE(message.message, WM_TIMER);
        EXPECT_NE(message.message, 0xC123u);
    }
}

TEST_F(SdlWindowTest, FullScreenDrawsOnTheWholeDesktop)
{
    RecordingWindow recording(Description("Full", 800, 600, WindowStyle::FullScreen));
    EXPECT_EQ(recording.window.DrawableSize(), recording.window.DesktopSize());
    EXPECT_GT(recording.window.DesktopSize().width, 0);
}

TEST_F(SdlWindowTest, ClientSizeChangesWithinItsLimits)
{
    RecordingWindow recording;
    recording.window.SetClientSize({400, 300});
    EXPECT_EQ(recording.window.ClientSize(), (Size{400, 300}));
    recording.window.SetClientSize({0, Window::kMaxSide + 1});
    EXPECT_EQ(recording.window.ClientSize(), (Size{1, Window::kMaxSide}));
}

struct PresentCase {
    const char* name;
    PixelFormat format;
    std::vector<uint32_t> pixels; // 2 x 2: red, green, blue and a mid grey
    uint32_t grey;                // what the grey becomes
};

void PrintTo(const PresentCase& c, std::ostream* os)
{
    *os << c.name;
}

class PresentFormats : public SdlWindowTest, public testing::WithParamInterface<PresentCase> {};

TEST_P(PresentFormats, FrameLandsInItsRectangleOnBlack)
{
    RecordingWindow recording(Description("Present", 6, 4));
    const PresentCase& c = GetParam();
    std::vector<uint8_t> bytes(c.pixels.size() * c.format.BytesPerPixel());
    for (size_t i = 0; i < c.pixels.size(); ++i)
        std::memcpy(&bytes[i * c.format.BytesPerPixel()], &c.pixels[i], c.format.BytesPerPixel());
    const Frame frame{bytes.data(), 2 * c.format.BytesPerPixel(), 2, 2, c.format};
    ASSERT_TRUE(recording.window.Present(frame, {3, 1, 2, 2})) << recording.window.Error();

    SDL_Renderer* renderer = SDL_GetRenderer(SDL_GetWindowFromID(recording.window.SdlId()));
    ASSERT_NE(renderer, nullptr);
    std::vector<uint32_t> screen(6 * 4);
    ASSERT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB888, screen.data(), 6 * 4), 0)
        << SDL_GetError();
    for (uint32_t& pixel : screen)
        pixel &= 0xFFFFFF;
    const std::vector<uint32_t> expected = {
        0, 0, 0, 0,        0,        0, //
        0, 0, 0, 0xFF0000, 0x00FF00, 0, //
        0, 0, 0, 0x0000FF, c.grey,   0, //
        0, 0, 0, 0,        0,        0,
    };
    EXPECT_EQ(screen, expected);
}

INSTANTIATE_TEST_SUITE_P(
    SdlWindow, PresentFormats,
    testing::Values(
        PresentCase{"X8R8G8B8", kFormatX8R8G8B8, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456}, 0x123456},
        PresentCase{"R5G6B5", kFormatR5G6B5, {0xF800, 0x07E0, 0x001F, 0x8410}, 0x848284},
        PresentCase{"X1R5G5B5", kFormatX1R5G5B5, {0x7C00, 0x03E0, 0x001F, 0x4210}, 0x848484}),
    [](const testing::TestParamInfo<PresentCase>& info) { return std::string(info.param.name); });

TEST_F(SdlWindowTest, PresentRefusesOtherThreadsAndUnreadableFrames)
{
    RecordingWindow recording;
    const uint32_t pixel = 0;
    EXPECT_FALSE(recording.window.Present({&pixel, 4, 1, 1, PixelFormat{24}}, {}));
    bool presented = true;
    std::thread other([&] { presented = recording.window.Present({&pixel, 4, 1, 1}, {}); });
    other.join();
    EXPECT_FALSE(presented);
    EXPECT_NE(recording.window.Error().find("thread"), std::string::npos);
    EXPECT_TRUE(recording.window.Present({&pixel, 4, 1, 1}, {})) << recording.window.Error();
}

TEST_F(SdlWindowTest, CursorsRefuseBadPictures)
{
    RecordingWindow recording;
    const std::vector<uint32_t> picture(32 * 32, 0xFF000000);
    EXPECT_EQ(recording.window.CreateCursor(nullptr, 32, 32, {0, 0}), nullptr);
    EXPECT_EQ(recording.window.CreateCursor(picture.data(), 0, 32, {0, 0}), nullptr);
    EXPECT_EQ(recording.window.CreateCursor(picture.data(), 32, 32, {32, 4}), nullptr);
    EXPECT_EQ(recording.window.CreateCursor(picture.data(), 32, 32, {4, -1}), nullptr);
}

} // namespace
