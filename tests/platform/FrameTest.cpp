#include "platform/Frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Platform::ConvertToXrgb8888;
using Platform::Frame;
using Platform::PixelFormat;

struct FormatCase {
    const char* name;
    PixelFormat format;
    std::vector<uint32_t> pixels; // one row
    std::vector<uint32_t> expected;
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << c.name;
}

// The row as the surface stores it: little-endian pixels of the format's size.
std::vector<uint8_t> Bytes(const FormatCase& c)
{
    const int size = c.format.BytesPerPixel();
    std::vector<uint8_t> bytes(c.pixels.size() * size);
    for (size_t i = 0; i < c.pixels.size(); ++i)
        std::memcpy(&bytes[i * size], &c.pixels[i], size);
    return bytes;
}

class ConvertFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(ConvertFormats, WidensEachChannelToFullRangeOpaqueWords)
{
    const FormatCase& c = GetParam();
    const std::vector<uint8_t> bytes = Bytes(c);
    const Frame frame{bytes.data(), static_cast<int>(bytes.size()), static_cast<int>(c.pixels.size()), 1, c.format};
    std::vector<uint32_t> out(c.pixels.size());
    ASSERT_TRUE(ConvertToXrgb8888(frame, out.data(), static_cast<int>(out.size() * 4)));
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frame, ConvertFormats,
    testing::Values(
        // The unused byte may hold anything the blitters left.
        FormatCase{"X8R8G8B8",
                   Platform::kFormatX8R8G8B8,
                   {0x00FF0000, 0xAB00FF00, 0x000000FF, 0xFE123456},
                   {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456}},
        FormatCase{"R5G6B5",
                   Platform::kFormatR5G6B5,
                   {0xF800, 0x07E0, 0x001F, 0x8410, 0x0000},
                   {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848284, 0xFF000000}},
        FormatCase{"X1R5G5B5",
                   Platform::kFormatX1R5G5B5,
                   {0xFC00, 0x03E0, 0x001F, 0x4210},
                   {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848484}},
        FormatCase{"X8B8G8R8", Platform::kFormatX8B8G8R8, {0x00563412}, {0xFF123456}},
        FormatCase{"B5G6R5", Platform::kFormatB5G6R5, {0x001F, 0xF800}, {0xFFFF0000, 0xFF0000FF}},
        // A mask with a gap reads the span it covers, never past the table.
        FormatCase{"GappedMask", PixelFormat{16, 0xF00F, 0, 0}, {0xF00F, 0x0001}, {0xFFF00000, 0xFF000000}}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(Frame, RowsFollowBothPitchesAndNeedNoAlignment)
{
    // Two rows of one 16-bit pixel, 3 bytes apart, the first at an odd address.
    std::vector<uint8_t> bytes(8, 0);
    const uint16_t red = 0xF800;
    const uint16_t blue = 0x001F;
    std::memcpy(&bytes[1], &red, 2);
    std::memcpy(&bytes[4], &blue, 2);
    const Frame frame{&bytes[1], 3, 1, 2, Platform::kFormatR5G6B5};
    std::vector<uint32_t> out(4, 0x12345678);
    ASSERT_TRUE(ConvertToXrgb8888(frame, out.data(), 8));
    EXPECT_EQ(out, (std::vector<uint32_t>{0xFFFF0000, 0x12345678, 0xFF0000FF, 0x12345678}));
}

struct BadFrame {
    const char* name;
    Frame frame;
    int destinationPitch;
};

void PrintTo(const BadFrame& c, std::ostream* os)
{
    *os << c.name;
}

const uint32_t kSomePixels[4] = {};

class UnreadableFrames : public testing::TestWithParam<BadFrame> {};

TEST_P(UnreadableFrames, AreRefusedWithNothingWritten)
{
    std::vector<uint32_t> out(8, 0xDEADBEEF);
    EXPECT_FALSE(ConvertToXrgb8888(GetParam().frame, out.data(), GetParam().destinationPitch));
    EXPECT_EQ(out, std::vector<uint32_t>(8, 0xDEADBEEF));
}

INSTANTIATE_TEST_SUITE_P(
    Frame, UnreadableFrames,
    testing::Values(BadFrame{"NoPixels", {nullptr, 8, 2, 2}, 8},
                    BadFrame{"ZeroWidth", {kSomePixels, 8, 0, 2}, 8},
                    BadFrame{"NegativeHeight", {kSomePixels, 8, 2, -1}, 8},
                    BadFrame{"WiderThanAnyDisplay", {kSomePixels, 1 << 20, Platform::kMaxFrameSide + 1, 1}, 1 << 20},
                    BadFrame{"TwentyFourBits", {kSomePixels, 6, 2, 2, PixelFormat{24}}, 8},
                    BadFrame{"OverlappingRows", {kSomePixels, 7, 2, 2}, 8},
                    BadFrame{"NegativePitch", {kSomePixels, -8, 2, 2}, 8},
                    BadFrame{"ShortDestinationRows", {kSomePixels, 8, 2, 2}, 4},
                    BadFrame{"DestinationRowsNotWords", {kSomePixels, 8, 2, 2}, 10}),
    [](const testing::TestParamInfo<BadFrame>& info) { return std::string(info.param.name); });

} // namespace
