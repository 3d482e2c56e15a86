#pragma once
// Four insets around a rectangle.

namespace Vorn {

struct Margins {
    Margins() = default;
    // Every side the same: the message dialog insets its content by 24.
    explicit constexpr Margins(int all) : mLeft(all), mTop(all), mRight(all), mBottom(all) {}
    constexpr Margins(int left, int top, int right, int bottom)
        : mLeft(left), mTop(top), mRight(right), mBottom(bottom)
    {
    }

    int mLeft = 0;
    int mTop = 0;
    int mRight = 0;
    int mBottom = 0;
};

} // namespace Vorn
