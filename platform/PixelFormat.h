#pragma once
// The layout of a surface pixel: its size and where each colour channel lies.
// The display works in 32-bit X8R8G8B8 or 16-bit 5-6-5 / 5-5-5; tests also
// use the blue-first orders to reach the other pixel-order branches.

#include <bit>
#include <cstdint>

namespace Platform {

struct PixelFormat {
    int bitsPerPixel = 32;
    uint32_t redMask = 0x00FF0000;
    uint32_t greenMask = 0x0000FF00;
    uint32_t blueMask = 0x000000FF;

    constexpr int BytesPerPixel() const { return bitsPerPixel / 8; }
    // Channels lie blue below green below red, the order the blend formulas
    // were written for.
    constexpr bool IsStandardOrder() const { return blueMask < greenMask && greenMask < redMask; }
    constexpr bool operator==(const PixelFormat&) const = default;

    static constexpr int Shift(uint32_t mask) { return mask ? std::countr_zero(mask) : 0; }
    static constexpr int Bits(uint32_t mask) { return std::popcount(mask); }
};

inline constexpr PixelFormat kFormatX8R8G8B8{32, 0x00FF0000, 0x0000FF00, 0x000000FF};
inline constexpr PixelFormat kFormatR5G6B5{16, 0xF800, 0x07E0, 0x001F};
inline constexpr PixelFormat kFormatX1R5G5B5{16, 0x7C00, 0x03E0, 0x001F};
inline constexpr PixelFormat kFormatX8B8G8R8{32, 0x000000FF, 0x0000FF00, 0x00FF0000};
inline constexpr PixelFormat kFormatB5G6R5{16, 0x001F, 0x07E0, 0xF800};

} // namespace Platform
