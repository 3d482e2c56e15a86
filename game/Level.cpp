#include "game/Level.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/Graphics.h"
#include "game/GameResources.h"
#include "game/PhysicsWorld.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace {

constexpr float kVortexStep = 0.02f;
constexpr float kTopVortexSpeed = 0.25f;
// Half the wall's height on each side of the balls' plane.
constexpr float kWallHalfHeight = 10.0f;

constexpr int kTrackLayer = 4;
constexpr int kVortexBottomLayer = 5;
constexpr int kVortexTopLayer = 6;

Vorn::Image* TrackPicture(int stage)
{
    const std::array<Vorn::Image*, 4> pictures = {IMAGE_TRACK_1, IMAGE_TRACK_2, IMAGE_TRACK_3, IMAGE_TRACK_4};
    return pictures[static_cast<size_t>(stage % 4)];
}

// Twice the area the polygon encloses, positive when its points run
// clockwise on the screen (y grows downward).
int64_t SignedArea(const std::vector<std::pair<int, int>>& points)
{
    int64_t area = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const auto& [x0, y0] = points[i];
        const auto& [x1, y1] = points[(i + 1) % points.size()];
        area += int64_t{x0} * y1 - int64_t{x1} * y0;
    }
    return area;
}

// Floors by track, then variant.
Vorn::Image* Floor(int track, int variant)
{
    const std::array<std::array<Vorn::Image*, 4>, 4> floors = {{
        {IMAGE_BKG_1_1, IMAGE_BKG_1_2, IMAGE_BKG_1_3, IMAGE_BKG_1_4},
        {IMAGE_BKG_2_1, IMAGE_BKG_2_2, IMAGE_BKG_2_3, IMAGE_BKG_2_4},
        {IMAGE_BKG_3_1, IMAGE_BKG_3_2, IMAGE_BKG_3_3, IMAGE_BKG_3_4},
        {IMAGE_BKG_4_1, IMAGE_BKG_4_2, IMAGE_BKG_4_3, IMAGE_BKG_4_4},
    }};
    return floors[static_cast<size_t>(track)][static_cast<size_t>(variant)];
}

} // namespace

Level::Level(Renderer* renderer) : PhysSprite(renderer, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f) {}

Level::~Level()
{
    DestroyBody();
    DestroyMesh();
}

int Level::SymbolCountFor(int stage, int difficulty)
{
    const int perSymbol = difficulty < 3 ? 2 : 1;
    return std::clamp(stage / perSymbol + difficulty, 4, 16);
}

int Level::SymbolSetFor(int stage)
{
    return stage / 3 % 16;
}

int Level::BallCountFor(int stage)
{
    return (stage * 5 + 50) * 2;
}

void Level::Load(int stage, int difficulty)
{
    mDifficulty = difficulty;
    mStage = std::max(stage, 0);
    Sprite* track = AddSprite(TrackPicture(mStage), kTrackLayer, 0);
    track->mOffsetX = static_cast<float>(Vorn::gApplication->mWidth) * 0.5f;
    track->mOffsetY = static_cast<float>(Vorn::gApplication->mHeight) * 0.5f;
    ReadTrackConfig();
    mVortexBottom = AddSprite(IMAGE_VORTEX_BOTTOM, kVortexBottomLayer, 0);
    mVortexTop = AddSprite(IMAGE_VORTEX_TOP, kVortexTopLayer, 0);
    for (Sprite* vortex : {mVortexBottom, mVortexTop}) {
        vortex->mOffsetX = mEndX;
        vortex->mOffsetY = mEndY;
    }
    CreateBody();
}

void Level::ReadTrackConfig()
{
    mEndX = 500.0f;
    mEndY = 300.0f;
    mSymbolSet = SymbolSetFor(mStage);
    mSymbolCount = SymbolCountFor(mStage, mDifficulty);
    mBallCount = BallCountFor(mStage);
    Platform::RegularFileStream in(
        Platform::ResolveFileName("properties/track_" + std::to_string(mStage % 4) + ".cfg"));
    ReadTrack(in);
}

void Level::ReadTrack(std::istream& in)
{
    int count = 0;
    if (!(in >> count))
        return;
    for (int i = 0; i < count; ++i) {
        int x;
        int y;
        if (!(in >> x >> y))
            return;
        if (i < kMaxPoints)
            mPoints.emplace_back(x, y);
    }
    // Each value into a local first: a failed read must leave the field alone.
    float value;
    for (float* field : {&mSpawnX, &mSpawnY, &mEndX, &mEndY}) {
        if (!(in >> value))
            return;
        *field = value;
    }
}

void Level::Draw(Vorn::Graphics* g) const
{
    const int i = mStage % 16;
    const int track = i % 4;
    const int variant = (i % 4 + i / 4) % 4;
    g->DrawImage(Floor(track, variant), 0, 0);
}

void Level::Update()
{
    SyncChildren();
    mVortexTop->mRotation = -mVortexAngle * kTopVortexSpeed;
    mVortexBottom->mRotation = -mVortexAngle;
    mVortexAngle += kVortexStep;
}

dGeomID Level::CreateGeom()
{
    DestroyMesh();
    const size_t n = mPoints.size();
    if (n < 2)
        return nullptr;
    mVertices.assign(6 * n, 0.0f);
    mIndices.assign(6 * n, 0);
    // The library's triangles collide on their front side only. Taken in the
    // polygon's order the fronts face its inside when the points run
    // counter-clockwise on the screen; a track drawn the other way round
    // would hold no ball in, so its triangles are wound the other way.
    const bool clockwise = SignedArea(mPoints) > 0;
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<float>(mPoints[i].first);
        const auto y = static_cast<float>(mPoints[i].second);
        float* top = &mVertices[6 * i];
        top[0] = x;
        top[1] = y;
        top[2] = kWallHalfHeight;
        top[3] = x;
        top[4] = y;
        top[5] = -kWallHalfHeight;
        const auto a = static_cast<int>(2 * i);
        const auto b = static_cast<int>(2 * ((i + 1) % n));
        int* triangles = &mIndices[6 * i];
        triangles[0] = a;
        triangles[1] = clockwise ? b + 1 : a + 1;
        triangles[2] = clockwise ? a + 1 : b + 1;
        triangles[3] = a;
        triangles[4] = clockwise ? b : b + 1;
        triangles[5] = clockwise ? b + 1 : b;
    }
    mMeshData = dGeomTriMeshDataCreate();
    dGeomTriMeshDataBuildSingle(mMeshData, mVertices.data(), 3 * sizeof(float), static_cast<int>(2 * n),
        mIndices.data(), static_cast<int>(6 * n), 3 * sizeof(int));
    const dGeomID wall = dCreateTriMesh(gPhysicsSpace, mMeshData, nullptr, nullptr, nullptr);
    dGeomTriMeshEnableTC(wall, dSphereClass, 0);
    dGeomTriMeshEnableTC(wall, dBoxClass, 0);
    return wall;
}

void Level::CreateJoint()
{
    mJoint = dJointCreateFixed(gPhysicsWorld, nullptr);
    dJointAttach(mJoint, mBody, nullptr);
    dJointSetFixed(mJoint);
}

void Level::DestroyMesh()
{
    // The data outlives every shape built on it: the shape goes first.
    if (mGeom != nullptr) {
        dGeomDestroy(mGeom);
        mGeom = nullptr;
    }
    if (mMeshData != nullptr)
        dGeomTriMeshDataDestroy(mMeshData);
    mMeshData = nullptr;
    mVertices.clear();
    mIndices.clear();
}
