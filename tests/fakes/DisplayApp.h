#pragma once
// A scripted application with a display of a chosen pixel format and no
// window, for images that build display forms; and helpers that make memory
// images from pixel lists and read them back. Images made here must die
// before their application.

#include "fakes/ScriptedApp.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/MemoryImage.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace Testing {

struct DisplayFormat {
    int32_t bits;
    int32_t masks[3];
};

inline constexpr DisplayFormat kX8R8G8B8{32, {0xFF0000, 0xFF00, 0xFF}};
inline constexpr DisplayFormat kR5G6B5{16, {0xF800, 0x7E0, 0x1F}};
inline constexpr DisplayFormat kX1R5G5B5{16, {0x7C00, 0x3E0, 0x1F}};

class DisplayApp {
public:
    explicit DisplayApp(const DisplayFormat& format = kX8R8G8B8)
    {
        app.mDDInterface = std::make_unique<Vorn::DDInterface>(&app);
        Vorn::NativeDisplay& d = *app.mDDInterface;
        d.mRGBBits = format.bits;
        int32_t* fields[3][3] = {{&d.mRedMask, &d.mRedBits, &d.mRedShift},
            {&d.mGreenMask, &d.mGreenBits, &d.mGreenShift}, {&d.mBlueMask, &d.mBlueBits, &d.mBlueShift}};
        for (int c = 0; c < 3; ++c) {
            const auto mask = static_cast<uint32_t>(format.masks[c]);
            *fields[c][0] = format.masks[c];
            *fields[c][1] = __builtin_popcount(mask);
            *fields[c][2] = __builtin_ctz(mask);
        }
    }

    const Vorn::NativeDisplay& Display() const { return *app.mDDInterface; }

    ScriptedClock clock;
    ScriptedApp app{clock};
};

// An image holding the pixels, `width` to a row, flags scanned; registered
// with `app` when given, and then made and filled under its image lock, as
// on any thread but the main one.
inline std::unique_ptr<Vorn::MemoryImage> MakeImage(int width, const std::vector<uint32_t>& pixels,
    Vorn::VornAppBase* app = nullptr)
{
    std::optional<Vorn::AutoCrit> lock;
    if (app)
        lock.emplace(app->ImageLock());
    auto image = std::make_unique<Vorn::MemoryImage>(app);
    image->SetBits(pixels.data(), width, static_cast<int>(pixels.size()) / width, true);
    return image;
}

inline std::vector<uint32_t> PixelsOf(Vorn::MemoryImage& image)
{
    const uint32_t* bits = image.GetBits();
    return std::vector<uint32_t>(bits, bits + image.PixelCount());
}

} // namespace Testing
