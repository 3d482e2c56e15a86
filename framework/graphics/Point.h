#pragma once
// An integer point, such as a vertex of a polygon fill.

namespace Vorn {

struct Point {
    int mX = 0;
    int mY = 0;

    constexpr Point() = default;
    constexpr Point(int x, int y) : mX(x), mY(y) {}

    constexpr bool operator==(const Point&) const = default;
};

} // namespace Vorn
