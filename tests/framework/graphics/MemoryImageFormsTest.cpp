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
using Pixels = std::vector<uint32_t>;

Bytes RunLengths(MemoryImage& image)
{
    const uint8_t* runs = image.GetRunLengthAlpha();
    return Bytes(runs, runs + image.PixelCount());
}

TEST(MemoryImageRunLength, CountsToTheEndOfEachRunWithinItsRowCappedAt255)
{
    Bytes capped(346, 255);
    for (int n = 254; n >= 1; --n)
        capped.push_back(static_cast<uint8_t>(n));
    const struct { int width; Bytes alphas, runs; } cases[] = {{6, {0, 0, 255, 255, 255, 128}, {2, 1, 3, 2, 1, 1}},
        {3, Bytes(6, 255), {3, 2, 1, 3, 2, 1}}, {1, {0, 0, 255}, {1, 1, 1}}, {3, {1, 254, 128}, {3, 2, 1}},
        {600, Bytes(600, 255), capped}};
    for (const auto& c : cases) {
        Pixels pixels;
        for (uint8_t a : c.alphas)
            pixels.push_back(uint32_t{a} << 24 | 0x336699);
        auto image = MakeImage(c.width, pixels);
        EXPECT_EQ(RunLengths(*image), c.runs) << c.width;
    }
}

// More pixels than palette entries, so reading the palette-sized tables by
// pixel position would run past them.
Pixels ManyPixelsFewColours()
{
    const uint32_t colours[] = {0x00000000, 0xFF000000, 0x80FFFFFF, 0xFF00FF00, 0x00123456};
    Pixels pixels;
    for (int i = 0; i < 40 * 20; ++i)
        pixels.push_back(colours[(i * 7 / 3) % 5]);
    return pixels;
}

TEST(MemoryImagePaletteForm, RunLengthsAreThoseOfTheSameImageInArgbAndGetBitsExpandsExactly)
{
    DisplayApp display;
    auto argb = MakeImage(40, ManyPixelsFewColours());
    auto palette = MakeImage(40, ManyPixelsFewColours());
    ASSERT_TRUE(palette->ReduceToPalette());
    EXPECT_EQ(palette->mBits, nullptr);
    EXPECT_EQ(RunLengths(*palette), RunLengths(*argb));
    const auto additive = [&](MemoryImage& image) {
        const uint8_t* runs = image.GetRunLengthAdditive(display.Display());
        return Bytes(runs, runs + image.PixelCount());
    };
    EXPECT_EQ(additive(*palette), additive(*argb));
    EXPECT_EQ(PixelsOf(*palette), ManyPixelsFewColours());
    EXPECT_EQ(palette->mColorTable, nullptr);
}

TEST(MemoryImageNative, PremultipliesIntoTheDisplayFormatKeepingAlphaOnTop)
{
    const struct { Testing::DisplayFormat format; uint32_t argb, native; } cases[] = {
        {Testing::kX8R8G8B8, 0xFFFFFFFF, 0xFFFFFFFF}, {Testing::kX8R8G8B8, 0x00FFFFFF, 0x00000000},
        {Testing::kR5G6B5, 0xFFFFFFFF, 0xFF00FFFF}, {Testing::kX1R5G5B5, 0xFFFFFFFF, 0xFF007FFF},
        {Testing::kR5G6B5, 0xFFFF0000, 0xFF00F800}, {Testing::kX1R5G5B5, 0xFF0000FF, 0xFF00001F}};
    for (const auto& c : cases) {
        DisplayApp display(c.format);
        auto image = MakeImage(1, {c.argb});
        EXPECT_EQ(image->GetPremultipliedData(display.Display())[0], c.native) << std::hex << c.argb;
    }
}

TEST(MemoryImageRelease, RebuildsFromTheNativeFormOnA2DDisplayAndWithoutOneKeepsTheMasterCopy)
{
    DisplayApp display;
    const Pixels pixels{0xFF102030, 0xFFFFFFFF, 0x00000000, 0x80FF8040};
    auto image = MakeImage(2, pixels, &display.app);
    image->ReleaseMemoryBits();
    EXPECT_EQ(image->mBits, nullptr);
    MemoryImage copy(*image);
    for (MemoryImage* each : {image.get(), &copy}) {
        const Pixels back = PixelsOf(*each);
        EXPECT_TRUE(back[0] == pixels[0] && back[1] == pixels[1] && back[2] >> 24 == 0 && back[3] >> 24 == 0x80);
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(static_cast<int>(back[3] >> shift & 0xFF), static_cast<int>(pixels[3] >> shift & 0xFF), 2);
    }
    auto alone = MakeImage(1, {0xFF102030});
    alone->ReleaseMemoryBits();
    EXPECT_EQ(PixelsOf(*alone), (Pixels{0xFF102030}));
}

} // namespace
