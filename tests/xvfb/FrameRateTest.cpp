#include "fakes/PinnedFonts.h"
#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// The overlay's box on an 800 x 600 screen: 50 wide, the font's height + 4
// high (DejaVu Sans at 8 points is 11 above the baseline and 3 below), 10
// from the right and bottom edges; its text starts 2 in and 1 down.
constexpr int kBoxX = 800 - 50 - 10;
constexpr int kBoxY = 600 - 18 - 10;
constexpr int kTextX = kBoxX + 2;
constexpr int kTextY = kBoxY + 1;

// Coverage of "FPS: " in the pinned face at 11 pixels, 50 x 18, with the
// width it advances.
std::vector<uint8_t> Prefix(int& advance)
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Init_FreeType(&library);
    FT_New_Face(library, Testing::kDejaVuSans.c_str(), 0, &face);
    FT_Set_Pixel_Sizes(face, 0, 11);
    const int ascent = static_cast<int>((face->size->metrics.ascender + 63) / 64);
    std::vector<uint8_t> coverage(50 * 18, 0);
    advance = 0;
    for (const char c : std::string("FPS: ")) {
        FT_Load_Char(face, static_cast<FT_ULong>(c), FT_LOAD_RENDER);
        const FT_GlyphSlot glyph = face->glyph;
        for (unsigned row = 0; row < glyph->bitmap.rows; ++row) {
            for (unsigned col = 0; col < glyph->bitmap.width; ++col) {
                const int x = advance + glyph->bitmap_left + static_cast<int>(col);
                const int y = ascent - glyph->bitmap_top + static_cast<int>(row);
                if (x >= 0 && x < 50 && y >= 0 && y < 18)
                    coverage[static_cast<size_t>(y * 50 + x)] =
                        glyph->bitmap.buffer[row * static_cast<unsigned>(glyph->bitmap.pitch) + col];
            }
        }
        advance += static_cast<int>((glyph->advance.x + 32) / 64);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return coverage;
}

// Ctrl+Alt+D and F3 typed into a real window bring up the frame-rate
// overlay: "FPS: " where the face puts it, white on black, and digits after.
TEST(FrameRate, TheOverlayShowsItsDigitsInARealWindow)
{
    if (!Testing::HasXvfb() || !std::filesystem::exists(Testing::kDejaVuSans))
        GTEST_SKIP() << "needs xvfb-run and fonts-dejavu-core";
    Testing::TempDir dir;
    const std::string script = std::string("P=\"") + FRAME_RATE + "\"\nX=\"" XPROBE "\"\nT='Zarquel frame rate'\n"
                               "\"$P\" >run.log 2>err.log & Z=$!\n"
                               "\"$X\" wait \"$T\" 30 &&\n"
                               "  for i in $(seq 300); do grep -q 'Frame drawn' run.log && break; sleep 0.1; done &&\n"
                               "  sleep 0.3 && \"$X\" shot \"$T\" before.ppm &&\n"
                               "  \"$X\" key \"$T\" ctrl+alt+d && \"$X\" key \"$T\" F3 && sleep 2.5 &&\n"
                               "  \"$X\" shot \"$T\" after.ppm\n"
                               "\"$X\" close \"$T\" || kill $Z\n"
                               "wait $Z; echo $? >code\n";
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 90));
    const auto read = [&](const std::string& name) { return Testing::ReadTextFile(dir / name); };
    EXPECT_EQ(read("code"), "0\n") << read("err.log");
    EXPECT_EQ(read("run.log"), "Frame drawn\noverlay on\n");

    const Testing::Screenshot before = Testing::ReadScreenshot(dir / "before.ppm");
    const Testing::Screenshot after = Testing::ReadScreenshot(dir / "after.ppm");
    ASSERT_EQ(after.width * 10000 + after.height, 800 * 10000 + 600);
    ASSERT_EQ(before.width, 800);
    int advance = 0;
    const std::vector<uint8_t> prefix = Prefix(advance);
    int digitPixels = 0;
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 48; ++x) {
            EXPECT_EQ(before.At(kTextX + x, kTextY + y), 0u);
            const uint32_t shown = after.At(kTextX + x, kTextY + y);
            if (x >= advance) {
                digitPixels += shown != 0;
                continue;
            }
            // Faint edges are left alone: only blank and well covered pixels.
            const uint8_t c = prefix[static_cast<size_t>(y * 50 + x)];
            if (c == 0) {
                EXPECT_EQ(shown, 0u) << x << "," << y;
            } else if (c >= 128) {
                EXPECT_GE(shown & 0xFF, 0x7Fu) << x << "," << y;
            }
        }
    }
    EXPECT_GT(digitPixels, 10);
}

} // namespace
