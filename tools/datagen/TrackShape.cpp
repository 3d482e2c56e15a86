#include "tools/datagen/TrackShape.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace DataGen {

namespace {

// Bends are never tighter than this, so the inner wall of a bend keeps a
// radius of its own and never folds over itself.
constexpr double kBend = 62.0;
// Distance between outline points along the corridor.
constexpr double kStep = 8.0;

struct Sample {
    double x, y, heading, along;
};

// A centre line walked like a turtle: straights and bends from a start
// point and heading (radians, 0 = east, y grows downwards).
class CentreLine {
public:
    CentreLine(double x, double y, double heading) { mSamples.push_back({x, y, heading, 0.0}); }

    CentreLine& Straight(double length)
    {
        const Sample start = mSamples.back();
        const int steps = std::max(1, static_cast<int>(std::ceil(length / 2.0)));
        for (int i = 1; i <= steps; ++i) {
            const double s = length * i / steps;
            mSamples.push_back({start.x + std::cos(start.heading) * s, start.y + std::sin(start.heading) * s,
                start.heading, start.along + s});
        }
        return *this;
    }
    // Positive degrees turn clockwise on the screen (to the traveller's right).
    CentreLine& Bend(double degrees)
    {
        const Sample start = mSamples.back();
        const double turn = degrees * M_PI / 180.0;
        const double side = turn > 0 ? 1.0 : -1.0;
        // The bend's centre lies to the side the track turns to.
        const double cx = start.x - std::sin(start.heading) * kBend * side;
        const double cy = start.y + std::cos(start.heading) * kBend * side;
        const double length = std::abs(turn) * kBend;
        const int steps = std::max(1, static_cast<int>(std::ceil(length / 2.0)));
        for (int i = 1; i <= steps; ++i) {
            const double heading = start.heading + turn * i / steps;
            mSamples.push_back({cx + std::sin(heading) * kBend * side, cy - std::cos(heading) * kBend * side, heading,
                start.along + length * i / steps});
        }
        return *this;
    }
    const std::vector<Sample>& Samples() const { return mSamples; }

private:
    std::vector<Sample> mSamples;
};

CentreLine Route(int track)
{
    switch (track) {
    case 0: // a square spiral inward, clockwise from the top left
        return CentreLine(96, 150, 0.0)
            .Straight(552).Bend(90).Straight(248).Bend(90).Straight(496).Bend(90)
            .Straight(124).Bend(90).Straight(372).Bend(180).Straight(230);
    case 1: // lanes across, from the top right down to the bottom
        return CentreLine(704, 150, M_PI)
            .Straight(564).Bend(-180).Straight(520).Bend(180).Straight(520).Bend(-180).Straight(500);
    case 2: // columns up and down, from the top left to the right
        return CentreLine(90, 150, M_PI / 2.0)
            .Straight(316).Bend(-180).Straight(260).Bend(180).Straight(260).Bend(-180)
            .Straight(260).Bend(180).Straight(260).Bend(-180).Straight(236);
    default: // a square spiral inward, clockwise from the bottom right
        return CentreLine(704, 514, M_PI)
            .Straight(552).Bend(90).Straight(248).Bend(90).Straight(496).Bend(90)
            .Straight(124).Bend(90).Straight(372).Bend(180).Straight(222);
    }
}

double HalfWidth(double along)
{
    // The chamber narrows smoothly into the corridor.
    const double t = std::clamp((along - 30.0) / 90.0, 0.0, 1.0);
    const double smooth = t * t * (3.0 - 2.0 * t);
    return kChamberHalfWidth + (kCorridorHalfWidth - kChamberHalfWidth) * smooth;
}

} // namespace

TrackShape BuildTrack(int track)
{
    const std::vector<Sample> dense = Route(track).Samples();
    std::vector<Sample> samples;
    for (const Sample& s : dense) {
        if (samples.empty() || s.along - samples.back().along >= kStep - 1e-9 || &s == &dense.back())
            samples.push_back(s);
    }

    std::vector<std::array<double, 2>> points;
    // The traveller's left side, forward.
    for (const Sample& s : samples) {
        const double w = HalfWidth(s.along);
        points.push_back({s.x + std::sin(s.heading) * w, s.y - std::cos(s.heading) * w});
    }
    // The dead end: a half circle around the end point.
    const Sample end = samples.back();
    for (int i = 1; i < 18; ++i) {
        const double a = M_PI * i / 18.0;
        const double w = kCorridorHalfWidth;
        points.push_back({end.x + w * (std::sin(end.heading) * std::cos(a) + std::cos(end.heading) * std::sin(a)),
            end.y + w * (-std::cos(end.heading) * std::cos(a) + std::sin(end.heading) * std::sin(a))});
    }
    // The right side, back.
    for (auto it = samples.rbegin(); it != samples.rend(); ++it) {
        const double w = HalfWidth(it->along);
        points.push_back({it->x - std::sin(it->heading) * w, it->y + std::cos(it->heading) * w});
    }
    // The back of the spawn chamber.
    const Sample start = samples.front();
    for (int i = 1; i < 24; ++i) {
        const double a = M_PI * i / 24.0;
        const double w = kChamberHalfWidth;
        points.push_back({start.x + w * (-std::sin(start.heading) * std::cos(a) - std::cos(start.heading) * std::sin(a)),
            start.y + w * (std::cos(start.heading) * std::cos(a) - std::sin(start.heading) * std::sin(a))});
    }

    TrackShape shape;
    for (const auto& p : points) {
        const std::array<int, 2> q = {static_cast<int>(std::lround(p[0])), static_cast<int>(std::lround(p[1]))};
        // Two equal neighbours would make a wall segment of no length.
        if (shape.outline.empty() || shape.outline.back() != q)
            shape.outline.push_back(q);
    }
    if (shape.outline.size() > 1 && shape.outline.front() == shape.outline.back())
        shape.outline.pop_back();
    // The board adds 0..9 on each axis: centred on the chamber.
    shape.spawnX = start.x - 4.5;
    shape.spawnY = start.y - 4.5;
    shape.endX = std::round(end.x);
    shape.endY = std::round(end.y);
    return shape;
}

std::string TrackFile(const TrackShape& shape)
{
    std::string text = std::to_string(shape.outline.size()) + "\n";
    for (const auto& p : shape.outline)
        text += std::to_string(p[0]) + " " + std::to_string(p[1]) + "\n";
    char line[64];
    std::snprintf(line, sizeof line, "%g %g\n%g %g\n", shape.spawnX, shape.spawnY, shape.endX, shape.endY);
    return text + line;
}

} // namespace DataGen
