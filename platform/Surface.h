#pragma once
// A pixel surface in memory: what the display draws into, blits between and
// presents from. Results are DirectDraw's numbers, because the display turns
// them into the names of its error texts and compares some of them.

#include "platform/PixelFormat.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Platform {

inline constexpr int32_t kDDOk = 0;
inline constexpr int32_t kDDErrInvalidParams = static_cast<int32_t>(0x80070057);
inline constexpr int32_t kDDErrOutOfMemory = static_cast<int32_t>(0x8007000E);
inline constexpr int32_t kDDErrInvalidPixelFormat = static_cast<int32_t>(0x88760091);
inline constexpr int32_t kDDErrInvalidRect = static_cast<int32_t>(0x88760096);
inline constexpr int32_t kDDErrNoColorKey = static_cast<int32_t>(0x887600D7);
inline constexpr int32_t kDDErrSurfaceBusy = static_cast<int32_t>(0x887601AE);
inline constexpr int32_t kDDErrSurfaceLost = static_cast<int32_t>(0x887601C2);
inline constexpr int32_t kDDErrTooBigSize = static_cast<int32_t>(0x887601E0);
inline constexpr int32_t kDDErrNotFlippable = static_cast<int32_t>(0x88760246);
inline constexpr int32_t kDDErrNotLocked = static_cast<int32_t>(0x88760248);

// Blt flags, with DirectDraw's values. Waiting is accepted and means nothing
// here: a memory blit is finished when the call returns.
inline constexpr uint32_t kBltKeySrc = 0x00008000;
inline constexpr uint32_t kBltWait = 0x01000000;

// Left, top, right, bottom: right and bottom lie just outside.
struct SurfaceRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct SurfaceDesc {
    int32_t width = 0;
    int32_t height = 0;
    PixelFormat format;
    // Bytes from one row to the next; negative when rows are stored bottom-up.
    // 0 at creation asks for rows packed without padding.
    int32_t pitch = 0;
};

// What a Lock hands out: the first pixel of the top row, and the pitch.
struct LockedPixels {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
};

class Surface {
public:
    // Sizes from 1, 16 or 32 bits per pixel with three disjoint non-empty
    // masks inside the pixel, a pitch that holds a row and is a whole number
    // of pixels, and no more than 2^31 - 1 bytes in all (callers address
    // pixels as row × pitch in 32 bits). The pixels start zeroed.
    static int32_t Create(const SurfaceDesc& desc, std::unique_ptr<Surface>& out);
    // The same, with one back buffer of the same description attached: the
    // display draws into the back buffer and flips it to the front.
    static int32_t CreateFlipping(const SurfaceDesc& desc, std::unique_ptr<Surface>& out);

    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    const SurfaceDesc& GetSurfaceDesc() const { return mDesc; }
    int32_t Width() const { return mDesc.width; }
    int32_t Height() const { return mDesc.height; }
    int32_t Pitch() const { return mDesc.pitch; }
    const PixelFormat& Format() const { return mDesc.format; }

    // Null unless the surface was made flipping.
    Surface* BackBuffer() const { return mBack.get(); }

    // Locks nest: each Lock counts one up and hands out the same pixels, each
    // Unlock counts one down. The pixels stay where they are for the
    // surface's whole life, locked or not.
    int32_t Lock(LockedPixels& out);
    int32_t Unlock();
    int LockCount() const;

    // The source colour key: a pixel of this surface, blitted from it with
    // kBltKeySrc, is left out when its colour bits lie between the colour
    // bits of low and high. Padding bits take no part, so a 5-5-5 pixel with
    // its top bit set still matches.
    void SetColorKey(uint32_t low, uint32_t high);
    // kDDErrNoColorKey when none was set.
    int32_t GetColorKey(uint32_t& low, uint32_t& high) const;

    // Copies the source rectangle into the destination rectangle (null: the
    // whole surface), stretched by nearest pixel when the sizes differ: the
    // pixel whose centre lies under each destination pixel's centre. Both
    // surfaces have the same pixel format; both rectangles lie inside their
    // surfaces with a positive size, else kDDErrInvalidRect and nothing is
    // written. A blit within one surface reads the whole source before it
    // writes. A locked surface takes no blit (kDDErrSurfaceBusy): a locking
    // caller unlocks around it.
    int32_t Blt(const SurfaceRect* destRect, const Surface* source, const SurfaceRect* sourceRect,
                uint32_t flags);

    // Copies the back buffer to the front, which is what presentation reads;
    // the back buffer keeps its pixels.
    int32_t Flip();

    // A lost surface refuses Lock, Blt and Flip with kDDErrSurfaceLost until
    // it is released; its pixels stay readable through locks taken before.
    // The presentation marks its surfaces lost when the output device is
    // reset, so that the display is set up again.
    void MarkLost();

private:
    Surface(const SurfaceDesc& desc, std::vector<uint8_t> pixels);

    static int32_t Make(SurfaceDesc desc, std::unique_ptr<Surface>& out);
    uint8_t* FirstRow() { return mPixels.data() + mFirstRowOffset; }
    const uint8_t* FirstRow() const { return mPixels.data() + mFirstRowOffset; }
    bool Contains(const SurfaceRect& rect) const;

    SurfaceDesc mDesc;
    std::vector<uint8_t> mPixels;
    size_t mFirstRowOffset = 0;
    std::unique_ptr<Surface> mBack;
    // Guards the lock count, the key and the lost state, and the pixels
    // while a blit or flip runs: the cursor thread blits while the main thread
    // presents.
    mutable std::mutex mMutex;
    int mLockCount = 0;
    bool mHasColorKey = false;
    uint32_t mKeyLow = 0;
    uint32_t mKeyHigh = 0;
    bool mLost = false;
};

} // namespace Platform
