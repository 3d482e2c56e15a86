#pragma once
// The rows of the rasteriser eight pixels at a time in AVX2 registers, for
// 32-bit words and textures of ARGB words or palettes under one colour per
// triangle: the sprites, balls and particles of the game's frame. Bit for
// bit the rules of the generic kernel, as the SSE2 rows are.
//
// Their code lives in TriangleSpanAvx2.cpp, the only file built for AVX2;
// this header declares them and nothing of it is compiled for AVX2, so no
// copy of an inline function built for AVX2 can stand in for the one the
// rest of the program calls on a processor without it. The rows are drawn
// only while CurrentRowLevel() is RowLevel::Avx2. Part of
// TriangleRasterizer.h, which includes it where its kernels need it.

#include "framework/graphics/RowLevel.h"

#include <cstdint>
#include <type_traits>

namespace Vorn::SWTri::Avx2 {

template <typename Fetch>
inline constexpr bool kSource = std::is_same_v<Fetch, ArgbFetch> || std::is_same_v<Fetch, PremultipliedFetch> ||
                                std::is_same_v<Fetch, PaletteFetch> ||
                                std::is_same_v<Fetch, PremultipliedPaletteFetch>;

// Whether rows of this kind have an AVX2 kernel.
template <typename Target, typename Fetch, Shading Shade>
inline constexpr bool kRows = Shade == Shading::Constant &&
                              (std::is_same_v<Target, Target888<false>> || std::is_same_v<Target, Target888<true>>) &&
                              kSource<Fetch>;

// Columns [x, end) of a row of `width` pixels: those left of `split` walk
// `left`, the others `right`. Pixels past `end` that a group of eight
// reaches within the row are written back as they were. Texels are read as
// `reads` says (Loads where it is Unmeasured).
template <typename Target, typename Fetch, Sampling Mode, Compose How>
void DrawRow(const Fetch& fetch, const Tint& tint, TexelReads reads, uint32_t* row, int width, int x, int split,
    int end, const Walk& left, const Walk& right);

// A row of a drawing: columns [x, end) as DrawRow draws them, but with the
// texture positions where each walk's part starts, `leftU`, `leftV` at
// column x and `rightU`, `rightV` at column `split`; the walks' steps those
// of `left` and `right`. (The rasteriser has the positions there at hand;
// through column 0 each would cost it a product and the kernel another.)
struct QueuedRow {
    uint32_t* out;
    int x;
    int split;
    int end;
    uint32_t leftU;
    uint32_t leftV;
    uint32_t rightU;
    uint32_t rightV;
    const Walk* left;
    const Walk* right;
};

// `count` rows of one drawing, in order, as DrawRow draws each: a small
// sprite's rows are short, and entering the kernel once for all of them
// keeps its constants made once.
template <typename Target, typename Fetch, Sampling Mode, Compose How>
void DrawRows(const Fetch& fetch, const Tint& tint, TexelReads reads, int width, const QueuedRow* rows, int count);

// Premultiplied samples laid over `count` words, eight at a time: each
// channel s + (d * (256 - s_a) >> 8), as TriangleLayer lays them four at a
// time. At least eight; samples and words never share memory.
void OverRun(uint32_t* out, const uint32_t* samples, int count);

} // namespace Vorn::SWTri::Avx2
