#pragma once
// The screen's pixel format, filled from the primary surface when the
// display is initialised; only 16 and 32 bits per pixel are accepted.

#include <cstdint>

namespace Vorn {

class NativeDisplay {
public:
    NativeDisplay() = default;
    virtual ~NativeDisplay() = default;
    NativeDisplay(const NativeDisplay&) = delete;
    NativeDisplay& operator=(const NativeDisplay&) = delete;

    int32_t mRGBBits = 0;
    int32_t mRedMask = 0;
    int32_t mGreenMask = 0;
    int32_t mBlueMask = 0;
    // Width of each mask.
    int32_t mRedBits = 0;
    int32_t mGreenBits = 0;
    int32_t mBlueBits = 0;
    // Index of the lowest set bit of each mask.
    int32_t mRedShift = 0;
    int32_t mGreenShift = 0;
    int32_t mBlueShift = 0;
};

} // namespace Vorn
