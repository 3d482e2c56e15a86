#include "framework/resources/ImageDecoders.h"

#include <bit>
#include <cstddef>
#include <cstring>

namespace ImageLib {

namespace {

constexpr size_t kHeaderSize = 18;
constexpr uint8_t kTrueColour = 2;
constexpr uint8_t kNoColourMap = 0;
constexpr uint8_t kColourMapPresent = 1;
// Rows from the top (0x20) with 8 alpha bits in the low nibble; anything
// else would need reordering or a format that no image of ours uses.
constexpr uint8_t kTopDown32 = 0x28;

uint16_t TgaU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

struct TgaHeader {
    uint8_t idLength;
    uint8_t colourMapType;
    uint8_t imageType;
    uint16_t colourMapLength;
    uint8_t colourMapEntryBits;
    uint16_t width;
    uint16_t height;
    uint8_t pixelDepth;
    uint8_t descriptor;
};

TgaHeader ParseHeader(const uint8_t* p)
{
    return {p[0], p[1], p[2], TgaU16(p + 5), p[7], TgaU16(p + 12), TgaU16(p + 14), p[16], p[17]};
}

bool Accepted(const TgaHeader& h)
{
    if (h.imageType != kTrueColour)
        return false;
    if (h.colourMapType != kNoColourMap && h.colourMapType != kColourMapPresent)
        return false;
    return h.pixelDepth == 32 && h.descriptor == kTopDown32;
}

} // namespace

std::unique_ptr<Image> DecodeTGA(std::span<const uint8_t> data)
{
    if (data.size() < kHeaderSize)
        return nullptr;
    const TgaHeader header = ParseHeader(data.data());
    if (!Accepted(header))
        return nullptr;

    size_t skip = header.idLength;
    if (header.colourMapType == kColourMapPresent)
        skip += size_t{header.colourMapLength} * ((header.colourMapEntryBits + 7u) / 8u);
    if (data.size() - kHeaderSize < skip)
        return nullptr;

    // A file shorter than its pixels is refused before anything is
    // allocated: a few bytes must not make a large image of zeros.
    const std::span<const uint8_t> pixels = data.subspan(kHeaderSize + skip);
    const size_t count = size_t{header.width} * header.height;
    if (pixels.size() / 4 < count)
        return nullptr;
    std::unique_ptr<Image> image = Image::Create(header.width, header.height);
    if (!image)
        return nullptr;
    // Bytes B, G, R, A: on a little-endian machine each is already the word.
    static_assert(std::endian::native == std::endian::little);
    std::memcpy(image->GetBits(), pixels.data(), count * 4);
    return image;
}

} // namespace ImageLib
