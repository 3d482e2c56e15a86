#pragma once
// What the stretched blits of memory and surface images share: the clipping
// of a stretch (which part of the source the visible part of the destination
// shows, in doubles), the stepping of the nearest-pixel stretch, and the
// smooth two-pass resampling.

#include "framework/graphics/Rect.h"

#include <cstdint>
#include <vector>

namespace Vorn {

class MemoryImage;

struct StretchArea {
    // The visible part of the destination rectangle.
    Rect clipped;
    // The part of the source rectangle it shows, in source pixels.
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    // The source rectangle: no tap ever reads outside it.
    Rect source;

    // False when nothing is drawn: an empty visible part, a destination or
    // source rectangle without area, a source rectangle wider or taller than
    // 32767 pixels (the nearest-pixel steps are 16.16), or a source area of
    // no width or height. The mirrored form measures the source area from
    // the right, so that what is cut off the destination's right is taken
    // off the source's left.
    bool Clip(const Rect& dest, const Rect& sourceRect, const Rect& clip, bool mirrored);

    // How the nearest-pixel stretch steps through the source: by repeated
    // addition in doubles (memory images) or in 16.16 (surfaces).
    enum class Stepping { Doubles, Fixed };
    // The source column of every visible column, left to right, and the
    // source row of every visible row, held to the source rectangle. A
    // mirrored stretch writes the columns from the right.
    std::vector<int> NearestColumns(Stepping stepping) const;
    std::vector<int> NearestRows(Stepping stepping) const;
};

// The source area resampled to the visible size, straight-alpha ARGB words
// row after row: along x first, then along y, with an area average where the
// destination is smaller than the source and linear interpolation where it
// is larger. Palette sources are read through their palette; no tap reads
// outside the source rectangle. Empty when the source has no pixels.
std::vector<uint32_t> SmoothStretch(MemoryImage& source, const StretchArea& area);

} // namespace Vorn
