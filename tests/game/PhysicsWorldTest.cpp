// The game's physics: world settings, stepping on every second call, the
// play field's planes, contacts between balls and with the track's wall.

#include "game/PhysicsWorld.h"

#include "game/Ball.h"
#include "game/Level.h"
#include "game/Renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

class Physics : public ::testing::Test {
protected:
    Physics()
    {
        InitPhysicsWorld();
        CreateBoundaryPlanes();
    }

    // A grown ball at rest at (x, y) with a radius of 48 x size, damped by
    // Updates as the board does.
    std::unique_ptr<Ball> MakeBall(float x, float y, float size)
    {
        auto ball = std::make_unique<Ball>(&mRenderer, x, y, size);
        ball->SetUp(0, 0);
        ball->mGrowCounter = 0;
        dGeomSphereSetRadius(ball->mGeom, Ball::kRadius * size);
        mBalls.push_back(ball.get());
        return ball;
    }

    // A track whose wall runs through the points, its body and mesh made.
    std::unique_ptr<Level> MakeTrack(const std::vector<std::pair<int, int>>& points)
    {
        auto track = std::make_unique<Level>(&mRenderer);
        track->mPoints = points;
        track->CreateBody();
        return track;
    }

    // As many board updates: a physics call, then every ball's update.
    void Step(int updates)
    {
        for (int i = 0; i < updates; ++i) {
            StepPhysics();
            for (Ball* ball : mBalls)
                ball->Update();
        }
    }

    static double X(const PhysSprite& sprite) { return dBodyGetPosition(sprite.mBody)[0]; }
    static double Y(const PhysSprite& sprite) { return dBodyGetPosition(sprite.mBody)[1]; }

    PhysicsWorld mWorld;
    Renderer mRenderer{1};
    std::vector<Ball*> mBalls;
};

TEST_F(Physics, TheWorldIsSetUpForBallsInThePlaneOfTheScreen)
{
    EXPECT_DOUBLE_EQ(dWorldGetERP(gPhysicsWorld), 0.7);
    EXPECT_EQ(dWorldGetCFM(gPhysicsWorld), 0.0);
    dVector3 gravity;
    dWorldGetGravity(gPhysicsWorld, gravity);
    EXPECT_EQ(gravity[0] + gravity[1] + gravity[2], 0.0);
    EXPECT_EQ(dWorldGetQuickStepNumIterations(gPhysicsWorld), 3);
    ASSERT_NE(gPhysicsSpace, nullptr);
    ASSERT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), 4);
    // The planes x >= 20, x <= 780, y >= 20, y <= 580, upright to the screen.
    std::vector<std::vector<double>> planes;
    for (int i = 0; i < 4; ++i) {
        dVector4 plane;
        dGeomPlaneGetParams(dSpaceGetGeom(gPhysicsSpace, i), plane);
        planes.push_back({plane[0], plane[1], plane[2], plane[3]});
    }
    std::sort(planes.begin(), planes.end());
    EXPECT_EQ(planes, (std::vector<std::vector<double>>{{-1, 0, 0, -780}, {0, -1, 0, -580}, {0, 1, 0, 20}, {1, 0, 0, 20}}));
}

TEST_F(Physics, OnlyEverySecondCallStepsAThreeHundredthOfASecond)
{
    PhysSprite sprite(&mRenderer, 100.0f, 200.0f, 300.0f, -150.0f, 0.5f);
    sprite.CreateBody();
    // The step is 1/300 as a float.
    const double step = 1.0f / 300.0f;
    StepPhysics();
    EXPECT_EQ(X(sprite), 100.0);
    StepPhysics();
    EXPECT_DOUBLE_EQ(X(sprite), 100.0 + 300.0 * step);
    EXPECT_DOUBLE_EQ(Y(sprite), 200.0 - 150.0 * step);
    StepPhysics();
    EXPECT_DOUBLE_EQ(X(sprite), 100.0 + 300.0 * step);
    StepPhysics();
    EXPECT_DOUBLE_EQ(X(sprite), 100.0 + 600.0 * step);
}

TEST_F(Physics, ASecondStageGetsANewSpaceWithItsOwnPlanes)
{
    {
        PhysSprite sprite(&mRenderer, 400.0f, 300.0f, 0.0f, 0.0f, 0.5f);
        sprite.CreateBody();
        EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), 5);
    }
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), 4);
    DestroyPhysicsSpace(gPhysicsSpace);
    EXPECT_EQ(gPhysicsSpace, nullptr);
    InitPhysicsWorld();
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), 0);
    CreateBoundaryPlanes();
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), 4);
}

TEST_F(Physics, ANewStageLeavesAnEarlierStagesSpaceAndShapesToIt)
{
    const dSpaceID first = gPhysicsSpace;
    dSpaceID second = nullptr;
    {
        PhysSprite sprite(&mRenderer, 400.0f, 300.0f, 0.0f, 0.0f, 0.5f);
        sprite.CreateBody();
        second = InitPhysicsWorld();
        CreateBoundaryPlanes();
        EXPECT_NE(second, first);
        EXPECT_EQ(gPhysicsSpace, second);
        EXPECT_EQ(dGeomGetSpace(sprite.mGeom), first);
        EXPECT_EQ(dSpaceGetNumGeoms(first), 5);
        EXPECT_EQ(dSpaceGetNumGeoms(second), 4);
    }
    EXPECT_EQ(dSpaceGetNumGeoms(first), 4);
    // The earlier stage's tear-down takes its own space and no other.
    DestroyPhysicsSpace(first);
    EXPECT_EQ(gPhysicsSpace, second);
    EXPECT_EQ(dSpaceGetNumGeoms(second), 4);
    DestroyPhysicsSpace(nullptr);
    EXPECT_EQ(gPhysicsSpace, second);
}

struct Edge {
    float x, y;
    // Which coordinate the plane bounds, and the sign of the way in.
    bool horizontal;
    double inward;
};

class PlayFieldEdge : public Physics, public ::testing::WithParamInterface<Edge> {};

TEST_P(PlayFieldEdge, PushesABallThatOverlapsItBackInside)
{
    const Edge edge = GetParam();
    auto ball = MakeBall(edge.x, edge.y, 0.5f);
    const double start = edge.horizontal ? edge.x : edge.y;
    Step(200);
    // The overlap corrected at the world's rate sends the ball well inside.
    const double moved = ((edge.horizontal ? X(*ball) : Y(*ball)) - start) * edge.inward;
    EXPECT_GT(moved, 10.0);
    EXPECT_NEAR(edge.horizontal ? Y(*ball) : X(*ball), edge.horizontal ? edge.y : edge.x, 1e-6);
}

// A ball of radius 24 placed 10 pixels into each edge.
INSTANTIATE_TEST_SUITE_P(FourPlanes, PlayFieldEdge,
    ::testing::Values(Edge{34, 300, true, 1}, Edge{766, 300, true, -1}, Edge{400, 34, false, 1},
        Edge{400, 566, false, -1}));

TEST_F(Physics, TwoBallsMadeAtOnePointSeparateGently)
{
    auto a = MakeBall(400.0f, 300.0f, 0.9f);
    auto b = MakeBall(400.0f, 300.0f, 0.9f);
    StepPhysics();
    StepPhysics();
    // The overlap the solver is handed is at most 2 pixels: the balls part at
    // about 0.7 x 2 / (1/300) = 420 pixels a second, not at the 0.7 x 86.4 x
    // 300 = 18144 that the whole overlap would ask for.
    const double speed = std::fabs(dBodyGetLinearVel(a->mBody)[0] - dBodyGetLinearVel(b->mBody)[0]);
    EXPECT_GT(speed, 300.0);
    EXPECT_LT(speed, 500.0);
    Step(400);
    const double apart = std::hypot(X(*a) - X(*b), Y(*a) - Y(*b));
    EXPECT_GT(apart, 2 * Ball::kRadius * 0.9 - 1.0);
}

// Squares of side 200 around (400, 300), the points running clockwise and
// counter-clockwise on the screen.
const std::vector<std::pair<int, int>> kClockwise = {{300, 200}, {500, 200}, {500, 400}, {300, 400}};
const std::vector<std::pair<int, int>> kCounterClockwise = {{300, 200}, {300, 400}, {500, 400}, {500, 200}};

class WallWinding : public Physics, public ::testing::WithParamInterface<std::vector<std::pair<int, int>>> {};

TEST_P(WallWinding, HoldsABallInFromInside)
{
    const auto track = MakeTrack(GetParam());
    // 10 pixels into the left wall, and moving out through it.
    auto ball = MakeBall(314.0f, 300.0f, 0.5f);
    dBodySetLinearVel(ball->mBody, -600.0, 0.0, 0.0);
    double least = 1000.0;
    double most = 0.0;
    for (int i = 0; i < 300; ++i) {
        Step(1);
        least = std::min(least, X(*ball));
        most = std::max(most, X(*ball));
    }
    EXPECT_GT(least, 300.0);
    EXPECT_LT(most, 500.0);
    EXPECT_GT(X(*ball), 324.0 - 1.0);
    EXPECT_LT(X(*ball), 476.0 + 1.0);
}

TEST_P(WallWinding, LetsABallOutsideGoItsWay)
{
    const auto track = MakeTrack(GetParam());
    auto ball = MakeBall(290.0f, 300.0f, 0.5f);
    Step(300);
    EXPECT_EQ(X(*ball), 290.0);
}

INSTANTIATE_TEST_SUITE_P(BothWays, WallWinding, ::testing::Values(kClockwise, kCounterClockwise));

TEST_F(Physics, AWallOfManySmallSegmentsPushesWhereTheBallPressesDeepest)
{
    // A long straight wall at y = 100, a point every 2 pixels; the ball's
    // deepest overlap lies in the middle of the dozens of triangles it
    // touches.
    std::vector<std::pair<int, int>> points;
    for (int x = 40; x <= 760; x += 2)
        points.emplace_back(x, 100);
    points.emplace_back(760, 560);
    points.emplace_back(40, 560);
    const auto track = MakeTrack(points);
    auto ball = MakeBall(400.0f, 120.0f, 0.95f);
    StepPhysics();
    StepPhysics();
    // The correction of the deepest overlap, 45.6 - 20 pixels, at the
    // world's rate.
    const double deepest = 0.7 * (Ball::kRadius * 0.95 - 20.0) * 300.0;
    EXPECT_GT(dBodyGetLinearVel(ball->mBody)[1], 0.9 * deepest);
    EXPECT_NEAR(dBodyGetLinearVel(ball->mBody)[0], 0.0, 1e-6);
    Step(100);
    EXPECT_GT(Y(*ball), 100.0 + Ball::kRadius * 0.95 - 1.0);
}

TEST_F(Physics, TheTrackIsNeverPushed)
{
    const auto track = MakeTrack(kCounterClockwise);
    auto ball = MakeBall(310.0f, 300.0f, 0.95f);
    Step(50);
    const dReal* position = dBodyGetPosition(track->mBody);
    EXPECT_EQ(position[0] + position[1] + position[2], 0.0);
    EXPECT_GT(X(*ball), 300.0 + Ball::kRadius * 0.95 - 1.0);
}

TEST_F(Physics, ABallAgainstTheTrackIsHeldByTheWorldNotByTheTracksBody)
{
    const auto track = MakeTrack(kCounterClockwise);
    auto ball = MakeBall(310.0f, 300.0f, 0.5f);
    const int before = dBodyGetNumJoints(ball->mBody);
    PhysicsNearCallback(nullptr, track->mGeom, ball->mGeom);
    PhysicsNearCallback(nullptr, ball->mGeom, track->mGeom);
    EXPECT_GT(dBodyGetNumJoints(ball->mBody), before);
    EXPECT_EQ(dBodyGetNumJoints(track->mBody), 1);
    dJointGroupEmpty(gContactGroup);
}

} // namespace
