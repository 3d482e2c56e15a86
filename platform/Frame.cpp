#include "platform/Frame.h"

#include "platform/CoverageScaler.h"
#include "platform/PixelConverter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Platform {

bool IsReadable(const Frame& frame)
{
    if (!frame.pixels || frame.width < 1 || frame.height < 1 || frame.width > kMaxFrameSide ||
        frame.height > kMaxFrameSide)
        return false;
    if (frame.format.bitsPerPixel != 16 && frame.format.bitsPerPixel != 32)
        return false;
    return int64_t{frame.pitch} >= int64_t{frame.width} * frame.format.BytesPerPixel();
}

namespace {

bool HoldsConvertedRows(const Frame& frame, const uint32_t* destination, int destinationPitch)
{
    return IsReadable(frame) && destination && destinationPitch % 4 == 0 &&
           int64_t{destinationPitch} >= int64_t{frame.width} * 4;
}

bool HoldsCopiedRows(const Frame& frame, const uint8_t* copy, int copyPitch)
{
    return IsReadable(frame) && copy && int64_t{copyPitch} >= int64_t{frame.width} * frame.format.BytesPerPixel();
}

// Every row converted, and copied where there is a copy.
void ConvertRows(const Frame& frame, uint32_t* destination, int destinationPitch, uint8_t* copy, int copyPitch)
{
    const PixelConverter converter(frame.format);
    const auto* sourceRow = static_cast<const uint8_t*>(frame.pixels);
    auto* destinationRow = reinterpret_cast<uint8_t*>(destination);
    for (int y = 0; y < frame.height; ++y) {
        auto* words = reinterpret_cast<uint32_t*>(destinationRow);
        if (copy) {
            converter.WordsCopying(sourceRow, words, copy, frame.width);
            copy += copyPitch;
        } else {
            converter.Words(sourceRow, words, frame.width);
        }
        sourceRow += frame.pitch;
        destinationRow += destinationPitch;
    }
}

} // namespace

bool ConvertToXrgb8888(const Frame& frame, uint32_t* destination, int destinationPitch)
{
    if (!HoldsConvertedRows(frame, destination, destinationPitch))
        return false;
    ConvertRows(frame, destination, destinationPitch, nullptr, 0);
    return true;
}

bool ConvertToXrgb8888(const Frame& frame, uint32_t* destination, int destinationPitch, uint8_t* copy, int copyPitch)
{
    if (!HoldsConvertedRows(frame, destination, destinationPitch) || !HoldsCopiedRows(frame, copy, copyPitch))
        return false;
    ConvertRows(frame, destination, destinationPitch, copy, copyPitch);
    return true;
}

bool CopyFrame(const Frame& frame, uint8_t* copy, int copyPitch)
{
    if (!HoldsCopiedRows(frame, copy, copyPitch))
        return false;
    const auto* row = static_cast<const uint8_t*>(frame.pixels);
    const size_t rowBytes = static_cast<size_t>(frame.width) * static_cast<size_t>(frame.format.BytesPerPixel());
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(copy + static_cast<ptrdiff_t>(y) * copyPitch, row + static_cast<ptrdiff_t>(y) * frame.pitch,
                    rowBytes);
    return true;
}

bool ScaleToXrgb8888(const Frame& frame, uint32_t* destination, int destinationPitch, int width, int height)
{
    if (destinationPitch % 4 != 0)
        return false;
    return ScaleToFormat(frame, destination, destinationPitch, kFormatX8R8G8B8, width, height);
}

bool ScaleToFormat(const Frame& frame, void* destination, int destinationPitch, const PixelFormat& format, int width,
                   int height)
{
    const int bytes = format.BytesPerPixel();
    if (!IsReadable(frame) || !destination || width < 1 || height < 1 || width > kMaxFrameSide ||
        height > kMaxFrameSide || (format.bitsPerPixel != 16 && format.bitsPerPixel != 32) || destinationPitch % bytes != 0 ||
        int64_t{destinationPitch} < int64_t{width} * bytes)
        return false;
    const bool wordAligned = reinterpret_cast<uintptr_t>(destination) % alignof(uint32_t) == 0;
    if (format == kFormatX8R8G8B8 && wordAligned && width == frame.width && height == frame.height)
        return ConvertToXrgb8888(frame, static_cast<uint32_t*>(destination), destinationPitch);
    CoverageScaler(frame.width, frame.height, width, height)
        .Scale(frame, static_cast<uint8_t*>(destination), destinationPitch, format);
    return true;
}

} // namespace Platform
