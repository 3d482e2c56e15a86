// Rectangle fill and clear and the coverage-weighted span fill of a memory
// image.

#include "framework/graphics/Blend.h"
#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <cstdint>

namespace Vorn {

namespace {

template <typename PixelOperation>
void ForEachPixel(MemoryImage& image, Rect rect, PixelOperation operation)
{
    uint32_t* bits = image.GetBits();
    if (Blend::ClipToBounds(rect, image.mWidth, image.mHeight)) {
        for (int y = rect.mY; y < rect.mY + rect.mHeight; ++y) {
            uint32_t* row = bits + static_cast<size_t>(y) * static_cast<size_t>(image.mWidth);
            for (int x = rect.mX; x < rect.mX + rect.mWidth; ++x)
                row[x] = operation(row[x]);
        }
    }
    image.MarkBitsChanged();
}

} // namespace

// Held to the image: a rectangle reaching outside must not write past the
// pixels.
void MemoryImage::FillRect(const Rect& rect, const Color& color, int)
{
    const uint32_t packed = color.ToInt();
    if (color.mAlpha == 255) {
        ForEachPixel(*this, rect, [packed](uint32_t) { return packed; });
        return;
    }
    const auto a = static_cast<uint32_t>(std::clamp(color.mAlpha, 0, 255));
    ForEachPixel(*this, rect, [packed, a](uint32_t d) { return Blend::Over(d, packed, a); });
}

void MemoryImage::ClearRect(const Rect& rect)
{
    ForEachPixel(*this, rect, [](uint32_t) { return 0u; });
}

// Pixels outside the image, and pixels whose coverage byte would lie outside
// the map, are left alone.
void MemoryImage::FillSpansWithCoverage(const Span* spans, int count, const Color& color, int,
    const uint8_t* coverage, int mapX, int mapY, int mapWidth, int mapHeight)
{
    uint32_t* bits = GetBits();
    if (!coverage || mapWidth <= 0)
        count = 0;
    const uint32_t packed = color.ToInt();
    const auto alpha = static_cast<uint32_t>(std::clamp(color.mAlpha, 0, 255));
    for (int s = 0; s < count; ++s) {
        const Span& span = spans[s];
        // In 64 bits: spans and maps anywhere an int reaches must not overflow.
        const int64_t mapRow = int64_t{span.mY} - mapY;
        if (span.mY < 0 || span.mY >= mHeight || mapRow < 0 || mapRow >= mapHeight)
            continue;
        const int first = std::max({span.mX, 0, mapX});
        const int end = static_cast<int>(
            std::min({int64_t{span.mX} + span.mWidth, int64_t{mWidth}, int64_t{mapX} + mapWidth}));
        uint32_t* row = bits + static_cast<size_t>(span.mY) * static_cast<size_t>(mWidth);
        const uint8_t* mapLine = coverage + static_cast<size_t>(mapRow) * static_cast<size_t>(mapWidth);
        for (int x = first; x < end; ++x) {
            const uint32_t weight = alpha * (uint32_t{mapLine[x - mapX]} + 1) / 256;
            if (weight > 0)
                row[x] = Blend::Over(row[x], packed, weight);
        }
    }
    MarkBitsChanged();
}

} // namespace Vorn
