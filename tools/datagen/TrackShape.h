#pragma once
// The four tracks as shapes: a centre line of straights and bends, widened
// to a corridor whose outline is the one closed polygon the game's physics
// walls follow, with a wider chamber at the spawn point and a rounded dead
// end around the vortex.

#include <array>
#include <string>
#include <vector>

namespace DataGen {

// Half the corridor's width: wider than the largest ball (radius 45.6).
inline constexpr double kCorridorHalfWidth = 50.0;
// Half the spawn chamber's width: a ball of the largest size placed up to 9
// pixels off the spawn point on each axis still clears the walls.
inline constexpr double kChamberHalfWidth = 66.0;

struct TrackShape {
    // Closed: the last point joins the first. Whole pixels.
    std::vector<std::array<int, 2>> outline;
    double spawnX = 0.0;
    double spawnY = 0.0;
    double endX = 0.0;
    double endY = 0.0;
};

// Track 0..3.
TrackShape BuildTrack(int track);
// The text the game reads: the point count, the points, the spawn point and
// the end point.
std::string TrackFile(const TrackShape& shape);

} // namespace DataGen
