#pragma once
// A font of the desktop by face name, for text the framework draws in
// software: the metrics of the face at a pixel size and, per character of
// the framework's Windows-1252 text, its advance and its anti-aliased
// coverage. The faces the framework was written for ("Arial", "Arial Unicode
// MS", "Tahoma") stand for the desktop's sans-serif face; any other name is
// looked up as it is, and a face the desktop does not know gives the closest
// one it has.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Platform {

// One character as drawn at the pen: `coverage` holds `width` x `height`
// values 0..255, row after row; its left column lies `left` pixels right of
// the pen, its top row `top` pixels above the baseline.
struct GlyphImage {
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;
};

class SystemFont {
public:
    // Character heights are held to this: larger requests draw at this size,
    // so that one glyph, and the cache of them, stays small.
    static constexpr int kMaxPixelSize = 256;

    // The face of that name and style with characters `pixelSize` pixels
    // high (the em); null when the desktop has no face at all or the size is
    // below 1. Bold and italic come from the face's own styles; where the
    // desktop has none, the outlines are slanted or thickened instead.
    static std::unique_ptr<SystemFont> Open(const std::string& face, int pixelSize, bool bold, bool italic);

    virtual ~SystemFont() = default;

    // Whole pixels above and below the baseline.
    virtual int Ascent() const = 0;
    virtual int Descent() const = 0;
    // The underline's top row, in pixels below the baseline (negative above
    // it), and its thickness, at least 1.
    virtual int UnderlineTop() const = 0;
    virtual int UnderlineThickness() const = 0;
    // The glyph of a Windows-1252 byte; a character the face lacks gives the
    // face's missing-character glyph.
    virtual const GlyphImage& Glyph(unsigned char c) = 0;
};

} // namespace Platform
