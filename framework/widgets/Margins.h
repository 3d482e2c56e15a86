#pragma once
// Four insets around a rectangle, all 0 unless given.

namespace Vorn {

struct Margins {
    int mLeft = 0;
    int mTop = 0;
    int mRight = 0;
    int mBottom = 0;
};

} // namespace Vorn
