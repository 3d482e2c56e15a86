#include "framework/display/DDImage.h"

#include "fakes/DisplayApp.h"
#include "fakes/SurfaceDisplayApp.h"
#include "framework/graphics/Graphics.h"

#include <gtest/gtest.h>

namespace {

using Platform::PixelFormat;
using Vorn::Color;

struct PresentCase {
    const char* name;
    PixelFormat format;
    uint32_t red;
    uint32_t green;
    uint32_t blue;
};

class PresentedFrame : public testing::TestWithParam<PresentCase> {};

// What the drawing context draws onto the screen image reaches the screen
// in its own format, and the cursor is drawn over it through its area.
TEST_P(PresentedFrame, ShowsWhatWasDrawnThroughTheDrawingContext)
{
    const PresentCase& c = GetParam();
    Testing::SurfaceDisplayApp app(c.format, 8, 4);
    ASSERT_TRUE(app.initialised);
    Vorn::DDImage* screen = app.Display().GetScreenImage();
    ASSERT_NE(screen, nullptr);
    auto image = Testing::MakeImage(2, {0xFF00FF00, 0xFF0000FF});
    Vorn::Graphics graphics(screen);
    graphics.SetColor(Color(255, 0, 0));
    graphics.FillRect(0, 0, 8, 4);
    graphics.DrawImage(image.get(), 6, 3);
    ASSERT_TRUE(app.Display().Redraw(nullptr)) << app.Display().mErrorString;

    const uint32_t colorBits = c.format.redMask | c.format.greenMask | c.format.blueMask;
    const auto shown = [&] {
        std::vector<uint32_t> pixels = Testing::SurfacePixels(*app.Display().mPrimarySurface);
        for (uint32_t& pixel : pixels)
            pixel &= colorBits;
        return pixels;
    };
    std::vector<uint32_t> expected(32, c.red);
    expected[30] = c.green;
    expected[31] = c.blue;
    EXPECT_EQ(shown(), expected);

    auto cursor = Testing::MakeImage(1, {0xFF0000FF});
    app.Display().SetCursorImage(cursor.get());
    app.Display().SetCursorPos(3, 2);
    expected[1 * 8 + 2] = c.blue;
    EXPECT_EQ(shown(), expected);
    app.Display().SetCursorImage(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Formats, PresentedFrame,
    testing::Values(PresentCase{"X8R8G8B8", Platform::kFormatX8R8G8B8, 0xFE0000, 0x00FF00, 0x0000FF},
        PresentCase{"R5G6B5", Platform::kFormatR5G6B5, 0xF800, 0x07E0, 0x001F},
        PresentCase{"X1R5G5B5", Platform::kFormatX1R5G5B5, 0x7C00, 0x03E0, 0x001F}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
