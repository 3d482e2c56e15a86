#pragma once
// Destinations of the software triangles for tests: raw pixels in a vector,
// described as the rasteriser takes them.

#include "framework/graphics/SWTri.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace Testing {

// Rows of `width` pixels with no padding.
template <typename Pixel>
Vorn::SWTri::Destination DestinationOf(std::vector<Pixel>& pixels, int width, int height, int format,
    bool redLow = false)
{
    Vorn::SWTri::Destination dest;
    dest.bits = reinterpret_cast<uint8_t*>(pixels.data());
    dest.pitch = width * static_cast<int>(sizeof(Pixel));
    dest.width = width;
    dest.height = height;
    dest.format = format;
    dest.redLow = redLow;
    return dest;
}

template <typename Pixel>
struct Canvas {
    Canvas(int w, int h, int format, Pixel fill, bool redLow = false)
        : width(w), height(h), pixels(static_cast<size_t>(w * h), fill), dest(DestinationOf(pixels, w, h, format, redLow))
    {
    }
    // A copy draws into its own pixels.
    Canvas(const Canvas& other) : width(other.width), height(other.height), pixels(other.pixels), dest(other.dest)
    {
        dest.bits = reinterpret_cast<uint8_t*>(pixels.data());
    }
    Canvas& operator=(const Canvas&) = delete;
    Pixel At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    void Randomize(std::mt19937& random)
    {
        std::uniform_int_distribution<uint32_t> any;
        for (Pixel& p : pixels)
            p = static_cast<Pixel>(any(random));
    }
    int width;
    int height;
    std::vector<Pixel> pixels;
    Vorn::SWTri::Destination dest;
};

} // namespace Testing
