// present_frame [16]: opens the system's window "Zarquel frame", sets the
// display up in it at 800 x 600 (32 bits, or 5-6-5 with the argument 16),
// draws a known picture through the drawing context onto the screen image and
// presents it until the window is closed; then exits 0. Prints
// "Frame presented" once the picture has been shown in the mapped window.
//
// The picture, on black:
//   red (255, 0, 0) at (50, 50) 200 x 150
//   blue (0, 0, 255) at (300, 50) 200 x 150, under red at alpha 128 at
//     (350, 75) 100 x 100
//   white at (550, 50) 200 x 150, under a 32 x 32 sprite at (600, 80): its
//     left half transparent, its right half opaque green

#include "framework/app/VornAppBase.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/Clock.h"
#include "platform/Window.h"

#include <cstdio>
#include <cstring>
#include <memory>
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

} // namespace

int main(int argc, char** argv)
{
    const bool sixteenBits = argc > 1 && std::strcmp(argv[1], "16") == 0;

    // The least application the display needs: its size and settings. No
    // settings store, so nothing of this run is written anywhere.
    Platform::SystemClock clock;
    Vorn::VornAppBase app(Platform::Services{&clock});
    app.mWidth = kWidth;
    app.mHeight = kHeight;

    const std::unique_ptr<Platform::Window> window = Platform::MakeSystemWindow();
    if (!window->Create({"Zarquel frame", kWidth, kHeight, Platform::WindowStyle::Framed, {}})) {
        std::fprintf(stderr, "present_frame: %s\n", window->Error().c_str());
        return 1;
    }
    bool closed = false;
    window->SetProcedure([&closed](Platform::Window&, const Platform::MessageRecord& message) {
        closed = closed || message.message == Platform::WM_CLOSE;
    });

    app.mDDInterface = std::make_unique<Vorn::DDInterface>(&app);
    Vorn::DDInterface& display = *app.mDDInterface;
    if (sixteenBits)
        display.mDesktopFormat = Platform::kFormatR5G6B5;
    const int result = display.Init(window.get(), true);
    if (result != Vorn::DDInterface::RESULT_OK) {
        std::fprintf(stderr, "present_frame: %s %s\n", Vorn::DDInterface::ResultToString(result).c_str(),
                     display.mErrorString.c_str());
        return 1;
    }
    const std::unique_ptr<Vorn::MemoryImage> sprite = MakeSprite();
    DrawPicture(display.GetScreenImage(), sprite.get());

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
