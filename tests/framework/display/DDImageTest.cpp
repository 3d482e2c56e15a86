#include "framework/display/DDImage.h"

#include "fakes/DisplayApp.h"
#include "fakes/SurfaceDisplayApp.h"

#include <gtest/gtest.h>

namespace {

using Platform::PixelFormat;
using Testing::SurfacePixels;
using Testing::SurfaceDisplayApp;
using Vorn::Color;
using Vorn::Rect;

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kClear = 0x00000000;

struct KeyCase {
    const char* name;
    PixelFormat format;
    std::vector<uint32_t> pixels;
    uint32_t key;
};

class ColorKey : public testing::TestWithParam<KeyCase> {};

// The key takes a colour no opaque pixel shows; reading back returns the
// keyed pixels transparent and the others opaque.
TEST_P(ColorKey, IsAFreeConvertedValueAndReadsBackTransparent)
{
    const KeyCase& c = GetParam();
    SurfaceDisplayApp app(c.format);
    ASSERT_TRUE(app.initialised);
    auto image = app.MakeImage(static_cast<int>(c.pixels.size()), c.pixels);
    ASSERT_TRUE(image->BuildSurface());
    uint32_t low = 0;
    uint32_t high = 0;
    ASSERT_EQ(image->mSurface->GetColorKey(low, high), Platform::kDDOk);
    EXPECT_EQ(low, c.key);
    EXPECT_EQ(high, c.key);
    image->FreeAllButSurface();
    ASSERT_EQ(image->mBits, nullptr);
    const uint32_t* back = image->GetBits();
    for (size_t i = 0; i < c.pixels.size(); ++i)
        EXPECT_EQ(back[i] >> 24, c.pixels[i] >> 24) << i;
}

INSTANTIATE_TEST_SUITE_P(Formats, ColorKey,
    testing::Values(KeyCase{"Clash565", Platform::kFormatR5G6B5, {kBlack, kWhite, kClear}, 0xFFE0},
        KeyCase{"Clash32", Platform::kFormatX8R8G8B8, {kBlack, kWhite, kClear}, 1},
        KeyCase{"NoClash565", Platform::kFormatR5G6B5, {kWhite, kClear}, 0},
        KeyCase{"NoClash32", Platform::kFormatX8R8G8B8, {kWhite, 0x00123456}, 0x123456},
        // Converted, the transparent red is the opaque blue's raw word: the
        // key must be compared in the surface's format.
        KeyCase{"Blue32", Platform::kFormatX8B8G8R8, {0xFF0000FF, 0x00FF0000}, 0x0000FF}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DDImage, WithoutAFreeKeyStaysInMemoryAndDrawsThere)
{
    SurfaceDisplayApp app(Platform::kFormatR5G6B5);
    std::vector<uint32_t> pixels(256 * 257, kClear);
    for (uint32_t v = 0; v < 65536; ++v)
        pixels[v] = kBlack | ((v & 0xF800) << 8) | ((v & 0x07E0) << 5) | ((v & 0x1F) << 3);
    auto image = app.MakeImage(256, pixels);
    EXPECT_FALSE(image->BuildSurface());
    EXPECT_EQ(image->mSurface, nullptr);
    image->FillRect(Rect(0, 256, 1, 1), Color(1, 2, 3), 0);
    EXPECT_EQ(image->GetBits()[256 * 256], 0xFF010203u);
}

TEST(DDImage, PartialAlphaNeverGetsASurfaceAndFillsItsBits)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8);
    auto image = app.MakeImage(2, {0x80FFFFFF, kWhite});
    EXPECT_EQ(image->GetSurface(), nullptr);
    image->FillRect(Rect(1, 0, 1, 1), Color(0, 0, 255), 0);
    EXPECT_EQ(image->GetBits()[1], 0xFF0000FFu);
}

struct FillCase {
    const char* name;
    PixelFormat format;
    Color color;
    int mode;
    uint32_t before;
    uint32_t after;
};

class SurfaceFill : public testing::TestWithParam<FillCase> {};

TEST_P(SurfaceFill, WritesTheFormulaValue)
{
    const FillCase& c = GetParam();
    SurfaceDisplayApp app(c.format);
    auto image = app.MakeImage(2, {kBlack, kBlack});
    ASSERT_NE(image->GetSurface(), nullptr);
    SurfacePixels(*image->mSurface, {c.before, c.before});
    image->FillRect(Rect(1, 0, 1, 1), c.color, c.mode);
    EXPECT_EQ(SurfacePixels(*image->mSurface), (std::vector<uint32_t>{c.before, c.after}));
    EXPECT_EQ(image->mBits, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Formats, SurfaceFill,
    testing::Values(FillCase{"White565", Platform::kFormatR5G6B5, Color::White, 0, 0, 0xFFFF},
        FillCase{"White32", Platform::kFormatX8R8G8B8, Color::White, 0, 0, 0xFEFEFE},
        FillCase{"Half565", Platform::kFormatR5G6B5, Color(255, 0, 0, 128), 0, 0x001F, 0x780F},
        FillCase{"Half32", Platform::kFormatX8R8G8B8, Color(255, 0, 0, 128), 0, 0x0000FF, 0x7F007F},
        FillCase{"Additive555Saturates", Platform::kFormatX1R5G5B5, Color(255, 255, 255), 1, 0x4210, 0x7FFF},
        FillCase{"Additive32", Platform::kFormatX8R8G8B8, Color(16, 32, 64, 255), 1, 0x101010, 0x203050},
        FillCase{"OtherModeDrawsNothing", Platform::kFormatX8R8G8B8, Color::White, 2, 0x123456, 0x123456}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DDImage, ReadsBackFullFiveSixFiveWithoutFillingLowBits)
{
    SurfaceDisplayApp app(Platform::kFormatR5G6B5);
    auto image = app.MakeImage(1, {kBlack});
    ASSERT_NE(image->GetSurface(), nullptr);
    SurfacePixels(*image->mSurface, {0xFFFF});
    image->FreeAllButSurface();
    EXPECT_EQ(image->GetBits()[0], 0xFFF8FCF8u);
}

TEST(DDImage, LocksNestAndAnUnlockAtZeroChangesNothing)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8);
    auto image = app.MakeImage(1, {kBlack});
    ASSERT_TRUE(image->LockSurface());
    ASSERT_TRUE(image->LockSurface());
    image->UnlockSurface();
    EXPECT_EQ(image->mSurface->LockCount(), 1);
    image->UnlockSurface();
    EXPECT_EQ(image->mSurface->LockCount(), 0);
    EXPECT_TRUE(image->UnlockSurface());
    EXPECT_EQ(image->mLockCount, 0);
}

TEST(DDImage, CreateKeepsTheAlphaFlagsAndDropsThePalette)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8);
    auto image = app.MakeImage(2, {kBlack, kClear});
    ASSERT_TRUE(image->ReduceToPalette());
    image->Create(3, 1);
    EXPECT_EQ(image->mColorTable, nullptr);
    EXPECT_TRUE(image->mHasTrans);
    EXPECT_FALSE(image->mHasAlpha);
    EXPECT_EQ(Testing::PixelsOf(*image), (std::vector<uint32_t>(3, 0)));
}

// A palette image, or one holding only its premultiplied form, is converted
// from the pixels GetBits gives.
TEST(DDImage, BuildsFromPaletteForm)
{
    SurfaceDisplayApp app(Platform::kFormatR5G6B5);
    auto image = app.MakeImage(2, {0xFFFF0000, 0xFF0000FF});
    ASSERT_TRUE(image->ReduceToPalette());
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfacePixels(*image->mSurface), (std::vector<uint32_t>{0xF800, 0x001F}));
}

TEST(DDImage, MarkBitsChangedDropsTheSurfaceAndTheNextUseRebuildsIt)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8);
    auto image = app.MakeImage(1, {kBlack});
    ASSERT_NE(image->GetSurface(), nullptr);
    image->GetBits()[0] = kWhite;
    image->MarkBitsChanged();
    EXPECT_EQ(image->mSurface, nullptr);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfacePixels(*image->mSurface)[0], 0xFFFFFFu);
}

// The only copy of the pixels is never dropped: not when no surface could
// be had, not when the surface cannot be locked, not when it cannot be read.
TEST(DDImage, BitsAreKeptWhileNoSurfaceHoldsThem)
{
    Testing::DisplayApp unopened;
    Vorn::DDImage image(unopened.app.mDDInterface.get());
    const uint32_t pixel = kBlack;
    image.SetBits(&pixel, 1, 1);
    image.FillRect(Rect(0, 0, 1, 1), Color(9, 9, 9), 0);
    EXPECT_EQ(image.GetBits()[0], 0xFF090909u);

    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8);
    auto lost = app.MakeImage(1, {kBlack});
    ASSERT_NE(lost->GetSurface(), nullptr);
    lost->mSurface->MarkLost();
    lost->FreeAllButSurface();
    EXPECT_NE(lost->mBits, nullptr);

    auto unreadable = app.MakeImage(1, {kBlack});
    ASSERT_NE(unreadable->GetSurface(), nullptr);
    unreadable->FreeAllButSurface();
    unreadable->mNoLock = true;
    unreadable->FreeSurface();
    EXPECT_NE(unreadable->mSurface, nullptr);
}

TEST(DDImage, ScreenImageKeepsItsSurfaceThroughThePurges)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8);
    Vorn::DDImage* screen = app.Display().GetScreenImage();
    ASSERT_NE(screen, nullptr);
    const auto surface = screen->mSurface;
    screen->ReleaseMemoryBits();
    screen->FreeDerivedData();
    screen->FreeNativeData();
    screen->MarkBitsChanged();
    EXPECT_EQ(screen->mSurface, surface);
}

TEST(DDImage, InThreeDTheDrawingSurfaceIsNeverLocked)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8);
    app.Display().mIs3D = true;
    EXPECT_TRUE(app.Display().GetScreenImage()->UsesDirect3D());
    EXPECT_FALSE(app.Display().GetScreenImage()->LockSurface());
    EXPECT_FALSE(Vorn::DDImage::UsesDirect3D(app.Display().mNewCursorImage.get()));
    app.Display().mIs3D = false;
}

} // namespace
