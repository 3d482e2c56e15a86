#include "framework/resources/ImageDecoders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
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

void PrintTo(const TgaCase& c, std::ostream* os) { *os << c.name; }

Bytes Tga(const TgaCase& c)
{
    Bytes b = {c.idLength, c.mapType, c.type, 0, 0, uint8_t(c.mapLength), uint8_t(c.mapLength >> 8), 24, 0, 0, 0, 0,
               uint8_t(c.width), uint8_t(c.width >> 8), uint8_t(c.height), uint8_t(c.height >> 8), c.depth, c.descriptor};
    b.insert(b.end(), c.idLength + (c.mapType == 1 ? c.mapLength * 3u : 0u), 0xEE);
    b.insert(b.end(), c.pixels.begin(), c.pixels.end());
    return b;
}

class TgaFiles : public ::testing::TestWithParam<TgaCase> {};

TEST_P(TgaFiles, DecodeToTheseWordsOrNothing)
{
    const auto image = ImageLib::DecodeTGA(Tga(GetParam()));
    const Words words = image ? Words(image->GetBits(), image->GetBits() + image->GetWidth() * image->GetHeight()) : Words{};
    EXPECT_EQ(words, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Headers, TgaFiles, ::testing::Values(
    TgaCase{.name = "ThirtyTwoBitsAreTheLittleEndianWords"},
    TgaCase{.name = "IdFieldAndColourMapSkipped", .idLength = 3, .mapType = 1, .mapLength = 2},
    TgaCase{.name = "TwentyFourBitsAreOpaque", .depth = 24, .descriptor = 0x20, .pixels = {1, 2, 3, 0xFF, 0x80, 0x40},
            .expected = {0xFF030201, 0xFF4080FF}},
    TgaCase{.name = "ShortPixelDataLeavesZeros", .width = 3, .pixels = {1, 2, 3, 4, 5}, .expected = {0x04030201, 0, 0}},
    TgaCase{.name = "RunLengthRefused", .type = 10, .expected = {}},
    TgaCase{.name = "SixteenBitsRefused", .depth = 16, .descriptor = 0x21, .expected = {}},
    TgaCase{.name = "BottomUpRefused", .descriptor = 0x08, .expected = {}},
    TgaCase{.name = "TwentyFourBitsWithAlphaBitsRefused", .depth = 24, .expected = {}},
    TgaCase{.name = "UnknownColourMapTypeRefused", .mapType = 2, .expected = {}},
    TgaCase{.name = "ZeroWidthRefused", .width = 0, .expected = {}},
    TgaCase{.name = "AboveThePixelLimitRefused", .width = 16384, .height = 16385, .expected = {}},
    TgaCase{.name = "LargestHeaderRefused", .width = 65535, .height = 65535, .expected = {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TgaReader, CutBeforeThePixelsGivesNothingAndAfterGivesTheImage)
{
    const Bytes whole = Tga({.name = "", .idLength = 2, .mapType = 1, .mapLength = 1});
    const size_t pixelStart = 18 + 2 + 3;
    for (size_t n = 0; n <= whole.size(); ++n)
        EXPECT_EQ(ImageLib::DecodeTGA(std::span(whole.data(), n)) != nullptr, n >= pixelStart) << n;
}

} // namespace
