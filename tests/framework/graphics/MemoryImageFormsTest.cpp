#include "framework/graphics/MemoryImage.h"

#include "fakes/DisplayApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Testing::DisplayApp;
using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::MemoryImage;
using Bytes = std::vector<uint8_t>;

std::vector<uint32_t> WithAlphas(const Bytes& alphas)
{
    std::vector<uint32_t> pixels;
    for (uint8_t a : alphas)
        pixels.push_back(uint32_t{a} << 24 | 0x336699);
    return pixels;
}

Bytes RunLengths(MemoryImage& image)
{
    const uint8_t* runs = image.GetRunLengthAlpha();
    return Bytes(runs, runs + image.PixelCount());
}

struct RunCase {
    int width;
    Bytes alphas;
    Bytes runs;
};

class MemoryImageRunLength : public testing::TestWithParam<RunCase> {};

TEST_P(MemoryImageRunLength, CountsToTheEndOfEachRunWithinItsRow)
{
    auto image = MakeImage(GetParam().width, WithAlphas(GetParam().alphas));
    EXPECT_EQ(RunLengths(*image), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(Rows, MemoryImageRunLength,
    testing::Values(RunCase{6, {0, 0, 255, 255, 255, 128}, {2, 1, 3, 2, 1, 1}},
        RunCase{3, {255, 255, 255, 255, 255, 255}, {3, 2, 1, 3, 2, 1}}, RunCase{1, {0, 0, 255}, {1, 1, 1}},
        RunCase{3, {1, 254, 128}, {3, 2, 1}}));

TEST(MemoryImageRunLength, LongRunsAreCappedAt255)
{
    auto image = MakeImage(600, WithAlphas(Bytes(600, 255)));
    Bytes expected(346, 255);
    for (int n = 254; n >= 1; --n)
        expected.push_back(static_cast<uint8_t>(n));
    EXPECT_EQ(RunLengths(*image), expected);
}

// More pixels than palette entries, so reading the palette-sized tables by
// pixel position would run past them.
std::vector<uint32_t> ManyPixelsFewColours()
{
    const uint32_t colours[] = {0x00000000, 0xFF000000, 0x80FFFFFF, 0xFF00FF00, 0x00123456};
    std::vector<uint32_t> pixels;
    for (int i = 0; i < 40 * 20; ++i)
        pixels.push_back(colours[(i * 7 / 3) % 5]);
    return pixels;
}

TEST(MemoryImagePaletteForm, RunLengthsAreThoseOfTheSameImageInArgb)
{
    DisplayApp display;
    auto argb = MakeImage(40, ManyPixelsFewColours());
    auto palette = MakeImage(40, ManyPixelsFewColours());
    ASSERT_TRUE(palette->ReduceToPalette());
    EXPECT_EQ(RunLengths(*palette), RunLengths(*argb));

    const auto additive = [&](MemoryImage& image) {
        const uint8_t* runs = image.GetRunLengthAdditive(display.Display());
        return Bytes(runs, runs + image.PixelCount());
    };
    EXPECT_EQ(additive(*palette), additive(*argb));
    EXPECT_NE(palette->mColorTable, nullptr);
}

TEST(MemoryImagePaletteForm, ReducesExactlyAndExpandsOnGetBits)
{
    auto image = MakeImage(40, ManyPixelsFewColours());
    ASSERT_TRUE(image->ReduceToPalette());
    EXPECT_EQ(image->mBits, nullptr);
    EXPECT_TRUE(image->ReduceToPalette());
    EXPECT_EQ(PixelsOf(*image), ManyPixelsFewColours());
    EXPECT_EQ(image->mColorTable, nullptr);
    EXPECT_TRUE(image->mWantPal);
}

struct NativeCase {
    Testing::DisplayFormat format;
    uint32_t argb;
    uint32_t native;
};

class MemoryImageNative : public testing::TestWithParam<NativeCase> {};

TEST_P(MemoryImageNative, PremultipliesIntoTheDisplayFormatKeepingAlphaOnTop)
{
    DisplayApp display(GetParam().format);
    auto image = MakeImage(1, {GetParam().argb});
    EXPECT_EQ(image->GetPremultipliedData(display.Display())[0], GetParam().native);
}

INSTANTIATE_TEST_SUITE_P(Formats, MemoryImageNative,
    testing::Values(NativeCase{Testing::kX8R8G8B8, 0xFFFFFFFF, 0xFFFFFFFF},
        NativeCase{Testing::kX8R8G8B8, 0x00FFFFFF, 0x00000000}, NativeCase{Testing::kR5G6B5, 0xFFFFFFFF, 0xFF00FFFF},
        NativeCase{Testing::kX1R5G5B5, 0xFFFFFFFF, 0xFF007FFF}, NativeCase{Testing::kR5G6B5, 0xFFFF0000, 0xFF00F800},
        NativeCase{Testing::kX1R5G5B5, 0xFF0000FF, 0xFF00001F}));

TEST(MemoryImageRelease, RebuildsFromTheNativeFormOnA2DDisplay)
{
    DisplayApp display;
    const std::vector<uint32_t> pixels{0xFF102030, 0xFFFFFFFF, 0x00000000, 0x80FF8040};
    auto image = MakeImage(2, pixels, &display.app);
    image->ReleaseMemoryBits();
    EXPECT_EQ(image->mBits, nullptr);
    ASSERT_NE(image->mNativeAlphaData, nullptr);
    MemoryImage copy(*image);
    for (MemoryImage* each : {image.get(), &copy}) {
        const std::vector<uint32_t> back = PixelsOf(*each);
        EXPECT_EQ(back[0], pixels[0]);
        EXPECT_EQ(back[1], pixels[1]);
        EXPECT_EQ(back[2] >> 24, 0u);
        EXPECT_EQ(back[3] >> 24, 0x80u);
        EXPECT_NE(back[3], pixels[3]);
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(static_cast<int>(back[3] >> shift & 0xFF), static_cast<int>(pixels[3] >> shift & 0xFF), 2);
    }
}

TEST(MemoryImageRelease, WithoutADisplayTheMasterCopyStays)
{
    auto image = MakeImage(1, {0xFF102030});
    image->ReleaseMemoryBits();
    EXPECT_TRUE(image->mPurgeBits);
    EXPECT_EQ(PixelsOf(*image), (std::vector<uint32_t>{0xFF102030}));
}

TEST(MemoryImageRelease, ReInitPalettizesAndPurgesAgain)
{
    DisplayApp display;
    auto image = MakeImage(2, {0xFF000000, 0xFFFFFFFF}, &display.app);
    ASSERT_TRUE(image->ReduceToPalette());
    image->ReleaseMemoryBits();
    image->FreeSoftwareData();
    image->GetBits();
    display.app.RebuildAllImages();
    EXPECT_EQ(image->mBits, nullptr);
    EXPECT_NE(image->mColorIndices, nullptr);
    EXPECT_NE(image->mNativeAlphaData, nullptr);
}

} // namespace
