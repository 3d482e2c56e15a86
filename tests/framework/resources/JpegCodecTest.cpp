#include "fakes/TempDir.h"
#include "framework/resources/ImageDecoders.h"
#include "framework/resources/ImageLib.h"
#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The library's warnings about damaged files go to the debug channel; the
// tests keep them.
class JpegCodec : public ::testing::Test {
protected:
    JpegCodec() : mPrevious(Platform::SetDebugSink([this](std::string_view text) { mOutput += text; })) {}
    ~JpegCodec() override { Platform::SetDebugSink(mPrevious); }

    std::string mOutput;
    Platform::DebugSink mPrevious;
};

// A 16 x 16 file of one colour made by libjpeg itself.
Bytes EncodeFlat(J_COLOR_SPACE space, const Bytes& sample)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &out, &length);
    info.image_width = info.image_height = 16;
    info.input_components = int(sample.size());
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    Bytes row;
    for (int x = 0; x < 16; ++x)
        row.insert(row.end(), sample.begin(), sample.end());
    for (JSAMPROW r = row.data(); info.next_scanline < info.image_height;)
        jpeg_write_scanlines(&info, &r, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes file(out, out + length);
    std::free(out);
    return file;
}

size_t MarkerAt(const Bytes& file, uint8_t code)
{
    const uint8_t marker[] = {0xFF, code};
    return size_t(std::search(file.begin(), file.end(), marker, marker + 2) - file.begin());
}

// The largest difference of any channel from the opaque expected pixels; 256
// when there is no image or its size differs.
int WorstDistance(const std::unique_ptr<ImageLib::Image>& image, const std::vector<uint32_t>& expected)
{
    if (!image || size_t(image->GetWidth() * image->GetHeight()) != expected.size())
        return 256;
    int worst = 0;
    for (size_t i = 0; i < expected.size() * 32; i += 8) {
        const int a = int(image->GetBits()[i / 32] >> i % 32 & 0xFF);
        const int b = i % 32 == 24 ? 0xFF : int(expected[i / 32] >> i % 32 & 0xFF);
        worst = std::max(worst, std::abs(a - b));
    }
    return worst;
}

TEST_F(JpegCodec, WrittenImageReadsBackCloseWithAlphaDroppedAndWritesFailCleanly)
{
    Testing::TempDir dir;
    auto image = ImageLib::Image::Create(32, 32);
    for (uint32_t i = 0; i < 32 * 32; ++i)
        image->GetBits()[i] = (i % 32 * 8) << 16 | (i / 32 * 8) << 8 | 0x80;
    ASSERT_TRUE(ImageLib::WriteJPEGImage(dir / "shot.jpg", *image));
    const std::vector<uint32_t> pixels(image->GetBits(), image->GetBits() + 32 * 32);
    EXPECT_LE(WorstDistance(ImageLib::ReadJPEGImage(dir / "shot.jpg"), pixels), 10);
    EXPECT_FALSE(ImageLib::WriteJPEGImage(dir / "missing/shot.jpg", *image));
    EXPECT_FALSE(ImageLib::WriteJPEGImage(dir / "empty.jpg", ImageLib::Image()));
}

TEST_F(JpegCodec, GreyAndFourComponentFilesGiveOpaqueRgb)
{
    EXPECT_LE(WorstDistance(ImageLib::DecodeJPEG(EncodeFlat(JCS_GRAYSCALE, {100})), std::vector(256, 0x646464u)), 1);
    // libjpeg marks its four-component files as Adobe ones, where 255 is no
    // ink: no cyan and no black is red.
    const auto cmyk = ImageLib::DecodeJPEG(EncodeFlat(JCS_CMYK, {255, 0, 0, 255}));
    EXPECT_LE(WorstDistance(cmyk, std::vector(256, 0xFF0000u)), 3);
}

TEST_F(JpegCodec, FileCutBeforeTheScanOrAboveThePixelLimitGivesNothing)
{
    const Bytes whole = EncodeFlat(JCS_RGB, {10, 200, 30});
    const size_t scanHeader = MarkerAt(whole, 0xDA);
    const size_t scanData = scanHeader + 2 + size_t(whole[scanHeader + 2] << 8 | whole[scanHeader + 3]);
    for (size_t n = 0; n <= whole.size(); ++n) {
        const auto image = ImageLib::DecodeJPEG(std::span(whole.data(), n));
        // Inside the scan header the library may take its fake end marker for
        // parameters it only warns about.
        if (n <= scanHeader || n >= scanData) {
            ASSERT_EQ(image != nullptr, n >= scanData) << n;
        }
        ASSERT_TRUE(!image || image->GetWidth() * image->GetHeight() == 256) << n;
    }
    EXPECT_NE(mOutput.find("Premature end of JPEG file"), std::string::npos);
    Bytes tooLarge = whole;
    std::copy_n("\xFF\xDC\xFF\xDC", 4, tooLarge.begin() + long(MarkerAt(whole, 0xC0)) + 5);
    EXPECT_EQ(ImageLib::DecodeJPEG(tooLarge), nullptr);
}

} // namespace
