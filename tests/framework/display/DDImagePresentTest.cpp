#include "framework/display/DDImage.h"

#include "fakes/DisplayApp.h"
#include "fakes/SurfaceDisplayApp.h"
#include "framework/graphics/Graphics.h"

#include <gtest/gtest.h>

namespace {

using Platform::PixelFormat;

// What the drawing context draws onto the screen image reaches the screen
// in its own format, and the cursor is drawn over it through its area.
TEST(PresentedFrame, ShowsWhatWasDrawnThroughTheDrawingContext)
{
    const struct { PixelFormat format; uint32_t red, green, blue; } cases[] = {
        {Platform::kFormatX8R8G8B8, 0xFE0000, 0x00FF00, 0x0000FF}, {Platform::kFormatR5G6B5, 0xF800, 0x07E0, 0x001F},
        {Platform::kFormatX1R5G5B5, 0x7C00, 0x03E0, 0x001F}};
    for (const auto& c : cases) {
        Testing::SurfaceDisplayApp app(c.format, 8, 4);
        auto image = Testing::MakeImage(2, {0xFF00FF00, 0xFF0000FF});
        Vorn::Graphics graphics(app.Display().GetScreenImage());
        graphics.SetColor(Vorn::Color(255, 0, 0)), graphics.FillRect(0, 0, 8, 4), graphics.DrawImage(image.get(), 6, 3);
        ASSERT_TRUE(app.Display().Redraw(nullptr)) << app.Display().mErrorString;
        const auto shown = [&] {
            std::vector<uint32_t> pixels = Testing::SurfacePixels(*app.Display().mPrimarySurface);
            for (uint32_t& pixel : pixels)
                pixel &= c.format.redMask | c.format.greenMask | c.format.blueMask;
            return pixels;
        };
        std::vector<uint32_t> expected(32, c.red);
        expected[30] = c.green, expected[31] = c.blue;
        EXPECT_EQ(shown(), expected) << c.format.bitsPerPixel;
        auto cursor = Testing::MakeImage(1, {0xFF0000FF});
        app.Display().SetCursorImage(cursor.get()), app.Display().SetCursorPos(3, 2);
        expected[1 * 8 + 2] = c.blue;
        EXPECT_EQ(shown(), expected) << c.format.bitsPerPixel;
        app.Display().SetCursorImage(nullptr);
    }
}

} // namespace
