// The vector rows against the generic kernel, which the rules of
// TriangleRasterizer.h pin: for every texture layout the blitters and the 3D
// device hand the rasteriser, every sampling, way of laying, tint and order
// of channels, random pairs of triangles (quads, overlapping and apart, on
// canvases whose widths leave rows that end short of four pixels) draw the
// same pixels to the bit and leave the same pixels alone.

#include "framework/graphics/TriangleRasterizer.h"

#include "TriangleCanvas.h"
#include "TriangleTexture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

namespace SWTri = Vorn::SWTri;
using SWTri::Compose;
using Testing::Canvas;
using Testing::Generic;
using Testing::GenericOf;
using Testing::Texture;
using SWTri::Sampling;

// Two triangles: the two of a quad (strip order), or two apart that may
// overlap, with texture coordinates over and past the texture, now and then
// far past it.
std::array<SWTri::FixedVertex, 6> RandomPair(int canvasWidth, int canvasHeight, const Texture& t, bool quad,
    bool far, std::mt19937& random)
{
    std::uniform_real_distribution<double> across(-2, canvasWidth + 2);
    std::uniform_real_distribution<double> down(-2, canvasHeight + 2);
    std::uniform_real_distribution<double> texelsX(-3, t.width + 3);
    std::uniform_real_distribution<double> texelsY(-3, t.height + 3);
    std::uniform_real_distribution<double> huge(-30000, 30000);
    const auto corner = [&]() {
        SWTri::FixedVertex p;
        p.x = static_cast<int32_t>(std::clamp(across(random), 0.0, static_cast<double>(canvasWidth)) * 65536);
        p.y = static_cast<int32_t>(std::clamp(down(random), 0.0, static_cast<double>(canvasHeight)) * 65536);
        p.u = static_cast<int32_t>((far ? huge(random) : texelsX(random)) * 65536);
        p.v = static_cast<int32_t>((far ? huge(random) : texelsY(random)) * 65536);
        return p;
    };
    std::array<SWTri::FixedVertex, 6> v;
    if (quad) {
        // A parallelogram with its texture mapped affinely: 0, 1, 2 and the
        // strip's second triangle 1, 3, 2.
        SWTri::FixedVertex c[4] = {corner(), corner(), corner(), {}};
        c[3].x = std::clamp(c[1].x + c[2].x - c[0].x, 0, canvasWidth * 65536);
        c[3].y = std::clamp(c[1].y + c[2].y - c[0].y, 0, canvasHeight * 65536);
        c[3].u = c[1].u + c[2].u - c[0].u;
        c[3].v = c[1].v + c[2].v - c[0].v;
        v = {c[0], c[1], c[2], c[1], c[3], c[2]};
    } else {
        for (SWTri::FixedVertex& p : v)
            p = corner();
    }
    return v;
}

struct Tints {
    static constexpr std::array<SWTri::ColorInfo, 4> kAll = {SWTri::ColorInfo{255, 255, 255, 255},
        SWTri::ColorInfo{200, 90, 200, 255}, SWTri::ColorInfo{254, 255, 255, 255}, SWTri::ColorInfo{0, 0, 0, 0}};
};

template <typename Target, typename Fetch, Sampling Mode, Compose How>
void ExpectRowsAgree(const Fetch& fetch, const Texture& t, bool redLow, std::mt19937& random, const std::string& what)
{
    using Pixel = typename Target::Pixel;
    const int format = sizeof(Pixel) == 4 ? SWTri::kFormat888 : SWTri::kFormat565;
    // Rows ending a few pixels short of a multiple of four, a canvas
    // narrower than four, and drawings of more rows than the AVX2 rows take
    // at one entry (their queue fills and empties twice, then part way).
    for (const auto& [w, h] : {std::pair{21, 17}, std::pair{3, 9}, std::pair{32, 6}, std::pair{11, 75}})
        for (const SWTri::ColorInfo& tint : Tints::kAll)
            for (int n = 0; n < 6; ++n) {
                const auto v = RandomPair(w, h, t, n % 2 == 0, n == 5, random);
                Canvas<Pixel> fast(w, h, format, 0, redLow);
                fast.Randomize(random);
                Canvas<Pixel> generic(fast);
                SWTri::RasterizeTriangles<Target, Fetch, Mode, How, SWTri::Shading::Constant>(v.data(), 2, fast.dest,
                    fetch, tint);
                SWTri::RasterizeTriangles<Target, Generic<Fetch>, Mode, How, SWTri::Shading::Constant>(v.data(), 2,
                    generic.dest, GenericOf(fetch), tint);
                ASSERT_EQ(fast.pixels, generic.pixels)
                    << what << " canvas " << w << "x" << h << " tint " << tint.alpha << "," << tint.red << " case " << n;
            }
}

template <typename Target, typename Fetch>
void ExpectEveryKindAgrees(const Fetch& fetch, const Texture& t, bool redLow, std::mt19937& random,
    const std::string& what)
{
    ExpectRowsAgree<Target, Fetch, Sampling::Point, Compose::Over>(fetch, t, redLow, random, what + " point over");
    ExpectRowsAgree<Target, Fetch, Sampling::Point, Compose::Add>(fetch, t, redLow, random, what + " point add");
    ExpectRowsAgree<Target, Fetch, Sampling::Point, Compose::Store>(fetch, t, redLow, random, what + " point store");
    ExpectRowsAgree<Target, Fetch, Sampling::Bilinear, Compose::Over>(fetch, t, redLow, random, what + " linear over");
    ExpectRowsAgree<Target, Fetch, Sampling::Bilinear, Compose::Add>(fetch, t, redLow, random, what + " linear add");
    ExpectRowsAgree<Target, Fetch, Sampling::Bilinear, Compose::Store>(fetch, t, redLow, random,
        what + " linear store");
}

template <typename Target>
void ExpectEverySourceAgrees(bool redLow)
{
    std::mt19937 random(redLow ? 9001 : 9002);
    // One texel wide and high too: the bilinear rows read no pairs there.
    for (const auto& [w, h] : {std::pair{13, 11}, std::pair{1, 7}, std::pair{6, 1}, std::pair{64, 64}}) {
        const Texture t(w, h, random);
        const std::string size = std::to_string(w) + "x" + std::to_string(h) + " ";
        ExpectEveryKindAgrees<Target>(SWTri::ArgbFetch{t.argb.data(), w, h}, t, redLow, random, size + "argb");
        ExpectEveryKindAgrees<Target>(SWTri::PremultipliedFetch{{t.premultiplied.data(), w, h}}, t, redLow, random,
            size + "premultiplied");
        ExpectEveryKindAgrees<Target>(SWTri::PaletteFetch{t.table.data(), t.indices.data(), w, h}, t, redLow, random,
            size + "palette");
        ExpectEveryKindAgrees<Target>(
            SWTri::PremultipliedPaletteFetch{{t.premultipliedTable.data(), t.indices.data(), w, h}}, t, redLow,
            random, size + "premultiplied palette");
        ExpectEveryKindAgrees<Target>(SWTri::Rgb565Fetch{t.packed.data(), t.pitch16, w, h}, t, redLow, random,
            size + "565");
        ExpectEveryKindAgrees<Target>(SWTri::Argb4444Fetch{t.packed.data(), t.pitch16, w, h}, t, redLow, random,
            size + "4444");
        // Texels taken unweighted are only ever added (one / one).
        const SWTri::UnweightedFetch<SWTri::Argb4444Fetch> unweighted4444{{t.packed.data(), t.pitch16, w, h}};
        ExpectRowsAgree<Target, SWTri::UnweightedFetch<SWTri::Argb4444Fetch>, Sampling::Point, Compose::Add>(unweighted4444, t, redLow,
            random, size + "unweighted 4444 point");
        ExpectRowsAgree<Target, SWTri::UnweightedFetch<SWTri::Argb4444Fetch>, Sampling::Bilinear, Compose::Add>(unweighted4444, t, redLow,
            random, size + "unweighted 4444 linear");
    }
}

// Every test at each level of rows: the SSE2 rows, and the AVX2 rows where
// they take the SSE2 rows' place.
using TriangleSpanSse2 = Testing::AtRowLevel;
INSTANTIATE_TEST_SUITE_P(Levels, TriangleSpanSse2, ::testing::Values(SWTri::RowLevel::Sse2, SWTri::RowLevel::Avx2),
    Testing::RowLevelName);

TEST_P(TriangleSpanSse2, RowsOnWordsWithRedHighEqualTheGenericKernel)
{
    ExpectEverySourceAgrees<SWTri::Target888<false>>(false);
}

TEST_P(TriangleSpanSse2, RowsOnWordsWithRedLowEqualTheGenericKernel)
{
    ExpectEverySourceAgrees<SWTri::Target888<true>>(true);
}

TEST_P(TriangleSpanSse2, RowsOn565EqualTheGenericKernel)
{
    ExpectEverySourceAgrees<SWTri::Target16<6>>(false);
}

TEST_P(TriangleSpanSse2, RowsOn555EqualTheGenericKernel)
{
    ExpectEverySourceAgrees<SWTri::Target16<5>>(false);
}

// The two triangles of a pair walked down their rows together draw what
// they draw one after the other, where they meet, overlap or lie apart.
TEST(TriangleSpanSse2, PairsDrawWhatTheirTrianglesDrawInTurn)
{
    std::mt19937 random(515);
    const Texture t(9, 7, random);
    const Generic<SWTri::ArgbFetch> fetch = GenericOf(SWTri::ArgbFetch{t.argb.data(), 9, 7});
    for (int n = 0; n < 200; ++n) {
        const auto v = RandomPair(19, 15, t, n % 3 != 0, false, random);
        Canvas<uint32_t> pair(19, 15, SWTri::kFormat888, 0);
        pair.Randomize(random);
        Canvas<uint32_t> inTurn(pair);
        SWTri::RasterizeTriangles<SWTri::Target888<false>, Generic<SWTri::ArgbFetch>, Sampling::Bilinear, Compose::Over,
            SWTri::Shading::Constant>(v.data(), 2, pair.dest, fetch, SWTri::ColorInfo{});
        for (int k = 0; k < 2; ++k)
            SWTri::Rasterize<SWTri::Target888<false>, Generic<SWTri::ArgbFetch>, Sampling::Bilinear, Compose::Over,
                SWTri::Shading::Constant>(v.data() + 3 * k, inTurn.dest, fetch, SWTri::ColorInfo{});
        ASSERT_EQ(pair.pixels, inTurn.pixels) << "case " << n;
    }
}

} // namespace
