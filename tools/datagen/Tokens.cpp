#include "tools/datagen/Tokens.h"

#include "tools/datagen/Canvas.h"
#include "tools/datagen/Makers.h"

#include <array>
#include <cmath>
#include <string>

namespace DataGen {

namespace {

// Side of one token picture and of one cel of the overlays: a ball of size
// 1.0 is 96 pixels across (its radius is 48 × size).
constexpr int kCel = 96;
constexpr double kRadius = 46.0;
// The inner face, where the symbol or the closed face sits.
constexpr double kFace = 0.70;

constexpr std::array<uint32_t, kTokenColors> kTokenRgb = {0xE0343A, 0xF28A1E, 0xF2C21A, 0x38B84A, 0x2F8CE6, 0x9A4CD6};

struct SymbolLook {
    uint32_t fill;
    uint32_t accent;
};

constexpr std::array<SymbolLook, kSymbols> kSymbolLooks = {{
    {0xE3263A, 0},        // heart
    {0xF2B51D, 0},        // star
    {0x4460E0, 0},        // moon
    {0xF5C800, 0},        // bolt
    {0x19A7E0, 0},        // drop
    {0x3DAA3A, 0xA8E07A}, // leaf (vein)
    {0xE0479E, 0xFFD23A}, // flower (heart of it)
    {0x9346D0, 0xFFD23A}, // crown (jewels)
    {0x2B3A80, 0},        // note
    {0x2C2C34, 0},        // spade
    {0x167A44, 0},        // club
    {0x12A99B, 0},        // diamond
    {0xF27A12, 0},        // sun
    {0x4F9FE0, 0},        // snowflake
    {0x7A8CA8, 0},        // cloud
    {0xB5762A, 0x6B4418}, // bell (clapper)
}};

void Circle(cairo_t* cr, double x, double y, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, r, 0.0, 2.0 * M_PI);
}

void Polygon(cairo_t* cr, std::initializer_list<std::array<double, 2>> points)
{
    bool first = true;
    for (const auto& p : points) {
        if (first)
            cairo_move_to(cr, p[0], p[1]);
        else
            cairo_line_to(cr, p[0], p[1]);
        first = false;
    }
    cairo_close_path(cr);
}

void HeartPath(cairo_t* cr, double flip)
{
    cairo_move_to(cr, 0.0, 0.9 * flip);
    cairo_curve_to(cr, -0.2, 0.7 * flip, -1.0, 0.25 * flip, -1.0, -0.3 * flip);
    cairo_curve_to(cr, -1.0, -0.82 * flip, -0.35, -1.0 * flip, 0.0, -0.55 * flip);
    cairo_curve_to(cr, 0.35, -1.0 * flip, 1.0, -0.82 * flip, 1.0, -0.3 * flip);
    cairo_curve_to(cr, 1.0, 0.25 * flip, 0.2, 0.7 * flip, 0.0, 0.9 * flip);
    cairo_close_path(cr);
}

void CrescentPath(cairo_t* cr)
{
    // The outer disc less an offset disc: walk the outer rim the long way
    // between the two crossings, then the inner rim back.
    const double r0 = 0.92;
    const double cx = 0.42;
    const double cy = -0.30;
    const double r1 = 0.74;
    const double d = std::hypot(cx, cy);
    const double a = (r0 * r0 - r1 * r1 + d * d) / (2.0 * d);
    const double h = std::sqrt(r0 * r0 - a * a);
    const double ux = cx / d;
    const double uy = cy / d;
    const double px = a * ux;
    const double py = a * uy;
    const double x1 = px - h * uy;
    const double y1 = py + h * ux;
    const double x2 = px + h * uy;
    const double y2 = py - h * ux;
    const double outer1 = std::atan2(y1, x1);
    const double outer2 = std::atan2(y2, x2);
    const double inner1 = std::atan2(y1 - cy, x1 - cx);
    const double inner2 = std::atan2(y2 - cy, x2 - cx);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0.0, 0.0, r0, outer1, outer2 < outer1 ? outer2 + 2.0 * M_PI : outer2);
    cairo_arc_negative(cr, cx, cy, r1, inner2, inner1);
    cairo_close_path(cr);
}

void StarPath(cairo_t* cr, int points, double outer, double inner)
{
    for (int i = 0; i < points * 2; ++i) {
        const double angle = -M_PI / 2.0 + i * M_PI / points;
        const double r = i % 2 == 0 ? outer : inner;
        if (i == 0)
            cairo_move_to(cr, r * std::cos(angle), r * std::sin(angle));
        else
            cairo_line_to(cr, r * std::cos(angle), r * std::sin(angle));
    }
    cairo_close_path(cr);
}

// The filled outline of symbol s in the unit square around the origin. Parts
// that take a second colour are drawn by DrawSymbolAccent.
void SymbolPath(cairo_t* cr, int s)
{
    switch (s) {
    case 0:
        HeartPath(cr, 1.0);
        break;
    case 1:
        StarPath(cr, 5, 1.02, 0.44);
        break;
    case 2:
        CrescentPath(cr);
        break;
    case 3:
        Polygon(cr, {{0.28, -1.0}, {-0.62, 0.18}, {-0.06, 0.18}, {-0.36, 1.0}, {0.64, -0.24}, {0.06, -0.24}, {0.5, -1.0}});
        break;
    case 4:
        cairo_move_to(cr, 0.0, -1.0);
        cairo_curve_to(cr, 0.18, -0.62, 0.74, -0.12, 0.74, 0.3);
        cairo_arc(cr, 0.0, 0.3, 0.74, 0.0, M_PI);
        cairo_curve_to(cr, -0.74, -0.12, -0.18, -0.62, 0.0, -1.0);
        cairo_close_path(cr);
        break;
    case 5:
        cairo_move_to(cr, -0.86, 0.86);
        cairo_curve_to(cr, -0.95, -0.3, -0.25, -0.92, 0.92, -0.92);
        cairo_curve_to(cr, 0.92, 0.25, 0.3, 0.95, -0.86, 0.86);
        cairo_close_path(cr);
        break;
    case 6:
        for (int i = 0; i < 5; ++i) {
            const double angle = -M_PI / 2.0 + i * 2.0 * M_PI / 5.0;
            Circle(cr, 0.56 * std::cos(angle), 0.56 * std::sin(angle), 0.42);
        }
        break;
    case 7:
        Polygon(cr, {{-0.9, 0.52}, {-1.0, -0.55}, {-0.48, -0.06}, {0.0, -0.86}, {0.48, -0.06}, {1.0, -0.55}, {0.9, 0.52}});
        cairo_rectangle(cr, -0.9, 0.6, 1.8, 0.3);
        break;
    case 8:
        cairo_save(cr);
        cairo_translate(cr, -0.5, 0.62);
        cairo_rotate(cr, -0.35);
        cairo_scale(cr, 0.34, 0.25);
        Circle(cr, 0.0, 0.0, 1.0);
        cairo_restore(cr);
        cairo_save(cr);
        cairo_translate(cr, 0.5, 0.46);
        cairo_rotate(cr, -0.35);
        cairo_scale(cr, 0.34, 0.25);
        Circle(cr, 0.0, 0.0, 1.0);
        cairo_restore(cr);
        Polygon(cr, {{-0.3, 0.6}, {-0.3, -0.72}, {0.82, -0.9}, {0.82, 0.45}, {0.68, 0.45}, {0.68, -0.5}, {-0.16, -0.36}, {-0.16, 0.6}});
        break;
    case 9:
        HeartPath(cr, -1.0);
        Polygon(cr, {{0.0, 0.2}, {0.34, 0.98}, {-0.34, 0.98}});
        break;
    case 10:
        Circle(cr, 0.0, -0.44, 0.38);
        Circle(cr, -0.46, 0.14, 0.38);
        Circle(cr, 0.46, 0.14, 0.38);
        Polygon(cr, {{0.0, -0.1}, {0.32, 0.98}, {-0.32, 0.98}});
        break;
    case 11:
        Polygon(cr, {{0.0, -1.0}, {0.72, 0.0}, {0.0, 1.0}, {-0.72, 0.0}});
        break;
    case 12:
        Circle(cr, 0.0, 0.0, 0.5);
        for (int i = 0; i < 8; ++i) {
            const double angle = i * M_PI / 4.0;
            const double spread = 0.2;
            cairo_move_to(cr, 0.62 * std::cos(angle - spread), 0.62 * std::sin(angle - spread));
            cairo_line_to(cr, 1.0 * std::cos(angle), 1.0 * std::sin(angle));
            cairo_line_to(cr, 0.62 * std::cos(angle + spread), 0.62 * std::sin(angle + spread));
            cairo_close_path(cr);
        }
        break;
    case 13:
        // Stroked, not filled: see DrawSymbol.
        for (int i = 0; i < 6; ++i) {
            const double angle = i * M_PI / 3.0 - M_PI / 2.0;
            const double c = std::cos(angle);
            const double sn = std::sin(angle);
            cairo_move_to(cr, 0.0, 0.0);
            cairo_line_to(cr, 0.95 * c, 0.95 * sn);
            for (const double along : {0.45, 0.72}) {
                const double branch = along == 0.45 ? 0.3 : 0.22;
                const double bx = along * c;
                const double by = along * sn;
                cairo_move_to(cr, bx + branch * std::cos(angle + 0.8), by + branch * std::sin(angle + 0.8));
                cairo_line_to(cr, bx, by);
                cairo_line_to(cr, bx + branch * std::cos(angle - 0.8), by + branch * std::sin(angle - 0.8));
            }
        }
        break;
    case 14:
        Circle(cr, -0.46, 0.12, 0.42);
        Circle(cr, 0.06, -0.22, 0.54);
        Circle(cr, 0.52, 0.14, 0.4);
        RoundedRect(cr, -0.88, 0.0, 1.8, 0.56, 0.28);
        break;
    default:
        cairo_move_to(cr, -0.78, 0.58);
        cairo_curve_to(cr, -0.62, 0.3, -0.62, -0.1, -0.56, -0.32);
        cairo_curve_to(cr, -0.44, -0.86, 0.44, -0.86, 0.56, -0.32);
        cairo_curve_to(cr, 0.62, -0.1, 0.62, 0.3, 0.78, 0.58);
        cairo_line_to(cr, 0.9, 0.7);
        cairo_line_to(cr, -0.9, 0.7);
        cairo_close_path(cr);
        Circle(cr, 0.0, -0.82, 0.13);
        break;
    }
}

void DrawSymbolAccent(cairo_t* cr, int s, const Rgb& accent, double unit)
{
    cairo_new_path(cr);
    if (s == 5) {
        cairo_move_to(cr, -0.7, 0.7);
        cairo_curve_to(cr, -0.2, 0.1, 0.2, -0.3, 0.66, -0.66);
        SetColor(cr, accent);
        cairo_set_line_width(cr, 2.2 / unit);
        cairo_stroke(cr);
    } else if (s == 6) {
        Circle(cr, 0.0, 0.0, 0.32);
        SetColor(cr, accent);
        cairo_fill_preserve(cr);
        SetColor(cr, Darker(accent, 0.45));
        cairo_set_line_width(cr, 1.6 / unit);
        cairo_stroke(cr);
    } else if (s == 7) {
        for (const double x : {-1.0, 0.0, 1.0})
            Circle(cr, x * (x == 0.0 ? 1.0 : 0.98), x == 0.0 ? -0.86 : -0.55, 0.14);
        Circle(cr, 0.0, 0.75, 0.12);
        SetColor(cr, accent);
        cairo_fill_preserve(cr);
        SetColor(cr, Darker(accent, 0.5));
        cairo_set_line_width(cr, 1.2 / unit);
        cairo_stroke(cr);
    } else if (s == 15) {
        Circle(cr, 0.0, 0.82, 0.17);
        SetColor(cr, accent);
        cairo_fill(cr);
    }
}

// Symbol s centred at (cx, cy) in a box of half-size `half`.
void DrawSymbol(cairo_t* cr, int s, double cx, double cy, double half)
{
    const SymbolLook look = kSymbolLooks[static_cast<size_t>(s)];
    const Rgb fill = Hex(look.fill);
    const Rgb outline = Darker(fill, 0.6);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, half, half);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_new_path(cr);
    SymbolPath(cr, s);
    if (s == 13) {
        SetColor(cr, outline);
        cairo_set_line_width(cr, 0.34);
        cairo_stroke_preserve(cr);
        SetColor(cr, fill);
        cairo_set_line_width(cr, 0.18);
        cairo_stroke(cr);
    } else {
        // The outline first and the fill over it: where pieces overlap
        // (petals, clouds) only the outer edge stays dark.
        SetColor(cr, outline);
        cairo_set_line_width(cr, 5.0 / half);
        cairo_stroke_preserve(cr);
        cairo_pattern_t* gradient = LinearGradient(0.0, -1.0, 0.0, 1.0);
        AddStop(gradient, 0.0, Lighter(fill, 0.35));
        AddStop(gradient, 0.55, fill);
        AddStop(gradient, 1.0, Darker(fill, 0.2));
        cairo_set_source(cr, gradient);
        cairo_fill(cr);
        cairo_pattern_destroy(gradient);
    }
    if (look.accent != 0)
        DrawSymbolAccent(cr, s, Hex(look.accent), half);
    cairo_restore(cr);
}

// A light glassy cap over a face of radius r: light from the top left.
void DrawGloss(cairo_t* cr, double cx, double cy, double r, double strength)
{
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_translate(cr, cx - 0.16 * r, cy - 0.42 * r);
    cairo_scale(cr, 0.7 * r, 0.44 * r);
    Circle(cr, 0.0, 0.0, 1.0);
    cairo_restore(cr);
    cairo_pattern_t* gloss = LinearGradient(cx, cy - 0.86 * r, cx, cy);
    AddStop(gloss, 0.0, {1.0, 1.0, 1.0}, 0.75 * strength);
    AddStop(gloss, 1.0, {1.0, 1.0, 1.0}, 0.0);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);
    // Light thrown back from below.
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, 0.86 * r, 0.2 * M_PI, 0.8 * M_PI);
    cairo_set_line_width(cr, 0.08 * r);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.22 * strength);
    cairo_stroke(cr);
}

// The picture of special kind 1..4 in a box of half-size `half`.
void DrawSpecialIcon(cairo_t* cr, int kind, double cx, double cy, double half)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, half, half);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    const double px = 1.0 / half;
    if (kind == 1) {
        // Two arrows chasing each other backwards.
        for (const bool outline : {true, false}) {
            if (outline)
                cairo_set_source_rgba(cr, 0.05, 0.15, 0.3, 0.9);
            else
                cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
            const double extra = outline ? 3.0 * px : 0.0;
            for (int i = 0; i < 2; ++i) {
                const double base = i * M_PI;
                cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
                cairo_new_path(cr);
                cairo_arc_negative(cr, 0.0, 0.0, 0.62, base + 1.3, base - 0.9);
                cairo_set_line_width(cr, 0.26 + extra);
                cairo_stroke(cr);
                const double end = base - 0.9;
                const double tipX = 0.62 * std::cos(end);
                const double tipY = 0.62 * std::sin(end);
                const double tx = std::sin(end);
                const double ty = -std::cos(end);
                const double nx = std::cos(end);
                const double ny = std::sin(end);
                const double head = 0.3 + extra;
                cairo_move_to(cr, tipX + tx * (0.42 + extra), tipY + ty * (0.42 + extra));
                cairo_line_to(cr, tipX + nx * head - tx * extra, tipY + ny * head - ty * extra);
                cairo_line_to(cr, tipX - nx * head - tx * extra, tipY - ny * head - ty * extra);
                cairo_close_path(cr);
                cairo_fill(cr);
            }
        }
    } else if (kind == 2) {
        cairo_new_path(cr);
        for (int i = 0; i < 8; ++i) {
            const double angle = M_PI / 8.0 + i * M_PI / 4.0;
            cairo_line_to(cr, 0.92 * std::cos(angle), 0.92 * std::sin(angle));
        }
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 0.2, 0.0, 0.0, 0.8);
        cairo_set_line_width(cr, 2.0 * px);
        cairo_stroke(cr);
        cairo_new_path(cr);
        for (int i = 0; i < 8; ++i) {
            const double angle = M_PI / 8.0 + i * M_PI / 4.0;
            cairo_line_to(cr, 0.78 * std::cos(angle), 0.78 * std::sin(angle));
        }
        cairo_close_path(cr);
        cairo_pattern_t* red = LinearGradient(0.0, -0.8, 0.0, 0.8);
        AddStop(red, 0.0, Hex(0xF04848));
        AddStop(red, 1.0, Hex(0xB01818));
        cairo_set_source(cr, red);
        cairo_fill(cr);
        cairo_pattern_destroy(red);
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
        RoundedRect(cr, -0.36, -0.4, 0.24, 0.8, 0.06);
        RoundedRect(cr, 0.12, -0.4, 0.24, 0.8, 0.06);
        cairo_fill(cr);
    } else if (kind == 3) {
        // An open eye.
        cairo_new_path(cr);
        cairo_move_to(cr, -0.95, 0.0);
        cairo_curve_to(cr, -0.5, -0.72, 0.5, -0.72, 0.95, 0.0);
        cairo_curve_to(cr, 0.5, 0.72, -0.5, 0.72, -0.95, 0.0);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 0.05, 0.1, 0.25, 0.95);
        cairo_set_line_width(cr, 3.0 * px);
        cairo_stroke(cr);
        cairo_pattern_t* iris = cairo_pattern_create_radial(0.0, 0.0, 0.05, 0.0, 0.0, 0.38);
        AddStop(iris, 0.0, Hex(0x7FD4FF));
        AddStop(iris, 1.0, Hex(0x1A62C0));
        cairo_set_source(cr, iris);
        Circle(cr, 0.0, 0.0, 0.38);
        cairo_fill(cr);
        cairo_pattern_destroy(iris);
        cairo_set_source_rgb(cr, 0.03, 0.03, 0.08);
        Circle(cr, 0.0, 0.0, 0.17);
        cairo_fill(cr);
        cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.9);
        Circle(cr, -0.1, -0.1, 0.07);
        cairo_fill(cr);
    } else {
        // A bomb with a lit fuse.
        cairo_pattern_t* body = cairo_pattern_create_radial(-0.3, -0.2, 0.05, 0.0, 0.15, 0.75);
        AddStop(body, 0.0, Hex(0x7A7A88));
        AddStop(body, 0.5, Hex(0x2A2A34));
        AddStop(body, 1.0, Hex(0x0A0A10));
        cairo_set_source(cr, body);
        Circle(cr, -0.05, 0.18, 0.68);
        cairo_fill(cr);
        cairo_pattern_destroy(body);
        cairo_set_source_rgb(cr, 0.25, 0.25, 0.3);
        cairo_new_path(cr);
        cairo_save(cr);
        cairo_translate(cr, 0.33, -0.45);
        cairo_rotate(cr, 0.6);
        cairo_rectangle(cr, -0.15, -0.13, 0.3, 0.26);
        cairo_restore(cr);
        cairo_fill(cr);
        cairo_new_path(cr);
        cairo_move_to(cr, 0.42, -0.58);
        cairo_curve_to(cr, 0.5, -0.8, 0.66, -0.78, 0.7, -0.86);
        cairo_set_source_rgb(cr, 0.75, 0.6, 0.4);
        cairo_set_line_width(cr, 3.0 * px);
        cairo_stroke(cr);
        cairo_save(cr);
        cairo_translate(cr, 0.72, -0.88);
        cairo_new_path(cr);
        StarPath(cr, 6, 0.3, 0.1);
        cairo_set_source_rgb(cr, 1.0, 0.55, 0.1);
        cairo_fill(cr);
        StarPath(cr, 6, 0.16, 0.06);
        cairo_set_source_rgb(cr, 1.0, 0.95, 0.5);
        cairo_fill(cr);
        cairo_restore(cr);
        cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.6);
        cairo_save(cr);
        cairo_translate(cr, -0.3, -0.12);
        cairo_rotate(cr, -0.6);
        cairo_scale(cr, 0.2, 0.1);
        Circle(cr, 0.0, 0.0, 1.0);
        cairo_restore(cr);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

} // namespace

void DrawToken(cairo_t* cr, double cx, double cy, double r, int color)
{
    const Rgb base = Hex(kTokenRgb[static_cast<size_t>(color)]);
    cairo_save(cr);
    cairo_new_path(cr);
    // The body: light in the middle, deep at the rim, so that it reads as a
    // domed chip from any angle it is turned to.
    cairo_pattern_t* body = cairo_pattern_create_radial(cx, cy, 0.0, cx, cy, r);
    AddStop(body, 0.0, Lighter(base, 0.2));
    AddStop(body, 0.62, base);
    AddStop(body, 0.9, Darker(base, 0.25));
    AddStop(body, 1.0, Darker(base, 0.5));
    cairo_set_source(cr, body);
    Circle(cr, cx, cy, r);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    // Chip inserts around the rim: they show how the ball is turned.
    for (int i = 0; i < 8; ++i) {
        const double angle = i * M_PI / 4.0;
        const double half = 0.13;
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, 0.94 * r, angle - half, angle + half);
        cairo_arc_negative(cr, cx, cy, 0.76 * r, angle + half * 1.2, angle - half * 1.2);
        cairo_close_path(cr);
        SetColor(cr, Lighter(base, 0.82), 0.92);
        cairo_fill(cr);
    }
    // The inner face, sunk a little below the rim.
    cairo_new_path(cr);
    cairo_pattern_t* face = cairo_pattern_create_radial(cx, cy, 0.0, cx, cy, kFace * r);
    AddStop(face, 0.0, Lighter(base, 0.12));
    AddStop(face, 0.8, base);
    AddStop(face, 1.0, Darker(base, 0.18));
    cairo_set_source(cr, face);
    Circle(cr, cx, cy, kFace * r);
    cairo_fill(cr);
    cairo_pattern_destroy(face);
    cairo_set_line_width(cr, 0.035 * r);
    Circle(cr, cx, cy, kFace * r);
    SetColor(cr, Darker(base, 0.55), 0.6);
    cairo_stroke(cr);
    Circle(cr, cx, cy, (kFace + 0.04) * r);
    SetColor(cr, Lighter(base, 0.6), 0.45);
    cairo_set_line_width(cr, 0.025 * r);
    cairo_stroke(cr);
    // The outer edge.
    Circle(cr, cx, cy, r - 0.7);
    SetColor(cr, Darker(base, 0.65), 0.9);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void DrawBallFace(cairo_t* cr, double cx, double cy, double r, int kind)
{
    const double face = kFace * r;
    cairo_save(cr);
    cairo_new_path(cr);
    if (kind == 0) {
        // A closed ball: a glassy cap and a faint ring, clear in the middle
        // so that a translucent ball's symbol shows through.
        Circle(cr, cx, cy, 0.5 * face);
        cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.28);
        cairo_set_line_width(cr, 0.06 * face);
        cairo_stroke(cr);
        DrawGloss(cr, cx, cy, face, 1.0);
    } else {
        // A glowing disc behind the picture makes every special stand out
        // from the plain balls at a glance.
        cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 0.2 * face, cx, cy, face);
        AddStop(glow, 0.0, Hex(0xFFF8D0), 0.95);
        AddStop(glow, 0.75, Hex(0xFFD860), 0.85);
        AddStop(glow, 1.0, Hex(0xE89A10), 0.9);
        cairo_set_source(cr, glow);
        Circle(cr, cx, cy, face);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
        DrawSpecialIcon(cr, kind, cx, cy, 0.72 * face);
        DrawGloss(cr, cx, cy, face, 0.7);
    }
    cairo_restore(cr);
}

void DrawSymbolFace(cairo_t* cr, double cx, double cy, double r, int symbol)
{
    const double face = kFace * r;
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_pattern_t* inlay = cairo_pattern_create_radial(cx - 0.2 * face, cy - 0.25 * face, 0.0, cx, cy, face);
    AddStop(inlay, 0.0, Hex(0xFFFFFF));
    AddStop(inlay, 0.75, Hex(0xF4EFE4));
    AddStop(inlay, 1.0, Hex(0xD8D0C0));
    cairo_set_source(cr, inlay);
    Circle(cr, cx, cy, face);
    cairo_fill(cr);
    cairo_pattern_destroy(inlay);
    Circle(cr, cx, cy, face - 0.6);
    cairo_set_source_rgba(cr, 0.2, 0.15, 0.1, 0.45);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    DrawSymbol(cr, symbol, cx, cy + 0.02 * face, 0.66 * face);
    DrawGloss(cr, cx, cy, face, 0.45);
    cairo_restore(cr);
}

void MakeTokens(Files& packed)
{
    for (int color = 0; color < kTokenColors; ++color) {
        Canvas token(kCel, kCel);
        DrawToken(token.Cr(), kCel / 2.0, kCel / 2.0, kRadius, color);
        packed.push_back({"images/token_" + std::to_string(color + 1) + ".png", token.Png()});
    }

    // The shadow shares the ball's centre, so it is drawn off-centre in a
    // larger picture: the light comes from the top left.
    constexpr int kShadow = 120;
    Canvas shadow(kShadow, kShadow);
    cairo_set_source_rgba(shadow.Cr(), 0.0, 0.0, 0.0, 0.55);
    Circle(shadow.Cr(), kShadow / 2.0 + 4.0, kShadow / 2.0 + 6.0, kRadius - 1.0);
    cairo_fill(shadow.Cr());
    Blur(shadow, 6);
    packed.push_back({"images/token_shadow.png", shadow.Png()});

    constexpr int kSymbolCols = 4;
    Canvas symbols(kCel * kSymbolCols, kCel * (kSymbols / kSymbolCols));
    for (int s = 0; s < kSymbols; ++s) {
        const double cx = (s % kSymbolCols + 0.5) * kCel;
        const double cy = (s / kSymbolCols + 0.5) * kCel;
        DrawSymbolFace(symbols.Cr(), cx, cy, kRadius, s);
    }
    packed.push_back({"images/symbols.png", symbols.Png()});

    Canvas bonus(kCel * (kSpecials + 1), kCel);
    for (int kind = 0; kind <= kSpecials; ++kind)
        DrawBallFace(bonus.Cr(), (kind + 0.5) * kCel, kCel / 2.0, kRadius, kind);
    packed.push_back({"images/bonus.png", bonus.Png()});
}

} // namespace DataGen
