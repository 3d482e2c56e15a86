#pragma once
// Axis-aligned rectangles covering [x, x + width) and [y, y + height): over int
// for clip, source, cel and widget rectangles, over double for clipping the
// bounding boxes of float-positioned and rotated blits.

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <type_traits>

namespace Vorn {

template <typename T>
struct TRect {
    T mX = 0;
    T mY = 0;
    T mWidth = 0;
    T mHeight = 0;

    constexpr TRect() = default;
    constexpr TRect(T x, T y, T width, T height) : mX(x), mY(y), mWidth(width), mHeight(height) {}

    constexpr TRect Intersection(const TRect& other) const
        requires std::integral<T>
    {
        return Overlap(other);
    }

    // A difference that is not a number is not negative: NaN edges pass
    // through into the result rather than emptying it.
    constexpr TRect IntersectionD(const TRect& other) const
        requires std::floating_point<T>
    {
        return Overlap(other);
    }

    constexpr bool operator==(const TRect&) const = default;

private:
    // Right and bottom edges of int rectangles are summed in 64 bits so that
    // rectangles reaching past INT_MAX cannot overflow.
    using Wide = std::conditional_t<std::integral<T>, int64_t, T>;

    // Rectangles that only touch give a zero width or height at the touching
    // position, not the empty rectangle: clip code keeps that position.
    constexpr TRect Overlap(const TRect& other) const
    {
        const Wide left = std::max<Wide>(mX, other.mX);
        const Wide right = std::min<Wide>(Wide(mX) + mWidth, Wide(other.mX) + other.mWidth);
        const Wide top = std::max<Wide>(mY, other.mY);
        const Wide bottom = std::min<Wide>(Wide(mY) + mHeight, Wide(other.mY) + other.mHeight);
        const Wide width = right - left;
        if (width < 0)
            return {};
        const Wide height = bottom - top;
        if (height < 0)
            return {};
        // Both fit T: width is at most this rectangle's own width, height too.
        return {static_cast<T>(left), static_cast<T>(top), static_cast<T>(width), static_cast<T>(height)};
    }
};

using Rect = TRect<int>;
using FRect = TRect<double>;

} // namespace Vorn
