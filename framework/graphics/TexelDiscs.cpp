#include "framework/graphics/TexelDiscs.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

namespace Vorn::SWTri {

namespace {

// `visible(i)` tells whether texel i samples to something.
template <typename Visible>
std::optional<TexelDisc> DiscOf(const TextureInfo& texture, const TexelRegion& region, Visible visible)
{
    const auto at = [&](int x, int y) {
        return static_cast<size_t>(y) * static_cast<size_t>(texture.width) + static_cast<size_t>(x);
    };
    bool any = false;
    TexelRegion box;
    for (int y = region.y0; y <= region.y1; ++y) {
        for (int x = region.x0; x <= region.x1; ++x) {
            if (!visible(at(x, y)))
                continue;
            box = any ? TexelRegion{std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x), y}
                      : TexelRegion{x, y, x, y};
            any = true;
        }
    }
    if (!any)
        return TexelDisc{0, 0, -1};
    if ((box.x0 == 0 && region.pastLeft) || (box.y0 == 0 && region.pastTop) ||
        (box.x1 == texture.width - 1 && region.pastRight) || (box.y1 == texture.height - 1 && region.pastBottom))
        return std::nullopt;
    const double u = (box.x0 + box.x1 + 1) / 2.0;
    const double v = (box.y0 + box.y1 + 1) / 2.0;
    // A texel's farthest point from the centre is one of its corners.
    const auto farther = [](int from, double centre) {
        const double near = from - centre;
        const double far = from + 1 - centre;
        return std::max(near * near, far * far);
    };
    double farthest = 0;
    for (int y = box.y0; y <= box.y1; ++y) {
        const double dy = farther(y, v);
        for (int x = box.x0; x <= box.x1; ++x) {
            if (visible(at(x, y)))
                farthest = std::max(farthest, farther(x, u) + dy);
        }
    }
    return TexelDisc{u, v, std::sqrt(farthest) + TexelDiscs::kMargin};
}

} // namespace

std::optional<TexelDisc> TexelDiscs::Measure(const TextureInfo& texture, const TexelRegion& region)
{
    if (region.x0 < 0 || region.y0 < 0 || region.x1 >= texture.width || region.y1 >= texture.height ||
        region.x0 > region.x1 || region.y0 > region.y1)
        return std::nullopt;
    // Premultiplied words are nothing only at 0 (an alpha of 0 with colour
    // still adds it); straight ones at an alpha of 0.
    if (texture.premultiplied) {
        const uint32_t* words = texture.premultiplied;
        return DiscOf(texture, region, [words](size_t i) { return words[i] != 0; });
    }
    if (texture.palette && texture.indices) {
        const uint32_t* table = texture.palette;
        const uint8_t* indices = texture.indices;
        const uint32_t mask = texture.palettePremultiplied ? 0xFFFFFFFFu : 0xFF000000u;
        return DiscOf(texture, region, [=](size_t i) { return (table[indices[i]] & mask) != 0; });
    }
    if (texture.bits) {
        const uint32_t* bits = texture.bits;
        return DiscOf(texture, region, [bits](size_t i) { return bits[i] >> 24 != 0; });
    }
    return std::nullopt;
}

bool TexelDiscs::Saves(const TexelDisc& disc, double wide, double high)
{
    return disc.radius < 0 || std::numbers::pi * disc.radius * disc.radius <= kMostCovered * wide * high;
}

const TexelDisc* TexelDiscs::Around(const TextureInfo& texture, double u0, double v0, double u1, double v1,
    uint64_t changes)
{
    // Also false for NaN.
    const auto within = [](double at) { return std::fabs(at) <= kMaxTexel; };
    if (!(within(u0) && within(v0) && within(u1) && within(v1)) || texture.width <= 0 || texture.height <= 0)
        return nullptr;
    // Truncation is the floor from 0 on, and anything before 0 is held to
    // it either way.
    const auto held = [](double at, int last) { return std::clamp(static_cast<int>(at), 0, last); };
    const TexelRegion region{held(u0 - 2, texture.width - 1), held(v0 - 2, texture.height - 1),
        held(u1 + 2, texture.width - 1), held(v1 + 2, texture.height - 1), u0 < -0.5, v0 < -0.5,
        u1 > texture.width + 0.5, v1 > texture.height + 0.5};
    const TexelDisc* disc = Of(texture, region, changes);
    return disc && Saves(*disc, u1 - u0, v1 - v0) ? disc : nullptr;
}

const TexelDisc* TexelDiscs::Of(const TextureInfo& texture, const TexelRegion& region, uint64_t changes)
{
    if (changes != mChanges) {
        mEntries.clear();
        mChanges = changes;
    }
    auto found = std::find_if(mEntries.begin(), mEntries.end(), [&](const Entry& e) { return e.region == region; });
    if (found == mEntries.end()) {
        if (mEntries.size() >= kMaxRegions)
            mEntries.clear();
        mEntries.push_back({region, Measure(texture, region)});
        found = mEntries.end() - 1;
    }
    return found->disc ? &*found->disc : nullptr;
}

} // namespace Vorn::SWTri
