#include "platform/PixelConverter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using namespace Platform;
using Words = std::vector<uint32_t>;

struct FormatCase {
    const char* name;
    PixelFormat format;
};

// The display's formats, the blue-first orders, channels of 1 to 4 bits and
// masks that reach past the pixel or have gaps.
const FormatCase kSixteenBitFormats[] = {
    {"R5G6B5", kFormatR5G6B5}, {"X1R5G5B5", kFormatX1R5G5B5}, {"B5G6R5", kFormatB5G6R5},
    {"R4G4B4", {16, 0x0F00, 0x00F0, 0x000F}}, {"R1G3B3", {16, 0x8000, 0x7000, 0x0007}},
    {"R2G7B7", {16, 0xC000, 0x3F80, 0x007F}}, {"GappedRed", {16, 0xF00F, 0x0FF0, 0}},
    {"PastThePixel", {16, 0x1F800, 0x07E0, 0x001F}}};

// Every 16-bit value, converted eight at a time, from an odd address and with
// a tail of every length, gives the word of the one-pixel form.
TEST(PixelConverter, EverySixteenBitValueConvertsAsItsOwnWordInEveryFormat)
{
    std::vector<uint8_t> bytes(65536 * 2 + 1);
    for (uint32_t value = 0; value < 65536; ++value)
        std::memcpy(&bytes[1 + value * 2], &value, 2);
    for (const FormatCase& c : kSixteenBitFormats) {
        SCOPED_TRACE(c.name);
        const PixelConverter converter(c.format);
        Words words(65536 + 1, 0x12345678);
        converter.Words(&bytes[1], words.data(), 65536);
        for (uint32_t value = 0; value < 65536; ++value)
            ASSERT_EQ(words[value], converter.Word(value)) << std::hex << value;
        EXPECT_EQ(words.back(), 0x12345678u);
        for (int count = 0; count < 16; ++count) {
            Words tail(17, 0x12345678);
            converter.Words(&bytes[1 + 2 * 40000], tail.data(), count);
            for (int i = 0; i < 17; ++i)
                ASSERT_EQ(tail[i], i < count ? converter.Word(40000u + i) : 0x12345678u) << count << " " << i;
        }
    }
}

// The word of a pixel repeats each channel's bits down to 8 bits; wider
// channels keep their top 8.
TEST(PixelConverter, WordsRepeatEachChannelsBitsToEightBits)
{
    const struct { const char* name; PixelFormat format; uint32_t pixel, word; } cases[] = {
        {"565 white", kFormatR5G6B5, 0xFFFF, 0xFFFFFFFF}, {"565 ones", kFormatR5G6B5, 0x0821, 0xFF080408},
        {"565 halves", kFormatR5G6B5, 0x8410, 0xFF848284}, {"565 mixed", kFormatR5G6B5, 0x52AA, 0xFF525552},
        {"555 top bit ignored", kFormatX1R5G5B5, 0xFC00, 0xFFFF0000}, {"555 ones", kFormatX1R5G5B5, 0x0421, 0xFF080808},
        {"444", {16, 0x0F00, 0x00F0, 0x000F}, 0x0A51, 0xFFAA5511},
        {"1-3-3", {16, 0x8000, 0x7000, 0x0007}, 0xD005, 0xFFFFB6B6},
        {"7-bit blue", {16, 0xC000, 0x3F80, 0x007F}, 0x4041, 0xFF550083},
        {"gapped red", {16, 0xF00F, 0x0FF0, 0}, 0xA005, 0xFFA00000},
        {"888", kFormatX8R8G8B8, 0xAB123456, 0xFF123456}, {"bgr", kFormatX8B8G8R8, 0x00563412, 0xFF123456},
        {"10-bit", {32, 0x3FF00000, 0x000FFC00, 0x000003FF}, 0x3FF00401, 0xFFFF0000},
        {"no blue", {32, 0xFF0000, 0xFF00, 0}, 0x123456, 0xFF123400}};
    for (const auto& c : cases)
        EXPECT_EQ(PixelConverter(c.format).Word(c.pixel), c.word) << c.name;
}

// Bytes of a fixed pseudo-random sequence.
std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed)
{
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(seed >> 24);
    }
    return bytes;
}

// 32-bit pixels of every order, four at a time with tails, match the
// one-pixel form; the unused byte never shows.
TEST(PixelConverter, ThirtyTwoBitRowsConvertAsTheirOwnWords)
{
    const FormatCase formats[] = {{"X8R8G8B8", kFormatX8R8G8B8}, {"X8B8G8R8", kFormatX8B8G8R8},
        {"R10G10B10", {32, 0x3FF00000, 0x000FFC00, 0x000003FF}}, {"R5G6B5High", {32, 0xF8000000, 0x07E00000, 0x1F0000}},
        {"R1G2B3", {32, 0x1, 0x6, 0x38}}};
    const std::vector<uint8_t> bytes = RandomBytes(4099 * 4 + 3, 12345);
    for (const FormatCase& c : formats) {
        SCOPED_TRACE(c.name);
        const PixelConverter converter(c.format);
        for (const int count : {4099, 4096, 1, 2, 3, 5, 6, 7}) {
            Words words(count + 1, 0x12345678);
            converter.Words(&bytes[3], words.data(), count);
            for (int i = 0; i < count; ++i) {
                uint32_t pixel;
                std::memcpy(&pixel, &bytes[3 + 4 * i], 4);
                ASSERT_EQ(words[i], converter.Word(pixel)) << count << " " << i;
            }
            EXPECT_EQ(words.back(), 0x12345678u);
        }
    }
}

// Rows converted and copied in one pass: the words those of Words, the copy
// the pixels byte for byte, nothing written past either, at odd addresses
// and with tails of every length.
TEST(PixelConverter, RowsCopiedAsTheyConvertKeepEveryByte)
{
    const FormatCase formats[] = {{"X8R8G8B8", kFormatX8R8G8B8}, {"X8B8G8R8", kFormatX8B8G8R8},
        {"R10G10B10", {32, 0x3FF00000, 0x000FFC00, 0x000003FF}}, {"R5G6B5", kFormatR5G6B5},
        {"X1R5G5B5", kFormatX1R5G5B5}};
    const std::vector<uint8_t> bytes = RandomBytes(1027 * 4 + 3, 777);
    for (const FormatCase& c : formats) {
        SCOPED_TRACE(c.name);
        const PixelConverter converter(c.format);
        const size_t size = static_cast<size_t>(c.format.BytesPerPixel());
        for (const int count : {0, 1, 2, 3, 4, 5, 7, 8, 9, 1027}) {
            SCOPED_TRACE(count);
            Words expected(count + 1, 0x12345678), words(count + 1, 0x12345678);
            converter.Words(&bytes[3], expected.data(), count);
            std::vector<uint8_t> copy(size * static_cast<size_t>(count) + 2, 0xA5);
            converter.WordsCopying(&bytes[3], words.data(), &copy[1], count);
            EXPECT_EQ(words, expected);
            EXPECT_EQ(copy.front(), 0xA5);
            EXPECT_EQ(copy.back(), 0xA5);
            EXPECT_TRUE(std::equal(copy.begin() + 1, copy.end() - 1, bytes.begin() + 3));
        }
    }
}

// Back from words each channel rounds to the nearest value the format holds
// (there are no ties), so every pixel survives the way there and back.
TEST(PixelConverter, PixelsRoundToTheNearestChannelValueAndUndoTheWords)
{
    const struct { uint32_t word, r565, x555; } cases[] = {{0xFF000000, 0x0000, 0x0000}, {0x00040404, 0x0020, 0x0000},
        {0x00050505, 0x0821, 0x0421}, {0x000C0C0C, 0x0861, 0x0421}, {0x000D0D0D, 0x1062, 0x0842},
        {0x007F7F7F, 0x7BEF, 0x3DEF}, {0x00808080, 0x8410, 0x4210}, {0x00FF0000, 0xF800, 0x7C00},
        {0x0000FF00, 0x07E0, 0x03E0}, {0x000000FF, 0x001F, 0x001F}, {0xFFFFFFFF, 0xFFFF, 0x7FFF}};
    for (const auto& c : cases) {
        EXPECT_EQ(PixelConverter(kFormatR5G6B5).Pixel(c.word), c.r565) << std::hex << c.word;
        EXPECT_EQ(PixelConverter(kFormatX1R5G5B5).Pixel(c.word), c.x555) << std::hex << c.word;
    }
    EXPECT_EQ(PixelConverter(kFormatX8B8G8R8).Pixel(0xAB123456), 0x00563412u);
    EXPECT_EQ(PixelConverter({32, 0x3FF00000, 0x000FFC00, 0x000003FF}).Pixel(0x00FF8001), 0x3FF80804u);
    for (const FormatCase& c : kSixteenBitFormats) {
        if (c.format.redMask > 0xFFFF || c.format.redMask == 0xF00F)
            continue;
        SCOPED_TRACE(c.name);
        const PixelConverter converter(c.format);
        const uint32_t colour = c.format.redMask | c.format.greenMask | c.format.blueMask;
        Words words(65536);
        for (uint32_t value = 0; value < 65536; ++value)
            words[value] = converter.Word(value);
        std::vector<uint8_t> bytes(65536 * 2 + 3, 0xEE);
        converter.Pixels(words.data(), &bytes[1], 65536);
        EXPECT_TRUE(bytes[0] == 0xEE && bytes[65536 * 2 + 1] == 0xEE && bytes[65536 * 2 + 2] == 0xEE);
        for (uint32_t value = 0; value < 65536; ++value) {
            uint16_t back;
            std::memcpy(&back, &bytes[1 + 2 * value], 2);
            ASSERT_EQ(back, value & colour) << std::hex << value;
        }
    }
    const PixelConverter wide(kFormatX8R8G8B8);
    const Words words = {0x00123456, 0xFFABCDEF};
    std::vector<uint8_t> bytes(13, 0xEE);
    wide.Pixels(words.data(), &bytes[1], 2);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xEE, 0x56, 0x34, 0x12, 0, 0xEF, 0xCD, 0xAB, 0, 0xEE, 0xEE, 0xEE, 0xEE}));
}

} // namespace
