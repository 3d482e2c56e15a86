#include "framework/graphics/MemoryImage.h"

#include "ArgbReference.h"
#include "fakes/DisplayApp.h"
#include "framework/graphics/PaletteBuilder.h"

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
        {1, {128}, {1}},
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

// In palette form the premultiplied form is one word per palette entry,
// every one of the 256.
TEST(MemoryImageNative, APaletteImageHasAPremultipliedWordForEachEntry)
{
    DisplayApp display(Testing::kR5G6B5);
    Pixels pixels = ManyPixelsFewColours();
    pixels[0] = 0x80FFFFFF;
    auto image = MakeImage(40, pixels);
    ASSERT_TRUE(image->ReduceToPalette());
    ASSERT_EQ(image->mColorTable[0], 0x80FFFFFFu);
    const uint32_t* native = image->GetPremultipliedData(display.Display());
    const uint32_t masks[3] = {0xF800, 0x7E0, 0x1F};
    for (int i = 0; i < Vorn::kPaletteSize; ++i)
        ASSERT_EQ(native[i], Reference::Premultiplied(image->mColorTable[static_cast<size_t>(i)], masks)) << i;
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

uint32_t Premultiplied(uint32_t argb, const Testing::DisplayFormat& format)
{
    const uint32_t masks[3] = {static_cast<uint32_t>(format.masks[0]), static_cast<uint32_t>(format.masks[1]),
        static_cast<uint32_t>(format.masks[2])};
    return Reference::Premultiplied(argb, masks);
}

uint32_t Unpremultiplied(uint32_t word, const Testing::DisplayFormat& format)
{
    const uint32_t masks[3] = {static_cast<uint32_t>(format.masks[0]), static_cast<uint32_t>(format.masks[1]),
        static_cast<uint32_t>(format.masks[2])};
    return Reference::Unpremultiplied(word, masks);
}

const Testing::DisplayFormat kFormats[] = {Testing::kX8R8G8B8, Testing::kR5G6B5, Testing::kX1R5G5B5};

TEST(MemoryImageNative, EveryPixelPremultipliesAndComesBackByTheFormulas)
{
    const Pixels pixels = Reference::SamplePixels(600, 51);
    for (const Testing::DisplayFormat& format : kFormats) {
        DisplayApp display(format);
        auto image = MakeImage(30, pixels, &display.app);
        const uint32_t* native = image->GetPremultipliedData(display.Display());
        Pixels expected, back;
        for (size_t i = 0; i < pixels.size(); ++i) {
            ASSERT_EQ(native[i], Premultiplied(pixels[i], format)) << format.bits << " " << std::hex << pixels[i];
            back.push_back(Unpremultiplied(native[i], format));
        }
        image->ReleaseMemoryBits();
        ASSERT_EQ(image->mBits, nullptr);
        EXPECT_EQ(PixelsOf(*image), back) << format.bits;
        EXPECT_EQ(image->GetBits()[600], Vorn::kMemoryImageGuardWord);
    }
}

// Worked values: at 5-6-5 white at alpha 128 is red 16, green 32, blue 16 of
// 31, 63, 31 (floor(255 * 129 / 256) = 128 cut to its top bits); back it
// comes as red 31, green 63, blue 31 widened: 248, 252, 248.
// The edged copy is made of the premultiplied words it stands beside, and
// goes with them: after a change of the bits it shows the new pixels.
TEST(MemoryImageNative, EdgedWordsAreThePremultipliedWordsEdgedAndFollowAChangeOfTheBits)
{
    DisplayApp display;
    auto image = MakeImage(2, {0xFF102030, 0x80FFFFFF, 0x00FFFFFF, 0xFF405060}, &display.app);
    const auto edgedOf = [&](MemoryImage& from) {
        const uint32_t* edged = from.GetEdgedPremultipliedData(display.Display());
        return edged ? Pixels(edged, edged + 16) : Pixels();
    };
    const uint32_t a = 0xFF102030;
    const uint32_t b = Premultiplied(0x80FFFFFF, Testing::kX8R8G8B8);
    const uint32_t d = 0xFF405060;
    EXPECT_EQ(edgedOf(*image), (Pixels{a, a, b, b, a, a, b, b, 0, 0, d, d, 0, 0, d, d}));
    image->GetBits()[0] = 0xFF0000FF;
    image->MarkBitsChanged();
    EXPECT_EQ(edgedOf(*image)[5], 0xFF0000FFu);
    image->FreeNativeData();
    EXPECT_EQ(image->mEdgedNativeData, nullptr);
    EXPECT_EQ(edgedOf(*image)[5], 0xFF0000FFu);

    auto palette = MakeImage(40, ManyPixelsFewColours(), &display.app);
    ASSERT_TRUE(palette->ReduceToPalette());
    EXPECT_EQ(palette->GetEdgedPremultipliedData(display.Display()), nullptr);
}

// In palette form each pixel's word is its entry of the premultiplied
// table, and goes with the table: after a change of the bits, or when the
// native data is freed, it shows the new pixels. Out of palette form, and
// past the words worth keeping, there are none.
TEST(MemoryImageNative, PaletteWordsAreEachPixelsPremultipliedEntryAndFollowAChangeOfTheBits)
{
    DisplayApp display;
    const Pixels pixels = ManyPixelsFewColours();
    auto image = MakeImage(40, pixels, &display.app);
    EXPECT_EQ(image->GetPremultipliedPaletteWords(display.Display()), nullptr);
    ASSERT_TRUE(image->ReduceToPalette());
    const auto wordsOf = [&](MemoryImage& from) {
        const uint32_t* words = from.GetPremultipliedPaletteWords(display.Display());
        return words ? Pixels(words, words + from.PixelCount()) : Pixels();
    };
    Pixels expected;
    for (uint32_t p : pixels)
        expected.push_back(Premultiplied(p, Testing::kX8R8G8B8));
    EXPECT_EQ(wordsOf(*image), expected);
    const uint32_t* table = image->GetPremultipliedData(display.Display());
    for (size_t i = 0; i < pixels.size(); ++i)
        ASSERT_EQ(wordsOf(*image)[i], table[image->mColorIndices[i]]) << i;
    image->FreeNativeData();
    EXPECT_EQ(image->mPaletteNativeWords, nullptr);
    ASSERT_TRUE(image->ReduceToPalette());
    EXPECT_EQ(wordsOf(*image), expected);
    // A change of the bits leaves palette form; reduced again, the words
    // are those of the new pixels.
    image->GetBits()[0] = 0xFF0000FF;
    image->MarkBitsChanged();
    EXPECT_EQ(image->mPaletteNativeWords, nullptr);
    ASSERT_TRUE(image->ReduceToPalette());
    EXPECT_EQ(wordsOf(*image)[0], 0xFF0000FFu);
    EXPECT_EQ(wordsOf(*image)[1], expected[1]);

    const size_t side = 1025;
    auto large = MakeImage(static_cast<int>(side), Pixels(side * 1024, 0xFF336699), &display.app);
    ASSERT_GT(large->PixelCount(), MemoryImage::kMaxPaletteWords);
    ASSERT_TRUE(large->ReduceToPalette());
    EXPECT_EQ(large->GetPremultipliedPaletteWords(display.Display()), nullptr);
    auto largest = MakeImage(1024, Pixels(1024 * 1024, 0xFF336699), &display.app);
    ASSERT_TRUE(largest->ReduceToPalette());
    ASSERT_NE(largest->GetPremultipliedPaletteWords(display.Display()), nullptr);
    EXPECT_EQ(largest->GetPremultipliedPaletteWords(display.Display())[1024 * 1024 - 1], 0xFF336699u);
}

TEST(MemoryImageNative, WorkedValuesInEachFormat)
{
    const struct { Testing::DisplayFormat format; uint32_t argb, native, back; } cases[] = {
        {Testing::kR5G6B5, 0x80FFFFFF, 0x80008410, 0x80F8FCF8}, {Testing::kX8R8G8B8, 0x80FF8001, 0x80804000, 0x80FE7F00},
        {Testing::kX1R5G5B5, 0xFF123456, 0xFF0008CA, 0xFF103050}, {Testing::kX8R8G8B8, 0x01FFFFFF, 0x01010101, 0x01808080}};
    for (const auto& c : cases) {
        DisplayApp display(c.format);
        auto image = MakeImage(1, {c.argb}, &display.app);
        EXPECT_EQ(image->GetPremultipliedData(display.Display())[0], c.native) << std::hex << c.argb;
        image->ReleaseMemoryBits();
        EXPECT_EQ(PixelsOf(*image)[0], c.back) << std::hex << c.argb;
    }
}

// Class 1 where the premultiplied word has colour bits, 0 where it adds
// nothing; runs counted as for the alpha form.
TEST(MemoryImageRunLength, AdditiveRunsFollowWhetherTheNativeWordAddsAnything)
{
    DisplayApp display(Testing::kR5G6B5);
    // 0x07000007: premultiplied blue floor(7 * 8 / 256) = 0 adds nothing.
    auto image = MakeImage(5, {0xFF000000, 0x07000007, 0x00FFFFFF, 0xFF000008, 0x10FFFFFF, 0x20FFFFFF, 0xFF000000,
                                  0xFF000000, 0x01FFFFFF, 0x80808080}, &display.app);
    const uint8_t* runs = image->GetRunLengthAdditive(display.Display());
    EXPECT_EQ(Bytes(runs, runs + 10), (Bytes{3, 2, 1, 2, 1, 1, 3, 2, 1, 1}));
    EXPECT_EQ(image->GetRunLengthAdditive(display.Display()), runs);
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
