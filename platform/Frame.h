#pragma once
// A finished picture handed over for presentation: rows of pixels in one of
// the display's formats, read where they lie.

#include "platform/PixelFormat.h"

#include <cstdint>

namespace Platform {

struct Frame {
    const void* pixels = nullptr;
    int pitch = 0; // bytes from the start of one row to the next
    int width = 0;
    int height = 0;
    PixelFormat format = kFormatX8R8G8B8;
};

// The largest side a frame may have.
inline constexpr int kMaxFrameSide = 16384;

// Pixels present, 1..kMaxFrameSide on each side, 16 or 32 bits per pixel and
// rows that do not overlap (pitch at least a row's bytes).
bool IsReadable(const Frame& frame);

// Writes the frame as opaque 0xFFRRGGBB words, `destinationPitch` bytes from
// row to row. Channels narrower than 8 bits are widened by repeating their
// high bits, so full intensity stays full (5-bit 31 becomes 255). False, with
// nothing written, when the frame is not readable or the destination pitch
// is shorter than a row or not a whole number of words.
bool ConvertToXrgb8888(const Frame& frame, uint32_t* destination, int destinationPitch);
// The same, the frame's rows also copied as they are into `copy`, rows
// `copyPitch` bytes apart, in the same pass. False, with nothing written
// anywhere, as above and for copy rows shorter than the frame's.
bool ConvertToXrgb8888(const Frame& frame, uint32_t* destination, int destinationPitch, uint8_t* copy, int copyPitch);

// The frame's rows as they are into `copy`, rows `copyPitch` bytes apart.
// False, with nothing written, for an unreadable frame, no copy or copy
// rows shorter than the frame's.
bool CopyFrame(const Frame& frame, uint8_t* copy, int copyPitch);

// The same as ConvertToXrgb8888, scaled to width x height by area (CoverageScaler.h): each
// written pixel is the mean of the part of the frame it covers, and a whole
// number of pixels per frame pixel gives exact copies. False, with nothing
// written, for an unreadable frame, a size outside 1..kMaxFrameSide or a
// destination pitch that is too short or not a whole number of words.
bool ScaleToXrgb8888(const Frame& frame, uint32_t* destination, int destinationPitch, int width, int height);

// The same filter into pixels of `format`, 16 or 32 bits (the screen of a
// mode larger than the frame): each channel rounded to the nearest the
// format holds. False, with nothing written, as above, and for a format of
// another size or a pitch that is not a whole number of pixels.
bool ScaleToFormat(const Frame& frame, void* destination, int destinationPitch, const PixelFormat& format, int width,
                   int height);

} // namespace Platform
