#include "framework/graphics/PaletteBuilder.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace Vorn {

namespace {

struct SeenColor {
    uint32_t argb;
    uint8_t index;
};

} // namespace

bool BuildPalette(const uint32_t* pixels, uint8_t* indices, int width, int height, uint32_t* table)
{
    std::fill_n(table, kPaletteSize, kUnusedPaletteEntry);
    if (width <= 0 || height <= 0)
        return true;

    // Sorted by value for the lookup; each colour keeps its table index.
    std::array<SeenColor, kPaletteSize> seen;
    int count = 0;
    const auto byValue = [](const SeenColor& entry, uint32_t argb) { return entry.argb < argb; };

    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        const uint32_t argb = pixels[i];
        const auto end = seen.begin() + count;
        const auto place = std::lower_bound(seen.begin(), end, argb, byValue);
        if (place != end && place->argb == argb) {
            indices[i] = place->index;
            continue;
        }
        if (count == kPaletteSize)
            return false;
        std::copy_backward(place, end, end + 1);
        const auto index = static_cast<uint8_t>(count);
        *place = {argb, index};
        table[count] = argb;
        indices[i] = index;
        ++count;
    }
    return true;
}

} // namespace Vorn
