#include "platform/Surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <thread>
#include <vector>

namespace {

using namespace Platform;

std::unique_ptr<Surface> MakeSurface(int32_t width, int32_t height, const PixelFormat& format = kFormatX8R8G8B8,
                                     int32_t pitch = 0)
{
    std::unique_ptr<Surface> surface;
    EXPECT_EQ(Surface::Create({width, height, format, pitch}, surface), kDDOk);
    return surface;
}

// Reads (or, given values, first writes) every pixel, rows from the top.
std::vector<uint32_t> Pixels(Surface& surface, const std::vector<uint32_t>& values = {})
{
    LockedPixels locked;
    EXPECT_EQ(surface.Lock(locked), kDDOk);
    const int bytes = surface.Format().BytesPerPixel();
    std::vector<uint32_t> pixels;
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

// Every table case prints as its name.
template <typename Case>
    requires requires(const Case& c) { c.name; }
std::ostream& operator<<(std::ostream& os, const Case& c)
{
    return os << c.name;
}

struct CreateCase {
    const char* name;
    SurfaceDesc desc;
    int32_t result;
};

class SurfaceCreate : public ::testing::TestWithParam<CreateCase> {};

TEST_P(SurfaceCreate, RefusesWhatCannotBeAddressed)
{
    std::unique_ptr<Surface> surface = MakeSurface(1, 1);
    EXPECT_EQ(Surface::CreateFlipping(GetParam().desc, surface), GetParam().result);
    EXPECT_EQ(surface, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, SurfaceCreate,
    ::testing::Values(CreateCase{"24 bits", {4, 4, {24, 0xFF0000, 0xFF00, 0xFF}, 0}, kDDErrInvalidPixelFormat},
                      CreateCase{"masks overlap", {4, 4, {16, 0xF800, 0x0FE0, 0x1F}, 0}, kDDErrInvalidPixelFormat},
                      CreateCase{"mask has a gap", {4, 4, {32, 0xFF0000, 0xF0F0, 0xFF}, 0}, kDDErrInvalidPixelFormat},
                      CreateCase{"no width", {0, 4, kFormatR5G6B5, 0}, kDDErrInvalidParams},
                      CreateCase{"pitch short of a row", {4, 4, kFormatX8R8G8B8, -12}, kDDErrInvalidParams},
                      CreateCase{"pitch not whole pixels", {4, 4, kFormatR5G6B5, 9}, kDDErrInvalidParams},
                      CreateCase{"past 32-bit offsets", {32768, 16385, kFormatX8R8G8B8, 0}, kDDErrTooBigSize}));

TEST(Surface, NestedLocksBalanceAndKeepBlitsOutUntilTheLast)
{
    const auto surface = MakeSurface(2, 2);
    const auto other = MakeSurface(2, 2);
    LockedPixels first;
    LockedPixels second;
    ASSERT_EQ(surface->Lock(first), kDDOk);
    ASSERT_EQ(surface->Lock(second), kDDOk);
    EXPECT_EQ(first.bits, second.bits);
    EXPECT_EQ(surface->Unlock(), kDDOk);
    EXPECT_EQ(surface->Blt(nullptr, other.get(), nullptr, kBltWait), kDDErrSurfaceBusy);
    EXPECT_EQ(other->Blt(nullptr, surface.get(), nullptr, kBltWait), kDDErrSurfaceBusy);
    EXPECT_EQ(surface->Unlock(), kDDOk);
    EXPECT_EQ(surface->Unlock(), kDDErrNotLocked);
    EXPECT_EQ(surface->LockCount(), 0);
    EXPECT_EQ(surface->Blt(nullptr, other.get(), nullptr, kBltWait), kDDOk);
}

TEST(Surface, BlitIsRefusedWithoutSourceKeyOrMatchingFormat)
{
    const auto dest = MakeSurface(2, 2, kFormatR5G6B5);
    const auto other = MakeSurface(2, 2, kFormatX1R5G5B5);
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, kBltWait), kDDErrInvalidParams);
    EXPECT_EQ(dest->Blt(nullptr, dest.get(), nullptr, 0x400), kDDErrInvalidParams);
    EXPECT_EQ(dest->Blt(nullptr, dest.get(), nullptr, kBltKeySrc), kDDErrNoColorKey);
    EXPECT_EQ(dest->Blt(nullptr, other.get(), nullptr, kBltWait), kDDErrInvalidPixelFormat);
}

struct BlitCase {
    const char* name;
    PixelFormat format;
    int32_t sourcePitch;
    int32_t destPitch;
    // A colour, and the same colour with the padding bits set (the same when
    // the format has none).
    uint32_t key;
    uint32_t paddedKey;
};

class SurfaceBlit : public ::testing::TestWithParam<BlitCase> {};

// The lower-right 2 × 2 of a 3 × 3 source goes to the top right of a 4 × 3
// destination filled with 0x20, once plainly and once through the key.
TEST_P(SurfaceBlit, CopiesTheRectangleExactlyAndTheKeyComparesColourBitsOnly)
{
    const BlitCase& c = GetParam();
    const auto source = MakeSurface(3, 3, c.format, c.sourcePitch);
    const auto dest = MakeSurface(4, 3, c.format, c.destPitch);
    Pixels(*source, {1, 2, 3, 4, c.key, 6, 7, 8, c.paddedKey});
    source->SetColorKey(c.key, c.key);
    const SurfaceRect from{1, 1, 3, 3};
    const SurfaceRect to{2, 0, 4, 2};
    const uint32_t f = 0x20;
    Pixels(*dest, std::vector<uint32_t>(12, f));
    ASSERT_EQ(dest->Blt(&to, source.get(), &from, kBltWait | kBltKeySrc), kDDOk);
    EXPECT_EQ(Pixels(*dest), (std::vector<uint32_t>{f, f, f, 6, f, f, 8, f, f, f, f, f}));
    ASSERT_EQ(dest->Blt(&to, source.get(), &from, kBltWait), kDDOk);
    EXPECT_EQ(Pixels(*dest), (std::vector<uint32_t>{f, f, c.key, 6, f, f, 8, c.paddedKey, f, f, f, f}));
}

INSTANTIATE_TEST_SUITE_P(
    FormatsAndPitches, SurfaceBlit,
    ::testing::Values(BlitCase{"X8R8G8B8 packed", kFormatX8R8G8B8, 0, 0, 0x00FF00FF, 0xFFFF00FF},
                      BlitCase{"X8R8G8B8 padded to upward", kFormatX8R8G8B8, 20, -24, 0x00FF00FF, 0x80FF00FF},
                      BlitCase{"R5G6B5 upward to padded", kFormatR5G6B5, -6, 10, 0xF81F, 0xF81F},
                      BlitCase{"X1R5G5B5 packed", kFormatX1R5G5B5, 0, 0, 0x7C1F, 0xFC1F},
                      BlitCase{"X1R5G5B5 padded to upward", kFormatX1R5G5B5, 8, -12, 0x7C1F, 0xFC1F},
                      BlitCase{"X8B8G8R8 upward", kFormatX8B8G8R8, -12, -16, 0x00123456, 0x7F123456}));

TEST(Surface, KeyRangeLeavesOutEveryColourBetweenLowAndHigh)
{
    const auto dest = MakeSurface(4, 1);
    const auto source = MakeSurface(4, 1);
    Pixels(*source, {0x10, 0x11, 0x13, 0x14});
    source->SetColorKey(0x11, 0x13);
    ASSERT_EQ(dest->Blt(nullptr, source.get(), nullptr, kBltKeySrc), kDDOk);
    EXPECT_EQ(Pixels(*dest), (std::vector<uint32_t>{0x10, 0, 0, 0x14}));
}

struct RectCase {
    const char* name;
    SurfaceRect dest;
    SurfaceRect source;
};

class SurfaceBadRect : public ::testing::TestWithParam<RectCase> {};

// Destination 4 × 3, source 3 × 2.
TEST_P(SurfaceBadRect, IsInvalidRectAndTouchesNothing)
{
    const auto dest = MakeSurface(4, 3, kFormatR5G6B5, 10);
    const auto source = MakeSurface(3, 2, kFormatR5G6B5);
    Pixels(*source, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(dest->Blt(&GetParam().dest, source.get(), &GetParam().source, kBltWait), kDDErrInvalidRect);
    EXPECT_EQ(Pixels(*dest), std::vector<uint32_t>(12, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Outside, SurfaceBadRect,
    ::testing::Values(RectCase{"dest past right", {2, 0, 5, 2}, {0, 0, 3, 2}},
                      RectCase{"dest past bottom", {0, 2, 3, 4}, {0, 0, 3, 2}},
                      RectCase{"dest left of 0", {-1, 0, 2, 2}, {0, 0, 3, 2}},
                      RectCase{"dest empty", {1, 1, 1, 2}, {0, 0, 3, 2}},
                      RectCase{"dest inverted", {3, 2, 0, 0}, {0, 0, 3, 2}},
                      RectCase{"source above 0", {0, 0, 3, 2}, {0, -1, 3, 1}},
                      RectCase{"source past bottom", {0, 0, 3, 2}, {0, 1, 3, 3}},
                      RectCase{"source far out", {0, 0, 1, 1}, {INT32_MAX - 1, 0, INT32_MAX, 1}}));

struct StretchCase {
    const char* name;
    int32_t sourceWidth;
    std::vector<uint32_t> sampled;
};

class SurfaceStretch : public ::testing::TestWithParam<StretchCase> {};

// Source pixel i holds i; the rows are stretched by the same rule as the
// columns, so a two-row destination from one row repeats it.
TEST_P(SurfaceStretch, TakesTheSourcePixelUnderEachPixelCentre)
{
    const StretchCase& c = GetParam();
    const auto source = MakeSurface(c.sourceWidth, 1);
    const auto dest = MakeSurface(static_cast<int32_t>(c.sampled.size()), 2);
    std::vector<uint32_t> columns(static_cast<size_t>(c.sourceWidth));
    for (size_t i = 0; i < columns.size(); ++i)
        columns[i] = static_cast<uint32_t>(i);
    Pixels(*source, columns);
    ASSERT_EQ(dest->Blt(nullptr, source.get(), nullptr, kBltWait), kDDOk);
    std::vector<uint32_t> expected = c.sampled;
    expected.insert(expected.end(), c.sampled.begin(), c.sampled.end());
    EXPECT_EQ(Pixels(*dest), expected);
}

INSTANTIATE_TEST_SUITE_P(Widths, SurfaceStretch,
                         ::testing::Values(StretchCase{"2 to 4", 2, {0, 0, 1, 1}}, StretchCase{"4 to 2", 4, {1, 3}},
                                           StretchCase{"3 to 2", 3, {0, 2}}, StretchCase{"2 to 3", 2, {0, 1, 1}},
                                           StretchCase{"5 to 1", 5, {2}}));

struct MoveCase {
    const char* name;
    SurfaceRect dest;
    SurfaceRect source;
    std::vector<uint32_t> result;
};

class SurfaceMove : public ::testing::TestWithParam<MoveCase> {};

// A 3 × 3 surface holding 1..9.
TEST_P(SurfaceMove, OverlappingAreasMoveAsIfReadFirst)
{
    const auto surface = MakeSurface(3, 3, kFormatR5G6B5, -8);
    Pixels(*surface, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    ASSERT_EQ(surface->Blt(&GetParam().dest, surface.get(), &GetParam().source, kBltWait), kDDOk);
    EXPECT_EQ(Pixels(*surface), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Directions, SurfaceMove,
    ::testing::Values(MoveCase{"right", {1, 0, 3, 3}, {0, 0, 2, 3}, {1, 1, 2, 4, 4, 5, 7, 7, 8}},
                      MoveCase{"down", {0, 1, 3, 3}, {0, 0, 3, 2}, {1, 2, 3, 1, 2, 3, 4, 5, 6}},
                      MoveCase{"up left", {0, 0, 2, 2}, {1, 1, 3, 3}, {5, 6, 3, 8, 9, 6, 7, 8, 9}},
                      MoveCase{"enlarged", {0, 0, 3, 3}, {1, 1, 2, 2}, {5, 5, 5, 5, 5, 5, 5, 5, 5}}));

TEST(Surface, FlipCopiesTheBackBufferToTheFrontAndKeepsIt)
{
    std::unique_ptr<Surface> front;
    ASSERT_EQ(Surface::CreateFlipping({2, 1, kFormatR5G6B5, 8}, front), kDDOk);
    Surface* back = front->BackBuffer();
    Pixels(*back, {1, 2});
    ASSERT_EQ(front->Flip(), kDDOk);
    EXPECT_EQ(Pixels(*front), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(Pixels(*back), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(back->Flip(), kDDErrNotFlippable);
    LockedPixels locked;
    ASSERT_EQ(back->Lock(locked), kDDOk);
    EXPECT_EQ(front->Flip(), kDDErrSurfaceBusy);
}

TEST(Surface, ALostFrontLosesItsBackBufferAndRefusesLockBlitAndFlip)
{
    std::unique_ptr<Surface> front;
    ASSERT_EQ(Surface::CreateFlipping({2, 2, kFormatX8R8G8B8, 0}, front), kDDOk);
    const auto other = MakeSurface(2, 2);
    LockedPixels locked;
    ASSERT_EQ(front->Lock(locked), kDDOk);
    front->MarkLost();
    EXPECT_EQ(front->Unlock(), kDDOk);
    EXPECT_EQ(front->BackBuffer()->Lock(locked), kDDErrSurfaceLost);
    EXPECT_EQ(other->Blt(nullptr, front.get(), nullptr, kBltWait), kDDErrSurfaceLost);
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
            for (int32_t i = 0; i < 64 * 64; ++i)
                std::memcpy(locked.bits + i * 4, &round, 4);
            source->Unlock();
        }
        done = true;
    });
    int torn = 0;
    while (!done)
        if (dest->Blt(nullptr, source.get(), nullptr, kBltWait) == kDDOk) {
            const std::vector<uint32_t> pixels = Pixels(*dest);
            torn += std::count(pixels.begin(), pixels.end(), pixels[0]) != static_cast<ptrdiff_t>(pixels.size());
        }
    writer.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
