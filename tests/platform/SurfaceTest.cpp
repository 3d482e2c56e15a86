#include "platform/Surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using namespace Platform;
using Pixels32 = std::vector<uint32_t>;

std::unique_ptr<Surface> MakeSurface(int32_t width, int32_t height, const PixelFormat& format = kFormatX8R8G8B8,
                                     int32_t pitch = 0)
{
    std::unique_ptr<Surface> surface;
    EXPECT_EQ(Surface::Create({width, height, format, pitch}, surface), kDDOk);
    return surface;
}

// Reads (or, given values, first writes) every pixel, rows from the top.
Pixels32 Pixels(Surface& surface, const Pixels32& values = {})
{
    LockedPixels locked;
    EXPECT_EQ(surface.Lock(locked), kDDOk);
    const int bytes = surface.Format().BytesPerPixel();
    Pixels32 pixels;
    for (int32_t y = 0; y < surface.Height(); ++y)
        for (int32_t x = 0; x < surface.Width(); ++x) {
            uint8_t* at = locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch + x * bytes;
            if (!values.empty())
                std::memcpy(at, &values[pixels.size()], bytes);
            uint32_t value = 0;
            std::memcpy(&value, at, bytes);
            pixels.push_back(value);
        }
    EXPECT_EQ(surface.Unlock(), kDDOk);
    return pixels;
}

TEST(Surface, CreateRefusesWhatCannotBeAddressed)
{
    const struct { const char* name; SurfaceDesc desc; int32_t result; } cases[] = {
        {"24 bits", {4, 4, {24, 0xFF0000, 0xFF00, 0xFF}, 0}, kDDErrInvalidPixelFormat},
        {"masks overlap", {4, 4, {16, 0xF800, 0x0FE0, 0x1F}, 0}, kDDErrInvalidPixelFormat},
        {"mask has a gap", {4, 4, {32, 0xFF0000, 0xF0F0, 0xFF}, 0}, kDDErrInvalidPixelFormat},
        {"no width", {0, 4, {}, 0}, kDDErrInvalidParams}, {"short pitch", {4, 4, {}, -12}, kDDErrInvalidParams},
        {"pitch not whole pixels", {4, 4, kFormatR5G6B5, 9}, kDDErrInvalidParams},
        {"past 32-bit offsets", {32768, 16385, {}, 0}, kDDErrTooBigSize}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Surface> surface = MakeSurface(1, 1);
        EXPECT_EQ(Surface::CreateFlipping(c.desc, surface), c.result);
        EXPECT_EQ(surface, nullptr);
    }
}

TEST(Surface, BlitIsRefusedUntilTheLastUnlockAndWithoutKeyOrMatchingFormat)
{
    const auto surface = MakeSurface(2, 2);
    const auto other = MakeSurface(2, 2);
    LockedPixels first, second;
    ASSERT_EQ(surface->Lock(first), kDDOk);
    ASSERT_EQ(surface->Lock(second), kDDOk);
    EXPECT_EQ(surface->Unlock(), kDDOk);
    EXPECT_EQ(surface->Blt(nullptr, other.get(), nullptr, kBltWait), kDDErrSurfaceBusy);
    EXPECT_EQ(other->Blt(nullptr, surface.get(), nullptr, kBltWait), kDDErrSurfaceBusy);
    EXPECT_EQ(surface->Unlock(), kDDOk);
    EXPECT_EQ(surface->Unlock(), kDDErrNotLocked);
    EXPECT_EQ(surface->Blt(nullptr, other.get(), nullptr, kBltWait), kDDOk);
    const auto dest = MakeSurface(2, 2, kFormatR5G6B5);
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, kBltWait), kDDErrInvalidParams);
    EXPECT_EQ(dest->Blt(nullptr, dest.get(), nullptr, 0x400), kDDErrInvalidParams);
    EXPECT_EQ(dest->Blt(nullptr, dest.get(), nullptr, kBltKeySrc), kDDErrNoColorKey);
    EXPECT_EQ(dest->Blt(nullptr, MakeSurface(2, 2, kFormatX1R5G5B5).get(), nullptr, 0), kDDErrInvalidPixelFormat);
}

// The lower-right 2 × 2 of a 3 × 3 source goes to the top right of a 4 × 3 destination filled with 0x20, once
// through the key and once plainly. The padded key has the padding bits set: keys compare colour bits only.
TEST(Surface, BlitCopiesTheRectangleExactlyAndTheKeyComparesColourBitsOnly)
{
    const struct { const char* name; PixelFormat format; int32_t fromPitch, toPitch; uint32_t key, padded; } cases[] = {
        {"X8R8G8B8 padded to upward", kFormatX8R8G8B8, 20, -24, 0x00FF00FF, 0x80FF00FF},
        {"R5G6B5 upward to padded", kFormatR5G6B5, -6, 10, 0xF81F, 0xF81F},
        {"X1R5G5B5 padded to upward", kFormatX1R5G5B5, 8, -12, 0x7C1F, 0xFC1F},
        {"X8B8G8R8 upward", kFormatX8B8G8R8, -12, -16, 0x00123456, 0x7F123456}};
    const uint32_t f = 0x20;
    const SurfaceRect from{1, 1, 3, 3}, to{2, 0, 4, 2};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto source = MakeSurface(3, 3, c.format, c.fromPitch);
        const auto dest = MakeSurface(4, 3, c.format, c.toPitch);
        Pixels(*source, {1, 2, 3, 4, c.key, 6, 7, 8, c.padded});
        source->SetColorKey(c.key, c.key);
        Pixels(*dest, Pixels32(12, f));
        ASSERT_EQ(dest->Blt(&to, source.get(), &from, kBltWait | kBltKeySrc), kDDOk);
        EXPECT_EQ(Pixels(*dest), (Pixels32{f, f, f, 6, f, f, 8, f, f, f, f, f}));
        ASSERT_EQ(dest->Blt(&to, source.get(), &from, kBltWait), kDDOk);
        EXPECT_EQ(Pixels(*dest), (Pixels32{f, f, c.key, 6, f, f, 8, c.padded, f, f, f, f}));
    }
    // A key range leaves out every colour from low to high.
    const auto dest = MakeSurface(4, 1);
    const auto source = MakeSurface(4, 1);
    Pixels(*source, {0x10, 0x11, 0x13, 0x14});
    source->SetColorKey(0x11, 0x13);
    ASSERT_EQ(dest->Blt(nullptr, source.get(), nullptr, kBltKeySrc), kDDOk);
    EXPECT_EQ(Pixels(*dest), (Pixels32{0x10, 0, 0, 0x14}));
}

// Destination 4 × 3, source 3 × 2: a bad rectangle is an error, never an overrun.
TEST(Surface, BadRectangleIsInvalidAndTouchesNothing)
{
    const struct { const char* name; SurfaceRect dest, source; } cases[] = {
        {"dest past right", {2, 0, 5, 2}, {0, 0, 3, 2}}, {"dest past bottom", {0, 2, 3, 4}, {0, 0, 3, 2}},
        {"dest left of 0", {-1, 0, 2, 2}, {0, 0, 3, 2}}, {"dest empty", {1, 1, 1, 2}, {0, 0, 3, 2}},
        {"dest inverted", {3, 2, 0, 0}, {0, 0, 3, 2}}, {"source above 0", {0, 0, 3, 2}, {0, -1, 3, 1}},
        {"source past bottom", {0, 0, 3, 2}, {0, 1, 3, 3}},
        {"source far out", {0, 0, 1, 1}, {INT32_MAX - 1, 0, INT32_MAX, 1}}};
    const auto dest = MakeSurface(4, 3, kFormatR5G6B5, 10);
    const auto source = MakeSurface(3, 2, kFormatR5G6B5);
    Pixels(*source, {1, 2, 3, 4, 5, 6});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(dest->Blt(&c.dest, source.get(), &c.source, kBltWait), kDDErrInvalidRect);
        EXPECT_EQ(Pixels(*dest), Pixels32(12, 0));
    }
}

// Source pixel i holds i; rows stretch by the same rule as columns, so two
// destination rows from one repeat it.
TEST(Surface, StretchTakesThePixelUnderEachCentreAndOverlapsMoveAsIfReadFirst)
{
    const struct { int32_t sourceWidth; Pixels32 sampled; } cases[] = {
        {2, {0, 0, 1, 1}}, {4, {1, 3}}, {3, {0, 2}}, {2, {0, 1, 1}}, {5, {2}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sourceWidth);
        const auto source = MakeSurface(c.sourceWidth, 1);
        const auto dest = MakeSurface(static_cast<int32_t>(c.sampled.size()), 2);
        Pixels32 columns(static_cast<size_t>(c.sourceWidth));
        std::iota(columns.begin(), columns.end(), 0u);
        Pixels(*source, columns);
        ASSERT_EQ(dest->Blt(nullptr, source.get(), nullptr, kBltWait), kDDOk);
        Pixels32 twice = c.sampled;
        twice.insert(twice.end(), c.sampled.begin(), c.sampled.end());
        EXPECT_EQ(Pixels(*dest), twice);
    }
    // A 3 × 3 surface holding 1..9 blitted onto itself: overlapping areas move as if read first.
    const struct { const char* name; SurfaceRect dest, source; Pixels32 result; } moves[] = {
        {"right", {1, 0, 3, 3}, {0, 0, 2, 3}, {1, 1, 2, 4, 4, 5, 7, 7, 8}},
        {"down", {0, 1, 3, 3}, {0, 0, 3, 2}, {1, 2, 3, 1, 2, 3, 4, 5, 6}},
        {"up left", {0, 0, 2, 2}, {1, 1, 3, 3}, {5, 6, 3, 8, 9, 6, 7, 8, 9}},
        {"enlarged", {0, 0, 3, 3}, {1, 1, 2, 2}, Pixels32(9, 5)}};
    for (const auto& c : moves) {
        SCOPED_TRACE(c.name);
        const auto surface = MakeSurface(3, 3, kFormatR5G6B5, -8);
        Pixels(*surface, {1, 2, 3, 4, 5, 6, 7, 8, 9});
        ASSERT_EQ(surface->Blt(&c.dest, surface.get(), &c.source, kBltWait), kDDOk);
        EXPECT_EQ(Pixels(*surface), c.result);
    }
}

TEST(Surface, FlipCopiesTheBackBufferToTheFrontAndALostFrontRefusesEverything)
{
    std::unique_ptr<Surface> front;
    ASSERT_EQ(Surface::CreateFlipping({2, 1, kFormatR5G6B5, 8}, front), kDDOk);
    Surface* back = front->BackBuffer();
    Pixels(*back, {1, 2});
    ASSERT_EQ(front->Flip(), kDDOk);
    EXPECT_EQ(Pixels(*front), (Pixels32{1, 2}));
    EXPECT_EQ(Pixels(*back), (Pixels32{1, 2}));
    EXPECT_EQ(back->Flip(), kDDErrNotFlippable);
    // A lost front loses its back buffer too.
    LockedPixels locked;
    ASSERT_EQ(front->Lock(locked), kDDOk);
    front->MarkLost();
    EXPECT_EQ(front->Unlock(), kDDOk);
    EXPECT_EQ(back->Lock(locked), kDDErrSurfaceLost);
    EXPECT_EQ(MakeSurface(2, 1, kFormatR5G6B5)->Blt(nullptr, front.get(), nullptr, kBltWait), kDDErrSurfaceLost);
    EXPECT_EQ(front->Flip(), kDDErrSurfaceLost);
}

// The writer rewrites the whole source under a lock while blits copy it out:
// no blit sees half a rewrite.
TEST(Surface, BlitsNeverSeeAHalfWrittenLockedSurface)
{
    const auto source = MakeSurface(64, 64);
    const auto dest = MakeSurface(64, 64);
    std::atomic<bool> done = false;
    std::thread writer([&] {
        for (uint32_t round = 1; round <= 500; ++round) {
            LockedPixels locked;
            ASSERT_EQ(source->Lock(locked), kDDOk);
            std::fill_n(reinterpret_cast<uint32_t*>(locked.bits), 64 * 64, round);
            source->Unlock();
        }
        done = true;
    });
    int torn = 0;
    while (!done)
        if (dest->Blt(nullptr, source.get(), nullptr, kBltWait) == kDDOk) {
            const Pixels32 pixels = Pixels(*dest);
            torn += std::count(pixels.begin(), pixels.end(), pixels[0]) != static_cast<ptrdiff_t>(pixels.size());
        }
    writer.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
