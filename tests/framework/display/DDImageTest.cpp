#include "framework/display/DDImage.h"

#include "fakes/DisplayApp.h"
#include "fakes/SurfaceDisplayApp.h"
#include "framework/graphics/Graphics.h"

#include <gtest/gtest.h>

namespace {

using Platform::PixelFormat;
using Testing::SurfaceDisplayApp;
using Testing::SurfacePixels;
using Vorn::Color;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kClear = 0x00000000;
const PixelFormat k32 = Platform::kFormatX8R8G8B8, k565 = Platform::kFormatR5G6B5;

// The key takes a colour no opaque pixel shows, converted to the surface's
// format (the transparent red of Blue32 is the opaque blue's raw word);
// reading back returns the keyed pixels transparent and the others opaque.
TEST(DDImage, ColorKeyIsAFreeConvertedValueAndReadsBackTransparent)
{
    const struct { const char* name; PixelFormat format; Pixels pixels; uint32_t key; } cases[] = {
        {"Clash565", k565, {kBlack, kWhite, kClear}, 0xFFE0}, {"Clash32", k32, {kBlack, kWhite, kClear}, 1},
        {"NoClash565", k565, {kWhite, kClear}, 0}, {"NoClash32", k32, {kWhite, 0x00123456}, 0x123456},
        {"Blue32", Platform::kFormatX8B8G8R8, {0xFF0000FF, 0x00FF0000}, 0x0000FF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SurfaceDisplayApp app(c.format);
        auto image = app.MakeImage(static_cast<int>(c.pixels.size()), c.pixels);
        ASSERT_TRUE(image->BuildSurface());
        uint32_t low = 0, high = 0;
        EXPECT_TRUE(image->mSurface->GetColorKey(low, high) == Platform::kDDOk && low == c.key && high == c.key);
        image->FreeAllButSurface();
        ASSERT_EQ(image->mBits, nullptr);
        const uint32_t* back = image->GetBits();
        for (size_t i = 0; i < c.pixels.size(); ++i)
            EXPECT_EQ(back[i] >> 24, c.pixels[i] >> 24) << i;
    }
}

TEST(DDImage, WithoutAFreeKeyOrWithPartialAlphaStaysInMemoryAndDrawsThere)
{
    SurfaceDisplayApp app(k565);
    Pixels pixels(256 * 257, kClear);
    for (uint32_t v = 0; v < 65536; ++v)
        pixels[v] = kBlack | ((v & 0xF800) << 8) | ((v & 0x07E0) << 5) | ((v & 0x1F) << 3);
    auto image = app.MakeImage(256, pixels);
    EXPECT_FALSE(image->BuildSurface());
    image->FillRect(Rect(0, 256, 1, 1), Color(1, 2, 3), 0);
    EXPECT_TRUE(image->mSurface == nullptr && image->GetBits()[256 * 256] == 0xFF010203u);
    auto partial = app.MakeImage(2, {0x80FFFFFF, kWhite});
    partial->FillRect(Rect(1, 0, 1, 1), Color(0, 0, 255), 0);
    EXPECT_TRUE(partial->mSurface == nullptr && partial->GetBits()[1] == 0xFF0000FFu);
}

TEST(DDImage, SurfaceFillWritesTheFormulaValue)
{
    const struct { const char* name; PixelFormat format; Color color; int mode; uint32_t before, after; } cases[] = {
        {"White565", k565, Color::White, 0, 0, 0xFFFF}, {"White32", k32, Color::White, 0, 0, 0xFEFEFE},
        {"Half565", k565, Color(255, 0, 0, 128), 0, 0x001F, 0x780F},
        {"Half32", k32, Color(255, 0, 0, 128), 0, 0x0000FF, 0x7F007F},
        {"Additive555Saturates", Platform::kFormatX1R5G5B5, Color(255, 255, 255), 1, 0x4210, 0x7FFF},
        {"Additive32", k32, Color(16, 32, 64, 255), 1, 0x101010, 0x203050},
        {"OtherModeDrawsNothing", k32, Color::White, 2, 0x123456, 0x123456}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SurfaceDisplayApp app(c.format);
        auto image = app.MakeImage(2, {kBlack, kBlack});
        ASSERT_NE(image->GetSurface(), nullptr);
        SurfacePixels(*image->mSurface, {c.before, c.before});
        image->FillRect(Rect(1, 0, 1, 1), c.color, c.mode);
        EXPECT_TRUE(SurfacePixels(*image->mSurface) == (Pixels{c.before, c.after}) && image->mBits == nullptr);
    }
}

TEST(DDImage, CreateKeepsTheAlphaFlagsAndDropsThePalette)
{
    SurfaceDisplayApp app(k32);
    auto image = app.MakeImage(2, {kBlack, kClear});
    ASSERT_TRUE(image->ReduceToPalette());
    image->Create(3, 1);
    EXPECT_TRUE(image->mColorTable == nullptr && image->mHasTrans && !image->mHasAlpha);
    EXPECT_EQ(Testing::PixelsOf(*image), Pixels(3, 0));
}

// A palette image is converted from the pixels GetBits gives; read back, full
// 5-6-5 channels do not fill their low bits; a change of the bits drops the
// surface and the next use rebuilds it.
TEST(DDImage, BuildsFromPaletteFormAndRebuildsAfterMarkBitsChanged)
{
    SurfaceDisplayApp app(k565);
    auto image = app.MakeImage(2, {0xFFFF0000, 0xFF0000FF});
    ASSERT_TRUE(image->ReduceToPalette());
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfacePixels(*image->mSurface), (Pixels{0xF800, 0x001F}));
    image->FreeAllButSurface();
    EXPECT_EQ(Pixels(image->GetBits(), image->GetBits() + 2), (Pixels{0xFFF80000, 0xFF0000F8}));
    image->GetBits()[0] = kWhite, image->MarkBitsChanged();
    EXPECT_EQ(image->mSurface, nullptr);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfacePixels(*image->mSurface)[0], 0xFFFFu);
}

// The only copy of the pixels is never dropped: not when no surface could
// be had, not when the surface cannot be locked, not when it cannot be read.
// Without a surface to lock the mirrored blit has no road: it draws nothing.
TEST(DDImage, BitsAreKeptWhileNoSurfaceHoldsThem)
{
    Testing::DisplayApp unopened;
    Vorn::DDImage image(unopened.app.mDDInterface.get());
    image.SetBits(&kBlack, 1, 1), image.FillRect(Rect(0, 0, 1, 1), Color(9, 9, 9), 0);
    auto white = Testing::MakeImage(1, {kWhite});
    image.BltMirrored(white.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
    EXPECT_EQ(image.GetBits()[0], 0xFF090909u);
    SurfaceDisplayApp app(k32);
    auto lost = app.MakeImage(1, {kBlack}), unreadable = app.MakeImage(1, {kBlack});
    ASSERT_TRUE(lost->GetSurface() && unreadable->GetSurface());
    lost->mSurface->MarkLost(), lost->FreeAllButSurface();
    unreadable->FreeAllButSurface(), unreadable->mNoLock = true, unreadable->FreeSurface();
    EXPECT_TRUE(lost->mBits && unreadable->mSurface);
}

// The screen and the cursor areas are as large as their surfaces: a change
// of size would let later drawing clip to a size the surface does not have.
TEST(DDImage, AnImageAttachedToASurfaceKeepsItsSize)
{
    SurfaceDisplayApp app(k32, 8, 4);
    ASSERT_TRUE(app.initialised);
    Vorn::DDImage& screen = *app.Display().GetScreenImage();
    const Pixels big(64 * 64, kWhite);
    screen.Create(64, 64);
    screen.SetBits(big.data(), 64, 64);
    ASSERT_EQ(screen.mWidth * 100 + screen.mHeight, 804);
    Vorn::Graphics g(&screen);
    g.SetColor(Color::White);
    g.FillRect(0, 0, 64, 64);
    EXPECT_EQ(SurfacePixels(*screen.mSurface), Pixels(32, 0xFEFEFE));
    // The same size is no change.
    screen.Create(8, 4);
    EXPECT_EQ(screen.mWidth * 100 + screen.mHeight, 804);
}

} // namespace
