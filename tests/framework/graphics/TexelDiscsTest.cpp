// Rows cut short to where a sprite's picture is: the disc found for a
// region of texels, the columns a row keeps of it, and drawings that are
// the same to the bit with and without the cut.

#include "framework/graphics/RowLevel.h"
#include "framework/graphics/SWTri.h"
#include "framework/graphics/TexelDiscs.h"
#include "framework/graphics/TriangleRasterizer.h"

#include "TriangleCanvas.h"
#include "TriangleTexture.h"
#include "fakes/DisplayApp.h"
#include "framework/graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

namespace SWTri = Vorn::SWTri;
using SWTri::Compose;
using SWTri::Sampling;
using SWTri::TexelDisc;
using SWTri::TexelDiscs;
using SWTri::TexelRegion;
using Testing::Canvas;

enum class Form { Straight, Premultiplied, Palette, PremultipliedPalette, NoWords };

struct Texel {
    int x;
    int y;
    uint32_t word;
};

// 8 x 8 texels, all 0 but `texels`, in one form.
struct Words {
    Words(Form form, const std::vector<Texel>& texels) : words(64, 0), indices(64, 0)
    {
        table.fill(0);
        for (size_t i = 0; i < texels.size(); ++i) {
            const Texel& t = texels[i];
            words[static_cast<size_t>(t.y * 8 + t.x)] = t.word;
            indices[static_cast<size_t>(t.y * 8 + t.x)] = static_cast<uint8_t>(i + 1);
            table[i + 1] = t.word;
        }
        info.width = 8;
        info.height = 8;
        if (form == Form::Straight)
            info.bits = words.data();
        else if (form == Form::Premultiplied)
            info.premultiplied = words.data();
        if (form == Form::Palette || form == Form::PremultipliedPalette) {
            info.palette = table.data();
            info.indices = indices.data();
            info.palettePremultiplied = form == Form::PremultipliedPalette;
        }
    }
    std::vector<uint32_t> words;
    std::vector<uint8_t> indices;
    std::array<uint32_t, 256> table{};
    SWTri::TextureInfo info;
};

constexpr TexelRegion kAll{0, 0, 7, 7};
constexpr double kMargin = TexelDiscs::kMargin;

struct MeasureCase {
    const char* name;
    Form form;
    std::vector<Texel> texels;
    TexelRegion region;
    // Null: no disc; a radius below 0: nothing to sample.
    std::optional<TexelDisc> expected;
};

void PrintTo(const MeasureCase& c, std::ostream* os)
{
    *os << c.name;
}

class TexelDiscMeasure : public testing::TestWithParam<MeasureCase> {};

TEST_P(TexelDiscMeasure, FindsTheDiscOfTheTexelsThatAreSomething)
{
    const MeasureCase& c = GetParam();
    const Words w(c.form, c.texels);
    const std::optional<TexelDisc> disc = TexelDiscs::Measure(w.info, c.region);
    ASSERT_EQ(disc.has_value(), c.expected.has_value());
    if (!disc)
        return;
    if (c.expected->radius < 0) {
        EXPECT_LT(disc->radius, 0);
        return;
    }
    EXPECT_DOUBLE_EQ(disc->u, c.expected->u);
    EXPECT_DOUBLE_EQ(disc->v, c.expected->v);
    EXPECT_DOUBLE_EQ(disc->radius, c.expected->radius);
}

INSTANTIATE_TEST_SUITE_P(Regions, TexelDiscMeasure,
    testing::Values(
        // Its farthest corner is half a diagonal from its centre.
        MeasureCase{"oneTexel", Form::Straight, {{2, 3, 0xFF102030}}, kAll, TexelDisc{2.5, 3.5, std::sqrt(0.5) + kMargin}},
        // The box from (2, 2) to (6, 5) centred at (4, 3.5); both texels'
        // far corners lie 2 and 1.5 from it.
        MeasureCase{"twoTexels", Form::Premultiplied, {{2, 2, 0x80402010}, {5, 4, 0x01000000}}, kAll,
            TexelDisc{4, 3.5, 2.5 + kMargin}},
        // The box's corners hold nothing: they are not reached for.
        MeasureCase{"aCross", Form::Straight,
            {{4, 1, 0xFF000000}, {1, 4, 0xFF000000}, {4, 6, 0xFF000000}, {6, 4, 0xFF000000}}, kAll,
            TexelDisc{4, 4, std::sqrt(10.0) + kMargin}},
        MeasureCase{"nothing", Form::Straight, {}, kAll, TexelDisc{0, 0, -1}},
        MeasureCase{"leastAlpha", Form::Straight, {{3, 4, 0x01000000}}, kAll,
            TexelDisc{3.5, 4.5, std::sqrt(0.5) + kMargin}},
        MeasureCase{"oneColumn", Form::Straight, {{3, 4, 0xFF000000}, {4, 4, 0xFF000000}}, TexelRegion{3, 1, 3, 6},
            TexelDisc{3.5, 4.5, std::sqrt(0.5) + kMargin}},
        MeasureCase{"oneRow", Form::Straight, {{3, 4, 0xFF000000}, {3, 5, 0xFF000000}}, TexelRegion{1, 4, 6, 4},
            TexelDisc{3.5, 4.5, std::sqrt(0.5) + kMargin}},
        // Straight, no alpha is nothing whatever the colour; premultiplied,
        // the colour is added.
        MeasureCase{"straightColourWithoutAlpha", Form::Straight, {{3, 3, 0x00FFFFFF}}, kAll, TexelDisc{0, 0, -1}},
        MeasureCase{"premultipliedColourWithoutAlpha", Form::Premultiplied, {{3, 3, 0x00FFFFFF}}, kAll,
            TexelDisc{3.5, 3.5, std::sqrt(0.5) + kMargin}},
        MeasureCase{"paletteColourWithoutAlpha", Form::Palette, {{3, 3, 0x00FFFFFF}, {5, 5, 0x01000000}}, kAll,
            TexelDisc{5.5, 5.5, std::sqrt(0.5) + kMargin}},
        MeasureCase{"premultipliedPaletteColourWithoutAlpha", Form::PremultipliedPalette,
            {{3, 3, 0x00FFFFFF}, {5, 5, 0x01000000}}, kAll, TexelDisc{4.5, 4.5, std::sqrt(2 * 1.5 * 1.5) + kMargin}},
        // Samples past an edge read the texel on it.
        MeasureCase{"onTheLeftEdge", Form::Straight, {{0, 3, 0xFF000000}}, kAll, std::nullopt},
        MeasureCase{"onTheRightEdge", Form::Straight, {{7, 3, 0xFF000000}}, kAll, std::nullopt},
        MeasureCase{"onTheTopEdge", Form::Straight, {{3, 0, 0xFF000000}}, kAll, std::nullopt},
        MeasureCase{"onTheBottomEdge", Form::Straight, {{3, 7, 0xFF000000}}, kAll, std::nullopt},
        // Samples less than half a texel past an edge: its texels count
        // as any other.
        MeasureCase{"onEdgesNotReachedPast", Form::Straight, {{0, 3, 0xFF000000}, {7, 3, 0xFF000000}},
            TexelRegion{0, 0, 7, 7, false, true, false, true}, TexelDisc{4, 3.5, std::sqrt(16.25) + kMargin}},
        MeasureCase{"onTheTopAndBottomNotReachedPast", Form::Straight, {{3, 0, 0xFF000000}, {3, 7, 0xFF000000}},
            TexelRegion{0, 0, 7, 7, true, false, true, false}, TexelDisc{3.5, 4, std::sqrt(16.25) + kMargin}},
        MeasureCase{"onTheLeftReachedPast", Form::Straight, {{0, 3, 0xFF000000}},
            TexelRegion{0, 0, 7, 7, true, false, false, false}, std::nullopt},
        MeasureCase{"onTheTopReachedPast", Form::Straight, {{3, 0, 0xFF000000}},
            TexelRegion{0, 0, 7, 7, false, true, false, false}, std::nullopt},
        MeasureCase{"onTheRightReachedPast", Form::Straight, {{7, 3, 0xFF000000}},
            TexelRegion{0, 0, 7, 7, false, false, true, false}, std::nullopt},
        MeasureCase{"onTheBottomReachedPast", Form::Straight, {{3, 7, 0xFF000000}},
            TexelRegion{0, 0, 7, 7, false, false, false, true}, std::nullopt},
        // A cel beside it is not looked at.
        MeasureCase{"edgeOutsideTheRegion", Form::Straight, {{0, 3, 0xFF000000}, {4, 4, 0xFF000000}},
            TexelRegion{2, 2, 7, 6}, TexelDisc{4.5, 4.5, std::sqrt(0.5) + kMargin}},
        MeasureCase{"onlyOutsideTheRegion", Form::Straight, {{1, 1, 0xFF000000}}, TexelRegion{3, 3, 6, 6},
            TexelDisc{0, 0, -1}},
        MeasureCase{"regionPastTheTexture", Form::Straight, {{3, 3, 0xFF000000}}, TexelRegion{0, 0, 8, 7},
            std::nullopt},
        MeasureCase{"regionBeforeTheTexture", Form::Straight, {{3, 3, 0xFF000000}}, TexelRegion{-1, 0, 7, 7},
            std::nullopt},
        MeasureCase{"regionTurnedOver", Form::Straight, {{3, 3, 0xFF000000}}, TexelRegion{5, 0, 4, 7},
            std::nullopt},
        MeasureCase{"noWords", Form::NoWords, {{3, 3, 0xFF000000}}, kAll, std::nullopt}),
    [](const testing::TestParamInfo<MeasureCase>& info) { return std::string(info.param.name); });

TEST(TexelDiscs, KeepsEachRegionsDiscUntilThePixelsChange)
{
    Words w(Form::Straight, {{3, 3, 0xFF000000}});
    TexelDiscs discs;
    const TexelDisc* first = discs.Of(w.info, kAll, 0);
    ASSERT_NE(first, nullptr);
    w.words[static_cast<size_t>(5 * 8 + 5)] = 0xFF000000;
    // The same count: the disc found before.
    EXPECT_EQ(discs.Of(w.info, kAll, 0), first);
    EXPECT_DOUBLE_EQ(discs.Of(w.info, kAll, 0)->u, 3.5);
    const TexelDisc* second = discs.Of(w.info, kAll, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_DOUBLE_EQ(second->u, 4.5);
    w.words[static_cast<size_t>(5 * 8 + 0)] = 0xFF000000;
    EXPECT_EQ(discs.Of(w.info, kAll, 2), nullptr);
    // Discs handed out stay where they are while more regions are added,
    // up to the most the list keeps.
    TexelDiscs fresh;
    std::vector<const TexelDisc*> kept;
    const auto regionOf = [](int i) { return TexelRegion{1 + i % 3, 1 + i / 3 % 3, 5 + i / 9 % 3, 5 + i / 27 % 3}; };
    for (int i = 0; i < 64; ++i)
        kept.push_back(fresh.Of(w.info, regionOf(i), 2));
    for (int i = 0; i < 64; ++i) {
        ASSERT_NE(kept[static_cast<size_t>(i)], nullptr) << i;
        EXPECT_DOUBLE_EQ(kept[static_cast<size_t>(i)]->u, 4.5) << i;
        EXPECT_EQ(fresh.Of(w.info, regionOf(i), 2), kept[static_cast<size_t>(i)]) << i;
    }
    // Many regions: each still its own, the list starting over when full.
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 100; ++i) {
            const TexelRegion region{1 + i % 3, 1 + i / 3 % 3, 5 + i / 9 % 3, 5 + i / 27 % 3};
            const TexelDisc* disc = discs.Of(w.info, region, 2);
            ASSERT_NE(disc, nullptr) << i;
            EXPECT_DOUBLE_EQ(disc->u, 4.5) << i;
        }
}

TEST(TexelDiscs, SaveWhereTheyLeaveOutEnoughOfTheSamples)
{
    // 92 of 100 texels: a radius of sqrt(92 / pi) = 5.4115.
    EXPECT_TRUE(TexelDiscs::Saves({5, 5, 5.411}, 10, 10));
    EXPECT_FALSE(TexelDiscs::Saves({5, 5, 5.412}, 10, 10));
    EXPECT_TRUE(TexelDiscs::Saves({5, 5, 5.411}, 20, 5));
    EXPECT_FALSE(TexelDiscs::Saves({5, 5, 5.412}, 5, 20));
    // A ball's picture filling its square of 64 texels, the margin added.
    EXPECT_TRUE(TexelDiscs::Saves({32, 32, 32 + TexelDiscs::kMargin}, 64, 64));
    // Nothing to sample: nothing to draw.
    EXPECT_TRUE(TexelDiscs::Saves({0, 0, -1}, 1, 1));
}

struct AroundCase {
    const char* name;
    // One visible texel of the 8 x 8 picture.
    Texel texel;
    double u0;
    double v0;
    double u1;
    double v1;
    // No disc; else whether it is the texel's or holds nothing.
    bool none;
    bool found;
};

void PrintTo(const AroundCase& c, std::ostream* os)
{
    *os << c.name;
}

class TexelDiscsAround : public testing::TestWithParam<AroundCase> {};

TEST_P(TexelDiscsAround, LookTwoTexelsPastTheBoxAndAtTheEdgesItReachesPast)
{
    const AroundCase& c = GetParam();
    Words w(Form::Premultiplied, {c.texel});
    TexelDiscs discs;
    const TexelDisc* disc = discs.Around(w.info, c.u0, c.v0, c.u1, c.v1, 0);
    if (c.none) {
        EXPECT_EQ(disc, nullptr);
        return;
    }
    ASSERT_NE(disc, nullptr);
    if (!c.found) {
        EXPECT_LT(disc->radius, 0);
        return;
    }
    EXPECT_DOUBLE_EQ(disc->u, c.texel.x + 0.5);
    EXPECT_DOUBLE_EQ(disc->v, c.texel.y + 0.5);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Boxes, TexelDiscsAround,
    testing::Values(AroundCase{"wholeTexture", {3, 3, 0xFF000000}, 0, 0, 8, 8, false, true},
        AroundCase{"twoPastTheRight", {6, 3, 0xFF000000}, 0, 0, 4, 8, false, true},
        AroundCase{"shortOfTwoPastTheRight", {6, 3, 0xFF000000}, 0, 0, 3.99, 8, false, false},
        AroundCase{"twoBeforeTheLeft", {1, 3, 0xFF000000}, 3.99, 0, 8, 8, false, true},
        AroundCase{"pastTwoBeforeTheLeft", {1, 3, 0xFF000000}, 4, 0, 8, 8, false, false},
        AroundCase{"twoPastTheBottom", {3, 6, 0xFF000000}, 0, 0, 8, 4, false, true},
        AroundCase{"shortOfTwoPastTheBottom", {3, 6, 0xFF000000}, 0, 0, 8, 3.99, false, false},
        AroundCase{"whollyRightOfTheTexture", {6, 3, 0xFF000000}, 10.5, 0, 12, 8, false, false},
        AroundCase{"whollyBelowTheTexture", {3, 6, 0xFF000000}, 0, 10.5, 8, 12, false, false},
        AroundCase{"oneColumnFarOver", {4, 3, 0xFF000000}, 4, 0, 5, 8, true, false},
        AroundCase{"oneRowFarDown", {3, 4, 0xFF000000}, 0, 4, 8, 5, true, false},
        AroundCase{"halfATexelPastTheLeftEdge", {0, 3, 0xFF000000}, -0.5, 0, 8, 8, false, true},
        AroundCase{"moreThanHalfPastTheLeftEdge", {0, 3, 0xFF000000}, -0.51, 0, 8, 8, true, false},
        AroundCase{"halfATexelPastTheBottomEdge", {3, 7, 0xFF000000}, 0, 0, 8, 8.5, false, true},
        AroundCase{"moreThanHalfPastTheBottomEdge", {3, 7, 0xFF000000}, 0, 0, 8, 8.51, true, false},
        AroundCase{"pastAnEdgeWithNothingOnIt", {3, 3, 0xFF000000}, -3, -3, 11, 11, false, true},
        AroundCase{"tooFewLeftOut", {3, 3, 0xFF000000}, 3, 3, 4, 4, true, false},
        AroundCase{"farOut", {3, 3, 0xFF000000}, 0, 0, TexelDiscs::kMaxTexel + 1, 8, true, false},
        AroundCase{"notANumber", {3, 3, 0xFF000000}, kNaN, 0, 8, 8, true, false}),
    [](const testing::TestParamInfo<AroundCase>& info) { return std::string(info.param.name); });

// A mapping of pixels to texels by its steps across and down a row, in
// texels per pixel, and the texel under pixel (0, 0).
SWTri::Gradients Mapping(double su, double sv, double tu, double tv, double u0, double v0)
{
    constexpr double kUnit = 4294967296.0;
    SWTri::Gradients g;
    g.u.dx = static_cast<int64_t>(su * kUnit);
    g.u.dy = static_cast<int64_t>(tu * kUnit);
    g.u.base = static_cast<int64_t>(u0 * kUnit);
    g.v.dx = static_cast<int64_t>(sv * kUnit);
    g.v.dy = static_cast<int64_t>(tv * kUnit);
    g.v.base = static_cast<int64_t>(v0 * kUnit);
    return g;
}

struct NarrowCase {
    const char* name;
    SWTri::Gradients g;
    TexelDisc disc;
    int row;
    int first;
    int last;
    // What is left of [first, last); last <= first: nothing.
    int keptFirst;
    int keptLast;
};

void PrintTo(const NarrowCase& c, std::ostream* os)
{
    *os << c.name;
}

class DiscSpansNarrow : public testing::TestWithParam<NarrowCase> {};

TEST_P(DiscSpansNarrow, KeepsTheColumnsWhoseSamplesMayLieInTheDisc)
{
    const NarrowCase& c = GetParam();
    const SWTri::DiscSpans spans(c.g, c.disc);
    ASSERT_TRUE(spans.Worth());
    int first = c.first;
    int last = c.last;
    spans.Narrow(c.row, first, last);
    if (c.keptLast <= c.keptFirst) {
        EXPECT_LE(last, first);
        return;
    }
    EXPECT_EQ(first, c.keptFirst);
    EXPECT_EQ(last, c.keptLast);
}

const SWTri::Gradients kSame = Mapping(1, 0, 0, 1, 0, 0);
// Each pixel two texels on; turned a quarter, u falling down the rows.
const SWTri::Gradients kHalved = Mapping(2, 0, 0, 2, 0, 0);
const SWTri::Gradients kTurned = Mapping(0, 1, -1, 0, 100, 0);

// The chord from x - h to x + h keeps [trunc(x - h) - 2, trunc(x + h) + 3).
INSTANTIATE_TEST_SUITE_P(Rows, DiscSpansNarrow,
    testing::Values(NarrowCase{"throughTheCentre", kSame, {40, 30, 20}, 30, -1000, 1000, 18, 63},
        NarrowCase{"aChord", kSame, {40, 30, 20}, 20, -1000, 1000, 20, 60},
        NarrowCase{"touchingAbove", kSame, {40, 30, 20}, 10, -1000, 1000, 38, 43},
        NarrowCase{"justAbove", kSame, {40, 30, 20}, 9, -1000, 1000, 0, 0},
        NarrowCase{"touchingBelow", kSame, {40, 30, 20}, 50, -1000, 1000, 38, 43},
        NarrowCase{"justBelow", kSame, {40, 30, 20}, 51, -1000, 1000, 0, 0},
        NarrowCase{"insideTheChord", kSame, {40, 30, 20}, 30, 25, 35, 25, 35},
        NarrowCase{"leftOfTheChord", kSame, {40, 30, 20}, 30, -50, 10, 0, 0},
        NarrowCase{"halved", kHalved, {40, 30, 40}, 15, -1000, 1000, -2, 43},
        NarrowCase{"turned", kTurned, {40, 30, 20}, 60, -1000, 1000, 8, 53},
        NarrowCase{"farBelow", kSame, {40, 30, 20}, 100000, -1000, 1000, 0, 0}),
    [](const testing::TestParamInfo<NarrowCase>& info) { return std::string(info.param.name); });

TEST(DiscSpans, AreWorthTheirCostOnlyWhereARowCanLoseSomeGroups)
{
    // The longest chord is 2 r / step columns: 32 and more is worth it.
    EXPECT_FALSE(SWTri::DiscSpans(kSame, {40, 30, 15.99}).Worth());
    EXPECT_TRUE(SWTri::DiscSpans(kSame, {40, 30, 16}).Worth());
    EXPECT_FALSE(SWTri::DiscSpans(kHalved, {40, 30, 31.9}).Worth());
    EXPECT_TRUE(SWTri::DiscSpans(kHalved, {40, 30, 32}).Worth());
    // Every sample of a row the same.
    EXPECT_FALSE(SWTri::DiscSpans(Mapping(0, 0, 0, 1, 5, 0), {5, 30, 100}).Worth());
    EXPECT_FALSE(SWTri::DiscSpans().Worth());
}

// A texture of `side` texels whose picture is a blob of radius r at (cx,
// cy), the rest nothing, or a few stray texels with colour and no alpha.
Testing::Texture Blob(int side, double cx, double cy, double r, std::mt19937& random)
{
    Testing::Texture t(side, side, random);
    // Entry 3 is a colour without alpha already.
    t.table[0] = 0;
    t.premultipliedTable[0] = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const size_t i = static_cast<size_t>(y * side + x);
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) > r)
                t.indices[i] = random() % 5 == 0 ? 3 : 0;
            t.argb[i] = t.table[t.indices[i]];
            t.premultiplied[i] = t.premultipliedTable[t.indices[i]];
        }
    return t;
}

// The blob somewhere off the centre.
Testing::Texture Blob(int side, std::mt19937& random)
{
    std::uniform_real_distribution<double> at(side * 0.3, side * 0.7);
    std::uniform_real_distribution<double> size(1.5, side * 0.25);
    const double cx = at(random);
    const double cy = at(random);
    return Blob(side, cx, cy, size(random), random);
}

// A quad over the canvas, turned and scaled at random; now and then its
// corners leave the texture's cel, or the canvas, or a corner moves so
// that its two triangles map apart.
std::array<SWTri::FixedVertex, 6> RandomQuad(int side, std::mt19937& random)
{
    std::uniform_real_distribution<double> turn(0, 6.3);
    std::uniform_real_distribution<double> scale(0.2, 3.5);
    std::uniform_real_distribution<double> place(-20, 120);
    std::uniform_real_distribution<double> jitter(-6, 6);
    const double angle = turn(random);
    const double s = scale(random) * side;
    const double cx = place(random);
    const double cy = place(random);
    const double c = std::cos(angle) * s / 2;
    const double d = std::sin(angle) * s / 2;
    const double cornersX[4] = {cx - c + d, cx + c + d, cx + c - d, cx - c - d};
    const double cornersY[4] = {cy - d - c, cy + d - c, cy + d + c, cy - d + c};
    // The whole texture, a little past it (within half a texel, or not),
    // or inside it.
    const double spans[4][2] = {{0, 1}, {-0.2, 1.2}, {-0.012, 1.012}, {0.1, 0.9}};
    const double* span = spans[random() % 4];
    const double us[4] = {span[0], span[1], span[1], span[0]};
    const double vs[4] = {span[0], span[0], span[1], span[1]};
    const bool apart = random() % 4 == 0;
    std::array<SWTri::FixedVertex, 4> corner;
    for (int k = 0; k < 4; ++k) {
        const double shift = apart && k == 2 ? jitter(random) : 0;
        corner[k].x = static_cast<int32_t>((cornersX[k] + shift) * 65536);
        corner[k].y = static_cast<int32_t>(cornersY[k] * 65536);
        corner[k].u = static_cast<int32_t>(us[k] * side * 65536);
        corner[k].v = static_cast<int32_t>(vs[k] * side * 65536);
    }
    return {corner[0], corner[1], corner[2], corner[0], corner[2], corner[3]};
}

// As the drawing finds it: two texels past the corners' box, and the sides
// where the box reaches more than half a texel past the texture.
TexelRegion RegionOf(const std::array<SWTri::FixedVertex, 6>& quad, int side)
{
    const auto texel = [side](int32_t fixed, int by) {
        return std::clamp(static_cast<int>(std::floor(fixed / 65536.0)) + by, 0, side - 1);
    };
    TexelRegion r{side, side, -1, -1, false, false, false, false};
    for (const SWTri::FixedVertex& p : quad) {
        r.x0 = std::min(r.x0, texel(p.u, -2));
        r.y0 = std::min(r.y0, texel(p.v, -2));
        r.x1 = std::max(r.x1, texel(p.u, 2));
        r.y1 = std::max(r.y1, texel(p.v, 2));
        r.pastLeft = r.pastLeft || p.u < -32768;
        r.pastTop = r.pastTop || p.v < -32768;
        r.pastRight = r.pastRight || p.u > side * 65536 + 32768;
        r.pastBottom = r.pastBottom || p.v > side * 65536 + 32768;
    }
    return r;
}

template <typename Fetch, Sampling Mode, Compose How>
void ExpectCutRowsDrawTheSame(const Fetch& fetch, const SWTri::TextureInfo& info, int side, std::mt19937& random,
    const std::string& what)
{
    using Target = SWTri::Target888<false>;
    const std::array<SWTri::ColorInfo, 2> tints = {SWTri::ColorInfo{}, SWTri::ColorInfo{150, 255, 40, 90}};
    for (int trial = 0; trial < 60; ++trial) {
        const auto quad = RandomQuad(side, random);
        const std::optional<TexelDisc> disc = TexelDiscs::Measure(info, RegionOf(quad, side));
        Canvas<uint32_t> cut(100, 90, SWTri::kFormat888, 0);
        cut.Randomize(random);
        Canvas<uint32_t> whole(cut);
        const SWTri::ColorInfo& tint = tints[static_cast<size_t>(trial) % tints.size()];
        SWTri::RasterizeTriangles<Target, Fetch, Mode, How, SWTri::Shading::Constant>(quad.data(), 2, cut.dest, fetch,
            tint, disc ? &*disc : nullptr);
        SWTri::RasterizeTriangles<Target, Fetch, Mode, How, SWTri::Shading::Constant>(quad.data(), 2, whole.dest,
            fetch, tint);
        ASSERT_EQ(cut.pixels, whole.pixels) << what << " trial " << trial;
    }
}

template <typename Fetch>
void ExpectEveryKindCutTheSame(const Fetch& fetch, const SWTri::TextureInfo& info, int side, std::mt19937& random,
    const std::string& what)
{
    ExpectCutRowsDrawTheSame<Fetch, Sampling::Point, Compose::Over>(fetch, info, side, random, what + " point over");
    ExpectCutRowsDrawTheSame<Fetch, Sampling::Point, Compose::Add>(fetch, info, side, random, what + " point add");
    ExpectCutRowsDrawTheSame<Fetch, Sampling::Bilinear, Compose::Over>(fetch, info, side, random,
        what + " linear over");
    ExpectCutRowsDrawTheSame<Fetch, Sampling::Bilinear, Compose::Add>(fetch, info, side, random, what + " linear add");
}

class TexelDiscRows : public Testing::AtRowLevel {};
INSTANTIATE_TEST_SUITE_P(Levels, TexelDiscRows, testing::Values(SWTri::RowLevel::Avx2), Testing::RowLevelName);

TEST_P(TexelDiscRows, CutShortDrawEveryPixelAsWholeRowsDo)
{
    std::mt19937 random(9120);
    // The last picture reaches every edge.
    for (const auto& [side, edges] : {std::pair{24, false}, std::pair{40, false}, std::pair{40, true}}) {
        const Testing::Texture t = edges ? Blob(side, 20, 20, 24, random) : Blob(side, random);
        const std::string size = std::to_string(side) + (edges ? " edges " : " ");
        const auto edged = SWTri::EdgedWords(t.premultiplied.data(), side, side);
        SWTri::TextureInfo straight;
        straight.bits = t.argb.data();
        straight.width = straight.height = side;
        SWTri::TextureInfo premultiplied = straight;
        premultiplied.bits = nullptr;
        premultiplied.premultiplied = t.premultiplied.data();
        SWTri::TextureInfo palette = straight;
        palette.bits = nullptr;
        palette.palette = t.table.data();
        palette.indices = t.indices.data();
        SWTri::TextureInfo premultipliedPalette = palette;
        premultipliedPalette.palette = t.premultipliedTable.data();
        premultipliedPalette.palettePremultiplied = true;
        ExpectEveryKindCutTheSame(SWTri::ArgbFetch{t.argb.data(), side, side}, straight, side, random, size + "argb");
        ExpectEveryKindCutTheSame(SWTri::PremultipliedFetch{{t.premultiplied.data(), side, side, edged.get()}},
            premultiplied, side, random, size + "premultiplied");
        ExpectEveryKindCutTheSame(SWTri::PaletteFetch{t.table.data(), t.indices.data(), side, side}, palette, side,
            random, size + "palette");
        ExpectEveryKindCutTheSame(
            SWTri::PremultipliedPaletteFetch{{t.premultipliedTable.data(), t.indices.data(), side, side}},
            premultipliedPalette, side, random, size + "premultiplied palette");
    }
}

// Through the whole drawing: images of each form drawn with cut rows (the
// AVX2 rows) and whole ones (the SSE2 rows, which draw every pixel as
// they do).
TEST(TexelDiscDrawings, EqualTheWholeRowsOfTheSse2Level)
{
    const SWTri::RowLevel before = SWTri::CurrentRowLevel();
    if (!SWTri::SetRowLevel(SWTri::RowLevel::Avx2))
        GTEST_SKIP() << "the processor has no AVX2 rows";
    Testing::DisplayApp display;
    std::mt19937 random(9121);
    constexpr int kSide = 40;
    const Testing::Texture small = Blob(kSide, 12, 12, 4, random);
    // Reaching the left edge.
    const Testing::Texture other = Blob(kSide, 6, 20, 8, random);
    for (const bool premultiplied : {false, true})
        for (const bool palette : {false, true}) {
            const auto image = Testing::MakeImage(kSide, small.argb, premultiplied ? &display.app : nullptr);
            for (int trial = 0; trial < 40; ++trial) {
                // Half-way, other pixels: what was found of the first ones
                // is forgotten.
                if (trial == 20)
                    image->SetBits(other.argb.data(), kSide, kSide);
                if (palette && trial % 20 == 0) {
                    ASSERT_TRUE(image->ReduceToPalette());
                }
                const auto quad = RandomQuad(kSide, random);
                std::vector<Vorn::TriangleVertex> strip;
                for (const int k : {0, 1, 5, 2}) {
                    Vorn::TriangleVertex p{};
                    p.mX = static_cast<float>(quad[static_cast<size_t>(k)].x / 65536.0);
                    p.mY = static_cast<float>(quad[static_cast<size_t>(k)].y / 65536.0);
                    p.mU = static_cast<float>(quad[static_cast<size_t>(k)].u / 65536.0 / kSide);
                    p.mV = static_cast<float>(quad[static_cast<size_t>(k)].v / 65536.0 / kSide);
                    strip.push_back(p);
                }
                const bool linear = trial % 2 == 1;
                const int mode = trial % 3 == 2 ? 1 : 0;
                Canvas<uint32_t> cut(100, 90, SWTri::kFormat888, 0);
                cut.Randomize(random);
                Canvas<uint32_t> whole(cut);
                const Vorn::Rect clip(0, 0, 100, 90);
                ASSERT_TRUE(SWTri::SetRowLevel(SWTri::RowLevel::Avx2));
                SWTri::DrawTriangles(strip.data(), 4, image.get(), cut.dest, linear, false, clip, Vorn::Color::White,
                    mode);
                ASSERT_TRUE(SWTri::SetRowLevel(SWTri::RowLevel::Sse2));
                SWTri::DrawTriangles(strip.data(), 4, image.get(), whole.dest, linear, false, clip,
                    Vorn::Color::White, mode);
                SWTri::SetRowLevel(before);
                ASSERT_EQ(cut.pixels, whole.pixels) << (premultiplied ? "premultiplied " : "straight ")
                                                    << (palette ? "palette " : "") << "trial " << trial;
            }
        }
}

} // namespace
