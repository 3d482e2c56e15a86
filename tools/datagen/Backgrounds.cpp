// The play field's floors: four colour themes (one per track) in four
// variants each, with light, texture and a darkened rim for depth.

#include "tools/datagen/Backgrounds.h"

#include "tools/datagen/Canvas.h"
#include "tools/datagen/Makers.h"
#include "tools/datagen/Random.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace DataGen {

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

constexpr std::array<Theme, 4> kThemes = {{
    {0x0A2E44, 0x1C7890, 0x7FE8F0, 0xE8D9A8}, // lagoon
    {0x10301A, 0x3C7A30, 0xC8F07A, 0x8A5A32}, // meadow
    {0x301028, 0xA04830, 0xFFC860, 0xC87850}, // ember
    {0x0C0C2A, 0x3A2C7C, 0x9ED0FF, 0xA8B4D0}, // night
}};

// Light pools on the floor, different per variant.
void Base(cairo_t* cr, const Theme& theme, int variant)
{
    static constexpr std::array<std::array<double, 2>, 4> kLight = {{{400, 260}, {260, 200}, {560, 220}, {420, 340}}};
    const auto& light = kLight[static_cast<size_t>(variant)];
    cairo_pattern_t* p = cairo_pattern_create_radial(light[0], light[1], 0.0, light[0], light[1], 720.0);
    AddStop(p, 0.0, Hex(theme.mid));
    AddStop(p, 0.55, Mix(Hex(theme.mid), Hex(theme.dark), 0.6));
    AddStop(p, 1.0, Hex(theme.dark));
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
}

void Bokeh(Canvas& canvas, const Theme& theme, Random& random)
{
    // Far, large and soft; then near, small and crisper.
    for (const auto& [count, minR, maxR, blur] : {std::array<int, 4>{40, 30, 90, 10}, {70, 6, 26, 2}}) {
        Canvas layer(kWidth, kHeight);
        cairo_t* cr = layer.Cr();
        for (int i = 0; i < count; ++i) {
            const double x = random.Range(-40, kWidth + 40);
            const double y = random.Range(-40, kHeight + 40);
            const double r = random.Range(minR, maxR);
            const Rgb c = Mix(Hex(theme.accent), {1, 1, 1}, random.Range(0.0, 0.4));
            cairo_new_path(cr);
            cairo_arc(cr, x, y, r, 0, 2 * M_PI);
            SetColor(cr, c, random.Range(0.05, 0.16));
            cairo_fill_preserve(cr);
            SetColor(cr, c, 0.08);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        }
        Blur(layer, blur);
        cairo_set_source_surface(canvas.Cr(), layer.Surface(), 0, 0);
        cairo_paint(canvas.Cr());
    }
}

void Tiles(Canvas& canvas, const Theme& theme, Random& random)
{
    cairo_t* cr = canvas.Cr();
    const double r = 34.0;
    const double w = std::sqrt(3.0) * r;
    const Noise noise(random.Next());
    for (int row = -1; row * 1.5 * r < kHeight + r; ++row) {
        for (int col = -1; col * w < kWidth + w; ++col) {
            const double cx = col * w + (row % 2 != 0 ? w / 2.0 : 0.0);
            const double cy = row * 1.5 * r;
            const double tone = noise.Fractal(cx / 220.0, cy / 220.0, 3) - 0.5 + random.Signed() * 0.12;
            cairo_new_path(cr);
            for (int k = 0; k < 6; ++k) {
                const double a = M_PI / 6.0 + k * M_PI / 3.0;
                cairo_line_to(cr, cx + (r - 2.5) * std::cos(a), cy + (r - 2.5) * std::sin(a));
            }
            cairo_close_path(cr);
            const Rgb fill = tone > 0 ? Hex(theme.accent) : Rgb{0, 0, 0};
            SetColor(cr, fill, std::abs(tone) * 0.22);
            cairo_fill_preserve(cr);
            // Bevel: light on the upper left rim, shade on the lower right.
            cairo_pattern_t* rim = LinearGradient(cx - r, cy - r, cx + r, cy + r);
            AddStop(rim, 0.0, {1, 1, 1}, 0.16);
            AddStop(rim, 0.5, {1, 1, 1}, 0.0);
            AddStop(rim, 0.5, {0, 0, 0}, 0.0);
            AddStop(rim, 1.0, {0, 0, 0}, 0.3);
            cairo_set_source(cr, rim);
            cairo_set_line_width(cr, 2.5);
            cairo_stroke(cr);
            cairo_pattern_destroy(rim);
        }
    }
}

// Veined stone from folded noise.
void Marble(Canvas& canvas, const Theme& theme, Random& random)
{
    const Noise noise(random.Next());
    const Rgb vein = Hex(theme.accent);
    canvas.Flush();
    for (int y = 0; y < kHeight; ++y) {
        uint32_t* row = canvas.Row(y);
        for (int x = 0; x < kWidth; ++x) {
            const double n = noise.Fractal(x / 260.0, y / 260.0, 5);
            const double v = std::abs(std::sin((x * 0.004 + y * 0.007 + n * 7.0) * M_PI));
            const double line = std::pow(1.0 - v, 6.0) * 0.22 + (n - 0.5) * 0.18;
            double r = ((row[x] >> 16) & 0xFF) / 255.0;
            double g = ((row[x] >> 8) & 0xFF) / 255.0;
            double b = (row[x] & 0xFF) / 255.0;
            if (line > 0) {
                r += (vein.r - r) * line;
                g += (vein.g - g) * line;
                b += (vein.b - b) * line;
            } else {
                r *= 1.0 + line;
                g *= 1.0 + line;
                b *= 1.0 + line;
            }
            row[x] = 0xFF000000u | static_cast<uint32_t>(std::clamp(r, 0.0, 1.0) * 255.0 + 0.5) << 16 |
                     static_cast<uint32_t>(std::clamp(g, 0.0, 1.0) * 255.0 + 0.5) << 8 |
                     static_cast<uint32_t>(std::clamp(b, 0.0, 1.0) * 255.0 + 0.5);
        }
    }
    canvas.MarkDirty();
}

// Soft diagonal swells with a scatter of small sparkles.
void Waves(Canvas& canvas, const Theme& theme, Random& random)
{
    const Noise noise(random.Next());
    canvas.Flush();
    for (int y = 0; y < kHeight; ++y) {
        uint32_t* row = canvas.Row(y);
        for (int x = 0; x < kWidth; ++x) {
            const double n = noise.Fractal(x / 300.0, y / 300.0, 3);
            const double band = std::sin(x * 0.011 - y * 0.017 + n * 5.0);
            const double shade = 1.0 + band * 0.1;
            const auto scale = [&](int shift) {
                const double c = ((row[x] >> shift) & 0xFF) * shade;
                return static_cast<uint32_t>(std::clamp(c, 0.0, 255.0) + 0.5) << shift;
            };
            row[x] = 0xFF000000u | scale(16) | scale(8) | scale(0);
        }
    }
    canvas.MarkDirty();
    cairo_t* cr = canvas.Cr();
    for (int i = 0; i < 90; ++i) {
        const double x = random.Range(0, kWidth);
        const double y = random.Range(0, kHeight);
        const double size = random.Range(1.5, 5.0);
        SetColor(cr, Mix(Hex(theme.accent), {1, 1, 1}, 0.5), random.Range(0.15, 0.45));
        cairo_new_path(cr);
        cairo_move_to(cr, x - size, y);
        cairo_curve_to(cr, x - size * 0.15, y - size * 0.15, x - size * 0.15, y - size * 0.15, x, y - size);
        cairo_curve_to(cr, x + size * 0.15, y - size * 0.15, x + size * 0.15, y - size * 0.15, x + size, y);
        cairo_curve_to(cr, x + size * 0.15, y + size * 0.15, x + size * 0.15, y + size * 0.15, x, y + size);
        cairo_curve_to(cr, x - size * 0.15, y + size * 0.15, x - size * 0.15, y + size * 0.15, x - size, y);
        cairo_fill(cr);
    }
}

// Fine grain against banding, and a darker rim that draws the eye inward.
void Finish(Canvas& canvas, Random& random)
{
    canvas.Flush();
    for (int y = 0; y < kHeight; ++y) {
        uint32_t* row = canvas.Row(y);
        for (int x = 0; x < kWidth; ++x) {
            const double dx = (x - kWidth / 2.0) / (kWidth / 2.0);
            const double dy = (y - kHeight / 2.0) / (kHeight / 2.0);
            const double vignette = 1.0 - 0.38 * std::pow(std::min(1.0, (dx * dx + dy * dy) / 2.0), 1.2);
            const double grain = 1.0 + random.Signed() * 0.025;
            const auto scale = [&](int shift) {
                const double c = ((row[x] >> shift) & 0xFF) * vignette * grain;
                return static_cast<uint32_t>(std::clamp(c, 0.0, 255.0) + 0.5) << shift;
            };
            row[x] = 0xFF000000u | scale(16) | scale(8) | scale(0);
        }
    }
    canvas.MarkDirty();
}

} // namespace

const Theme& TrackTheme(int track)
{
    return kThemes[static_cast<size_t>(track)];
}

void DrawBackground(Canvas& canvas, int track, int variant)
{
    const Theme& theme = kThemes[static_cast<size_t>(track)];
    Random random(0x5EED0000u + static_cast<uint64_t>(track * 16 + variant));
    Base(canvas.Cr(), theme, variant);
    switch (variant) {
    case 0:
        Bokeh(canvas, theme, random);
        break;
    case 1:
        Tiles(canvas, theme, random);
        break;
    case 2:
        Marble(canvas, theme, random);
        break;
    default:
        Waves(canvas, theme, random);
        break;
    }
    Finish(canvas, random);
}

void MakeBackgrounds(Files& packed)
{
    for (int track = 0; track < 4; ++track) {
        for (int variant = 0; variant < 4; ++variant) {
            Canvas canvas(kWidth, kHeight);
            DrawBackground(canvas, track, variant);
            packed.push_back({"images/bkg_" + std::to_string(track + 1) + "_" + std::to_string(variant + 1) + ".jpg",
                canvas.Jpeg(90)});
        }
    }
}

} // namespace DataGen
