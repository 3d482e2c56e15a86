#pragma once
// A scripted application whose display is initialised in a fake window at a
// chosen pixel format, so that images build real surfaces; and helpers that
// read and write the pixels of an image's surface. Images made here must die
// before it.

#include "fakes/FakeWindow.h"
#include "fakes/ScriptedApp.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "platform/DebugOutput.h"
#include "platform/Surface.h"

#include <cstring>
#include <memory>
#include <vector>

namespace Testing {

class SurfaceDisplayApp {
public:
    explicit SurfaceDisplayApp(const Platform::PixelFormat& format, int width = 8, int height = 4)
        : mSink(Platform::SetDebugSink([](std::string_view) {}))
    {
        app.mWidth = width;
        app.mHeight = height;
        app.mDDInterface = std::make_unique<Vorn::DDInterface>(&app);
        Display().mDesktopFormat = format;
        window.Create({"", width, height, Platform::WindowStyle::Framed, {}});
        initialised = Display().Init(&window, true) == Vorn::DDInterface::RESULT_OK;
    }
    ~SurfaceDisplayApp()
    {
        app.mDDInterface.reset();
        Platform::SetDebugSink(mSink);
    }
    SurfaceDisplayApp(const SurfaceDisplayApp&) = delete;

    Vorn::DDInterface& Display() { return *app.mDDInterface; }

    // A DDImage of the pixels, `width` to a row, flags scanned, no surface.
    std::unique_ptr<Vorn::DDImage> MakeImage(int width, const std::vector<uint32_t>& pixels)
    {
        auto image = std::make_unique<Vorn::DDImage>(&Display());
        image->SetBits(pixels.data(), width, static_cast<int>(pixels.size()) / width, true);
        return image;
    }

    Platform::DebugSink mSink;
    ScriptedClock clock;
    ScriptedApp app{clock};
    FakeWindow window;
    bool initialised = false;
};

// The raw pixels of a surface, row by row (or with `fill`, written first).
inline std::vector<uint32_t> SurfacePixels(Platform::Surface& surface, const std::vector<uint32_t>& fill = {})
{
    std::vector<uint32_t> pixels;
    Platform::LockedPixels locked;
    if (surface.Lock(locked) != Platform::kDDOk)
        return pixels;
    const size_t bytes = static_cast<size_t>(surface.Format().BytesPerPixel());
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x) {
            uint8_t* at = locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch +
                          static_cast<ptrdiff_t>(static_cast<size_t>(x) * bytes);
            uint32_t value = 0;
            if (pixels.size() < fill.size())
                std::memcpy(at, &fill[pixels.size()], bytes);
            std::memcpy(&value, at, bytes);
            pixels.push_back(value);
        }
    surface.Unlock();
    return pixels;
}

} // namespace Testing
