#pragma once
// Scales a frame by area: each written pixel is the mean of the part of the
// frame it covers, so that every pixel of the frame keeps the same weight on
// a screen of another size (text and edges stay even where a pixel under
// each centre would make some columns one pixel wide and others two). A whole
// number of screen pixels per frame pixel gives exact copies.
//
// Along each axis, output pixel j of d covers the source span [j n / d,
// (j + 1) n / d) of n pixels. The part of source pixel i inside it, as a
// fraction f of the span, is weighted in 128ths: W(f) = floor(128 f + 1/2)
// taken at both ends of the part, w = W(end) - W(start), so the weights of
// one output pixel add up to 128 exactly. A pixel is
//   sum over its taps of wx * wy * channel, plus 8192, shifted down by 14,
// for each of red, green and blue: the mean rounded half up.

#include "platform/Frame.h"
#include "platform/PixelConverter.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Platform {

// The weights of one axis.
class CoverageAxis {
public:
    static constexpr int kWeightBits = 7;
    static constexpr int kWeightOne = 1 << kWeightBits;

    // From `sourceCount` pixels to `count`, both 1..kMaxFrameSide.
    CoverageAxis(int sourceCount, int count);

    int Count() const { return static_cast<int>(mFirst.size()); }
    // Taps of every output pixel: the most any one has, rounded up to even;
    // the ones an output pixel does not reach weigh 0 (and may lie past the
    // source's end).
    int Taps() const { return mTaps; }
    // The source pixel of output i's tap 0.
    int First(int i) const { return mFirst[static_cast<size_t>(i)]; }
    int Weight(int i, int tap) const { return mWeights[static_cast<size_t>(i) * mTaps + tap]; }

private:
    int mTaps = 0;
    std::vector<int> mFirst;
    std::vector<int16_t> mWeights;
};

class CoverageScaler {
public:
    CoverageScaler(int sourceWidth, int sourceHeight, int width, int height);

    // Writes the frame, of the source size and readable, scaled into rows of
    // pixels of `format` (16 or 32 bits), `pitch` bytes apart, large enough.
    void Scale(const Frame& frame, uint8_t* destination, int pitch, const PixelFormat& format);

private:
    // The row's channels summed across by the weights of each output column:
    // 16-bit lanes b, g, r, x per column, 128 times the mean.
    void SumAcross(const uint32_t* words, int16_t* sums) const;
    // The source row's sums, from a slot of two (one per row parity, which is
    // all that two consecutive taps need).
    const int16_t* RowSums(const Frame& frame, const PixelConverter& converter, int row);

    CoverageAxis mAcross;
    CoverageAxis mDown;
    // The across weights laid out as the vector loop reads them: for each
    // pair of columns and each pair of taps, two vectors of eight lanes.
    std::vector<int16_t> mLaneWeights;
    // A source row as words, with zero words past its end for the taps that
    // weigh nothing.
    std::vector<uint32_t> mWords;
    std::vector<int16_t> mSums[2];
    int mSumsRow[2] = {-1, -1};
    std::vector<int32_t> mTotals;
    std::vector<uint32_t> mOut;
};

} // namespace Platform
