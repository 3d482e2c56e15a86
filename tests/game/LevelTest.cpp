// The track of a stage: its numbers, its file, its pictures, its floor, its
// vortex and its wall.

#include "game/Level.h"

#include "BoardHarness.h"
#include "fakes/RecordingImage.h"
#include "framework/graphics/Graphics.h"
#include "game/GameResources.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct StageNumbers {
    int stage;
    int difficulty;
    int symbols;
    int balls;
    int symbolSet;
};

class DerivedNumbers : public ::testing::TestWithParam<StageNumbers> {};

TEST_P(DerivedNumbers, FollowFromStageAndDifficulty)
{
    const StageNumbers n = GetParam();
    EXPECT_EQ(Level::SymbolCountFor(n.stage, n.difficulty), n.symbols);
    EXPECT_EQ(Level::BallCountFor(n.stage), n.balls);
    EXPECT_EQ(Level::SymbolSetFor(n.stage), n.symbolSet);
}

INSTANTIATE_TEST_SUITE_P(Table, DerivedNumbers,
    ::testing::Values(StageNumbers{0, 1, 4, 100, 0}, StageNumbers{0, 3, 4, 100, 0}, StageNumbers{5, 2, 4, 150, 1},
        StageNumbers{9, 1, 5, 190, 3}, StageNumbers{10, 3, 13, 200, 3}, StageNumbers{20, 3, 16, 300, 6},
        StageNumbers{6, 2, 5, 160, 2}, StageNumbers{7, 2, 5, 170, 2}, StageNumbers{1, 3, 4, 110, 0},
        StageNumbers{2, 3, 5, 120, 0}, StageNumbers{3, 8, 11, 130, 1}, StageNumbers{0, 8, 8, 100, 0},
        StageNumbers{48, 1, 16, 580, 0}, StageNumbers{51, 2, 16, 610, 1}));

class TrackFile : public ::testing::Test {
protected:
    TrackFile() { InitPhysicsWorld(); }

    void Read(const std::string& text)
    {
        std::istringstream in(text);
        mLevel.ReadTrack(in);
    }

    Testing::BoardHarness mHarness;
    Renderer mRenderer{1};
    Level mLevel{&mRenderer};
};

TEST_F(TrackFile, HoldsThePolygonThenTheSpawnAndEndPoints)
{
    Read("3\n10 20 30 40\n50 60\n1.5 2.5 -7 8e1\n");
    EXPECT_EQ(mLevel.mPoints, (std::vector<std::pair<int, int>>{{10, 20}, {30, 40}, {50, 60}}));
    EXPECT_EQ(mLevel.mSpawnX, 1.5f);
    EXPECT_EQ(mLevel.mSpawnY, 2.5f);
    EXPECT_EQ(mLevel.mEndX, -7.0f);
    EXPECT_EQ(mLevel.mEndY, 80.0f);
}

class TrackFileCut : public TrackFile, public ::testing::WithParamInterface<int> {};

// A file that ends, or turns to something else, after any number of values
// keeps what it read and the defaults for the rest.
TEST_P(TrackFileCut, KeepsWhatWasReadBeforeTheCut)
{
    const std::vector<std::string> values = {"2", "11", "12", "13", "14", "5.5", "6.5", "7.5", "8.5"};
    const auto cut = static_cast<size_t>(GetParam());
    std::string text;
    for (size_t i = 0; i < cut; ++i)
        text += values[i] + " ";
    for (const std::string tail : {"", "x 1 2 3 4 5 6 7 8 9"}) {
        mLevel.mPoints.clear();
        mLevel.mSpawnX = mLevel.mSpawnY = 0.0f;
        mLevel.mEndX = 500.0f;
        mLevel.mEndY = 300.0f;
        Read(text + tail);
        const size_t points = cut < 1 ? 0 : std::min<size_t>((cut - 1) / 2, 2);
        EXPECT_EQ(mLevel.mPoints.size(), points);
        EXPECT_EQ(mLevel.mSpawnX, cut >= 6 ? 5.5f : 0.0f);
        EXPECT_EQ(mLevel.mSpawnY, cut >= 7 ? 6.5f : 0.0f);
        EXPECT_EQ(mLevel.mEndX, cut >= 8 ? 7.5f : 500.0f);
        EXPECT_EQ(mLevel.mEndY, cut >= 9 ? 8.5f : 300.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryValue, TrackFileCut, ::testing::Range(0, 10));

TEST_F(TrackFile, KeepsAtMostTenThousandPointsAndStillFindsTheSpawnAndEnd)
{
    std::string text = "10003 ";
    for (int i = 0; i < 10003; ++i)
        text += std::to_string(i % 700 + 30) + " " + std::to_string(i / 700 + 30) + " ";
    Read(text + "77 88 99 111");
    ASSERT_EQ(mLevel.mPoints.size(), 10000u);
    EXPECT_EQ(mLevel.mPoints.back(), std::make_pair(9999 % 700 + 30, 9999 / 700 + 30));
    EXPECT_EQ(mLevel.mSpawnX + mLevel.mSpawnY, 77.0f + 88.0f);
    EXPECT_EQ(mLevel.mEndX + mLevel.mEndY, 99.0f + 111.0f);
}

TEST_F(TrackFile, ANegativeOrHugeCountReadsNoPoints)
{
    Read("-5 1 2 3 4");
    EXPECT_TRUE(mLevel.mPoints.empty());
    EXPECT_EQ(mLevel.mSpawnX, 1.0f);
    mLevel.mSpawnX = 0.0f;
    Read("99999999999 1 2");
    EXPECT_TRUE(mLevel.mPoints.empty());
    EXPECT_EQ(mLevel.mSpawnX, 0.0f);
}

TEST_F(TrackFile, AMissingFileLeavesAnEmptyTrackThatStillRuns)
{
    Testing::TempDir elsewhere;
    std::filesystem::current_path(elsewhere.Path());
    mLevel.Load(2, 1);
    EXPECT_TRUE(mLevel.mPoints.empty());
    EXPECT_EQ(mLevel.mSpawnX + mLevel.mSpawnY, 0.0f);
    EXPECT_EQ(mLevel.mEndX, 500.0f);
    EXPECT_EQ(mLevel.mEndY, 300.0f);
    EXPECT_EQ(mLevel.mGeom, nullptr);
    ASSERT_NE(mLevel.mBody, nullptr);
    mLevel.Update();
}

TEST_F(TrackFile, EachStageReadsTheFileOfItsTrack)
{
    for (int stage : {0, 1, 2, 3, 4, 7, 13}) {
        Level level(&mRenderer);
        level.Load(stage, 1);
        std::istringstream file(Testing::ReadGameFile("properties/track_" + std::to_string(stage % 4) + ".cfg"));
        Level expected(&mRenderer);
        expected.ReadTrack(file);
        EXPECT_EQ(level.mPoints, expected.mPoints) << stage;
        EXPECT_EQ(level.mEndX, expected.mEndX);
        EXPECT_EQ(level.mSpawnY, expected.mSpawnY);
        EXPECT_GT(level.mPoints.size(), 100u);
    }
}

TEST_F(TrackFile, ANegativeStageLoadsAsStageZero)
{
    mLevel.Load(-3, 2);
    EXPECT_EQ(mLevel.mStage, 0);
    EXPECT_EQ(mLevel.mSymbolCount, 4);
    EXPECT_EQ(mLevel.mBallCount, 100);
}

class TrackPictures : public TrackFile {
protected:
    TrackPictures()
    {
        const std::array<Vorn::Image**, 6> globals = {
            &IMAGE_TRACK_1, &IMAGE_TRACK_2, &IMAGE_TRACK_3, &IMAGE_TRACK_4, &IMAGE_VORTEX_BOTTOM, &IMAGE_VORTEX_TOP};
        for (size_t i = 0; i < globals.size(); ++i) {
            mPictures.push_back(std::make_unique<Testing::RecordingImage>(10, 10, "picture" + std::to_string(i)));
            *globals[i] = mPictures.back().get();
        }
    }
    ~TrackPictures() override
    {
        IMAGE_TRACK_1 = IMAGE_TRACK_2 = IMAGE_TRACK_3 = IMAGE_TRACK_4 = nullptr;
        IMAGE_VORTEX_BOTTOM = IMAGE_VORTEX_TOP = nullptr;
    }

    std::vector<std::unique_ptr<Testing::RecordingImage>> mPictures;
};

TEST_F(TrackPictures, TheTrackPictureCoversTheWindowAndTheVortexSitsOnTheEnd)
{
    mLevel.Load(6, 1);
    ASSERT_EQ(mLevel.mChildren.size(), 3u);
    const Sprite& track = *mLevel.mChildren[0];
    EXPECT_EQ(track.mImage, mPictures[2].get());
    EXPECT_EQ(track.mLayer, 4);
    EXPECT_EQ(track.mOffsetX, 400.0f);
    EXPECT_EQ(track.mOffsetY, 300.0f);
    for (size_t i = 1; i < 3; ++i) {
        const Sprite& vortex = *mLevel.mChildren[i];
        EXPECT_EQ(vortex.mImage, mPictures[3 + i].get());
        EXPECT_EQ(vortex.mLayer, static_cast<int>(4 + i));
        EXPECT_EQ(vortex.mFrame, 0);
        EXPECT_EQ(vortex.mOffsetX, mLevel.mEndX);
        EXPECT_EQ(vortex.mOffsetY, mLevel.mEndY);
    }
    EXPECT_NE(mLevel.mEndX, 500.0f);
    EXPECT_EQ(mLevel.GetTypeId(), PhysSprite::kTypeTrack);
    EXPECT_EQ(dJointGetType(mLevel.mJoint), dJointTypeFixed);
}

TEST_F(TrackPictures, TheVortexTurnsAgainstItsAngleTheTopAtAQuarterOfTheSpeed)
{
    mLevel.Load(0, 1);
    float angle = 0.0f;
    for (int i = 0; i < 5; ++i) {
        mLevel.Update();
        EXPECT_EQ(mLevel.mChildren[1]->mRotation, -angle);
        EXPECT_EQ(mLevel.mChildren[2]->mRotation, -angle * 0.25f);
        angle += 0.02f;
        EXPECT_EQ(mLevel.mVortexAngle, angle);
    }
    EXPECT_EQ(mLevel.mChildren[0]->mRotation, 0.0f);
}

TEST(LevelFloor, EachStagePicksItsTracksFloorAndTheVariantMovesOnEveryFourStages)
{
    std::vector<std::unique_ptr<Testing::RecordingImage>> floors;
    const std::array<std::array<Vorn::Image**, 4>, 4> globals = {{
        {&IMAGE_BKG_1_1, &IMAGE_BKG_1_2, &IMAGE_BKG_1_3, &IMAGE_BKG_1_4},
        {&IMAGE_BKG_2_1, &IMAGE_BKG_2_2, &IMAGE_BKG_2_3, &IMAGE_BKG_2_4},
        {&IMAGE_BKG_3_1, &IMAGE_BKG_3_2, &IMAGE_BKG_3_3, &IMAGE_BKG_3_4},
        {&IMAGE_BKG_4_1, &IMAGE_BKG_4_2, &IMAGE_BKG_4_3, &IMAGE_BKG_4_4},
    }};
    for (int t = 0; t < 4; ++t) {
        for (int v = 0; v < 4; ++v) {
            floors.push_back(std::make_unique<Testing::RecordingImage>(
                8, 8, "bkg" + std::to_string(t + 1) + "_" + std::to_string(v + 1)));
            *globals[t][v] = floors.back().get();
        }
    }
    // Stages 0-3 use variants 1-4 of tracks 1-4, 4-7 move each on by one,
    // and the whole repeats after 16 stages.
    const std::vector<std::string> expected = {"bkg1_1", "bkg2_2", "bkg3_3", "bkg4_4", "bkg1_2", "bkg2_3", "bkg3_4",
        "bkg4_1", "bkg1_3", "bkg2_4", "bkg3_1", "bkg4_2", "bkg1_4", "bkg2_1", "bkg3_2", "bkg4_3", "bkg1_1", "bkg2_2"};
    Renderer renderer(1);
    for (size_t stage = 0; stage < expected.size(); ++stage) {
        Testing::RecordingImage screen(800, 600, "screen");
        Vorn::Graphics g(&screen);
        Level level(&renderer);
        level.mStage = static_cast<int>(stage);
        level.Draw(&g);
        ASSERT_EQ(screen.mCalls.size(), 1u);
        EXPECT_EQ(screen.mCalls[0].rfind("Blt " + expected[stage] + " 0,0 ", 0), 0u) << screen.mCalls[0];
    }
    for (const auto& row : globals) {
        for (Vorn::Image** global : row)
            *global = nullptr;
    }
}

class WallMesh : public TrackFile, public ::testing::WithParamInterface<bool> {};

TEST_P(WallMesh, IsARibbonTwentyHighAlongThePolygonFacingItsInside)
{
    const bool clockwise = GetParam();
    mLevel.mPoints = clockwise ? std::vector<std::pair<int, int>>{{100, 100}, {300, 100}, {200, 250}}
                               : std::vector<std::pair<int, int>>{{100, 100}, {200, 250}, {300, 100}};
    mLevel.CreateBody();
    ASSERT_NE(mLevel.mGeom, nullptr);
    EXPECT_EQ(dGeomGetClass(mLevel.mGeom), dTriMeshClass);
    EXPECT_EQ(dGeomGetBody(mLevel.mGeom), mLevel.mBody);
    ASSERT_EQ(mLevel.mVertices.size(), 18u);
    for (size_t i = 0; i < 3; ++i) {
        const std::vector<float> top(mLevel.mVertices.begin() + 6 * i, mLevel.mVertices.begin() + 6 * i + 6);
        const auto x = static_cast<float>(mLevel.mPoints[i].first);
        const auto y = static_cast<float>(mLevel.mPoints[i].second);
        EXPECT_EQ(top, (std::vector<float>{x, y, 10.0f, x, y, -10.0f}));
    }
    // Counter-clockwise on the screen the triangles are the polygon's order;
    // clockwise they are wound the other way round.
    const std::vector<int> ordered = {0, 1, 3, 0, 3, 2, 2, 3, 5, 2, 5, 4, 4, 5, 1, 4, 1, 0};
    const std::vector<int> reversed = {0, 3, 1, 0, 2, 3, 2, 5, 3, 2, 4, 5, 4, 1, 5, 4, 0, 1};
    EXPECT_EQ(mLevel.mIndices, clockwise ? reversed : ordered);
    EXPECT_EQ(dGeomTriMeshGetTriangleCount(mLevel.mGeom), 6);
}

INSTANTIATE_TEST_SUITE_P(BothWays, WallMesh, ::testing::Bool());

TEST_F(TrackFile, FewerThanTwoPointsMakeNoWall)
{
    for (const auto& points :
        {std::vector<std::pair<int, int>>{}, std::vector<std::pair<int, int>>{{100, 100}}}) {
        mLevel.mPoints = points;
        mLevel.CreateBody();
        EXPECT_EQ(mLevel.mGeom, nullptr);
        EXPECT_TRUE(mLevel.mVertices.empty());
        ASSERT_NE(mLevel.mBody, nullptr);
        EXPECT_EQ(dBodyGetNumJoints(mLevel.mBody), 1);
    }
    mLevel.mPoints = {{100, 100}, {200, 100}};
    mLevel.CreateBody();
    EXPECT_NE(mLevel.mGeom, nullptr);
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), 1);
}

} // namespace
