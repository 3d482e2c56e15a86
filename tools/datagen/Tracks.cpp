// The track pictures and files. A picture paints only the walls, raised and
// lit from the top left, with the shadow they throw: the corridor and the
// land around it stay clear, so the floor shows through under the balls.

#include "tools/datagen/Backgrounds.h"
#include "tools/datagen/Canvas.h"
#include "tools/datagen/Makers.h"
#include "tools/datagen/Random.h"
#include "tools/datagen/TrackShape.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace DataGen {

namespace {

constexpr int kTrackWidth = 800;
constexpr int kTrackHeight = 600;
// How far the wall reaches out from the corridor's outline.
constexpr double kWall = 16.0;
// The shadow falls this far right and down, with a soft edge.
constexpr int kShadowX = 4;
constexpr int kShadowY = 6;
constexpr double kShadowSoft = 5.0;
// Distances beyond this are not needed.
constexpr double kReach = 30.0;

// Distance from every pixel centre to the nearest outline segment, up to
// kReach: each segment only visits the pixels around it.
std::vector<float> OutlineDistance(const TrackShape& shape)
{
    std::vector<float> distance(static_cast<size_t>(kTrackWidth) * kTrackHeight, static_cast<float>(kReach));
    const auto& outline = shape.outline;
    for (size_t i = 0; i < outline.size(); ++i) {
        const auto& a = outline[i];
        const auto& b = outline[(i + 1) % outline.size()];
        const double ax = a[0];
        const double ay = a[1];
        const double dx = b[0] - ax;
        const double dy = b[1] - ay;
        const double length2 = dx * dx + dy * dy;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min(ax, ax + dx) - kReach)));
        const int x1 = std::min(kTrackWidth - 1, static_cast<int>(std::ceil(std::max(ax, ax + dx) + kReach)));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min(ay, ay + dy) - kReach)));
        const int y1 = std::min(kTrackHeight - 1, static_cast<int>(std::ceil(std::max(ay, ay + dy) + kReach)));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5 - ax;
                const double py = y + 0.5 - ay;
                const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
                const double d = std::hypot(px - t * dx, py - t * dy);
                float& slot = distance[static_cast<size_t>(y) * kTrackWidth + x];
                slot = std::min(slot, static_cast<float>(d));
            }
        }
    }
    return distance;
}

// Negative inside the corridor.
std::vector<float> SignedDistance(const TrackShape& shape)
{
    std::vector<float> distance = OutlineDistance(shape);
    Canvas inside(kTrackWidth, kTrackHeight);
    cairo_t* cr = inside.Cr();
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (const auto& p : shape.outline)
        cairo_line_to(cr, p[0], p[1]);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    inside.Flush();
    for (int y = 0; y < kTrackHeight; ++y) {
        const uint32_t* row = inside.Row(y);
        for (int x = 0; x < kTrackWidth; ++x) {
            if (row[x] >> 24)
                distance[static_cast<size_t>(y) * kTrackWidth + x] *= -1.0f;
        }
    }
    return distance;
}

double Ramp(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

void PaintWalls(Canvas& canvas, const std::vector<float>& sd, const Rgb& wall, uint64_t seed)
{
    const Noise grain(seed);
    const auto at = [&](int x, int y) {
        return static_cast<double>(sd[static_cast<size_t>(std::clamp(y, 0, kTrackHeight - 1)) * kTrackWidth +
                                      static_cast<size_t>(std::clamp(x, 0, kTrackWidth - 1))]);
    };
    // Light from the upper left, a little in front of the screen.
    const double lx = -0.45;
    const double ly = -0.6;
    const double lz = 0.66;
    canvas.Flush();
    for (int y = 0; y < kTrackHeight; ++y) {
        uint32_t* row = canvas.Row(y);
        for (int x = 0; x < kTrackWidth; ++x) {
            const double d = at(x, y);
            const double coverage = Ramp(d + 0.5) * Ramp(kWall - d + 0.5);
            // The wall's shape across its width: a rounded rail.
            double r = 0.0;
            double g = 0.0;
            double b = 0.0;
            if (coverage > 0.0) {
                const double u = std::clamp(d / kWall, 0.0, 1.0);
                const double slope = std::cos(u * M_PI) * 2.2;
                const double gx = (at(x + 1, y) - at(x - 1, y)) * 0.5;
                const double gy = (at(x, y + 1) - at(x, y - 1)) * 0.5;
                double nx = -slope * gx;
                double ny = -slope * gy;
                double nz = 1.0;
                const double n = std::sqrt(nx * nx + ny * ny + nz * nz);
                nx /= n;
                ny /= n;
                nz /= n;
                const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
                // Highlight toward a viewer straight in front.
                const double hz = lz + 1.0;
                const double hn = std::sqrt(lx * lx + ly * ly + hz * hz);
                const double specular = std::pow(std::max(0.0, (nx * lx + ny * ly + nz * hz) / hn), 40.0);
                const double texture = 0.9 + 0.2 * grain.Fractal(x / 9.0, y / 9.0, 3);
                const double light = (0.32 + 0.85 * diffuse) * texture;
                r = std::min(1.0, wall.r * light + specular * 0.55);
                g = std::min(1.0, wall.g * light + specular * 0.55);
                b = std::min(1.0, wall.b * light + specular * 0.5);
            }
            // The wall's shadow, cast on the floor on both of its sides, and a
            // little ambient darkness along its foot.
            const double shifted = at(x - kShadowX, y - kShadowY);
            double shadow = Ramp((shifted + kShadowSoft) / kShadowSoft) * Ramp((kWall + kShadowSoft - shifted) / kShadowSoft);
            shadow = std::max(shadow * 0.5, 0.22 * Ramp(1.0 - std::abs(d) / 9.0));
            const double alpha = coverage + (1.0 - coverage) * shadow;
            const auto channel = [&](double c) { return static_cast<uint32_t>(std::lround(c * coverage * 255.0)); };
            row[x] = static_cast<uint32_t>(std::lround(alpha * 255.0)) << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
        }
    }
    canvas.MarkDirty();
}

} // namespace

void MakeTracks(Files& packed, Files& loose)
{
    for (int track = 0; track < 4; ++track) {
        const TrackShape shape = BuildTrack(track);
        loose.push_back({"properties/track_" + std::to_string(track) + ".cfg", TrackFile(shape)});
        Canvas canvas(kTrackWidth, kTrackHeight);
        PaintWalls(canvas, SignedDistance(shape), Hex(TrackTheme(track).wall), 0x7AC0u + static_cast<uint64_t>(track));
        packed.push_back({"images/track_" + std::to_string(track + 1) + ".png", canvas.Png()});
    }
}

} // namespace DataGen
