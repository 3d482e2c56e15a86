#pragma once
// The discs (TexelDisc) of the regions of one texture that drawings sample,
// found once and kept with the texture, which drops them with its pixels: a
// sprite's cel is drawn frame after frame, and its rows then stop where its
// picture does instead of sampling the transparent rest of its square.

#include "framework/graphics/SWTri.h"

#include <cstdint>
#include <deque>
#include <optional>

namespace Vorn::SWTri {

// A rectangle of texels, both bounds included, and on which sides the
// samples may lie more than half a texel past the texture's edge (where
// they are held to it).
struct TexelRegion {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    bool pastLeft = true;
    bool pastTop = true;
    bool pastRight = true;
    bool pastBottom = true;
    bool operator==(const TexelRegion&) const = default;
};

class TexelDiscs {
public:
    // The disc of the texels of `texture` in `region`, or null where rows
    // must be drawn whole: the texture has no texels to look at, or a texel
    // that is not nothing lies on an edge that samples reach far past
    // (they are held to it, wherever they lie). Samples less than half a
    // texel past an edge lie within the margin of its texels.
    // `changes` counts the texture's changes of pixels: a new count drops
    // every disc found before.
    const TexelDisc* Of(const TextureInfo& texture, const TexelRegion& region, uint64_t changes);

    // The disc for a drawing whose corners' texture positions span
    // [u0, u1] x [v0, v1] texels, or null where its rows are to be drawn
    // whole: the region looked at is that box and two texels more on every
    // side (rounding, bilinear taps), held to the texture, and samples reach
    // past an edge where the box goes more than half a texel beyond it; the
    // disc must also save (Saves). Positions past kMaxTexel, or not finite,
    // have none.
    const TexelDisc* Around(const TextureInfo& texture, double u0, double v0, double u1, double v1, uint64_t changes);
    static constexpr double kMaxTexel = 32768;

    // Drawings narrower than this many pixels lose too little to cutting to
    // pay for looking: a particle's.
    static constexpr double kWorthColumns = 32;

    // The same, found anew.
    static std::optional<TexelDisc> Measure(const TextureInfo& texture, const TexelRegion& region);

    // Whether cutting rows to `disc` saves more than it costs, for samples
    // spread over `wide` x `high` texels: where the disc leaves out enough
    // of them (a ball's picture filling its square leaves out too little).
    static bool Saves(const TexelDisc& disc, double wide, double high);
    static constexpr double kMostCovered = 0.92;

    // What is added to the farthest corner's distance: bilinear taps reach
    // a texel from samples up to half a texel outside it on each axis (a
    // texel on an edge held to from up to three quarters of a texel past
    // it), and the rows' steps drift from the plane by less than a quarter
    // texel.
    static constexpr double kMargin = 1.5;

private:
    struct Entry {
        TexelRegion region;
        std::optional<TexelDisc> disc;
    };
    // A texture drawn by many regions (a font's glyphs) starts over here.
    static constexpr size_t kMaxRegions = 64;
    // A deque keeps a disc handed out where it is while others are added,
    // and grows only as far as a texture's regions do.
    std::deque<Entry> mEntries;
    uint64_t mChanges = 0;
};

} // namespace Vorn::SWTri
