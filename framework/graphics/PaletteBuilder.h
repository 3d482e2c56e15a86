#pragma once
// Exact palette reduction: an image of at most 256 distinct ARGB words becomes
// one index byte per pixel and a table, reproducing every pixel.

#include <cstdint>

namespace Vorn {

inline constexpr int kPaletteSize = 256;

// What table entries past the colours in use hold: opaque, so that an alpha
// scan over the whole table sees only the image's own colours.
inline constexpr uint32_t kUnusedPaletteEntry = 0xFF000000u;

// `indices` receives width x height bytes, `table` kPaletteSize words with the
// colours in order of first appearance, row by row. Colours differing only in
// alpha are distinct. A width or height of 0 or less means no pixels. Returns
// false when a 257th distinct colour is met, leaving both outputs partly
// written.
bool BuildPalette(const uint32_t* pixels, uint8_t* indices, int width, int height, uint32_t* table);

} // namespace Vorn
