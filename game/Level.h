#pragma once
// The track of one stage: the closed channel from the spawn point to the
// vortex. It reads the stage's track file, derives the stage's numbers from
// stage and difficulty, shows the track picture and the spinning vortex,
// draws the floor, and is the fixed body whose wall holds the balls.
//
// A track file ("properties/track_<stage mod 4>.cfg", read from the disk) is
// whitespace-separated numbers: the point count N, N pairs of int x y (the
// closed polygon of the channel's wall), spawn x y, end x y (floats). A value
// that cannot be read ends the reading; what was not read keeps its default.

#include "game/PhysSprite.h"

#include <istream>
#include <utility>
#include <vector>

namespace Vorn {
class Graphics;
}

class Level : public PhysSprite {
public:
    // More points than this are read past, not kept.
    static constexpr int kMaxPoints = 10000;
    // A ball closer than this to the end point loses the stage.
    static constexpr float kEndRadius = 50.0f;

    explicit Level(Renderer* renderer);
    ~Level() override;

    // Stage numbers, track file, pictures and body.
    void Load(int stage, int difficulty);
    // The stage numbers, then the track file of the stage.
    void ReadTrackConfig();
    // The reader itself, on any stream.
    void ReadTrack(std::istream& in);
    // The floor of the stage at (0, 0).
    void Draw(Vorn::Graphics* g) const;
    // Children in step, vortex turning.
    void Update() override;
    // The wall: a vertical ribbon along the polygon, closed; none for fewer
    // than two points.
    dGeomID CreateGeom() override;
    // Held in place.
    void CreateJoint() override;
    int GetTypeId() const override { return kTypeTrack; }

    // The numbers every stage derives; the ball count is always even.
    static int SymbolCountFor(int stage, int difficulty);
    static int SymbolSetFor(int stage);
    static int BallCountFor(int stage);

    int mSymbolCount = 1;
    int mSymbolSet = 0;
    int mBallCount = 0;
    int mStage = 0;
    int mDifficulty = 0;
    float mEndX = 0.0f;
    float mEndY = 0.0f;
    float mSpawnX = 0.0f;
    float mSpawnY = 0.0f;
    // Radians; grows by 0.02 per update.
    float mVortexAngle = 0.0f;
    std::vector<std::pair<int, int>> mPoints;
    std::vector<float> mVertices;
    std::vector<int> mIndices;

private:
    void DestroyMesh();

    dTriMeshDataID mMeshData = nullptr;
    Sprite* mVortexBottom = nullptr;
    Sprite* mVortexTop = nullptr;
};
