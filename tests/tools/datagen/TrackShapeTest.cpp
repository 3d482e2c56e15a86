// The track files the build wrote, read as the game reads them and checked
// by a small geometry of their own: the outline is one simple closed polygon
// in the play field, the corridor lets the largest ball (radius 45.6) roll
// from the spawn point to within 50 of the end point, and the picture paints
// the walls and leaves the channel clear.

#include "GameData.h"
#include "framework/resources/ImageLib.h"
#include "tools/datagen/TrackShape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <sstream>
#include <vector>

namespace {

constexpr double kLargestBall = 48.0 * 0.95;

struct Track {
    std::vector<std::array<double, 2>> points;
    double spawnX = 0, spawnY = 0, endX = 0, endY = 0;
    bool complete = false;
};

Track ReadTrack(const std::string& text)
{
    Track track;
    std::istringstream in(text);
    int n = 0;
    in >> n;
    for (int i = 0; i < n; ++i) {
        int x = 0;
        int y = 0;
        in >> x >> y;
        track.points.push_back({static_cast<double>(x), static_cast<double>(y)});
    }
    in >> track.spawnX >> track.spawnY >> track.endX >> track.endY;
    track.complete = !in.fail();
    std::string rest;
    in >> rest;
    track.complete = track.complete && rest.empty();
    return track;
}

double SegmentDistance(double px, double py, const std::array<double, 2>& a, const std::array<double, 2>& b)
{
    const double dx = b[0] - a[0];
    const double dy = b[1] - a[1];
    const double length2 = dx * dx + dy * dy;
    const double t = length2 > 0 ? std::clamp(((px - a[0]) * dx + (py - a[1]) * dy) / length2, 0.0, 1.0) : 0.0;
    return std::hypot(px - a[0] - t * dx, py - a[1] - t * dy);
}

double WallDistance(const Track& track, double x, double y)
{
    double best = 1e9;
    const auto& p = track.points;
    for (size_t i = 0; i < p.size(); ++i)
        best = std::min(best, SegmentDistance(x, y, p[i], p[(i + 1) % p.size()]));
    return best;
}

bool Inside(const Track& track, double x, double y)
{
    bool inside = false;
    const auto& p = track.points;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i][1] > y) != (p[j][1] > y) && x < (p[j][0] - p[i][0]) * (y - p[i][1]) / (p[j][1] - p[i][1]) + p[i][0])
            inside = !inside;
    }
    return inside;
}

double Cross(const std::array<double, 2>& o, const std::array<double, 2>& a, const std::array<double, 2>& b)
{
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

bool SegmentsCross(const std::array<double, 2>& a, const std::array<double, 2>& b, const std::array<double, 2>& c,
    const std::array<double, 2>& d)
{
    const double d1 = Cross(c, d, a);
    const double d2 = Cross(c, d, b);
    const double d3 = Cross(a, b, c);
    const double d4 = Cross(a, b, d);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// Whole-pixel places where the largest ball's centre may be, reached from
// the spawn point step by step: the closest any of them comes to the end.
double ClosestApproach(const Track& track)
{
    constexpr int kW = 800;
    constexpr int kH = 600;
    std::vector<signed char> state(static_cast<size_t>(kW) * kH, -1);
    const auto free = [&](int x, int y) {
        signed char& s = state[static_cast<size_t>(y) * kW + x];
        if (s < 0)
            s = WallDistance(track, x, y) > kLargestBall ? 1 : 0;
        return s == 1;
    };
    std::vector<bool> seen(static_cast<size_t>(kW) * kH, false);
    std::deque<std::array<int, 2>> queue;
    const int sx = static_cast<int>(std::lround(track.spawnX));
    const int sy = static_cast<int>(std::lround(track.spawnY));
    double closest = 1e9;
    if (!free(sx, sy))
        return closest;
    queue.push_back({sx, sy});
    seen[static_cast<size_t>(sy) * kW + sx] = true;
    while (!queue.empty()) {
        const auto [x, y] = queue.front();
        queue.pop_front();
        closest = std::min(closest, std::hypot(x - track.endX, y - track.endY));
        for (const auto& [dx, dy] : {std::array<int, 2>{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int nx = x + dx;
            const int ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= kW || ny >= kH || seen[static_cast<size_t>(ny) * kW + nx])
                continue;
            seen[static_cast<size_t>(ny) * kW + nx] = true;
            if (free(nx, ny))
                queue.push_back({nx, ny});
        }
    }
    return closest;
}

class TrackFile : public ::testing::TestWithParam<int> {
protected:
    Track Read() const
    {
        return ReadTrack(Testing::ReadLooseFile("properties/track_" + std::to_string(GetParam()) + ".cfg"));
    }
};

TEST_P(TrackFile, IsOneSimpleClosedOutlineInsideThePlayField)
{
    const Track track = Read();
    ASSERT_TRUE(track.complete);
    ASSERT_GE(track.points.size(), 3u);
    EXPECT_LE(track.points.size(), 10000u);
    for (const auto& p : track.points) {
        EXPECT_TRUE(p[0] >= 20 && p[0] <= 780 && p[1] >= 20 && p[1] <= 580) << p[0] << "," << p[1];
    }
    const auto& p = track.points;
    const size_t n = p.size();
    for (size_t i = 0; i < n; ++i) {
        EXPECT_NE(p[i], p[(i + 1) % n]) << "a wall segment of no length at " << i;
        for (size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1)
                continue;
            ASSERT_FALSE(SegmentsCross(p[i], p[(i + 1) % n], p[j], p[(j + 1) % n])) << "segments " << i << " and " << j;
        }
    }
}

TEST_P(TrackFile, SpawnPointClearsTheWallsAndTheEnd)
{
    const Track track = Read();
    ASSERT_TRUE(track.complete);
    EXPECT_TRUE(Inside(track, track.spawnX, track.spawnY));
    EXPECT_TRUE(Inside(track, track.endX, track.endY));
    // The board adds 0..9 on each axis; every such place keeps a ball of the
    // largest size off the walls.
    EXPECT_GE(WallDistance(track, track.spawnX, track.spawnY), 55.0);
    for (const int dx : {0, 9}) {
        for (const int dy : {0, 9})
            EXPECT_GT(WallDistance(track, track.spawnX + dx, track.spawnY + dy), kLargestBall);
    }
    EXPECT_GE(std::hypot(track.spawnX - track.endX, track.spawnY - track.endY), 50.0);
}

TEST_P(TrackFile, TheLargestBallCanRollFromTheSpawnPointIntoTheVortex)
{
    const Track track = Read();
    ASSERT_TRUE(track.complete);
    // Below 50 the stage is lost: the corridor must be wide enough all the
    // way for the front ball to get there.
    EXPECT_LT(ClosestApproach(track), 50.0);
}

TEST_P(TrackFile, PicturePaintsTheWallsAndLeavesTheChannelClear)
{
    const Track track = Read();
    ASSERT_TRUE(track.complete);
    Testing::GameArchive archive;
    const auto picture = ImageLib::LoadImageFile("images/track_" + std::to_string(GetParam() + 1) + ".png", false);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->GetWidth(), 800);
    ASSERT_EQ(picture->GetHeight(), 600);
    const auto alpha = [&](int x, int y) { return picture->GetBits()[static_cast<size_t>(y) * 800 + x] >> 24; };
    int clear = 0;
    int wall = 0;
    for (int y = 0; y < 600; y += 5) {
        for (int x = 0; x < 800; x += 5) {
            const double d = WallDistance(track, x + 0.5, y + 0.5);
            if (Inside(track, x + 0.5, y + 0.5) && d > 20.0) {
                EXPECT_EQ(alpha(x, y), 0u) << "channel painted at " << x << "," << y;
                ++clear;
            } else if (!Inside(track, x + 0.5, y + 0.5) && d > 2.0 && d < 10.0) {
                EXPECT_GE(alpha(x, y), 250u) << "wall missing at " << x << "," << y;
                ++wall;
            }
        }
    }
    EXPECT_GT(clear, 1000);
    EXPECT_GT(wall, 500);
}

INSTANTIATE_TEST_SUITE_P(Tracks, TrackFile, ::testing::Values(0, 1, 2, 3));

// The text form the game reads: the count, the points, spawn and end.
TEST(TrackShape, FileListsCountPointsSpawnAndEnd)
{
    DataGen::TrackShape shape;
    shape.outline = {{20, 30}, {40, 50}, {60, 70}};
    shape.spawnX = 85.5;
    shape.spawnY = 145.5;
    shape.endX = 294;
    shape.endY = 398;
    EXPECT_EQ(DataGen::TrackFile(shape), "3\n20 30\n40 50\n60 70\n85.5 145.5\n294 398\n");
}

} // namespace
