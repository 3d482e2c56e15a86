#include "framework/graphics/SysFont.h"

#include "fakes/DisplayApp.h"
#include "fakes/PinnedFonts.h"
#include "framework/display/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Vorn::Color;
using Vorn::Graphics;
using Vorn::Rect;
using Vorn::SysFont;

// The pinned face straight from FreeType, hinted and anti-aliased as a
// desktop draws it: the reference every drawn pixel is checked against.
class Reference {
public:
    Reference(const std::string& file, int pixels)
    {
        FT_Init_FreeType(&mLibrary);
        FT_New_Face(mLibrary, file.c_str(), 0, &mFace);
        FT_Set_Pixel_Sizes(mFace, 0, static_cast<FT_UInt>(pixels));
    }
    ~Reference()
    {
        FT_Done_Face(mFace);
        FT_Done_FreeType(mLibrary);
    }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;

    int Ascent() const { return static_cast<int>((mFace->size->metrics.ascender + 63) / 64); }
    int Height() const { return Ascent() + static_cast<int>((-mFace->size->metrics.descender + 63) / 64); }
    int Width(const std::u32string& text)
    {
        int width = 0;
        for (const char32_t c : text) {
            FT_Load_Char(mFace, c, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP);
            width += static_cast<int>((mFace->glyph->advance.x + 32) / 64);
        }
        return width;
    }

    // Lays the text into straight-alpha pixels, `width` to a row, its top
    // left at (dx, dy): each glyph's coverage in the colour, over what is
    // there.
    void Draw(std::vector<uint32_t>& pixels, int width, const std::u32string& text, int dx, int dy, uint32_t rgb,
        bool oblique = false)
    {
        const int height = static_cast<int>(pixels.size()) / width;
        int pen = dx;
        for (const char32_t c : text) {
            FT_Load_Char(mFace, c, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP);
            if (oblique)
                FT_GlyphSlot_Oblique(mFace->glyph);
            FT_Render_Glyph(mFace->glyph, FT_RENDER_MODE_NORMAL);
            const FT_Bitmap& bitmap = mFace->glyph->bitmap;
            for (unsigned row = 0; row < bitmap.rows; ++row) {
                for (unsigned col = 0; col < bitmap.width; ++col) {
                    const int x = pen + mFace->glyph->bitmap_left + static_cast<int>(col);
                    const int y = dy + Ascent() - mFace->glyph->bitmap_top + static_cast<int>(row);
                    const uint32_t a = bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + col];
                    if (x >= 0 && x < width && y >= 0 && y < height && a != 0)
                        pixels[static_cast<size_t>(y * width + x)] = Over(pixels[static_cast<size_t>(y * width + x)], rgb, a);
                }
            }
            pen += static_cast<int>((mFace->glyph->advance.x + 32) / 64);
        }
    }

    // Porter and Duff's "over" on straight alpha, in whole numbers: the
    // pixel keeps dA × (255 − a) / 255 of its weight.
    static uint32_t Over(uint32_t d, uint32_t rgb, uint32_t a)
    {
        const uint32_t kept = (d >> 24) * (255 - a) / 255;
        uint32_t out = (a + kept) << 24;
        for (const int shift : {0, 8, 16})
            out += (((rgb >> shift) & 255) * a + ((d >> shift) & 255) * kept) / (a + kept) << shift;
        return out;
    }

private:
    FT_Library mLibrary = nullptr;
    FT_Face mFace = nullptr;
};

// A destination that keeps what each plain blit brought: the position and
// a copy of the source's pixels.
class CaptureImage : public Vorn::Image {
public:
    CaptureImage()
    {
        mWidth = 2000;
        mHeight = 2000;
    }
    void Blt(Vorn::Image* source, int x, int y, const Rect& sourceRect, const Color& color, int mode) override
    {
        auto& image = dynamic_cast<Vorn::MemoryImage&>(*source);
        const uint32_t* bits = image.GetBits();
        mBlits.push_back({x, y, sourceRect, color, mode, image.mWidth, {bits, bits + image.PixelCount()}});
    }

    struct Blit {
        int x, y;
        Rect source;
        Color color;
        int mode;
        int width;
        std::vector<uint32_t> pixels;
    };
    std::vector<Blit> mBlits;
};

class SysFontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Testing::PinSystemFonts())
            GTEST_SKIP() << "needs fonts-dejavu-core";
    }

    // One blit of the text drawn at (x, y).
    CaptureImage::Blit DrawOne(SysFont& font, const std::string& text, int x, int y, const Color& color)
    {
        CaptureImage screen;
        Graphics g(&screen);
        g.SetFont(&font);
        g.SetColor(color);
        g.DrawString(text, x, y);
        EXPECT_EQ(screen.mBlits.size(), 1u);
        return screen.mBlits.empty() ? CaptureImage::Blit{} : screen.mBlits[0];
    }
};

const std::string kText = "Ag, Zarquel! \xE9\x80\xFF";
const std::u32string kChars = U"Ag, Zarquel! \u00E9\u20AC\u00FF";

TEST_F(SysFontTest, PointsBecomePixelsAt96DotsPerInch)
{
    const struct {
        int points, pixels;
    } cases[] = {{12, 16}, {8, 11}, {9, 12}, {72, 96}, {1, 1}, {100000, 256}};
    for (const auto& c : cases) {
        Reference face(Testing::kDejaVuSans, c.pixels);
        const SysFont font("Arial", c.points, false, false, false);
        EXPECT_EQ(font.GetAscent(), face.Ascent()) << c.points;
        EXPECT_EQ(font.GetHeight(), face.Height()) << c.points;
    }
    const SysFont none("Tahoma", 0, false, false, false);
    EXPECT_EQ(none.GetHeight(), 0);
}

TEST_F(SysFontTest, TextIsTheFacesCoverageInTheColour)
{
    SysFont font("Tahoma", 12, false, false, false);
    Reference face(Testing::kDejaVuSans, 16);
    const int width = face.Width(kChars);
    EXPECT_EQ(font.StringWidth(kText), width);
    const CaptureImage::Blit blit = DrawOne(font, kText, 7, 30, Color(200, 40, 10, 99));
    EXPECT_EQ(blit.x * 1000 + blit.y, 7 * 1000 + 30 - face.Ascent());
    EXPECT_EQ(blit.source, Rect(0, 0, width, face.Height()));
    EXPECT_EQ(blit.color, Color::White);

    std::vector<uint32_t> expected(static_cast<size_t>(width * face.Height()), 0);
    face.Draw(expected, width, kChars, 0, 0, 0xC8280A);
    ASSERT_EQ(blit.pixels, expected);
    EXPECT_NE(std::count(expected.begin(), expected.end(), 0xFFC8280Au), 0);
    EXPECT_NE(std::count(expected.begin(), expected.end(), 0u), 0);
}

TEST_F(SysFontTest, BoldIsTheBoldFaceAndItalicSlantsTheUpright)
{
    SysFont bold("Arial", 12, true, false, false);
    Reference boldFace(Testing::kDejaVuSansBold, 16);
    const int width = boldFace.Width(kChars);
    std::vector<uint32_t> expected(static_cast<size_t>(width * boldFace.Height()), 0);
    boldFace.Draw(expected, width, kChars, 0, 0, 0x102030);
    EXPECT_EQ(DrawOne(bold, kText, 0, 20, Color(16, 32, 48)).pixels, expected);

    // Only the upright faces are pinned.
    SysFont italic("Arial", 12, false, true, false);
    Reference face(Testing::kDejaVuSans, 16);
    std::vector<uint32_t> slanted(static_cast<size_t>(face.Width(kChars) * face.Height()), 0);
    face.Draw(slanted, face.Width(kChars), kChars, 0, 0, 0x102030, true);
    EXPECT_EQ(DrawOne(italic, kText, 0, 20, Color(16, 32, 48)).pixels, slanted);
}

TEST_F(SysFontTest, TheShadowAndTheDoubleDrawStayInsideTheTextsImage)
{
    SysFont font("Tahoma", 12, false, false, false);
    font.mDrawShadow = true;
    font.mSimulateBold = true;
    Reference face(Testing::kDejaVuSans, 16);
    const int width = face.Width(U"Wo");
    std::vector<uint32_t> expected(static_cast<size_t>(width * face.Height()), 0);
    face.Draw(expected, width, U"Wo", 1, 1, 0);
    face.Draw(expected, width, U"Wo", 2, 1, 0);
    face.Draw(expected, width, U"Wo", 0, 0, 0x3060F0);
    face.Draw(expected, width, U"Wo", 1, 0, 0x3060F0);
    const CaptureImage::Blit blit = DrawOne(font, "Wo", 0, 20, Color(0x30, 0x60, 0xF0));
    EXPECT_EQ(blit.width, width);
    EXPECT_EQ(blit.pixels, expected);

    font.mAscentPadding = 3;
    font.mLineSpacingOffset = 2;
    const std::unique_ptr<Vorn::Font> copy = font.Duplicate();
    const auto& plain = dynamic_cast<SysFont&>(*copy);
    EXPECT_FALSE(plain.mDrawShadow || plain.mSimulateBold);
    EXPECT_EQ(plain.GetHeight(), face.Height());
    EXPECT_EQ(plain.GetAscentPadding() * 10 + plain.GetLineSpacingOffset(), 0);
}

// DejaVu Sans: the stroke's middle 85 and its thickness 90 of 2048 units
// below the baseline. At 16 pixels: middle 0.66, thickness 0.70, so one row,
// the first below the baseline. At 96 pixels: middle 3.98, thickness 4.22,
// so four rows from round(3.98 - 2.11) = 2 on.
TEST_F(SysFontTest, TheUnderlineRunsUnderTheWholeAdvance)
{
    const struct {
        int points, pixels, top, rows;
    } cases[] = {{12, 16, 0, 1}, {72, 96, 2, 4}};
    for (const auto& c : cases) {
        SysFont font("Tahoma", c.points, false, false, true);
        Reference face(Testing::kDejaVuSans, c.pixels);
        const CaptureImage::Blit blit = DrawOne(font, "a b", 0, 200, Color(255, 0, 0));
        const auto row = [&](const std::vector<uint32_t>& pixels, int y) {
            return std::vector<uint32_t>(pixels.begin() + y * blit.width, pixels.begin() + (y + 1) * blit.width);
        };
        std::vector<uint32_t> plain(blit.pixels.size(), 0);
        face.Draw(plain, blit.width, U"a b", 0, 0, 0xFF0000);
        for (int y = 0; y < face.Height(); ++y) {
            const bool under = y >= face.Ascent() + c.top && y < face.Ascent() + c.top + c.rows;
            EXPECT_EQ(row(blit.pixels, y),
                under ? std::vector<uint32_t>(static_cast<size_t>(blit.width), 0xFFFF0000u) : row(plain, y))
                << c.points << " points, row " << y;
        }
    }
}

TEST_F(SysFontTest, NothingIsDrawnWithoutWidthOrFace)
{
    CaptureImage screen;
    Graphics g(&screen);
    SysFont font("Tahoma", 12, false, false, false);
    SysFont none("Tahoma", 0, false, false, false);
    font.DrawString(&g, 0, 20, "", Color::White, Rect(0, 0, 100, 100));
    none.DrawString(&g, 0, 20, "text", Color::White, Rect(0, 0, 100, 100));
    Graphics empty(nullptr);
    font.DrawString(&empty, 0, 20, "text", Color::White, Rect(0, 0, 100, 100));
    EXPECT_TRUE(screen.mBlits.empty());
    EXPECT_EQ(none.StringWidth("text"), 0);
}

// The script constructor knows no other character sets: text stays
// Windows-1252.
TEST_F(SysFontTest, TheScriptConstructorIsPlainText)
{
    SysFont font(nullptr, "Tahoma", 12, 128);
    SysFont plain("Tahoma", 12, false, false, false);
    EXPECT_EQ(DrawOne(font, kText, 0, 20, Color::White).pixels, DrawOne(plain, kText, 0, 20, Color::White).pixels);
}

// Onto a display image the text lands one pixel lower, inside the clip
// rectangle handed over, neither scaled nor colorized.
TEST_F(SysFontTest, OnADisplayImageTextIsOnePixelLowerAndUncolorized)
{
    Testing::DisplayApp display;
    SysFont font("Tahoma", 12, false, false, false);
    const std::vector<uint32_t> black(60 * 30, 0xFF000000u);
    const auto drawn = [&](bool onDisplay, bool colorize, float scale, const Rect& clip, int x = 2, int y = 18) {
        Vorn::DDImage surface(display.app.mDDInterface.get());
        Vorn::MemoryImage memory(nullptr);
        Vorn::MemoryImage& image = onDisplay ? surface : memory;
        image.SetBits(black.data(), 60, 30);
        Graphics g(&image);
        g.SetColor(Color(128, 128, 128));
        g.SetColorize(colorize);
        g.mScaleX = scale;
        g.mScaleY = scale;
        font.DrawString(&g, x, y, "Hi", g.GetColor(), clip);
        return Testing::PixelsOf(image);
    };
    const Rect whole(0, 0, 60, 30);
    const std::vector<uint32_t> plain = drawn(false, false, 1.0f, whole);
    ASSERT_NE(plain, black);
    std::vector<uint32_t> lower(60, 0xFF000000u);
    lower.insert(lower.end(), plain.begin(), plain.end() - 60);
    EXPECT_EQ(drawn(true, false, 1.0f, whole), lower);
    EXPECT_EQ(drawn(true, true, 2.0f, whole), lower);
    std::vector<uint32_t> clipped = lower;
    std::fill(clipped.begin() + 16 * 60, clipped.end(), 0xFF000000u);
    ASSERT_NE(clipped, lower);
    EXPECT_EQ(drawn(true, false, 1.0f, Rect(0, 0, 60, 16)), clipped);
    EXPECT_EQ(drawn(false, false, 1.0f, Rect(0, 0, 60, 16)), plain);
    EXPECT_NE(drawn(false, true, 1.0f, whole), plain);
    // A clip rectangle reaching past the image is held to it; text above and
    // left of it loses only what is outside: drawn 3 left and 9 up.
    const std::vector<uint32_t> corner = drawn(true, false, 1.0f, Rect(-10, -10, 100, 100), -1, 8);
    std::vector<uint32_t> cornerExpected(plain.size(), 0xFF000000u);
    for (int y = 0; y + 9 < 30; ++y) {
        for (int x = 0; x + 3 < 60; ++x)
            cornerExpected[static_cast<size_t>(y * 60 + x)] = plain[static_cast<size_t>((y + 9) * 60 + x + 3)];
    }
    EXPECT_EQ(corner, cornerExpected);
    const auto lit = [](uint32_t p) { return p != 0xFF000000u; };
    EXPECT_TRUE(std::any_of(corner.begin(), corner.begin() + 60, lit));
    bool leftLit = false;
    for (int y = 0; y < 30; ++y)
        leftLit = leftLit || lit(corner[static_cast<size_t>(y * 60)]);
    EXPECT_TRUE(leftLit);
}

} // namespace
