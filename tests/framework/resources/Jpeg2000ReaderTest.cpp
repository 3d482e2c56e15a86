#include "fakes/Jpeg2000File.h"
#include "fakes/TempDir.h"
#include "framework/resources/ImageDecoders.h"
#include "framework/resources/ImageLib.h"

#include <gtest/gtest.h>
#include <openjpeg.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint32_t>;

Bytes Encode(OPJ_CODEC_FORMAT format, const std::vector<Bytes>& planes)
{
    return Testing::EncodeJpeg2000(format, planes);
}

Words Decoded(std::span<const uint8_t> file)
{
    const auto image = ImageLib::DecodeJPEG2000(file);
    return image ? Words(image->GetBits(), image->GetBits() + image->GetWidth() * image->GetHeight()) : Words{};
}

const std::vector<Bytes> kRgb = {{1, 2, 3, 4, 5, 6}, {10, 20, 30, 40, 50, 60}, {100, 110, 120, 130, 140, 250}};
const Words kRgbPixels = {0xFF010A64, 0xFF02146E, 0xFF031E78, 0xFF042882, 0xFF05328C, 0xFF063CFA};
const std::vector<Bytes> kRgbAlpha = {kRgb[0], kRgb[1], kRgb[2], {0, 0, 0, 0, 0, 0}};

TEST(Jpeg2000Reader, CodestreamAndJp2FilesDecodeToExactOpaquePixels)
{
    EXPECT_EQ(Decoded(Encode(OPJ_CODEC_J2K, kRgb)), kRgbPixels);
    EXPECT_EQ(Decoded(Encode(OPJ_CODEC_JP2, kRgb)), kRgbPixels);
    EXPECT_EQ(Decoded(Encode(OPJ_CODEC_J2K, kRgbAlpha)), kRgbPixels);
    const uint32_t black = 0xFF000000;
    EXPECT_EQ(Decoded(Encode(OPJ_CODEC_J2K, {{0, 0x20, 0, 0, 0, 0xF0}})),
              (Words{black, 0xFF202020, black, black, black, 0xFFF0F0F0}));
}

TEST(Jpeg2000Reader, FilesReadOnlyWhileTheCodecIsLoaded)
{
    Testing::TempDir dir;
    const Bytes file = Encode(OPJ_CODEC_JP2, kRgb);
    dir.WriteFile("pic.jp2", std::string(file.begin(), file.end()));
    EXPECT_EQ(ImageLib::ReadJPEG2000Image(dir / "pic.jp2"), nullptr);
    EXPECT_TRUE(ImageLib::LoadJPEG2000Codec());
    EXPECT_NE(ImageLib::ReadJPEG2000Image(dir / "pic.jp2"), nullptr);
    ImageLib::FreeJPEG2000Codec();
    EXPECT_EQ(ImageLib::ReadJPEG2000Image(dir / "pic.jp2"), nullptr);
}

TEST(Jpeg2000Reader, FilesCutAnywhereOrAboveThePixelLimitGiveNothing)
{
    for (const Bytes& whole : {Encode(OPJ_CODEC_J2K, kRgb), Encode(OPJ_CODEC_JP2, kRgb)}) {
        for (size_t n = 0; n < whole.size(); ++n)
            EXPECT_EQ(Decoded(std::span(whole.data(), n)), Words{}) << n;
    }
    Bytes file = Encode(OPJ_CODEC_J2K, kRgb);
    // The size marker's image and tile widths and heights: one 65535 x 65535 tile.
    for (const size_t field : {8, 12, 24, 28})
        std::copy_n("\x00\x00\xFF\xFF", 4, file.begin() + long(field));
    EXPECT_EQ(Decoded(file), Words{});
}

} // namespace
