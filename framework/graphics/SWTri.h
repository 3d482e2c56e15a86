#pragma once
// The software triangles: a strip of textured vertices is clipped triangle
// by triangle against the clip rectangle, turned into fixed point, split
// into a fan, and each triangle handed to the rasteriser that the
// combination of its features, its draw mode and the destination's pixel
// format selects from a table.

#include "framework/graphics/Color.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Rect.h"

#include <cstdint>
#include <memory>

namespace Vorn {
class MemoryImage;
} // namespace Vorn

namespace Vorn::SWTri {

// Destination pixel formats.
inline constexpr int kFormat8888 = 0x8888; // memory ARGB words with alpha
inline constexpr int kFormat888 = 0x888;   // 32-bit words whose top byte is no alpha
inline constexpr int kFormat565 = 0x565;
inline constexpr int kFormat555 = 0x555;
// 64-bit words that record what a drawing samples (TriangleLayer).
inline constexpr int kFormatRecording = 0x5A3;

// What a rasteriser receives of a vertex: 16.16 fixed point. u and v are in
// texels; the colour channels (0..255) are filled only with vertex colours.
struct FixedVertex {
    int32_t x = 0;
    int32_t y = 0;
    int32_t alpha = 0;
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
    int32_t u = 0;
    int32_t v = 0;
};

// Where the texels a drawing may sample that are not nothing (a straight
// texel of alpha 0, a premultiplied word of 0) lie: within `radius` texels
// of (u, v), texel (x, y) being the square from (x, y) to (x + 1, y + 1).
// Laid over or added, nothing leaves a 32-bit pixel as it was, so rows need
// not reach pixels whose samples lie outside. A radius below 0: the drawing
// samples nothing else.
struct TexelDisc {
    double u = 0;
    double v = 0;
    double radius = 0;
};

// The texture: ARGB words, the same premultiplied (each channel times alpha
// + 1, over 256), or a palette (straight or premultiplied) and its indices;
// rows of `width`. Beside the words, bilinear rows may take them edged
// (EdgedWords).
struct TextureInfo {
    const uint32_t* bits = nullptr;
    const uint32_t* premultiplied = nullptr;
    const uint32_t* edged = nullptr;
    const uint32_t* palette = nullptr;
    bool palettePremultiplied = false;
    const uint8_t* indices = nullptr;
    int width = 0;
    int height = 0;
    // What the drawing's samples may reach, or null: rows are drawn whole.
    const TexelDisc* disc = nullptr;
};

// `width` x `height` words with every edge texel repeated once around them:
// (width + 2) x (height + 2) words, row -1 first, each starting at column
// -1. A bilinear tap past an edge reads the texel held to it there, so the
// taps' pairs need no holding of their own. None (null) for a texture whose
// edged rows would not fit the rows' 16-bit coordinates, or that is too
// large to be worth a second copy.
std::unique_ptr<uint32_t[]> EdgedWords(const uint32_t* words, int width, int height);

// Reads through, in order, the words of texels [u0, u1] x [v0, v1] (a texel
// around them) when they are many: before a drawing that samples them, a
// texture that has left the caches comes back at the speed of a stream, not
// a line waited for at a time. `rows` rows of `width` words hold the
// texture, beginning `border` words and rows before its first texel (1 for
// EdgedWords). Reads nothing outside them, and changes nothing.
void ReadAhead(const uint32_t* words, int width, int rows, int border, double u0, double v0, double u1, double v1);
// Whether `rows` rows of `width` words are enough for ReadAhead to read any:
// most textures are too small, and their drawings need not find the box.
bool CanReadAhead(int width, int rows);

// The draw colour.
struct ColorInfo {
    int alpha = 255;
    int red = 255;
    int green = 255;
    int blue = 255;
};

// Where the triangles are drawn: the first pixel, the bytes from one row to
// the next, the size, the format, and for kFormat888 whether red lies in the
// low byte (else in bits 16-23).
struct Destination {
    uint8_t* bits = nullptr;
    int pitch = 0;
    int width = 0;
    int height = 0;
    int format = 0;
    bool redLow = false;
};

// Feature bits of the table index.
inline constexpr int kLinear = 1;
inline constexpr int kColorize = 2;
inline constexpr int kVertexColors = 4;
inline constexpr int kBlend = 8;
inline constexpr int kTextured = 16;
inline constexpr int kAdditive = 128;
inline constexpr int kTableSize = 512;

// Draws `triangles` triangles (one or two), three vertices each, in order: a
// pixel both cover takes the first one's sample first.
using Rasterizer = void (*)(const FixedVertex* vertices, int triangles, const Destination& dest,
    const TextureInfo& texture, const ColorInfo& color);

// Entry `index` of the table; null where no rasteriser exists (untextured
// triangles, and format bits of no known format).
Rasterizer RasterizerAt(int index);

// The format bits of the table index (32, 64, 96, 256 for a recording, or 0
// for kFormat8888); -1 for a format no rasteriser draws.
int FormatBits(int format);

// Room for the worst a triangle can become. Rounding can leave a clipped
// outline slightly concave, so no bound is trusted to cross it only twice:
// n vertices, of which k lie inside a bound, cross it at most
// 2 * min(k, n - k) times (an even number, at most n), and so become at
// most n * 3 / 2. Over the four bounds 3 -> 4 -> 6 -> 9 -> 13, with at most
// 2 + 4 + 6 + 8 vertices made.
inline constexpr int kMaxClippedVertices = 13;
inline constexpr int kMaxClipListLength = kMaxClippedVertices + 1;
inline constexpr int kMaxClipVertices = 20;
struct ClipPool {
    TriangleVertex vertices[kMaxClipVertices];
    int count = 0;
};

// Sutherland-Hodgman against one bound: x or y at least or at most `bound`.
// Lists are of pointers ended by null; returns the output's length. The
// whole outline is refused (0) when an edge to be cut spans a difference
// of x, y, u or v that float cannot hold, or when the pool has no room
// left; a vertex made at the bound that is not finite is left out.
enum class Bound { MinX, MaxX, MinY, MaxY };
int ClipEdge(const TriangleVertex* const* in, const TriangleVertex** out, float bound, Bound kind, ClipPool& pool);
// The vertex where the edge from the outside vertex a to the inside vertex b
// meets the bound on x (or y).
void InterpolateVertex(const TriangleVertex& a, const TriangleVertex& b, float bound, bool onX,
    TriangleVertex& out);
// One triangle against the four bounds into `out` (kMaxClipListLength
// entries); returns the clipped vertex count (0 when fewer than three are
// left or the triangle is refused).
int ClipPolygon(const TriangleVertex* a, const TriangleVertex* b, const TriangleVertex* c,
    const TriangleVertex** out, const FRect& bounds, ClipPool& pool);

// Draws a triangle strip: triangles (j, j + 1, j + 2) for even j and (j,
// j + 2, j + 1) for odd j. A texture's pixels are read through its palette
// when it has one. A vertex colour of 0 (or all of them, without vertex
// colours) stands for the draw colour. Any mode but normal adds. Vertices
// that are not finite drop their triangle.
void DrawTriangles(const TriangleVertex* strip, int count, MemoryImage* texture, const Destination& dest,
    bool linear, bool vertexColors, const Rect& clip, const Color& color, int mode);

// One fixed-point triangle to the rasteriser of its features.
void DispatchTriangle(int features, const FixedVertex* vertices, const Destination& dest,
    const TextureInfo& texture, const ColorInfo& color);
// Two triangles of the same features (six vertices) to their rasteriser at
// once: one walk down their rows.
void DispatchTrianglePair(int features, const FixedVertex* vertices, const Destination& dest,
    const TextureInfo& texture, const ColorInfo& color);

} // namespace Vorn::SWTri
