#include "platform/Surface.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace Platform {

namespace {

constexpr int64_t kMaxBytes = std::numeric_limits<int32_t>::max();

bool IsContiguousMaskWithin(uint32_t mask, uint32_t pixelBits)
{
    if (mask == 0 || (mask & ~pixelBits) != 0)
        return false;
    return std::has_single_bit((mask >> std::countr_zero(mask)) + 1u);
}

// The conversions that callers derive from a format (shift, bit count,
// channel tables) hold only for disjoint runs of bits inside the pixel.
bool IsUsableFormat(const PixelFormat& format)
{
    if (format.bitsPerPixel != 16 && format.bitsPerPixel != 32)
        return false;
    const uint32_t pixelBits = format.bitsPerPixel == 32 ? 0xFFFFFFFFu : 0xFFFFu;
    return IsContiguousMaskWithin(format.redMask, pixelBits) && IsContiguousMaskWithin(format.greenMask, pixelBits)
           && IsContiguousMaskWithin(format.blueMask, pixelBits) && (format.redMask & format.greenMask) == 0
           && (format.redMask & format.blueMask) == 0 && (format.greenMask & format.blueMask) == 0;
}

template <typename Pixel>
Pixel Load(const uint8_t* at)
{
    Pixel value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename Pixel>
void Store(uint8_t* at, Pixel value)
{
    std::memcpy(at, &value, sizeof value);
}

// A rectangle of pixels somewhere in memory: the top-left pixel of the
// rectangle, the pitch, and the size.
struct PixelBlock {
    const uint8_t* origin;
    int32_t pitch;
    int32_t width;
    int32_t height;

    const uint8_t* Row(int32_t y) const { return origin + static_cast<ptrdiff_t>(y) * pitch; }
};

struct Key {
    uint32_t colorMask;
    uint32_t low;
    uint32_t high;

    bool Matches(uint32_t pixel) const
    {
        const uint32_t color = pixel & colorMask;
        return color >= low && color <= high;
    }
};

// Source row or column under each destination row or column, sampled at
// pixel centres: destination i of n covers source (2i + 1) · m / 2n of m.
std::vector<int32_t> NearestMap(int32_t destCount, int32_t sourceCount)
{
    std::vector<int32_t> map(static_cast<size_t>(destCount));
    for (int32_t i = 0; i < destCount; ++i)
        map[static_cast<size_t>(i)] =
            static_cast<int32_t>((2 * int64_t{i} + 1) * sourceCount / (2 * int64_t{destCount}));
    return map;
}

template <typename Pixel>
void CopyBlock(uint8_t* dest, int32_t destPitch, int32_t destWidth, int32_t destHeight, const PixelBlock& source,
               const Key* key)
{
    if (!key && destWidth == source.width && destHeight == source.height) {
        const size_t rowBytes = static_cast<size_t>(destWidth) * sizeof(Pixel);
        for (int32_t y = 0; y < destHeight; ++y)
            std::memcpy(dest + static_cast<ptrdiff_t>(y) * destPitch, source.Row(y), rowBytes);
        return;
    }
    const std::vector<int32_t> columns = NearestMap(destWidth, source.width);
    const std::vector<int32_t> rows = NearestMap(destHeight, source.height);
    for (int32_t y = 0; y < destHeight; ++y) {
        uint8_t* out = dest + static_cast<ptrdiff_t>(y) * destPitch;
        const uint8_t* in = source.Row(rows[static_cast<size_t>(y)]);
        for (int32_t x = 0; x < destWidth; ++x) {
            const auto pixel = Load<Pixel>(in + static_cast<size_t>(columns[static_cast<size_t>(x)]) * sizeof(Pixel));
            if (!key || !key->Matches(pixel))
                Store<Pixel>(out + static_cast<size_t>(x) * sizeof(Pixel), pixel);
        }
    }
}

bool Overlap(const SurfaceRect& a, const SurfaceRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

} // namespace

Surface::Surface(const SurfaceDesc& desc, std::vector<uint8_t> pixels) : mDesc(desc), mPixels(std::move(pixels))
{
    if (mDesc.pitch < 0)
        mFirstRowOffset = static_cast<size_t>(mDesc.height - 1) * static_cast<size_t>(-int64_t{mDesc.pitch});
}

int32_t Surface::Make(SurfaceDesc desc, std::unique_ptr<Surface>& out)
{
    out.reset();
    if (!IsUsableFormat(desc.format))
        return kDDErrInvalidPixelFormat;
    if (desc.width < 1 || desc.height < 1)
        return kDDErrInvalidParams;
    const int64_t pixelBytes = desc.format.BytesPerPixel();
    const int64_t rowBytes = desc.width * pixelBytes;
    if (rowBytes > kMaxBytes)
        return kDDErrTooBigSize;
    if (desc.pitch == 0)
        desc.pitch = static_cast<int32_t>(rowBytes);
    const int64_t stride = desc.pitch < 0 ? -int64_t{desc.pitch} : desc.pitch;
    if (stride < rowBytes || stride % pixelBytes != 0)
        return kDDErrInvalidParams;
    if (stride * desc.height > kMaxBytes)
        return kDDErrTooBigSize;
    try {
        std::vector<uint8_t> pixels(static_cast<size_t>(stride * desc.height));
        out.reset(new Surface(desc, std::move(pixels)));
    } catch (const std::bad_alloc&) {
        return kDDErrOutOfMemory;
    }
    return kDDOk;
}

int32_t Surface::Create(const SurfaceDesc& desc, std::unique_ptr<Surface>& out)
{
    return Make(desc, out);
}

int32_t Surface::CreateFlipping(const SurfaceDesc& desc, std::unique_ptr<Surface>& out)
{
    std::unique_ptr<Surface> back;
    const int32_t result = Make(desc, back);
    if (result != kDDOk) {
        out.reset();
        return result;
    }
    const int32_t frontResult = Make(desc, out);
    if (frontResult == kDDOk)
        out->mBack = std::move(back);
    return frontResult;
}

int32_t Surface::Lock(LockedPixels& out)
{
    const std::lock_guard lock(mMutex);
    if (mLost)
        return kDDErrSurfaceLost;
    ++mLockCount;
    out = LockedPixels{FirstRow(), mDesc.pitch};
    return kDDOk;
}

int32_t Surface::Unlock()
{
    const std::lock_guard lock(mMutex);
    if (mLockCount == 0)
        return kDDErrNotLocked;
    --mLockCount;
    return kDDOk;
}

int Surface::LockCount() const
{
    const std::lock_guard lock(mMutex);
    return mLockCount;
}

void Surface::SetColorKey(uint32_t low, uint32_t high)
{
    const std::lock_guard lock(mMutex);
    mHasColorKey = true;
    mKeyLow = low;
    mKeyHigh = high;
}

int32_t Surface::GetColorKey(uint32_t& low, uint32_t& high) const
{
    const std::lock_guard lock(mMutex);
    if (!mHasColorKey)
        return kDDErrNoColorKey;
    low = mKeyLow;
    high = mKeyHigh;
    return kDDOk;
}

bool Surface::Contains(const SurfaceRect& rect) const
{
    return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom
           && rect.right <= mDesc.width && rect.bottom <= mDesc.height;
}

int32_t Surface::Blt(const SurfaceRect* destRect, const Surface* source, const SurfaceRect* sourceRect,
                     uint32_t flags)
{
    if (!source || (flags & ~(kBltKeySrc | kBltWait)) != 0)
        return kDDErrInvalidParams;
    const SurfaceRect dest = destRect ? *destRect : SurfaceRect{0, 0, mDesc.width, mDesc.height};
    const SurfaceRect from = sourceRect ? *sourceRect : SurfaceRect{0, 0, source->mDesc.width, source->mDesc.height};
    if (!Contains(dest) || !source->Contains(from))
        return kDDErrInvalidRect;
    if (source->mDesc.format != mDesc.format)
        return kDDErrInvalidPixelFormat;

    std::unique_lock ownLock(mMutex, std::defer_lock);
    std::unique_lock sourceLock(source->mMutex, std::defer_lock);
    if (source == this)
        ownLock.lock();
    else
        std::lock(ownLock, sourceLock);
    if (mLost || source->mLost)
        return kDDErrSurfaceLost;
    if (mLockCount > 0 || source->mLockCount > 0)
        return kDDErrSurfaceBusy;
    if ((flags & kBltKeySrc) != 0 && !source->mHasColorKey)
        return kDDErrNoColorKey;

    const int32_t pixelBytes = mDesc.format.BytesPerPixel();
    PixelBlock block{source->FirstRow() + static_cast<ptrdiff_t>(from.top) * source->mDesc.pitch
                         + static_cast<ptrdiff_t>(from.left) * pixelBytes,
                     source->mDesc.pitch, from.right - from.left, from.bottom - from.top};
    // Overlapping areas of one surface are copied from a snapshot, so the
    // result is that of a move whatever the direction or the stretch.
    std::vector<uint8_t> snapshot;
    if (source == this && Overlap(dest, from)) {
        const int32_t rowBytes = block.width * pixelBytes;
        snapshot.resize(static_cast<size_t>(rowBytes) * static_cast<size_t>(block.height));
        for (int32_t y = 0; y < block.height; ++y)
            std::memcpy(snapshot.data() + static_cast<size_t>(y) * static_cast<size_t>(rowBytes), block.Row(y),
                        static_cast<size_t>(rowBytes));
        block.origin = snapshot.data();
        block.pitch = rowBytes;
    }

    const uint32_t colorMask = mDesc.format.redMask | mDesc.format.greenMask | mDesc.format.blueMask;
    const Key sourceKey{colorMask, source->mKeyLow & colorMask, source->mKeyHigh & colorMask};
    const Key* usedKey = (flags & kBltKeySrc) != 0 ? &sourceKey : nullptr;
    uint8_t* out =
        FirstRow() + static_cast<ptrdiff_t>(dest.top) * mDesc.pitch + static_cast<ptrdiff_t>(dest.left) * pixelBytes;
    const int32_t width = dest.right - dest.left;
    const int32_t height = dest.bottom - dest.top;
    if (pixelBytes == 2)
        CopyBlock<uint16_t>(out, mDesc.pitch, width, height, block, usedKey);
    else
        CopyBlock<uint32_t>(out, mDesc.pitch, width, height, block, usedKey);
    return kDDOk;
}

int32_t Surface::Flip()
{
    if (!mBack)
        return kDDErrNotFlippable;
    const std::scoped_lock lock(mMutex, mBack->mMutex);
    if (mLost || mBack->mLost)
        return kDDErrSurfaceLost;
    if (mLockCount > 0 || mBack->mLockCount > 0)
        return kDDErrSurfaceBusy;
    std::memcpy(mPixels.data(), mBack->mPixels.data(), mPixels.size());
    return kDDOk;
}

void Surface::MarkLost()
{
    const std::lock_guard lock(mMutex);
    mLost = true;
    if (mBack)
        mBack->MarkLost();
}

} // namespace Platform
