#include "framework/app/VornAppBase.h"

#include "fakes/DisplayApp.h"
#include "fakes/LoggingWidget.h"
#include "fakes/PinnedFonts.h"
#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"
#include "framework/display/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/widgets/WidgetManager.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// "FPS: 60" of the pinned face at 8 points (11 pixels), white in its
// coverage: what the overlay's text must look like.
std::unique_ptr<Vorn::MemoryImage> ReferenceText(const std::string& text, int width, int height)
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Init_FreeType(&library);
    FT_New_Face(library, Testing::kDejaVuSans.c_str(), 0, &face);
    FT_Set_Pixel_Sizes(face, 0, 11);
    const int ascent = static_cast<int>((face->size->metrics.ascender + 63) / 64);
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height), 0);
    int pen = 0;
    for (const char c : text) {
        FT_Load_Char(face, static_cast<FT_ULong>(c), FT_LOAD_RENDER);
        const FT_GlyphSlot glyph = face->glyph;
        for (unsigned row = 0; row < glyph->bitmap.rows; ++row) {
            for (unsigned col = 0; col < glyph->bitmap.width; ++col) {
                const int x = pen + glyph->bitmap_left + static_cast<int>(col);
                const int y = ascent - glyph->bitmap_top + static_cast<int>(row);
                const uint32_t a = glyph->bitmap.buffer[row * static_cast<unsigned>(glyph->bitmap.pitch) + col];
                if (a != 0 && x >= 0 && x < width && y >= 0 && y < height)
                    pixels[static_cast<size_t>(y * width + x)] = a << 24 | 0xFFFFFFu;
            }
        }
        pen += static_cast<int>((glyph->advance.x + 32) / 64);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return Testing::MakeImage(width, pixels);
}

// The overlay's own font, not a stand-in: its digits are on the image, white
// on black, their top row one below the image's top.
TEST(Overlays, TheFrameRateIsWrittenInTheSystemFont)
{
    if (!Testing::PinSystemFonts())
        GTEST_SKIP() << "needs fonts-dejavu-core";
    Testing::ScriptedClock clock;
    Testing::WindowedApp app(clock);
    app.CreateMainWindow();
    for (int frame = 1; frame <= 60; ++frame) {
        clock.Advance(frame == 1 ? 0 : frame == 60 ? 1000 - 58 * 16 : 16);
        app.DrawFpsOverlay();
    }
    // DejaVu Sans at 11 pixels: 11 above the baseline and 3 below, rounded
    // outward, and 4 of margin.
    Vorn::DDImage& overlay = *app.mOverlayImage;
    ASSERT_EQ(overlay.mHeight, 11 + 3 + 4);

    Vorn::DDImage expected(app.mDDInterface.get());
    expected.mDrawToBits = true;
    expected.Create(overlay.mWidth, overlay.mHeight);
    Vorn::Graphics g(&expected);
    g.SetColor(Vorn::Color(0, 0, 0));
    g.FillRect(0, 0, overlay.mWidth, overlay.mHeight);
    const auto text = ReferenceText("FPS: 60", overlay.mWidth, overlay.mHeight);
    g.DrawImage(text.get(), 2, 1);
    EXPECT_EQ(Testing::PixelsOf(overlay), Testing::PixelsOf(expected));
    EXPECT_NE(Testing::PixelsOf(overlay), std::vector<uint32_t>(overlay.PixelCount(), 0xFF000000u));
}

// The rectangle each presentation is asked for; none for a whole frame.
class ClipRecorder : public Testing::ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    void Redraw(const Vorn::Rect* clip) override { mClips.push_back(clip ? std::optional(*clip) : std::nullopt); }
    std::vector<std::optional<Vorn::Rect>> mClips;
};

// A frame the widgets drew is presented where they drew it; the frame due
// after a second without drawing, and a forced one, are presented whole.
TEST(DrawDirty, PresentsOnlyWhatTheWidgetsDrewUnlessAWholeFrameIsDue)
{
    Testing::ScriptedClock clock;
    ClipRecorder app(clock);
    Vorn::MemoryImage screen;
    screen.Create(800, 600);
    app.mWidgetManager->mImage = &screen;
    std::vector<std::string> log;
    Testing::LoggingWidget widget(log, "w", Vorn::Rect(10, 20, 30, 40));
    app.mWidgetManager->AddWidget(&widget);

    widget.MarkDirty();
    EXPECT_TRUE(app.VornAppBase::DrawDirty());
    clock.Advance(1000);
    EXPECT_TRUE(app.VornAppBase::DrawDirty());
    widget.MarkDirty();
    app.mForceRedraw = true;
    EXPECT_TRUE(app.VornAppBase::DrawDirty());
    EXPECT_EQ(app.mClips, (std::vector<std::optional<Vorn::Rect>>{Vorn::Rect(10, 20, 30, 40), std::nullopt,
                              std::nullopt}));
    app.mWidgetManager->RemoveWidget(&widget);
}

// What was drawn while pacing held its frame back is presented with the next
// frame shown; after a frame is shown, nothing is left over.
TEST(DrawDirty, AFrameHeldBackIsPresentedWithTheNext)
{
    Testing::ScriptedClock clock;
    ClipRecorder app(clock);
    Vorn::MemoryImage screen;
    screen.Create(800, 600);
    app.mWidgetManager->mImage = &screen;
    std::vector<std::string> log;
    Testing::LoggingWidget first(log, "first", Vorn::Rect(10, 20, 30, 40));
    Testing::LoggingWidget second(log, "second", Vorn::Rect(500, 400, 20, 10));
    app.mWidgetManager->AddWidget(&first);
    app.mWidgetManager->AddWidget(&second);

    first.MarkDirty();
    app.mNextDrawTick = clock.Milliseconds() + 50;
    EXPECT_FALSE(app.VornAppBase::DrawDirty());
    EXPECT_TRUE(app.mClips.empty());
    clock.Advance(50);
    second.MarkDirty();
    EXPECT_TRUE(app.VornAppBase::DrawDirty());
    clock.Advance(50);
    second.MarkDirty();
    EXPECT_TRUE(app.VornAppBase::DrawDirty());
    EXPECT_EQ(app.mClips, (std::vector<std::optional<Vorn::Rect>>{Vorn::Rect(10, 20, 510, 390),
                              Vorn::Rect(500, 400, 20, 10)}));
    EXPECT_EQ(app.mWidgetManager->mDrawnArea, Vorn::Rect());
    app.mWidgetManager->RemoveWidget(&second);
    app.mWidgetManager->RemoveWidget(&first);
}

} // namespace
