// The eight-pixel rows held to the generic kernel row by row: every length
// from none to five groups of eight, starting on odd columns, split between
// two triangles anywhere along the row, ending at the canvas's right edge or
// short of it, for each kind of row they draw, at each level of rows and
// each way of reading texels.

#include "framework/graphics/RowLevel.h"
#include "framework/graphics/TriangleRasterizer.h"

#include "TriangleCanvas.h"
#include "TriangleTexture.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <type_traits>

namespace {

namespace SWTri = Vorn::SWTri;
using SWTri::Compose;
using SWTri::Sampling;
using Testing::Canvas;
using Testing::Generic;
using Testing::GenericOf;
using Testing::Texture;

constexpr std::array<SWTri::ColorInfo, 3> kRowTints = {
    SWTri::ColorInfo{255, 255, 255, 255}, SWTri::ColorInfo{200, 90, 200, 255}, SWTri::ColorInfo{0, 0, 0, 0}};

// A triangle over the whole canvas whose corners lie at random places in
// and around the texture, now and then far past it.
std::array<SWTri::FixedVertex, 3> RowTriangle(int width, int height, const Texture& t, bool far, std::mt19937& random)
{
    std::uniform_real_distribution<double> texelsX(-3, t.width + 3);
    std::uniform_real_distribution<double> texelsY(-3, t.height + 3);
    std::uniform_real_distribution<double> huge(-30000, 30000);
    std::array<SWTri::FixedVertex, 3> v;
    v[1].x = 2 * (width + 1) * 65536;
    v[2].y = 2 * height * 65536;
    for (SWTri::FixedVertex& p : v) {
        p.u = static_cast<int32_t>((far ? huge(random) : texelsX(random)) * 65536);
        p.v = static_cast<int32_t>((far ? huge(random) : texelsY(random)) * 65536);
    }
    return v;
}

template <typename Target, typename Fetch, Sampling Mode, Compose How>
void ExpectEveryRowAgrees(const Fetch& fetch, const Texture& t, std::mt19937& random, const std::string& what)
{
    using Drawer = SWTri::TriangleDrawer<Target, Fetch, Mode, How, SWTri::Shading::Constant>;
    using Reference = SWTri::TriangleDrawer<Target, Generic<Fetch>, Mode, How, SWTri::Shading::Constant>;
    const Generic<Fetch> generic = GenericOf(fetch);
    constexpr bool kRedLow = std::is_same_v<Target, SWTri::Target888<true>>;
    constexpr int kHeight = 2;
    for (const SWTri::ColorInfo& tint : kRowTints)
        for (int length = 0; length <= 40; ++length)
            for (const int start : {0, 1, 3, 7})
                for (const int room : {0, 5, 8}) {
                    const int width = start + length + room;
                    const int end = start + length;
                    const int split = start + static_cast<int>(random() % static_cast<unsigned>(length + 1));
                    const bool far = random() % 8 == 0;
                    const auto left = RowTriangle(width, kHeight, t, far, random);
                    const auto right = RowTriangle(width, kHeight, t, far, random);
                    SWTri::TriangleScan leftScan;
                    SWTri::TriangleScan rightScan;
                    ASSERT_TRUE(leftScan.Setup(left.data(), width, kHeight));
                    ASSERT_TRUE(rightScan.Setup(right.data(), width, kHeight));
                    Canvas<uint32_t> fast(width, kHeight, SWTri::kFormat888, 0, kRedLow);
                    fast.Randomize(random);
                    Canvas<uint32_t> slow(fast);
                    const Drawer drawer(fast.dest, fetch, tint);
                    const Reference reference(slow.dest, generic, tint);
                    drawer.Joined(1, start, split, end, drawer.GradientsOf(leftScan), drawer.GradientsOf(rightScan));
                    reference.Joined(1, start, split, end, reference.GradientsOf(leftScan),
                        reference.GradientsOf(rightScan));
                    ASSERT_EQ(fast.pixels, slow.pixels) << what << " tint " << tint.alpha << "," << tint.red << " row ["
                                                        << start << ", " << end << ") split " << split << " of "
                                                        << width << (far ? " far" : "");
                }
}

template <typename Target, typename Fetch>
void ExpectEveryKindOfRowAgrees(const Fetch& fetch, const Texture& t, std::mt19937& random, const std::string& what)
{
    ExpectEveryRowAgrees<Target, Fetch, Sampling::Point, Compose::Over>(fetch, t, random, what + " point over");
    ExpectEveryRowAgrees<Target, Fetch, Sampling::Point, Compose::Add>(fetch, t, random, what + " point add");
    ExpectEveryRowAgrees<Target, Fetch, Sampling::Point, Compose::Store>(fetch, t, random, what + " point store");
    ExpectEveryRowAgrees<Target, Fetch, Sampling::Bilinear, Compose::Over>(fetch, t, random, what + " linear over");
    ExpectEveryRowAgrees<Target, Fetch, Sampling::Bilinear, Compose::Add>(fetch, t, random, what + " linear add");
    ExpectEveryRowAgrees<Target, Fetch, Sampling::Bilinear, Compose::Store>(fetch, t, random,
        what + " linear store");
}

template <typename Target>
void ExpectEveryRowOfEverySourceAgrees(unsigned seed)
{
    std::mt19937 random(seed);
    // One texel wide or high: no texel has a neighbour to be read with.
    for (const auto& [w, h] : {std::pair{13, 11}, std::pair{1, 7}, std::pair{5, 1}, std::pair{2, 2}}) {
        const Texture t(w, h, random);
        const std::string size = std::to_string(w) + "x" + std::to_string(h) + " ";
        ExpectEveryKindOfRowAgrees<Target>(SWTri::ArgbFetch{t.argb.data(), w, h}, t, random, size + "argb");
        ExpectEveryKindOfRowAgrees<Target>(SWTri::PremultipliedFetch{{t.premultiplied.data(), w, h}}, t, random,
            size + "premultiplied");
        ExpectEveryKindOfRowAgrees<Target>(SWTri::PaletteFetch{t.table.data(), t.indices.data(), w, h}, t, random,
            size + "palette");
        ExpectEveryKindOfRowAgrees<Target>(
            SWTri::PremultipliedPaletteFetch{{t.premultipliedTable.data(), t.indices.data(), w, h}}, t, random,
            size + "premultiplied palette");
        // Bilinear rows read their taps from the edged words where there
        // are some; nothing else does.
        const auto edged = SWTri::EdgedWords(t.argb.data(), w, h);
        const auto edgedPremultiplied = SWTri::EdgedWords(t.premultiplied.data(), w, h);
        ExpectEveryKindOfRowAgrees<Target>(SWTri::ArgbFetch{t.argb.data(), w, h, edged.get()}, t, random,
            size + "edged argb");
        ExpectEveryKindOfRowAgrees<Target>(
            SWTri::PremultipliedFetch{{t.premultiplied.data(), w, h, edgedPremultiplied.get()}}, t, random,
            size + "edged premultiplied");
    }
}

using TriangleSpanAvx2 = Testing::AtRows;
INSTANTIATE_TEST_SUITE_P(Levels, TriangleSpanAvx2, Testing::kEveryRows, Testing::RowsName);

TEST_P(TriangleSpanAvx2, RowsOfEveryLengthWithRedHighEqualTheGenericKernel)
{
    ExpectEveryRowOfEverySourceAgrees<SWTri::Target888<false>>(4401);
}

TEST_P(TriangleSpanAvx2, RowsOfEveryLengthWithRedLowEqualTheGenericKernel)
{
    ExpectEveryRowOfEverySourceAgrees<SWTri::Target888<true>>(4402);
}

// The indices of an image starting at every alignment, the image ending
// where its memory does: every index is read where it lies, the last one
// too, and nothing past it.
TEST_P(TriangleSpanAvx2, PaletteRowsReadTheLastIndexAtEveryAlignment)
{
    std::mt19937 random(4403);
    const Texture t(7, 3, random);
    for (size_t shift = 0; shift < 4; ++shift) {
        std::vector<uint8_t> indices(shift + t.indices.size());
        std::copy(t.indices.begin(), t.indices.end(), indices.begin() + static_cast<ptrdiff_t>(shift));
        const SWTri::PremultipliedPaletteFetch fetch{{t.premultipliedTable.data(), indices.data() + shift, 7, 3}};
        ExpectEveryRowAgrees<SWTri::Target888<false>, SWTri::PremultipliedPaletteFetch, Sampling::Point,
            Compose::Over>(fetch, t, random, "shift " + std::to_string(shift));
        ExpectEveryRowAgrees<SWTri::Target888<false>, SWTri::PremultipliedPaletteFetch, Sampling::Bilinear,
            Compose::Add>(fetch, t, random, "shift " + std::to_string(shift));
    }
}

// A row whose texture position starts at `u`, `v` in column 0 and moves by
// `du`, `dv` a column, as a triangle's planes give it.
SWTri::Gradients LineGradients(uint32_t u, uint32_t v, uint32_t du, uint32_t dv)
{
    SWTri::Gradients g;
    g.u.base = int64_t{static_cast<int32_t>(u)} * 65536;
    g.u.dx = int64_t{static_cast<int32_t>(du)} * 65536;
    g.v.base = int64_t{static_cast<int32_t>(v)} * 65536;
    g.v.dx = int64_t{static_cast<int32_t>(dv)} * 65536;
    g.steps = SWTri::Walk::Steps(du, dv);
    return g;
}

struct LimitWalk {
    uint32_t u;
    uint32_t v;
    uint32_t du;
    uint32_t dv;
};

// Positions at the ends of 32 bits (whole parts of -32768 and 32767, and
// steps that wrap from one to the other), just outside and inside the
// texture's first and last texels, and one texel a column across textures
// wider and higher than a byte counts.
constexpr std::array<LimitWalk, 9> kLimitWalks = {{
    {0x80000000u, 0x80000000u, 0x2000u, 0x1000u},
    {0x7FFF0000u, 0x7FFFFFFFu, 0x30000u, 0x10000u},
    {0xFFFFFFFFu, 0u, 1u, 0xFFFFFFFFu},
    {0x00000000u, 0x0000FFFFu, 0x10000u, 0x10000u},
    {0u, 0x8000u, 0x10000u, 0x100u},
    {0x00FF8000u, 0x0u, 0xFFFF0000u, 0x2000u},
    {0x0u, 0x012B0000u, 0x8000u, 0xFFFFC000u},
    {0x7FFF8000u, 0x8000u, 0x10000000u, 0xF0000000u},
    {0x01230000u, 0x00020000u, 0xFFFFFFFFu, 0x10001u},
}};

// No tint, each channel alone one short of none (a factor of 255 of 256),
// and a tint to nothing.
constexpr std::array<SWTri::ColorInfo, 6> kLimitTints = {SWTri::ColorInfo{255, 255, 255, 255},
    SWTri::ColorInfo{254, 255, 255, 255}, SWTri::ColorInfo{255, 254, 255, 255}, SWTri::ColorInfo{255, 255, 254, 255},
    SWTri::ColorInfo{255, 255, 255, 254}, SWTri::ColorInfo{0, 0, 0, 0}};

// Rows along one texture row, as an unturned sprite's are, which the point
// rows read through a window of sixteen words: a texel a column from the
// first word, from texels before the left edge and past the right, just
// under, at and just over two texels a column, backwards by one and by two,
// rows above the first and below the last (held to them), half a texel and
// no step at all. One row steps down too: a group that straddles it and a
// flat part reads texels of two rows.
constexpr std::array<LimitWalk, 12> kFlatWalks = {{
    {0u, 0u, 0x10000u, 0u},
    {0xFFFD0000u, 0x10000u, 0x10000u, 0u},
    {0x00008000u, 0x20000u, 0x1FFFFu, 0u},
    {0x00008000u, 0x20000u, 0x20000u, 0u},
    {0x00008000u, 0x10000u, 0x20001u, 0u},
    {0x01000000u, 0x10000u, 0xFFFF0000u, 0u},
    {0x01000000u, 0x20000u, 0xFFFE0000u, 0u},
    {0x00050000u, 0xFFFF0000u, 0x8000u, 0u},
    {0x00050000u, 0x7FFF0000u, 0x14000u, 0u},
    {0x012A0000u, 0x00020000u, 0x18000u, 0u},
    {0x00030000u, 0x00010000u, 0u, 0u},
    {0x00010000u, 0x00010000u, 0x10000u, 0x4000u},
}};

// Flat rows at a window's bounds: two parts a texture row apart and not
// moving (a group's offsets two values sixteen words apart, which no window
// holds), and a row whose first group starts a texel into a texture of
// sixteen words (a window there would reach a word past it).
constexpr std::array<LimitWalk, 4> kFlatBoundWalks = {{
    {0x00030000u, 0u, 0u, 0u},
    {0xFFFE0000u, 0u, 0x10000u, 0u},
    {0x000A0000u, 0u, 0x10000u, 0u},
    {0x00030000u, 0x00010000u, 0u, 0u},
}};

template <typename Target, typename Fetch, Sampling Mode, Compose How, size_t N = kLimitWalks.size()>
void ExpectLimitRowsAgree(const Fetch& fetch, std::mt19937& random, const std::string& what,
    const std::array<LimitWalk, N>& walks = kLimitWalks)
{
    using Drawer = SWTri::TriangleDrawer<Target, Fetch, Mode, How, SWTri::Shading::Constant>;
    using Reference = SWTri::TriangleDrawer<Target, Generic<Fetch>, Mode, How, SWTri::Shading::Constant>;
    const Generic<Fetch> generic = GenericOf(fetch);
    constexpr int kWidth = 45;
    for (const LimitWalk& left : walks)
        for (const SWTri::ColorInfo& tint : kLimitTints)
            for (const int split : {3, 20, 40}) {
                // The far part of the row walks the table backwards.
                const LimitWalk& right = walks[walks.size() - 1 - static_cast<size_t>(&left - walks.data())];
                const SWTri::Gradients l = LineGradients(left.u, left.v, left.du, left.dv);
                const SWTri::Gradients r = LineGradients(right.u, right.v, right.du, right.dv);
                Canvas<uint32_t> fast(kWidth, 1, SWTri::kFormat888, 0, std::is_same_v<Target, SWTri::Target888<true>>);
                fast.Randomize(random);
                Canvas<uint32_t> slow(fast);
                Drawer(fast.dest, fetch, tint).Joined(0, 3, split, 40, l, r);
                Reference(slow.dest, generic, tint).Joined(0, 3, split, 40, l, r);
                ASSERT_EQ(fast.pixels, slow.pixels) << what << " walk " << (&left - walks.data()) << " tint "
                                                    << tint.alpha << "," << tint.red << "," << tint.green << ","
                                                    << tint.blue << " split " << split;
            }
}

TEST_P(TriangleSpanAvx2, RowsWalkingToTheLimitsOfTheirPositionsEqualTheGenericKernel)
{
    std::mt19937 random(4404);
    for (const auto& [w, h] : {std::pair{300, 3}, std::pair{3, 300}, std::pair{1, 7}, std::pair{5, 1}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const Texture t(w, h, random);
        const SWTri::PremultipliedFetch premultiplied{{t.premultiplied.data(), w, h}};
        const SWTri::PremultipliedPaletteFetch palette{{t.premultipliedTable.data(), t.indices.data(), w, h}};
        const SWTri::ArgbFetch argb{t.argb.data(), w, h};
        using Red = SWTri::Target888<false>;
        ExpectLimitRowsAgree<Red, SWTri::PremultipliedFetch, Sampling::Point, Compose::Over>(premultiplied, random,
            "premultiplied point over");
        ExpectLimitRowsAgree<Red, SWTri::PremultipliedFetch, Sampling::Point, Compose::Add>(premultiplied, random,
            "premultiplied point add");
        ExpectLimitRowsAgree<Red, SWTri::PremultipliedFetch, Sampling::Bilinear, Compose::Over>(premultiplied,
            random, "premultiplied linear over");
        ExpectLimitRowsAgree<Red, SWTri::PremultipliedPaletteFetch, Sampling::Point, Compose::Over>(palette, random,
            "palette point over");
        ExpectLimitRowsAgree<SWTri::Target888<true>, SWTri::ArgbFetch, Sampling::Point, Compose::Store>(argb, random,
            "argb point store");
        ExpectLimitRowsAgree<SWTri::Target888<true>, SWTri::ArgbFetch, Sampling::Bilinear, Compose::Add>(argb, random,
            "argb linear add");
        const auto edged = SWTri::EdgedWords(t.argb.data(), w, h);
        const auto edgedPremultiplied = SWTri::EdgedWords(t.premultiplied.data(), w, h);
        ExpectLimitRowsAgree<Red, SWTri::PremultipliedFetch, Sampling::Bilinear, Compose::Over>(
            SWTri::PremultipliedFetch{{t.premultiplied.data(), w, h, edgedPremultiplied.get()}}, random,
            "edged premultiplied linear over");
        ExpectLimitRowsAgree<SWTri::Target888<true>, SWTri::ArgbFetch, Sampling::Bilinear, Compose::Store>(
            SWTri::ArgbFetch{t.argb.data(), w, h, edged.get()}, random, "edged argb linear store");
    }
}

// Textures as long as a window and one longer, whose last row's windows
// would reach past them, a row shorter than a window, and a single column
// (every texel of a flat row the same). Each held in memory of its own size,
// so that a window read past it is seen by the address checks.
TEST_P(TriangleSpanAvx2, FlatRowsEqualTheGenericKernel)
{
    std::mt19937 random(4405);
    for (const auto& [w, h] : {std::pair{300, 3}, std::pair{16, 1}, std::pair{17, 2}, std::pair{5, 1},
             std::pair{1, 20}, std::pair{40, 40}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const Texture t(w, h, random);
        const SWTri::PremultipliedFetch premultiplied{{t.premultiplied.data(), w, h}};
        const SWTri::ArgbFetch argb{t.argb.data(), w, h};
        using Red = SWTri::Target888<false>;
        using Blue = SWTri::Target888<true>;
        ExpectLimitRowsAgree<Red, SWTri::PremultipliedFetch, Sampling::Point, Compose::Over>(premultiplied, random,
            "premultiplied point over", kFlatWalks);
        ExpectLimitRowsAgree<Red, SWTri::PremultipliedFetch, Sampling::Point, Compose::Add>(premultiplied, random,
            "premultiplied point add", kFlatWalks);
        ExpectLimitRowsAgree<Blue, SWTri::ArgbFetch, Sampling::Point, Compose::Store>(argb, random,
            "argb point store", kFlatWalks);
        ExpectLimitRowsAgree<Red, SWTri::ArgbFetch, Sampling::Point, Compose::Over>(argb, random, "argb point over",
            kFlatWalks);
    }
    for (const auto& [w, h] : {std::pair{16, 2}, std::pair{16, 1}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " at the bounds");
        const Texture t(w, h, random);
        ExpectLimitRowsAgree<SWTri::Target888<false>, SWTri::PremultipliedFetch, Sampling::Point, Compose::Over>(
            SWTri::PremultipliedFetch{{t.premultiplied.data(), w, h}}, random, "premultiplied point over",
            kFlatBoundWalks);
    }
}

TEST(RowLevel, AvxRowsAreSupportedExactlyWhereTheProcessorHasAvx2)
{
    __builtin_cpu_init();
    EXPECT_EQ(SWTri::RowLevelSupported(SWTri::RowLevel::Avx2), __builtin_cpu_supports("avx2") != 0);
    EXPECT_TRUE(SWTri::RowLevelSupported(SWTri::RowLevel::Sse2));
}

TEST(RowLevel, TheLevelSetIsTheLevelDrawnWithAndAnUnsupportedOneChangesNothing)
{
    const SWTri::RowLevel before = SWTri::CurrentRowLevel();
    EXPECT_TRUE(SWTri::SetRowLevel(SWTri::RowLevel::Sse2));
    EXPECT_EQ(SWTri::CurrentRowLevel(), SWTri::RowLevel::Sse2);
    const bool wide = SWTri::RowLevelSupported(SWTri::RowLevel::Avx2);
    EXPECT_EQ(SWTri::SetRowLevel(SWTri::RowLevel::Avx2), wide);
    EXPECT_EQ(SWTri::CurrentRowLevel(), wide ? SWTri::RowLevel::Avx2 : SWTri::RowLevel::Sse2);
    SWTri::SetRowLevel(before);
}

// A processor that has AVX2 draws with it from the start.
TEST(RowLevel, TheWidestSupportedLevelIsChosenAtStartUp)
{
    EXPECT_EQ(SWTri::CurrentRowLevel(),
        SWTri::RowLevelSupported(SWTri::RowLevel::Avx2) ? SWTri::RowLevel::Avx2 : SWTri::RowLevel::Sse2);
}

} // namespace

// The reads are measured once, by the first drawing that asks for them,
// and kept: either way, never left unmeasured. Without AVX2 rows there is
// nothing to choose.
TEST(TexelReads, TheFirstDrawingMeasuresThemOnceAndKeepsTheChoice)
{
    const SWTri::TexelReads before = SWTri::gTexelReads.load();
    const SWTri::RowLevel level = SWTri::CurrentRowLevel();
    SWTri::SetTexelReads(SWTri::TexelReads::Unmeasured);
    std::mt19937 random(4406);
    const Texture t(9, 9, random);
    const SWTri::PremultipliedFetch fetch{{t.premultiplied.data(), 9, 9}};
    Canvas<uint32_t> canvas(16, 2, SWTri::kFormat888, 0, false);
    const SWTri::TriangleDrawer<SWTri::Target888<false>, SWTri::PremultipliedFetch, Sampling::Point, Compose::Over,
        SWTri::Shading::Constant>
        drawer(canvas.dest, fetch, {255, 255, 255, 255});
    const SWTri::TexelReads chosen = SWTri::gTexelReads.load();
    if (SWTri::RowLevelSupported(SWTri::RowLevel::Avx2) && level == SWTri::RowLevel::Avx2) {
        EXPECT_TRUE(chosen == SWTri::TexelReads::Loads || chosen == SWTri::TexelReads::Gather);
        EXPECT_EQ(SWTri::CurrentTexelReads(), chosen);
    }
    SWTri::SetRowLevel(SWTri::RowLevel::Sse2);
    SWTri::SetTexelReads(SWTri::TexelReads::Unmeasured);
    const SWTri::TriangleDrawer<SWTri::Target888<false>, SWTri::PremultipliedFetch, Sampling::Point, Compose::Over,
        SWTri::Shading::Constant>
        narrow(canvas.dest, fetch, {255, 255, 255, 255});
    EXPECT_EQ(SWTri::gTexelReads.load(), SWTri::TexelReads::Unmeasured) << "SSE2 rows measured reads they never use";
    EXPECT_NE(SWTri::MeasureTexelReads(), SWTri::TexelReads::Unmeasured);
    if (!SWTri::RowLevelSupported(SWTri::RowLevel::Avx2)) {
        EXPECT_EQ(SWTri::gTexelReads.load(), SWTri::TexelReads::Loads);
    }
    SWTri::SetRowLevel(level);
    SWTri::SetTexelReads(before);
}
