#pragma once
// A picture being drawn: a cairo image surface of premultiplied ARGB words
// with its drawing context, and the small drawing helpers every picture of
// the data set shares.

#include <cairo.h>

#include <cstdint>
#include <string>

namespace DataGen {

class Typefaces;

// 0xRRGGBB, with a separate alpha.
struct Rgb {
    double r, g, b;
};
Rgb Hex(uint32_t rgb);
// t = 0 gives a, t = 1 gives b.
Rgb Mix(const Rgb& a, const Rgb& b, double t);
Rgb Lighter(const Rgb& c, double amount);
Rgb Darker(const Rgb& c, double amount);

class Canvas {
public:
    // Fully transparent.
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* Cr() const { return mCr; }
    cairo_surface_t* Surface() const { return mSurface; }
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    // Premultiplied 0xAARRGGBB words, row after row; flush before reading
    // and mark dirty after writing.
    uint32_t* Row(int y);
    void Flush() { cairo_surface_flush(mSurface); }
    void MarkDirty() { cairo_surface_mark_dirty(mSurface); }

    // An 8-bit RGBA PNG file, alpha kept.
    std::string Png() const;
    // An RGB JPEG file of the given quality; the picture must be opaque.
    std::string Jpeg(int quality) const;

private:
    int mWidth;
    int mHeight;
    cairo_surface_t* mSurface;
    cairo_t* mCr;
};

void SetColor(cairo_t* cr, const Rgb& c, double alpha = 1.0);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);
// A linear gradient of stops (offset, colour, alpha) from (x0, y0) to (x1, y1).
cairo_pattern_t* LinearGradient(double x0, double y0, double x1, double y1);
void AddStop(cairo_pattern_t* p, double offset, const Rgb& c, double alpha = 1.0);

enum class Align { kLeft, kCentre, kRight };

struct TextStyle {
    bool bold = true;
    double size = 24.0;
    Rgb fill{1.0, 1.0, 1.0};
    // Outline width 0: none.
    double outline = 0.0;
    Rgb outlineColor{0.0, 0.0, 0.0};
    // A soft shadow below and right of the text; alpha 0: none.
    double shadowAlpha = 0.0;
    double shadowOffset = 2.0;
};

// Text on one line with its baseline at y; returns its advance width.
double DrawText(cairo_t* cr, const Typefaces& faces, const TextStyle& style, double x, double y,
    const std::string& text, Align align);
double TextWidth(cairo_t* cr, const Typefaces& faces, const TextStyle& style, const std::string& text);

// Blurs the canvas in place (three box passes, close to a Gaussian of the
// given radius).
void Blur(Canvas& canvas, int radius);

} // namespace DataGen
