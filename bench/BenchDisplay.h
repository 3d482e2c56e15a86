#pragma once
// A display at the depth asked for, full screen in a window of the headless
// video driver, with a sprite maker for what is drawn onto it.

#include "framework/app/VornAppBase.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/DebugOutput.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace Bench {

struct BenchDisplay {
    explicit BenchDisplay(int depth) : mSink(Platform::SetDebugSink([](std::string_view) {}))
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        app.mWidth = 800;
        app.mHeight = 600;
        app.mColorDepth = depth;
        window = Platform::MakeSystemWindow();
        window->Create({"", 800, 600, Platform::WindowStyle::FullScreen, {}});
        app.mDDInterface = std::make_unique<Vorn::DDInterface>(&app);
        display = app.mDDInterface.get();
        ready = display->Init(window.get(), false) == Vorn::DDInterface::RESULT_OK;
    }
    ~BenchDisplay()
    {
        app.mDDInterface.reset();
        Platform::SetDebugSink(mSink);
    }
    BenchDisplay(const BenchDisplay&) = delete;

    // Opaque middle, a translucent rim and transparent corners: every run
    // class occurs.
    std::unique_ptr<Vorn::MemoryImage> Sprite(int side) const
    {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const int edge = std::min(std::min(x, side - 1 - x), std::min(y, side - 1 - y));
                const uint32_t alpha = edge < 2 ? 0 : edge < 6 ? 40u * static_cast<uint32_t>(edge) : 255;
                pixels.push_back(alpha << 24 | static_cast<uint32_t>(x * 3 + y * 5) * 0x010203u % 0xFFFFFFu);
            }
        auto image = std::make_unique<Vorn::MemoryImage>(nullptr);
        image->SetBits(pixels.data(), side, side, true);
        return image;
    }

    Platform::DebugSink mSink;
    Vorn::VornAppBase app;
    std::unique_ptr<Platform::Window> window;
    // The application's, so that images made on it draw from the display's
    // forms as the game's do.
    Vorn::DDInterface* display = nullptr;
    bool ready = false;
};

} // namespace Bench
