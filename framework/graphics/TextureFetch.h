#pragma once
// Texel fetches of the rasteriser for the packed texture formats of the 3D
// device: 16-bit A4R4G4B4 and R5G6B5 words, each widened to an ARGB word by
// bit replication, so the extremes stay exact: nibble n becomes n * 17, five
// bits f become f << 3 | f >> 2, six bits g become g << 2 | g >> 4. Rows
// are `pitch` bytes apart. The device's palette entries, laid out red,
// green, blue, alpha in memory, are turned into ARGB words once, and its
// 8-bit textures read through them as every palette image is read.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Vorn::SWTri {

inline uint32_t WidenArgb4444(uint32_t t)
{
    const auto nibble = [&](int shift) { return ((t >> shift) & 0xF) * 17; };
    return nibble(12) << 24 | nibble(8) << 16 | nibble(4) << 8 | nibble(0);
}

inline uint32_t WidenRgb565(uint32_t t)
{
    const uint32_t r = (t >> 11) & 0x1F;
    const uint32_t g = (t >> 5) & 0x3F;
    const uint32_t b = t & 0x1F;
    return 0xFF000000u | ((r << 3) | (r >> 2)) << 16 | ((g << 2) | (g >> 4)) << 8 | ((b << 3) | (b >> 2));
}

// A palette entry word as it lies in memory (red in the low byte, alpha in
// the top one) turned back into an ARGB word.
inline uint32_t PaletteEntryToArgb(uint32_t entry)
{
    return (entry & 0xFF00FF00u) | ((entry >> 16) & 0xFF) | ((entry & 0xFF) << 16);
}

template <uint32_t (*Widen)(uint32_t)>
struct Packed16Fetch {
    static constexpr bool kPremultiplied = false;
    const uint8_t* bits;
    int pitch;
    int width;
    int height;
    uint32_t operator()(int x, int y) const
    {
        uint16_t t;
        std::memcpy(&t, bits + static_cast<ptrdiff_t>(y) * pitch + static_cast<ptrdiff_t>(x) * 2, sizeof t);
        return Widen(t);
    }
};

using Argb4444Fetch = Packed16Fetch<&WidenArgb4444>;
using Rgb565Fetch = Packed16Fetch<&WidenRgb565>;

// Every texel opaque white: untextured primitives are the diffuse colour.
struct WhiteFetch {
    static constexpr bool kPremultiplied = true;
    int width = 1;
    int height = 1;
    uint32_t operator()(int, int) const { return 0xFFFFFFFFu; }
};

// The same texels taken as they are, unweighted by their alpha: a source
// factor of one.
template <typename Fetch>
struct UnweightedFetch : Fetch {
    static constexpr bool kPremultiplied = true;
};

} // namespace Vorn::SWTri
