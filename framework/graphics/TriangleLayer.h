#pragma once
// What one drawing of textured triangles did to the pixels it covered, kept
// so that the very same drawing, met again, is laid from it instead of being
// sampled anew: a floor or a track drawn in the same place frame after
// frame. The layer holds each covered pixel's tinted sample and the way it
// was laid (stored, laid over, added); laying them onto whatever lies there
// now gives to the bit what drawing the triangles gives, since every pixel
// is a function of its sample and its old value alone. A drawing that covers
// a pixel twice has no layer: its second sample depends on the first.
//
// A layer belongs to the texture it was drawn from (the image, or a texture
// of the 3D device), which drops it with its pixels. A drawing is described
// by a key of bytes: whatever decides its pixels, the texture's change count
// among them.

#include "framework/graphics/SWTri.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace Vorn::SWTri {

// A drawing's description, written field after field. One too long to hold
// matches nothing. Only the bytes written are looked at.
class LayerKey {
public:
    LayerKey() = default;
    LayerKey(const LayerKey& other) : mSize(other.mSize), mOverflow(other.mOverflow)
    {
        std::memcpy(mBytes, other.mBytes, mSize);
    }
    LayerKey& operator=(const LayerKey& other)
    {
        mSize = other.mSize;
        mOverflow = other.mOverflow;
        std::memcpy(mBytes, other.mBytes, mSize);
        return *this;
    }

    template <typename T>
    LayerKey& Add(const T& value)
    {
        return AddBytes(&value, sizeof value);
    }
    LayerKey& AddBytes(const void* bytes, size_t size)
    {
        if (size > sizeof mBytes - mSize) {
            mOverflow = true;
            return *this;
        }
        std::memcpy(mBytes + mSize, bytes, size);
        mSize += size;
        return *this;
    }
    bool Valid() const { return !mOverflow && mSize > 0; }
    bool operator==(const LayerKey& other) const
    {
        return Valid() && other.Valid() && mSize == other.mSize && std::memcmp(mBytes, other.mBytes, mSize) == 0;
    }

private:
    uint8_t mBytes[640];
    size_t mSize = 0;
    bool mOverflow = false;
};

class TriangleLayer {
public:
    // How the layer answers a drawing.
    enum class Use {
        Draw,   // draw it: it is new, or has no layer
        Record, // draw it into a recording, then lay the layer made of it
        Lay,    // lay the layer: it holds this drawing
    };
    // A drawing met this many times in a row is recorded: one that changes
    // every frame never pays for a recording.
    static constexpr int kRecordAt = 3;

    Use Consider(const LayerKey& key);
    // Makes the layer of the drawing last considered from the samples
    // recorded (SampleTarget) in rows [top, bottom) of a canvas `width`
    // pixels wide, for a destination with red low or high; false (and no
    // layer for as long as the drawing stays the same) when a pixel was
    // covered twice.
    bool Build(const uint64_t* canvas, int width, int top, int bottom, bool redLow);
    // Lays the layer onto the destination it was recorded for: 32-bit words
    // of 8-bit channels, red high or low.
    void Lay(const Destination& dest) const;
    // Forgets the drawing and its layer.
    void Clear();
    // Whether it holds the layer of the drawing last considered.
    bool Built() const { return mBuilt; }

    // Room for a recording of a destination of `width` x `height` pixels,
    // rows [top, bottom) cleared (the others are never touched).
    static std::unique_ptr<uint64_t[]> Canvas(int width, int height, int top, int bottom);

private:
    struct Run {
        int row;
        int x;
        int count;
        uint8_t how;
        size_t first; // into mWords
    };

    LayerKey mKey;
    int mSeen = 0;
    bool mBuilt = false;
    bool mRefused = false;
    std::vector<Run> mRuns;
    std::vector<uint32_t> mWords;
};

} // namespace Vorn::SWTri
