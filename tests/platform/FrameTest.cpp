#include "platform/Frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace {

using namespace Platform;
using Words = std::vector<uint32_t>;

TEST(Frame, ConvertWidensChannelsToOpaqueWordsFollowingBothPitchesAndRefusesUnreadableFrames)
{
    const struct { const char* name; PixelFormat format; Words pixels, expected; } cases[] = {
        // The unused byte may hold anything the blitters left.
        {"X8R8G8B8", kFormatX8R8G8B8, {0x00FF0000, 0xAB00FF00, 0x000000FF, 0xFE123456},
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456}},
        {"R5G6B5", kFormatR5G6B5, {0xF800, 0x07E0, 0x001F, 0x8410, 0x0000},
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848284, 0xFF000000}},
        {"X1R5G5B5", kFormatX1R5G5B5, {0xFC00, 0x03E0, 0x001F, 0x4210},
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848484}},
        {"X8B8G8R8", kFormatX8B8G8R8, {0x00563412}, {0xFF123456}},
        {"B5G6R5", kFormatB5G6R5, {0x001F, 0xF800}, {0xFFFF0000, 0xFF0000FF}},
        // A mask with a gap reads the span it covers, never past the table.
        {"gapped mask", PixelFormat{16, 0xF00F, 0, 0}, {0xF00F, 0x0001}, {0xFFF00000, 0xFF000000}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int size = c.format.BytesPerPixel();
        const int width = static_cast<int>(c.pixels.size());
        std::vector<uint8_t> bytes(c.pixels.size() * size);
        for (size_t i = 0; i < c.pixels.size(); ++i)
            std::memcpy(&bytes[i * size], &c.pixels[i], size);
        Words out(c.pixels.size());
        ASSERT_TRUE(ConvertToXrgb8888({bytes.data(), width * size, width, 1, c.format}, out.data(), width * 4));
        EXPECT_EQ(out, c.expected);
    }
    // Two rows of one 16-bit pixel, 3 bytes apart, the first at an odd address.
    std::vector<uint8_t> bytes = {0, 0x00, 0xF8, 0, 0x1F, 0x00, 0, 0};
    Words out(4, 0x12345678);
    ASSERT_TRUE(ConvertToXrgb8888({&bytes[1], 3, 1, 2, kFormatR5G6B5}, out.data(), 8));
    EXPECT_EQ(out, (Words{0xFFFF0000, 0x12345678, 0xFF0000FF, 0x12345678}));
    // Unreadable frames are refused with nothing written.
    const uint32_t some[4] = {};
    const struct { const char* name; Frame frame; int destinationPitch; } refused[] = {
        {"no pixels", {nullptr, 8, 2, 2}, 8}, {"no width", {some, 8, 0, 2}, 8}, {"no height", {some, 8, 2, -1}, 8},
        {"wider than any display", {some, 1 << 20, kMaxFrameSide + 1, 1}, 1 << 20},
        {"24 bits", {some, 6, 2, 2, PixelFormat{24}}, 8}, {"overlapping rows", {some, 7, 2, 2}, 8},
        {"negative pitch", {some, -8, 2, 2}, 8}, {"short destination rows", {some, 8, 2, 2}, 4},
        {"destination rows not words", {some, 8, 2, 2}, 10}};
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        Words out(8, 0xDEADBEEF);
        EXPECT_FALSE(ConvertToXrgb8888(c.frame, out.data(), c.destinationPitch));
        EXPECT_EQ(out, Words(8, 0xDEADBEEF));
    }
}

// A frame converted while its rows are copied: the words as without the
// copy, the copy the rows as they lie, each following its own pitch; a copy
// without room refuses both, as does an unreadable frame.
TEST(Frame, ConvertingWhileCopyingKeepsTheRowsAndRefusesWhereEitherHasNoRoom)
{
    // Three rows of 3 pixels, 4 apart; the copy's rows 5 apart.
    for (const PixelFormat& format : {kFormatX8R8G8B8, kFormatR5G6B5}) {
        SCOPED_TRACE(format.bitsPerPixel);
        const int size = format.BytesPerPixel();
        std::vector<uint8_t> bytes(static_cast<size_t>(4 * 3 * size));
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(i * 37 + 11);
        const Frame frame{bytes.data(), 4 * size, 3, 3, format};
        Words expected(12, 0xDEADBEEF), out(12, 0xDEADBEEF);
        ASSERT_TRUE(ConvertToXrgb8888(frame, expected.data(), 16));
        std::vector<uint8_t> copy(static_cast<size_t>(5 * 3 * size), 0xA5);
        ASSERT_TRUE(ConvertToXrgb8888(frame, out.data(), 16, copy.data(), 5 * size));
        EXPECT_EQ(out, expected);
        std::vector<uint8_t> copied(copy.size(), 0xA5);
        ASSERT_TRUE(CopyFrame(frame, copied.data(), 5 * size));
        for (size_t i = 0; i < copy.size(); ++i) {
            const size_t row = i / static_cast<size_t>(5 * size), column = i % static_cast<size_t>(5 * size);
            const uint8_t want = column < static_cast<size_t>(3 * size)
                                     ? bytes[row * static_cast<size_t>(4 * size) + column] : uint8_t{0xA5};
            ASSERT_EQ(copy[i], want) << i;
            ASSERT_EQ(copied[i], want) << i;
        }
        const struct { const char* name; Frame frame; uint8_t* copy; int copyPitch; } refused[] = {
            {"no copy", frame, nullptr, 5 * size}, {"short copy rows", frame, copy.data(), 3 * size - 1},
            {"negative copy pitch", frame, copy.data(), -5 * size},
            {"unreadable frame", {bytes.data(), 4 * size, 3, 3, PixelFormat{24}}, copy.data(), 5 * size}};
        for (const auto& c : refused) {
            SCOPED_TRACE(c.name);
            std::vector<uint8_t> before = copy;
            Words untouched(12, 0xDEADBEEF);
            EXPECT_FALSE(ConvertToXrgb8888(c.frame, untouched.data(), 16, c.copy, c.copyPitch));
            EXPECT_FALSE(CopyFrame(c.frame, c.copy, c.copyPitch));
            EXPECT_EQ(untouched, Words(12, 0xDEADBEEF));
            EXPECT_EQ(copy, before);
        }
        // Destination rows of 12 bytes for 3 pixels hold them; 8 do not, nor
        // do 12 for 4.
        Words shortRows(12, 0xDEADBEEF);
        EXPECT_FALSE(ConvertToXrgb8888(frame, shortRows.data(), 8, copy.data(), 5 * size));
        EXPECT_FALSE(ConvertToXrgb8888({bytes.data(), 4 * size, 4, 3, format}, shortRows.data(), 12, copy.data(),
                                       5 * size));
        EXPECT_EQ(shortRows, Words(12, 0xDEADBEEF));
    }
}

// A 32-bit frame of another channel order converts pixel by pixel.
TEST(Frame, ThirtyTwoBitFramesOfAnotherOrderConvertEveryPixel)
{
    const uint32_t bgr[] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00563412};
    Words out(4);
    ASSERT_TRUE(ConvertToXrgb8888({bgr, 16, 4, 1, kFormatX8B8G8R8}, out.data(), 16));
    EXPECT_EQ(out, (Words{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456}));
}

// Each written pixel is the mean of the frame under it, weighed by area in
// 128ths along each axis: 3 columns onto 2 weigh 85 and 43 (two thirds and
// one third of a column), onto 5 take columns 0, 1, 2 whole between mixes
// of 85 and 43; 2 rows onto 1 weigh 64 each. Red over black beside black
// over white thus gives (128 * 64 * 255 + 8192) >> 14 = 128. Whole numbers
// of pixels per frame pixel copy it.
TEST(Frame, ScaleWeighsEveryPixelOfTheFrameByTheAreaItCovers)
{
    const uint16_t rgb16[] = {0xF800, 0x07E0, 0x001F, 0x0000, 0xFFFF, 0x8410};
    const Frame frame{rgb16, 6, 3, 2, kFormatR5G6B5};
    const uint32_t r = 0xFFFF0000, g = 0xFF00FF00, b = 0xFF0000FF, k = 0xFF000000, w = 0xFFFFFFFF, m = 0xFF848284;
    const struct { int width, height; Words expected; } cases[] = {
        {2, 1, {0xFF80562B, 0xFF5781AB}}, {5, 1, {0xFF800000, 0xFF80562B, 0xFF80FF80, 0xFF5781AB, 0xFF4241C2}},
        {3, 4, {r, g, b, r, g, b, k, w, m, k, w, m}}, {1, 3, {0xFF565456, 0xFF6B6A6B, 0xFF807F80}},
        {3, 2, {r, g, b, k, w, m}}, {6, 2, {r, r, g, g, b, b, k, k, w, w, m, m}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width * 10 + c.height);
        Words out(c.expected.size() + 1, 0x12345678);
        ASSERT_TRUE(ScaleToXrgb8888(frame, out.data(), c.width * 4, c.width, c.height));
        EXPECT_EQ(Words(out.begin(), out.end() - 1), c.expected);
        EXPECT_EQ(out.back(), 0x12345678u);
    }
    Words out(8, 0xDEADBEEF);
    for (const auto& [width, height, pitch] : {std::tuple{0, 1, 8}, {1, 0, 8}, {kMaxFrameSide + 1, 1, 1 << 20},
                                                {1, kMaxFrameSide + 1, 4}, {2, 1, 4}, {4, 1, 12}, {1, 1, 6}})
        EXPECT_FALSE(ScaleToXrgb8888(frame, out.data(), pitch, width, height)) << width << " " << height;
    Words tall(kMaxFrameSide);
    EXPECT_TRUE(ScaleToXrgb8888(frame, tall.data(), 4, 1, kMaxFrameSide));
    EXPECT_EQ(tall.back(), 0xFF807F80u);
    EXPECT_FALSE(ScaleToXrgb8888({nullptr, 6, 3, 2, kFormatR5G6B5}, out.data(), 8, 2, 1));
    EXPECT_EQ(out, Words(8, 0xDEADBEEF));
}

} // namespace
