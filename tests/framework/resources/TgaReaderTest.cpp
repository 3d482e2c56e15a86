#include "framework/resources/ImageDecoders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint32_t>;

struct TgaCase {
    const char* name;
    uint8_t type = 2, depth = 32, descriptor = 0x28, idLength = 0, mapType = 0;
    uint16_t width = 2, height = 1, mapLength = 0;
    Bytes pixels = {1, 2, 3, 4, 0xFF, 0x80, 0x40, 0x00};
    Words expected = {0x04030201, 0x004080FF}; // empty: no image
};

Bytes Tga(const TgaCase& c)
{
    Bytes b = {c.idLength, c.mapType, c.type, 0, 0, uint8_t(c.mapLength), uint8_t(c.mapLength >> 8), 24, 0, 0, 0, 0,
               uint8_t(c.width), uint8_t(c.width >> 8), uint8_t(c.height), uint8_t(c.height >> 8), c.depth, c.descriptor};
    b.insert(b.end(), c.idLength + (c.mapType == 1 ? c.mapLength * 3u : 0u), 0xEE);
    b.insert(b.end(), c.pixels.begin(), c.pixels.end());
    return b;
}

Words TgaDecoded(std::span<const uint8_t> file)
{
    const auto image = ImageLib::DecodeTGA(file);
    return image ? Words(image->GetBits(), image->GetBits() + image->GetWidth() * image->GetHeight()) : Words{};
}

TEST(TgaReader, FilesDecodeToTheseWordsOrNothing)
{
    const TgaCase cases[] = {
        {.name = "ThirtyTwoBitsAreTheLittleEndianWords"},
        {.name = "IdFieldAndColourMapSkipped", .idLength = 3, .mapType = 1, .mapLength = 2},
        {.name = "TwentyFourBitsRefused", .depth = 24, .descriptor = 0x20, .pixels = {1, 2, 3, 0xFF, 0x80, 0x40},
             .expected = {}},
        {.name = "ShortPixelDataRefused", .width = 3, .pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, .expected = {}},
        {.name = "LongPixelDataReadsTheDeclaredPixels", .width = 1, .pixels = {1, 2, 3, 4, 5}, .expected = {0x04030201}},
        {.name = "RunLengthRefused", .type = 10, .expected = {}},
        {.name = "SixteenBitsRefused", .depth = 16, .descriptor = 0x21, .expected = {}},
        {.name = "BottomUpRefused", .descriptor = 0x08, .expected = {}},
        {.name = "TwentyFourBitsWithAlphaBitsRefused", .depth = 24, .expected = {}},
        {.name = "UnknownColourMapTypeRefused", .mapType = 2, .expected = {}},
        {.name = "ZeroWidthRefused", .width = 0, .expected = {}},
        {.name = "AboveThePixelLimitRefused", .width = 8192, .height = 4097, .expected = {}},
        {.name = "AtThePixelLimitRead", .width = 8192, .height = 4096, .pixels = Bytes(size_t{1} << 27, 7),
             .expected = Words(size_t{1} << 25, 0x07070707)},
        {.name = "LargestHeaderRefused", .width = 65535, .height = 65535, .expected = {}}};
    for (const TgaCase& c : cases)
        EXPECT_EQ(TgaDecoded(Tga(c)), c.expected) << c.name;
}

TEST(TgaReader, OnlyTheWholeFileGivesTheImage)
{
    const Bytes whole = Tga({.name = "", .idLength = 2, .mapType = 1, .mapLength = 1});
    for (size_t n = 0; n <= whole.size(); ++n)
        EXPECT_EQ(ImageLib::DecodeTGA(std::span(whole.data(), n)) != nullptr, n == whole.size()) << n;
}

} // namespace
