#include "framework/resources/ImageDecoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint32_t>;

const Words kFour = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
const uint32_t c0 = 0xFF102030, c1 = 0xFF405060, c2 = 0xFF708090, c3 = 0xFFA0B0C0;

// Codes packed least significant bit first at the widths a decoder expects,
// in sub-blocks closed by the empty one.
Bytes Lzw(int minSize, const std::vector<int>& codes)
{
    const int clear = 1 << minSize;
    int width = minSize + 1, next = clear + 2, count = 0;
    bool started = false;
    uint64_t bits = 0;
    Bytes data, blocks;
    for (const int code : codes) {
        for (bits |= uint64_t(code) << count, count += width; count >= 8; count -= 8, bits >>= 8)
            data.push_back(uint8_t(bits));
        if (code == clear)
            width = minSize + 1, next = clear + 2, started = false;
        else if (code != clear + 1 && std::exchange(started, true) && next < 4096 && ++next == 1 << width && width < 12)
            ++width;
    }
    if (count > 0)
        data.push_back(uint8_t(bits));
    for (size_t i = 0, n = 0; i < data.size(); i += n) {
        blocks.push_back(uint8_t(n = std::min<size_t>(255, data.size() - i)));
        blocks.insert(blocks.end(), data.begin() + long(i), data.begin() + long(i + n));
    }
    blocks.push_back(0);
    return blocks;
}

struct GifCase {
    const char* name;
    const char* signature = "GIF89a";
    uint16_t width = 2, height = 2;
    Words global = kFour;
    Bytes beforeImage = {};
    Words local = {};
    uint8_t imageFlags = 0;
    int minSize = 2;
    std::vector<int> codes = {4, 0, 1, 2, 3, 5};
    Words expected = {c0, c1, c2, c3}; // empty: no image
};

Bytes Gif(const GifCase& c)
{
    const auto table = [](Bytes& b, const Words& colours) {
        for (const uint32_t w : colours)
            b.insert(b.end(), {uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w)});
        return colours.empty() ? 0 : 0x80 | (std::countr_zero(colours.size()) - 1);
    };
    Bytes b(c.signature, c.signature + 6);
    b.insert(b.end(), {uint8_t(c.width), uint8_t(c.width >> 8), uint8_t(c.height), uint8_t(c.height >> 8), 0, 0, 0});
    b[10] = uint8_t(table(b, c.global));
    b.insert(b.end(), c.beforeImage.begin(), c.beforeImage.end());
    b.insert(b.end(), {',', 0, 0, 0, 0, uint8_t(c.width), uint8_t(c.width >> 8), uint8_t(c.height),
                       uint8_t(c.height >> 8), c.imageFlags});
    const size_t flags = b.size() - 1;
    b[flags] |= uint8_t(table(b, c.local));
    b.push_back(uint8_t(c.minSize));
    const Bytes lzw = Lzw(c.minSize, c.codes);
    b.insert(b.end(), lzw.begin(), lzw.end());
    b.push_back(';');
    return b;
}

Words GifDecoded(const Bytes& file)
{
    const auto image = ImageLib::DecodeGIF(file);
    return image ? Words(image->GetBits(), image->GetBits() + image->GetWidth() * image->GetHeight()) : Words{};
}

const Words kEight = {1, 2, 3, 4, 5, 6, 7, 8};
const Words kSixteen = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

TEST(GifReader, FilesDecodeToTheseWordsOrNothing)
{
    const GifCase cases[] = {
        {.name = "LiteralsRowByRow"},
        {.name = "CodeOfTheEntryBeingMadeRepeatsTheFirstByte", .codes = {4, 1, 6, 5}, .expected = {c1, c1, c1, 0}},
        {.name = "CodeAboveTheNextFreeEndsDecoding", .codes = {4, 0, 7, 1, 5}, .expected = {c0, 0, 0, 0}},
        {.name = "EndCodeEndsDecoding", .codes = {4, 0, 5, 1}, .expected = {c0, 0, 0, 0}},
        {.name = "DataEndingEarlyLeavesZeros", .codes = {4, 0}, .expected = {c0, 0, 0, 0}},
        {.name = "SelfReferringEntryAfterAClearEndsDecoding", .width = 9, .height = 1,
         .codes = {4, 0, 1, 2, 4, 6, 6, 6, 5}, .expected = {c0, c1, c2, c1, c0, c1, c1, 0, 0}},
        {.name = "IndexBeyondTheColourTableIsZero", .minSize = 3, .codes = {8, 6, 0, 9}, .expected = {0, c0, 0, 0}},
        {.name = "NoColourTableGivesZeros", .global = {}, .expected = {0, 0, 0, 0}},
        {.name = "LocalTableReplacesTheGlobal", .local = kEight,
         .expected = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004}},
        {.name = "TransparentIndexGivesZero", .global = kEight, .beforeImage = {'!', 0xF9, 4, 0x01, 0, 0, 5, 0},
         .minSize = 3, .codes = {8, 5, 1, 5, 2, 9}, .expected = {0, 0xFF000002, 0, 0xFF000003}},
        {.name = "GraphicControlShorterThanFourBytesIgnored", .beforeImage = {'!', 0xF9, 3, 0x01, 0, 0, 0}},
        // Rows 0, 8, 4, 2, 6, 1, 3, 5, 7, 9 receive the indices 0 to 9.
        {.name = "InterlacedRowsFillInFourPasses", .width = 1, .height = 10, .global = kSixteen, .imageFlags = 0x40,
         .minSize = 4, .codes = {16, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 17},
         .expected = {0xFF000000, 0xFF000005, 0xFF000003, 0xFF000006, 0xFF000002, 0xFF000007, 0xFF000004,
                      0xFF000008, 0xFF000001, 0xFF000009}},
        {.name = "UnknownSignatureRefused", .signature = "GIF88a", .expected = {}},
        {.name = "TrailerBeforeAnImageRefused", .beforeImage = {';'}, .expected = {}},
        {.name = "MinimumCodeSizeZeroRefused", .minSize = 0, .codes = {}, .expected = {}},
        {.name = "MinimumCodeSizeTwelveRefused", .minSize = 12, .codes = {}, .expected = {}},
        {.name = "ZeroHeightRefused", .height = 0, .expected = {}},
        {.name = "AboveThePixelLimitRefused", .width = 16384, .height = 16384, .expected = {}},
        {.name = "LargestHeaderRefused", .width = 65535, .height = 65535, .expected = {}}};
    for (const GifCase& c : cases)
        EXPECT_EQ(GifDecoded(Gif(c)), c.expected) << c.name;
    EXPECT_EQ(GifDecoded(Gif({.name = "", .width = 40000, .height = 1})).size(), 40000u) << "sizes are unsigned";
}

TEST(GifReader, FullCodeTableEndsDecodingWithoutAClear)
{
    std::vector<int> codes(5001, 0);
    codes[0] = 4;
    const Words pixels = GifDecoded(Gif({.name = "", .width = 5000, .height = 1, .codes = codes}));
    // One pixel for the first code, one for each of the 4090 entries made.
    ASSERT_EQ(pixels.size(), 5000u);
    EXPECT_EQ(pixels[4090], c0);
    EXPECT_EQ(pixels[4091], 0u);
}

TEST(GifReader, CutBeforeThePixelDataGivesNothingAndAfterGivesTheImage)
{
    const Bytes whole = Gif({.name = "", .beforeImage = {'!', 0xF9, 4, 0x01, 0, 0, 5, 0, '!', 0xFE, 2, 'h', 'i', 0}});
    const size_t pixelStart = whole.size() - Lzw(2, {4, 0, 1, 2, 3, 5}).size() - 1;
    for (size_t n = 0; n <= whole.size(); ++n)
        EXPECT_EQ(ImageLib::DecodeGIF(std::span(whole.data(), n)) != nullptr, n >= pixelStart) << n;
}

} // namespace
