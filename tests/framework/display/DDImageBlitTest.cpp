#include "framework/display/DDImage.h"

#include "SurfaceReference.h"
#include "fakes/DisplayApp.h"
#include "fakes/SurfaceDisplayApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace {

using Platform::PixelFormat;
using Testing::SurfaceDisplayApp;
using Testing::SurfacePixels;
using Vorn::Color;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

enum class Form { Argb, Palette, Volatile };

const Pixels kSource = {0x00FFFFFF, 0xFFFF0000, 0x8000FF00, 0xFF0000FF, 0x40FFFFFF, 0xFF808080};

std::unique_ptr<Vorn::MemoryImage> MakeSource(Form form, const Pixels& pixels = kSource)
{
    auto image = Testing::MakeImage(static_cast<int>(pixels.size()), pixels);
    EXPECT_TRUE(form != Form::Palette || image->ReduceToPalette());
    image->SetVolatile(form == Form::Volatile);
    return image;
}

uint32_t ColorBitsOf(const PixelFormat& f) { return f.redMask | f.greenMask | f.blueMask; }

// Every pixel unlike the next and no channel at either end of its range.
Pixels Pattern(const PixelFormat& f, size_t count)
{
    Pixels pixels;
    for (uint32_t i = 0; i < count; ++i)
        pixels.push_back((0x5A3C96u * (i + 3)) & ColorBitsOf(f) & 0x7BEF7BEF);
    return pixels;
}

struct Blitter {
    explicit Blitter(const PixelFormat& format) : app(format) { EXPECT_NE(dest->GetSurface(), nullptr); }
    Pixels Blit(Vorn::Image& source, const Color& color, int mode, bool mirrored, const Pixels& under)
    {
        SurfacePixels(*dest->mSurface, under);
        const Rect all(0, 0, source.mWidth, 1);
        mirrored ? dest->BltMirrored(&source, 0, 0, all, color, mode) : dest->Blt(&source, 0, 0, all, color, mode);
        EXPECT_EQ(dest->mLockCount + dest->mSurface->LockCount(), 0);
        return SurfacePixels(*dest->mSurface);
    }
    uint32_t ColorBits() const { return ColorBitsOf(dest->mSurface->Format()); }
    SurfaceDisplayApp app;
    std::unique_ptr<Vorn::DDImage> dest = app.MakeImage(6, Pixels(6, 0xFF000000));
};

const PixelFormat kFormats[] = {Platform::kFormatX8R8G8B8, Platform::kFormatR5G6B5, Platform::kFormatX1R5G5B5};
const Color kColors[] = {Color::White, Color(128, 128, 128), Color(255, 64, 0, 200), Color(255, 255, 255, 254)};

class BlitProperties : public testing::TestWithParam<std::tuple<int, int, int, Form>> {};

// Alpha 0 keeps the pixel, a palette source equals the ARGB one, a mirrored
// blit equals the reversed normal one (a volatile source is mirrored through
// its derived forms, as it would be drawn if it were not volatile), and a
// source with one channel at its top over a destination with only that
// channel at its top leaves every other channel empty: nothing carries.
TEST_P(BlitProperties, Hold)
{
    const auto& [formatIndex, mode, colorIndex, form] = GetParam();
    const PixelFormat& format = kFormats[formatIndex];
    const Color& tint = kColors[colorIndex];
    Blitter blitter(format);
    Pixels under = Pattern(format, kSource.size());
    auto source = MakeSource(form);
    const Pixels drawn = blitter.Blit(*source, tint, mode, false, under);
    EXPECT_EQ(drawn[0] & blitter.ColorBits(), under[0]);
    if (form == Form::Palette) {
        EXPECT_EQ(blitter.Blit(*MakeSource(Form::Argb), tint, mode, false, under), drawn);
    }
    source->SetVolatile(false);
    const Pixels normal = blitter.Blit(*source, tint, mode, false, under);
    source->SetVolatile(form == Form::Volatile);
    std::reverse(under.begin(), under.end());
    Pixels mirrored = blitter.Blit(*source, tint, mode, true, under);
    std::reverse(mirrored.begin(), mirrored.end());
    for (size_t i = 0; i < normal.size(); ++i)
        EXPECT_EQ(mirrored[i] & blitter.ColorBits(), normal[i] & blitter.ColorBits()) << i;
    const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
    for (int c = 0; c < 3; ++c) {
        const uint32_t top = 0xFFu << (16 - 8 * c);
        auto channel = MakeSource(form, {0xFF000000 | top, 0x80000000 | top});
        for (const uint32_t pixel : blitter.Blit(*channel, tint, mode, false, {masks[c], masks[c], 0, 0, 0, 0}))
            EXPECT_EQ(pixel & blitter.ColorBits() & ~masks[c], 0u) << c;
    }
}

INSTANTIATE_TEST_SUITE_P(All, BlitProperties,
    testing::Combine(testing::Range(0, 3), testing::Range(0, 2), testing::Range(0, 4),
        testing::Values(Form::Argb, Form::Palette, Form::Volatile)));

TEST(ExactBlit, WritesTheFormulaValue)
{
    const PixelFormat k565 = Platform::kFormatR5G6B5, k32 = Platform::kFormatX8R8G8B8;
    // A volatile opaque white falls short of full white; an almost white colour blends partly.
    const struct { PixelFormat format; Form form; uint32_t source; Color color; int mode; uint32_t under, drawn; }
    cases[] = {{k565, Form::Argb, 0xFFFF0000, Color(128, 128, 128), 0, 0, 0x7800},
        {k565, Form::Volatile, 0xFFFFFFFF, Color::White, 0, 0, 0xF7BE},
        {k32, Form::Argb, 0xFF123456, Color::White, 0, 0, 0xFF123456},
        {k32, Form::Argb, 0xFF123456, Color(255, 255, 255, 254), 0, 0, 0x113355},
        {k32, Form::Argb, 0xFFFFFFFF, Color::White, 1, 0xFFFFFF, 0xFFFFFF},
        {k565, Form::Argb, 0xFFFFFFFF, Color::White, 1, 0xFFFF, 0xFFFF},
        {Platform::kFormatX1R5G5B5, Form::Argb, 0x80FF0000, Color::White, 0, 0x001F, 0x400F}};
    for (const auto& c : cases) {
        Blitter blitter(c.format);
        auto source = MakeSource(c.form, {c.source});
        EXPECT_EQ(blitter.Blit(*source, c.color, c.mode, false, {c.under})[0], c.drawn) << &c - cases;
    }
}

// The display's formats, the blue-first orders, and a 16-bit layout that is
// neither 5-6-5 nor 5-5-5.
const PixelFormat kAllFormats[] = {Platform::kFormatX8R8G8B8, Platform::kFormatR5G6B5, Platform::kFormatX1R5G5B5,
    Platform::kFormatX8B8G8R8, Platform::kFormatB5G6R5, PixelFormat{16, 0x0F00, 0x00F0, 0x000F}};
const Color kTints[] = {Color::White, Color(255, 255, 255, 254), Color(128, 128, 128), Color(200, 200, 200, 77),
    Color(0, 0, 0), Color(10, 200, 90, 128), Color(255, 0, 255), Color(1, 2, 3, 254), Color(255, 254, 255, 1)};

enum class Kind { Translucent, Keyed, Palette, Volatile, VolatileKeyed, Opaque };

// 60 colours of every alpha class, so that the source also fits a palette;
// a run of opaque and one of transparent pixels cross the rectangle's edges.
Pixels SourcePixels(Kind kind, size_t count)
{
    const Pixels colours = Reference::SamplePixels(60, 61);
    Pixels pixels;
    for (size_t i = 0; i < count; ++i) {
        uint32_t p = colours[i * 7 % colours.size()];
        if (i >= 30 && i < 60)
            p |= 0xFF000000;
        if (i >= 70 && i < 90)
            p &= 0xFFFFFF;
        if (kind == Kind::Keyed || kind == Kind::VolatileKeyed)
            p = (p >> 24) < 128 ? p & 0xFFFFFF : p | 0xFF000000;
        if (kind == Kind::Opaque)
            p |= 0xFF000000;
        pixels.push_back(p);
    }
    return pixels;
}

// Every path of the surface blitters, in every pixel format and both modes,
// plain and mirrored, on a rectangle cut out of a larger source and placed
// inside a larger destination: each pixel of the area gets its path's
// formula, every other pixel stays.
TEST(SurfaceBlit, EveryPixelOfTheAreaGetsItsPathsFormula)
{
    constexpr int kSourceWidth = 24, kDestWidth = 30, kDestHeight = 7;
    const Rect from(3, 1, 19, 3);
    const int x = 5, y = 2;
    for (const PixelFormat& format : kAllFormats) {
        const SurfaceReference::Format f(format);
        SurfaceDisplayApp app(format, kDestWidth, kDestHeight);
        ASSERT_TRUE(app.initialised);
        Pixels under = Reference::SamplePixels(kDestWidth * kDestHeight, 62);
        for (uint32_t& p : under)
            p = f.Store(p);
        for (const Kind kind :
            {Kind::Translucent, Kind::Keyed, Kind::Palette, Kind::Volatile, Kind::VolatileKeyed, Kind::Opaque}) {
            const Pixels argb = SourcePixels(kind, kSourceWidth * 5);
            auto source = Testing::MakeImage(kSourceWidth, argb);
            ASSERT_TRUE(kind != Kind::Palette || source->ReduceToPalette());
            source->SetVolatile(kind == Kind::Volatile || kind == Kind::VolatileKeyed);
            const bool keyed = kind == Kind::Keyed || kind == Kind::VolatileKeyed;
            for (const Color& color : kTints)
                for (const int mode : {0, 1})
                    for (const bool mirrored : {false, true}) {
                        auto dest = app.MakeImage(kDestWidth, Pixels(kDestWidth * kDestHeight, 0xFF000000));
                        ASSERT_NE(dest->GetSurface(), nullptr);
                        SurfacePixels(*dest->mSurface, under);
                        if (mirrored)
                            dest->BltMirrored(source.get(), x, y, from, color, mode);
                        else
                            dest->Blt(source.get(), x, y, from, color, mode);
                        const SurfaceReference::Tint tint(color);
                        Pixels expected = under;
                        for (int row = 0; row < from.mHeight; ++row)
                            for (int col = 0; col < from.mWidth; ++col) {
                                const int destX = x + (mirrored ? from.mWidth - 1 - col : col);
                                uint32_t& d = expected[static_cast<size_t>((y + row) * kDestWidth + destX)];
                                const uint32_t c =
                                    argb[static_cast<size_t>((from.mY + row) * kSourceWidth + from.mX + col)];
                                const uint32_t s = Reference::Premultiplied(c, f.m);
                                if (mode == 1)
                                    d = SurfaceReference::Additive(f, d, s, tint);
                                else if (mirrored)
                                    d = SurfaceReference::Run(f, d, s, tint);
                                else if (source->mIsVolatile && tint.white)
                                    d = SurfaceReference::Volatile(f, d, c);
                                else if (keyed && tint.white)
                                    d = c >> 24 == 0 ? d : f.Store(s);
                                else
                                    d = SurfaceReference::Run(f, d, s, tint);
                            }
                        ASSERT_EQ(SurfacePixels(*dest->mSurface), expected)
                            << format.bitsPerPixel << "/" << std::hex << format.redMask << " kind "
                            << static_cast<int>(kind) << " #" << color.ToInt() << std::dec << " mode " << mode
                            << (mirrored ? " mirrored" : "");
                        EXPECT_EQ(dest->mLockCount, 0);
                    }
        }
    }
}

// A caller holding the destination's lock keeps a valid one across the
// hardware copy, or none at all when it cannot be taken again.
TEST(DDImageBlit, HardwareCopyRetakesOrForgetsTheCallersLock)
{
    Blitter blitter(Platform::kFormatX8R8G8B8);
    auto source = blitter.app.MakeImage(2, {0xFF112233, 0x00000000});
    ASSERT_NE(source->GetSurface(), nullptr);
    SurfacePixels(*blitter.dest->mSurface, Pixels(6, 0x777777));
    ASSERT_TRUE(blitter.dest->LockSurface());
    blitter.dest->Blt(source.get(), 0, 0, Rect(0, 0, 2, 1), Color::White, 0);
    EXPECT_TRUE(blitter.dest->mLockCount == 1 && blitter.dest->mLockedSurfaceDesc.mBits);
    blitter.dest->UnlockSurface();
    const Pixels drawn = SurfacePixels(*blitter.dest->mSurface);
    EXPECT_TRUE((drawn[0] & 0xFFFFFF) == 0x112233u && drawn[1] == 0x777777u);
    ASSERT_TRUE(blitter.dest->LockSurface());
    blitter.dest->mSurface->MarkLost(), blitter.dest->Blt(source.get(), 0, 0, Rect(0, 0, 2, 1), Color::White, 0);
    EXPECT_TRUE(blitter.dest->mLockCount == 0 && blitter.dest->mLockedSurfaceDesc.mBits == nullptr);
    EXPECT_TRUE(blitter.dest->UnlockSurface() && blitter.dest->mLockCount == 0);
}

// Without surface drawing no software blit draws, in either mode, plain or
// mirrored.
TEST(DDImageBlit, NoSurfaceDrawingBlitsNothing)
{
    for (const int mode : {0, 1})
        for (const bool mirrored : {false, true}) {
            Blitter blitter(Platform::kFormatX8R8G8B8);
            blitter.dest->mNoLock = true;
            auto source = MakeSource(Form::Argb);
            const Pixels under(6, 0x123456);
            EXPECT_EQ(blitter.Blit(*source, Color(10, 200, 30), mode, mirrored, under), under) << mode << mirrored;
        }
}

// The hardware copy gives up only the image's own lock: a lock someone else
// holds on the surface stays, and the locked surface takes no copy.
TEST(DDImageBlit, HardwareCopyLeavesALockItDoesNotHold)
{
    Blitter blitter(Platform::kFormatX8R8G8B8);
    auto source = blitter.app.MakeImage(2, {0xFF112233, 0xFF445566});
    ASSERT_NE(source->GetSurface(), nullptr);
    SurfacePixels(*blitter.dest->mSurface, Pixels(6, 0x777777));
    Platform::LockedPixels held;
    ASSERT_EQ(blitter.dest->mSurface->Lock(held), Platform::kDDOk);
    blitter.dest->Blt(source.get(), 0, 0, Rect(0, 0, 2, 1), Color::White, 0);
    EXPECT_EQ(blitter.dest->mSurface->LockCount(), 1);
    blitter.dest->mSurface->Unlock();
    EXPECT_EQ(SurfacePixels(*blitter.dest->mSurface), Pixels(6, 0x777777));
}

TEST(DDImageBlit, CoverageBlendsByCoverageAndSkipsEmptySpans)
{
    Blitter blitter(Platform::kFormatX8R8G8B8);
    auto& dest = blitter.dest;
    SurfacePixels(*dest->mSurface, Pixels(6, 0x404040));
    const Vorn::Span spans[] = {{0, 0, 2}, {0, 2, 0}, {0, 2, -5}};
    const uint8_t coverage[] = {0, 255, 255};
    dest->FillSpansWithCoverage(spans, 0, Color::White, 0, coverage, 0, 0, 3, 1);
    EXPECT_NE(dest->mBits, nullptr);
    dest->FillSpansWithCoverage(spans, 3, Color::White, 0, coverage, 0, 0, 3, 1);
    EXPECT_EQ(SurfacePixels(*dest->mSurface), (Pixels{0x404040, 0xFDFDFD, 0x404040, 0x404040, 0x404040, 0x404040}));
    EXPECT_EQ(dest->mBits, nullptr);
}

// Rows of partly transparent pixels long enough to go four at a time, of
// every length about a vector's and one past the longest run (255), plain
// and mirrored, ARGB and palette, placed inside the destination or cut at
// its left or right edge: each pixel drawn gets the run formula of its own
// word, every other pixel stays.
// One test per width, the other choices walked inside it: each case in a
// process of its own would add close to a thousand test runs.
void ExpectPartialRowGetsTheRunFormula(int width, int placement, bool mirrored, bool palette, int colorIndex)
{
    const Color colors[] = {Color::White, Color(128, 128, 128), Color(200, 200, 200, 77), Color(255, 255, 255, 254),
        Color(10, 200, 90, 128), Color(90, 200, 200, 128), Color(0, 0, 0, 255)};
    const Color& color = colors[colorIndex];
    constexpr int kDestWidth = 320;
    const int x = placement == 0 ? 3 : placement == 1 ? -2 : kDestWidth - width + 3;
    const SurfaceReference::Format f(Platform::kFormatX8R8G8B8);
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8, kDestWidth, 2);
    ASSERT_TRUE(app.initialised);
    // 50 colours, none opaque or empty, so that the rows are one run.
    const Pixels colours = Reference::SamplePixels(50, 63);
    Pixels argb;
    for (int i = 0; i < width * 2; ++i) {
        const size_t k = static_cast<size_t>(i * 7) % colours.size();
        argb.push_back((colours[k] & 0xFFFFFF) | (1 + static_cast<uint32_t>(k) * 5) << 24);
    }
    auto source = Testing::MakeImage(width, argb);
    ASSERT_TRUE(!palette || source->ReduceToPalette());
    auto dest = app.MakeImage(kDestWidth, Pixels(kDestWidth * 2, 0xFF000000));
    ASSERT_NE(dest->GetSurface(), nullptr);
    const Pixels under = Reference::SamplePixels(kDestWidth * 2, 64);
    SurfacePixels(*dest->mSurface, under);
    const Rect all(0, 0, width, 2);
    mirrored ? dest->BltMirrored(source.get(), x, 0, all, color, 0) : dest->Blt(source.get(), x, 0, all, color, 0);
    Pixels expected = under;
    const SurfaceReference::Tint tint(color);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < width; ++col) {
            const int destX = x + (mirrored ? width - 1 - col : col);
            if (destX < 0 || destX >= kDestWidth)
                continue;
            uint32_t& d = expected[static_cast<size_t>(row * kDestWidth + destX)];
            const uint32_t s = Reference::Premultiplied(argb[static_cast<size_t>(row * width + col)], f.m);
            d = SurfaceReference::Run(f, d, s, tint);
        }
    EXPECT_EQ(SurfacePixels(*dest->mSurface), expected);
}

class PartialRows : public testing::TestWithParam<int> {};

TEST_P(PartialRows, GetTheRunFormulaOnEveryPixel)
{
    const int width = GetParam();
    for (int placement = 0; placement < 3; ++placement)
        for (const bool mirrored : {false, true})
            for (const bool palette : {false, true})
                for (int colorIndex = 0; colorIndex < 7; ++colorIndex) {
                    SCOPED_TRACE(testing::Message() << "placement " << placement << (mirrored ? ", mirrored" : "")
                                                    << (palette ? ", palette" : "") << ", colour " << colorIndex);
                    ExpectPartialRowGetsTheRunFormula(width, placement, mirrored, palette, colorIndex);
                }
}

INSTANTIATE_TEST_SUITE_P(Lengths, PartialRows, testing::Values(1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 300));

} // namespace
