// The vortex at the end of the track: a dark swirling hole (drawn over the
// balls that reach it) and a lighter swirl over it that turns more slowly.

#include "tools/datagen/Canvas.h"
#include "tools/datagen/Makers.h"

#include <cmath>

namespace DataGen {

namespace {

constexpr int kSide = 180;
constexpr double kCentre = kSide / 2.0;

// `arms` spiral arms from radius `inner` to `outer`, each turning by `sweep`
// radians, `width` wide at the centre and tapering outwards.
void Spiral(cairo_t* cr, int arms, double inner, double outer, double sweep, double width, double phase)
{
    constexpr int kSteps = 60;
    for (int arm = 0; arm < arms; ++arm) {
        const double base = phase + arm * 2.0 * M_PI / arms;
        cairo_new_sub_path(cr);
        for (int side = 0; side < 2; ++side) {
            for (int i = 0; i <= kSteps; ++i) {
                const double t = side == 0 ? static_cast<double>(i) / kSteps : 1.0 - static_cast<double>(i) / kSteps;
                const double r = inner + (outer - inner) * t;
                const double w = width * (1.0 - t) + 0.6;
                const double a = base + sweep * t + (side == 0 ? 1.0 : -1.0) * w / (2.0 * r);
                cairo_line_to(cr, kCentre + r * std::cos(a), kCentre + r * std::sin(a));
            }
        }
        cairo_close_path(cr);
    }
}

} // namespace

void MakeVortex(Files& packed)
{
    Canvas bottom(kSide, kSide);
    cairo_t* cr = bottom.Cr();
    cairo_pattern_t* hole = cairo_pattern_create_radial(kCentre, kCentre, 0.0, kCentre, kCentre, 86.0);
    AddStop(hole, 0.0, Hex(0x000000), 1.0);
    AddStop(hole, 0.22, Hex(0x080418), 0.98);
    AddStop(hole, 0.45, Hex(0x2A1050), 0.8);
    AddStop(hole, 0.75, Hex(0x3A2080), 0.35);
    AddStop(hole, 1.0, Hex(0x4A30A0), 0.0);
    cairo_set_source(cr, hole);
    cairo_paint(cr);
    cairo_pattern_destroy(hole);
    cairo_pattern_t* arms = cairo_pattern_create_radial(kCentre, kCentre, 8.0, kCentre, kCentre, 88.0);
    AddStop(arms, 0.0, Hex(0xE0FFFF), 0.95);
    AddStop(arms, 0.35, Hex(0x60C8FF), 0.75);
    AddStop(arms, 0.75, Hex(0x8040E0), 0.35);
    AddStop(arms, 1.0, Hex(0x6030C0), 0.0);
    cairo_set_source(cr, arms);
    Spiral(cr, 5, 10.0, 86.0, 2.6, 11.0, 0.0);
    cairo_fill(cr);
    cairo_pattern_destroy(arms);
    Blur(bottom, 2);
    // The deep middle stays dark over the arms.
    cairo_pattern_t* core = cairo_pattern_create_radial(kCentre, kCentre, 0.0, kCentre, kCentre, 24.0);
    AddStop(core, 0.0, Hex(0x000000), 1.0);
    AddStop(core, 1.0, Hex(0x000000), 0.0);
    cairo_set_source(cr, core);
    cairo_paint(cr);
    cairo_pattern_destroy(core);
    packed.push_back({"images/vortex_bottom.png", bottom.Png()});

    Canvas top(kSide, kSide);
    cr = top.Cr();
    cairo_pattern_t* glow = cairo_pattern_create_radial(kCentre, kCentre, 20.0, kCentre, kCentre, 88.0);
    AddStop(glow, 0.0, Hex(0xFFFFFF), 0.0);
    AddStop(glow, 0.3, Hex(0xFFFFFF), 0.55);
    AddStop(glow, 0.7, Hex(0xB0E0FF), 0.3);
    AddStop(glow, 1.0, Hex(0x9070FF), 0.0);
    cairo_set_source(cr, glow);
    Spiral(cr, 3, 22.0, 88.0, 1.8, 6.0, 0.5);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo_new_path(cr);
    cairo_arc(cr, kCentre, kCentre, 40.0, 0.0, 2.0 * M_PI);
    cairo_set_source_rgba(cr, 0.75, 0.9, 1.0, 0.18);
    cairo_set_line_width(cr, 3.0);
    cairo_stroke(cr);
    Blur(top, 2);
    packed.push_back({"images/vortex_top.png", top.Png()});
}

} // namespace DataGen
