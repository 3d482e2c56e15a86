#include "fakes/TempDir.h"
#include "framework/resources/ImageDecoders.h"
#include "framework/resources/ImageLib.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint32_t>;

struct PngCase {
    const char* name;
    int width, depth, colourType;
    Bytes row;
    Words expected; // of each row
    std::vector<png_color> palette = {};
    Bytes transparency = {};
    bool interlaced = false;
    int height = 1;
};

void Append(png_structp png, png_bytep data, size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// A file made by libpng itself, all rows alike; with `stopAfterOneRow` it ends
// after the first row's data.
Bytes EncodePng(const PngCase& c, int height, bool stopAfterOneRow = false)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, Append, NoFlush);
    png_set_IHDR(png, info, png_uint_32(c.width), png_uint_32(height), c.depth, c.colourType,
                 c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    if (!c.palette.empty())
        png_set_PLTE(png, info, c.palette.data(), int(c.palette.size()));
    if (!c.transparency.empty())
        png_set_tRNS(png, info, c.transparency.data(), int(c.transparency.size()), nullptr);
    png_write_info(png, info);
    for (int pass = png_set_interlace_handling(png); pass > 0 && !stopAfterOneRow; --pass) {
        for (int y = 0; y < height; ++y)
            png_write_row(png, c.row.data());
    }
    if (stopAfterOneRow) {
        png_write_row(png, c.row.data());
        png_write_flush(png);
    } else {
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

Words Pixels(const ImageLib::Image& image)
{
    return {image.GetBits(), image.GetBits() + image.GetWidth() * image.GetHeight()};
}

TEST(PngCodec, LayoutsExpandToArgbWords)
{
    const PngCase cases[] = {
        // Scaled with rounding: 0x12FF gives 0x13 where dropping the low byte gives 0x12.
        {"SixteenBitRgbaScaledToEightBits", 2, 16, PNG_COLOR_TYPE_RGB_ALPHA,
         {0x12, 0x34, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x80, 0x12, 0xFF, 0x7F, 0x80, 0x01, 0x01, 0xFF, 0xFF},
         {0x8012FF00, 0xFF137F01}},
        {"SixteenBitGrey", 1, 16, PNG_COLOR_TYPE_GRAY, {0x80, 0x80}, {0xFF808080}},
        {"PaletteWithTransparency", 2, 8, PNG_COLOR_TYPE_PALETTE, {0, 1}, {0x80010203, 0xFF040506},
         {{1, 2, 3}, {4, 5, 6}}, {0x80}},
        {"Grey", 1, 8, PNG_COLOR_TYPE_GRAY, {0x7F}, {0xFF7F7F7F}},
        {"GreyAlpha", 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {0x10, 0x20}, {0x20101010}},
        {"OneBitGrey", 2, 1, PNG_COLOR_TYPE_GRAY, {0x80}, {0xFFFFFFFF, 0xFF000000}},
        {"Rgb", 1, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3}, {0xFF010203}},
        {"InterlacedSevenPasses", 3, 8, PNG_COLOR_TYPE_RGB_ALPHA, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
         {0x04010203, 0x08050607, 0x0C090A0B}, {}, {}, true, 9}};
    for (const PngCase& c : cases) {
        const auto image = ImageLib::DecodePNG(EncodePng(c, c.height));
        ASSERT_NE(image, nullptr) << c.name;
        Words rows;
        for (int y = 0; y < c.height; ++y)
            rows.insert(rows.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(Pixels(*image), rows) << c.name;
    }
}

TEST(PngCodec, WrittenImageReadsBackWithAlphaAndWritesFailCleanly)
{
    Testing::TempDir dir;
    auto image = ImageLib::Image::Create(7, 5);
    for (uint32_t i = 0; i < 35; ++i)
        image->GetBits()[i] = (i + 1) * 2654435761u;
    ASSERT_TRUE(ImageLib::WritePNGImage(dir / "shot.png", *image));
    const auto back = ImageLib::ReadPNGImage(dir / "shot.png");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Pixels(*back), Pixels(*image));
    EXPECT_FALSE(ImageLib::WritePNGImage(dir / "missing/shot.png", *image));
    EXPECT_FALSE(ImageLib::WritePNGImage(dir / "empty.png", ImageLib::Image()));
}

TEST(PngCodec, FileCutAnywhereDamagedOrAboveThePixelLimitGivesNothing)
{
    Bytes file = EncodePng({"", 2, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6}, {}}, 2);
    ASSERT_NE(ImageLib::DecodePNG(file), nullptr);
    for (size_t n = 0; n < file.size(); ++n)
        EXPECT_EQ(ImageLib::DecodePNG(std::span(file.data(), n)), nullptr) << n;
    file[8 + 8 + 3] ^= 1; // the header's checksum no longer matches
    EXPECT_EQ(ImageLib::DecodePNG(file), nullptr);
    const PngCase wide{"", 65535, 8, PNG_COLOR_TYPE_GRAY, Bytes(65535), {}};
    EXPECT_EQ(ImageLib::DecodePNG(EncodePng(wide, 65535, true)), nullptr);
}

} // namespace
