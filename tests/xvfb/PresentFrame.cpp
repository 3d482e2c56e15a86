// present_frame [16] [turned] [full]: opens the system's window "Zarquel
// frame", sets the display up in it at 800 x 600 (32 bits, or 5-6-5 with the
// argument 16; with "full" as a full-screen mode, which the window shows
// scaled onto the whole desktop), draws a known picture through the drawing
// context onto the screen image and presents it until the window is closed;
// then exits 0.
// Prints "Frame presented" once the picture has been shown in the mapped
// window.
//
// The picture, on black:
//   red (255, 0, 0) at (50, 50) 200 x 150
//   blue (0, 0, 255) at (300, 50) 200 x 150, under red at alpha 128 at
//     (350, 75) 100 x 100
//   white at (550, 50) 200 x 150, under a 32 x 32 sprite at (600, 80): its
//     left half transparent, its right half opaque green
// With "turned", below it a 32 x 32 sprite of four quarters (red top left,
// green top right, blue bottom left, white bottom right), drawn
//   turned a quarter counter-clockwise about its centre, placed at (100, 300);
//   stretched by nearest pixel into (200, 300) 64 x 64;
//   through a matrix, doubled and turned half round, centred on (350, 332).
// With "full", below it a one-pixel checkerboard of black and white at
//   (450, 300) 300 x 250, black in its top left corner.

#include "framework/app/VornAppBase.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/Transform.h"
#include "platform/Clock.h"
#include "platform/Window.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kSpriteSide = 32;
constexpr uint32_t kFrameMs = 16;

std::unique_ptr<Vorn::MemoryImage> MakeSprite()
{
    std::vector<uint32_t> pixels(kSpriteSide * kSpriteSide);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % kSpriteSide < kSpriteSide / 2 ? 0x00000000u : 0xFF00FF00u;
    auto sprite = std::make_unique<Vorn::MemoryImage>();
    sprite->SetBits(pixels.data(), kSpriteSide, kSpriteSide, true);
    return sprite;
}

void DrawPicture(Vorn::Image* screen, Vorn::MemoryImage* sprite)
{
    Vorn::Graphics graphics(screen);
    graphics.SetColor(Vorn::Color(255, 0, 0));
    graphics.FillRect(50, 50, 200, 150);
    graphics.SetColor(Vorn::Color(0, 0, 255));
    graphics.FillRect(300, 50, 200, 150);
    graphics.SetColor(Vorn::Color(255, 0, 0, 128));
    graphics.FillRect(350, 75, 100, 100);
    graphics.SetColor(Vorn::Color(255, 255, 255));
    graphics.FillRect(550, 50, 200, 150);
    graphics.DrawImage(sprite, 600, 80);
}

std::unique_ptr<Vorn::MemoryImage> MakeQuarters()
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < kSpriteSide; ++y)
        for (int x = 0; x < kSpriteSide; ++x) {
            const bool right = x >= kSpriteSide / 2;
            const bool bottom = y >= kSpriteSide / 2;
            pixels.push_back(bottom ? (right ? 0xFFFFFFFFu : 0xFF0000FFu) : (right ? 0xFF00FF00u : 0xFFFF0000u));
        }
    auto sprite = std::make_unique<Vorn::MemoryImage>();
    sprite->SetBits(pixels.data(), kSpriteSide, kSpriteSide, true);
    return sprite;
}

void DrawTurned(Vorn::Image* screen, Vorn::MemoryImage* quarters)
{
    Vorn::Graphics graphics(screen);
    graphics.DrawImageRotatedAtFloat(quarters, 100, 300, 16, 16, nullptr, std::numbers::pi / 2);
    graphics.SetQuickStretch(true);
    graphics.DrawImage(quarters, Vorn::Rect(200, 300, 64, 64), Vorn::Rect(0, 0, kSpriteSide, kSpriteSide));
    Vorn::Transform transform;
    transform.Scale(2, 2);
    transform.RotateRad(static_cast<float>(std::numbers::pi));
    graphics.DrawImageTransform(quarters, transform, 350, 332);
}

constexpr int kBoardLeft = 450;
constexpr int kBoardTop = 300;
constexpr int kBoardWidth = 300;
constexpr int kBoardHeight = 250;

std::unique_ptr<Vorn::MemoryImage> MakeCheckerboard()
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < kBoardHeight; ++y)
        for (int x = 0; x < kBoardWidth; ++x)
            pixels.push_back((x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u);
    auto board = std::make_unique<Vorn::MemoryImage>();
    board->SetBits(pixels.data(), kBoardWidth, kBoardHeight, true);
    return board;
}

} // namespace

int main(int argc, char** argv)
{
    bool sixteenBits = false;
    bool turned = false;
    bool full = false;
    for (int i = 1; i < argc; ++i) {
        sixteenBits = sixteenBits || std::strcmp(argv[i], "16") == 0;
        turned = turned || std::strcmp(argv[i], "turned") == 0;
        full = full || std::strcmp(argv[i], "full") == 0;
    }

    // The least application the display needs: its size and settings. No
    // settings store, so nothing of this run is written anywhere.
    Platform::SystemClock clock;
    Vorn::VornAppBase app(Platform::Services{&clock});
    app.mWidth = kWidth;
    app.mHeight = kHeight;

    const std::unique_ptr<Platform::Window> window = Platform::MakeSystemWindow();
    const Platform::WindowStyle style = full ? Platform::WindowStyle::FullScreen : Platform::WindowStyle::Framed;
    if (!window->Create({"Zarquel frame", kWidth, kHeight, style, {}})) {
        std::fprintf(stderr, "present_frame: %s\n", window->Error().c_str());
        return 1;
    }
    bool closed = false;
    window->SetProcedure([&closed](Platform::Window&, const Platform::MessageRecord& message) {
        closed = closed || message.message == Platform::WM_CLOSE;
    });

    app.mDDInterface = std::make_unique<Vorn::DDInterface>(&app);
    Vorn::DDInterface& display = *app.mDDInterface;
    // A window takes the desktop's format, a full-screen mode the depth
    // asked for.
    app.mColorDepth = sixteenBits ? 16 : 32;
    if (sixteenBits)
        display.mDesktopFormat = Platform::kFormatR5G6B5;
    const int result = display.Init(window.get(), !full);
    if (result != Vorn::DDInterface::RESULT_OK) {
        std::fprintf(stderr, "present_frame: %s %s\n", Vorn::DDInterface::ResultToString(result).c_str(),
                     display.mErrorString.c_str());
        return 1;
    }
    const std::unique_ptr<Vorn::MemoryImage> sprite = MakeSprite();
    DrawPicture(display.GetScreenImage(), sprite.get());
    const std::unique_ptr<Vorn::MemoryImage> quarters = MakeQuarters();
    if (turned)
        DrawTurned(display.GetScreenImage(), quarters.get());
    const std::unique_ptr<Vorn::MemoryImage> board = MakeCheckerboard();
    if (full)
        Vorn::Graphics(display.GetScreenImage()).DrawImage(board.get(), kBoardLeft, kBoardTop);

    // Shown once the window is mapped: what was presented into it before is
    // not kept by the X server.
    window->Show(true);
    if (!display.Redraw(nullptr)) {
        std::fprintf(stderr, "present_frame: %s\n", display.mErrorString.c_str());
        return 1;
    }
    std::puts("Frame presented");
    std::fflush(stdout);

    while (!closed) {
        window->PumpMessages();
        // Covered and uncovered parts of the window need the frame again.
        display.Redraw(nullptr);
        Platform::SleepMilliseconds(kFrameMs);
    }
    app.mDDInterface.reset();
    return 0;
}
