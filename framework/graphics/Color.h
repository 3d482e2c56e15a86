#pragma once
// A colour with straight (not premultiplied) alpha, copied by value.

#include <cstdint>

namespace Vorn {

struct Color {
    // Not clamped by any constructor: callers keep each component in 0..255.
    int mRed = 0;
    int mGreen = 0;
    int mBlue = 0;
    int mAlpha = 255;

    // Constant-initialised, so other static initialisers may read them.
    // White is the colour that means "no colorizing" to every blit.
    static const Color White;
    static const Color Black;

    constexpr Color() = default;

    // 0xAARRGGBB. An alpha byte of 0 reads as opaque, so that 0xRRGGBB
    // literals give solid colours; no transparent colour can be made this way.
    constexpr explicit Color(uint32_t argb)
        : mRed(static_cast<int>((argb >> 16) & 0xFFu))
        , mGreen(static_cast<int>((argb >> 8) & 0xFFu))
        , mBlue(static_cast<int>(argb & 0xFFu))
        , mAlpha((argb >> 24) == 0 ? 255 : static_cast<int>(argb >> 24))
    {
    }

    constexpr Color(int red, int green, int blue, int alpha = 255)
        : mRed(red), mGreen(green), mBlue(blue), mAlpha(alpha)
    {
    }

    // One entry of a colour table kept as three ints per entry.
    constexpr explicit Color(const int (&rgb)[3]) : mRed(rgb[0]), mGreen(rgb[1]), mBlue(rgb[2]) {}

    constexpr int GetRed() const { return mRed; }

    // 0xAARRGGBB. The components are not masked: one outside 0..255 spills
    // into its neighbours' bytes, exactly as the packed form always has.
    constexpr uint32_t ToInt() const
    {
        uint32_t packed = static_cast<uint32_t>(mAlpha);
        packed = (packed << 8) | static_cast<uint32_t>(mRed);
        packed = (packed << 8) | static_cast<uint32_t>(mGreen);
        return (packed << 8) | static_cast<uint32_t>(mBlue);
    }

    // All four fields, alpha included: (255, 255, 255, 254) still colorizes.
    constexpr bool IsWhite() const;

    constexpr bool operator==(const Color&) const = default;
};

inline constexpr Color Color::White{255, 255, 255, 255};
inline constexpr Color Color::Black{0, 0, 0, 255};

constexpr bool Color::IsWhite() const
{
    return mRed == White.mRed && mGreen == White.mGreen && mBlue == White.mBlue && mAlpha == White.mAlpha;
}

} // namespace Vorn
