#include "tools/datagen/Canvas.h"

#include "tools/datagen/Typefaces.h"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace DataGen {

Rgb Hex(uint32_t rgb)
{
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

Rgb Mix(const Rgb& a, const Rgb& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Lighter(const Rgb& c, double amount)
{
    return Mix(c, {1.0, 1.0, 1.0}, amount);
}

Rgb Darker(const Rgb& c, double amount)
{
    return Mix(c, {0.0, 0.0, 0.0}, amount);
}

Canvas::Canvas(int width, int height)
    : mWidth(width), mHeight(height), mSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      mCr(cairo_create(mSurface))
{
    if (cairo_status(mCr) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot make a picture");
}

Canvas::~Canvas()
{
    cairo_destroy(mCr);
    cairo_surface_destroy(mSurface);
}

uint32_t* Canvas::Row(int y)
{
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(mSurface) +
                                       static_cast<size_t>(y) * static_cast<size_t>(cairo_image_surface_get_stride(mSurface)));
}

std::string Canvas::Png() const
{
    cairo_surface_flush(mSurface);
    std::string bytes;
    const auto append = [](void* closure, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
    };
    if (cairo_surface_write_to_png_stream(mSurface, append, &bytes) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot write a PNG picture");
    return bytes;
}

std::string Canvas::Jpeg(int quality) const
{
    cairo_surface_flush(mSurface);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(mWidth);
    info.image_height = static_cast<JDIMENSION>(mHeight);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // Full-resolution colour: the pictures have fine coloured detail.
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(mWidth) * 3);
    const unsigned char* data = cairo_image_surface_get_data(mSurface);
    const int stride = cairo_image_surface_get_stride(mSurface);
    for (int y = 0; y < mHeight; ++y) {
        const auto* source = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride));
        for (int x = 0; x < mWidth; ++x) {
            row[x * 3] = static_cast<unsigned char>(source[x] >> 16);
            row[x * 3 + 1] = static_cast<unsigned char>(source[x] >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(source[x]);
        }
        JSAMPROW rows = row.data();
        jpeg_write_scanlines(&info, &rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

void SetColor(cairo_t* cr, const Rgb& c, double alpha)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius)
{
    const double r = std::min(radius, std::min(w, h) / 2.0);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2.0, 0.0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0.0, M_PI / 2.0);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2.0, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

cairo_pattern_t* LinearGradient(double x0, double y0, double x1, double y1)
{
    return cairo_pattern_create_linear(x0, y0, x1, y1);
}

void AddStop(cairo_pattern_t* p, double offset, const Rgb& c, double alpha)
{
    cairo_pattern_add_color_stop_rgba(p, offset, c.r, c.g, c.b, alpha);
}

namespace {

void UseFace(cairo_t* cr, const Typefaces& faces, const TextStyle& style)
{
    faces.Apply(cr);
    cairo_set_font_face(cr, faces.CairoFace(style.bold));
    cairo_set_font_size(cr, style.size);
}

} // namespace

double TextWidth(cairo_t* cr, const Typefaces& faces, const TextStyle& style, const std::string& text)
{
    cairo_save(cr);
    UseFace(cr, faces, style);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_restore(cr);
    return extents.x_advance;
}

double DrawText(cairo_t* cr, const Typefaces& faces, const TextStyle& style, double x, double y,
    const std::string& text, Align align)
{
    const double width = TextWidth(cr, faces, style, text);
    if (align == Align::kCentre)
        x -= width / 2.0;
    else if (align == Align::kRight)
        x -= width;
    cairo_save(cr);
    UseFace(cr, faces, style);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (style.shadowAlpha > 0.0) {
        // Several faint copies make a soft shadow without a blur pass.
        for (int i = 0; i < 3; ++i) {
            const double spread = i * 1.2;
            cairo_new_path(cr);
            cairo_move_to(cr, x + style.shadowOffset, y + style.shadowOffset);
            cairo_text_path(cr, text.c_str());
            cairo_set_source_rgba(cr, 0, 0, 0, style.shadowAlpha / 3.0);
            cairo_set_line_width(cr, style.outline * 2.0 + spread * 2.0);
            cairo_stroke_preserve(cr);
            cairo_fill(cr);
        }
    }
    cairo_new_path(cr);
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text.c_str());
    if (style.outline > 0.0) {
        SetColor(cr, style.outlineColor);
        cairo_set_line_width(cr, style.outline * 2.0);
        cairo_stroke_preserve(cr);
    }
    SetColor(cr, style.fill);
    cairo_fill(cr);
    cairo_restore(cr);
    return width;
}

namespace {

// One horizontal and one vertical box pass of the given radius over the
// premultiplied channels.
void BoxPass(std::vector<double>& channel, std::vector<double>& scratch, int width, int height, int radius)
{
    const double scale = 1.0 / (2 * radius + 1);
    for (int y = 0; y < height; ++y) {
        double* row = channel.data() + static_cast<size_t>(y) * width;
        double sum = 0.0;
        for (int x = -radius; x <= radius; ++x)
            sum += row[std::clamp(x, 0, width - 1)];
        for (int x = 0; x < width; ++x) {
            scratch[static_cast<size_t>(y) * width + x] = sum * scale;
            sum += row[std::min(x + radius + 1, width - 1)] - row[std::max(x - radius, 0)];
        }
    }
    for (int x = 0; x < width; ++x) {
        double sum = 0.0;
        for (int y = -radius; y <= radius; ++y)
            sum += scratch[static_cast<size_t>(std::clamp(y, 0, height - 1)) * width + x];
        for (int y = 0; y < height; ++y) {
            channel[static_cast<size_t>(y) * width + x] = sum * scale;
            sum += scratch[static_cast<size_t>(std::min(y + radius + 1, height - 1)) * width + x] -
                   scratch[static_cast<size_t>(std::max(y - radius, 0)) * width + x];
        }
    }
}

} // namespace

void Blur(Canvas& canvas, int radius)
{
    if (radius < 1)
        return;
    canvas.Flush();
    const int width = canvas.Width();
    const int height = canvas.Height();
    const size_t count = static_cast<size_t>(width) * height;
    std::vector<double> scratch(count);
    const int box = std::max(1, radius / 2);
    for (int shift = 0; shift < 32; shift += 8) {
        std::vector<double> channel(count);
        for (int y = 0; y < height; ++y) {
            const uint32_t* row = canvas.Row(y);
            for (int x = 0; x < width; ++x)
                channel[static_cast<size_t>(y) * width + x] = (row[x] >> shift) & 0xFF;
        }
        for (int pass = 0; pass < 3; ++pass)
            BoxPass(channel, scratch, width, height, box);
        for (int y = 0; y < height; ++y) {
            uint32_t* row = canvas.Row(y);
            for (int x = 0; x < width; ++x) {
                const auto value = static_cast<uint32_t>(std::lround(channel[static_cast<size_t>(y) * width + x]));
                row[x] = (row[x] & ~(0xFFu << shift)) | (std::min(value, 255u) << shift);
            }
        }
    }
    // Rounding each channel on its own may leave a colour above its alpha,
    // which premultiplied words must never hold.
    for (int y = 0; y < height; ++y) {
        uint32_t* row = canvas.Row(y);
        for (int x = 0; x < width; ++x) {
            const uint32_t a = row[x] >> 24;
            const uint32_t r = std::min((row[x] >> 16) & 0xFF, a);
            const uint32_t g = std::min((row[x] >> 8) & 0xFF, a);
            const uint32_t b = std::min(row[x] & 0xFF, a);
            row[x] = a << 24 | r << 16 | g << 8 | b;
        }
    }
    canvas.MarkDirty();
}

} // namespace DataGen
