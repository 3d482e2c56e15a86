#include "game/veParticleSystem.h"

#include "fakes/RecordingImage.h"
#include "framework/graphics/Graphics.h"
#include "game/ParticleEmitter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include <memory>
#include <string>
#include <vector>

namespace {

using Testing::RecordingImage;
using Lines = std::vector<std::string>;

// An emitter that puts one particle at its position per emission and holds
// it there: no spread, no spin, mass beyond moving, one colour and size.
std::unique_ptr<ParticleEmitter> StillEmitter(int x, int y, float lifetime = 1.0f)
{
    auto e = std::make_unique<ParticleEmitter>();
    e->mX = x;
    e->mY = y;
    e->ScatterAngle = {0.0f, 0.0f};
    e->SpinVariation = 0;
    e->SpinOverLife = {};
    e->PartRandomness = 0;
    e->PartLifeTime = lifetime;
    e->EmitInterval = 1000.0f;
    e->PartMass = {{0.0f, 1e6f}};
    e->SizeOverLife = {{0.0f, 100.0f}};
    e->PartColor = {{0.0f, {1.0f, 0.5f, 0.0f, 0.25f}}};
    return e;
}

struct Scene {
    explicit Scene(uint32_t seed = 11) : system(seed) {}
    ~Scene()
    {
        for (const auto& e : emitters)
            system.RemoveEmitter(e.get());
    }
    ParticleEmitter& Add(std::unique_ptr<ParticleEmitter> e)
    {
        system.AddEmitter(e.get());
        emitters.push_back(std::move(e));
        return *emitters.back();
    }
    static void Texture(ParticleEmitter& e, const std::string& name)
    {
        e.mImage = std::make_unique<RecordingImage>(8, 8, name);
    }
    veParticleSystem system;
    std::vector<std::unique_ptr<ParticleEmitter>> emitters;
    RecordingImage screen{800, 600, "screen"};
    Vorn::Graphics g{&screen};
};

TEST(veParticleSystem, TimeGathersUntilAStepOfAtLeastThreeHundredthsRuns)
{
    Scene s;
    ParticleEmitter& e = s.Add(StillEmitter(0, 0, 10.0f));
    s.system.Update(0.02f);
    EXPECT_EQ(s.system.mSystemTime, 0.0f);
    EXPECT_EQ(s.system.mAccumulator, 0.02f);
    EXPECT_FALSE(s.system.mParticles[0].IsLive());
    s.system.Update(0.0099f);
    EXPECT_EQ(s.system.mSystemTime, 0.0f);
    // One step of everything gathered.
    s.system.Update(0.02f);
    const float step = 0.02f + 0.0099f + 0.02f;
    EXPECT_EQ(s.system.mSystemTime, step);
    EXPECT_EQ(s.system.mAccumulator, 0.0f);
    EXPECT_EQ(s.system.mParticles[0].mAge, step);
    EXPECT_EQ(e.mClock, 0.0f);
    s.system.Update(0.5f);
    EXPECT_EQ(s.system.mSystemTime, step + 0.5f);
    EXPECT_EQ(s.system.mParticles[0].mAge, step + 0.5f);

    // Draw adds the frame time, 0 until set.
    s.system.Draw(&s.g);
    EXPECT_EQ(s.system.mAccumulator, 0.0f);
    s.system.SetFrameTime(0.01f);
    s.system.Draw(&s.g);
    s.system.Draw(&s.g);
    EXPECT_EQ(s.system.mAccumulator, 0.01f + 0.01f);
}

TEST(veParticleSystem, BucketsCountLiveParticlesPerLayerAndBlending)
{
    Scene s;
    ParticleEmitter& a = s.Add(StillEmitter(0, 0));
    ParticleEmitter& b = s.Add(StillEmitter(0, 0));
    ParticleEmitter& c = s.Add(StillEmitter(0, 0, 0.05f));
    a.mLayer = 5;
    b.mLayer = 5;
    b.IsUseDarkShading = true;
    c.mLayer = 5;
    a.ParticlesPerEmit = 3;
    c.ParticlesPerEmit = 2;
    s.system.Update(0.04f);
    ASSERT_EQ(s.system.mBuckets.size(), 2u);
    EXPECT_EQ(s.system.mBuckets[0].mCount, 5);
    EXPECT_EQ(s.system.mBuckets[0].mLayer, 5);
    EXPECT_FALSE(s.system.mBuckets[0].mDarkShading);
    EXPECT_EQ(s.system.mBuckets[1].mCount, 1);
    EXPECT_TRUE(s.system.mBuckets[1].mDarkShading);
    EXPECT_EQ(s.system.mParticles[3].mBucketIndex, 1);

    // c's two pass their lifetime in the next step: counted in, then out.
    for (ParticleEmitter* e : {&a, &b, &c})
        e->mEnabled = false;
    s.system.Update(0.04f);
    EXPECT_EQ(s.system.mBuckets[0].mCount, 3);
    EXPECT_EQ(s.system.mBuckets[1].mCount, 1);

    EXPECT_EQ(s.system.UpdateBucket(5, true, false), 1);
    EXPECT_EQ(s.system.UpdateBucket(5, true, false), 1);
    EXPECT_EQ(s.system.mBuckets[1].mCount, 0);
    EXPECT_EQ(s.system.UpdateBucket(7, true, false), 2);
    EXPECT_EQ(s.system.mBuckets[2].mCount, 1);
}

// Each particle: its whole image through rotation then scale size / 50,
// centred on origin + offset, coloured by components taken to 0..255
// (255 from 1 up, 0 from 0 down, else trunc(c x 255 + 0.5)), additive
// unless its emitter asks for dark shading.
TEST(veParticleSystem, DrawsEveryLiveParticleColouredAndScaledInSlotOrder)
{
    Scene s;
    ParticleEmitter& a = s.Add(StillEmitter(100, 200));
    ParticleEmitter& b = s.Add(StillEmitter(-30, 40));
    b.IsUseDarkShading = true;
    b.SizeOverLife = {{0.0f, 25.0f}};
    b.PartColor = {{0.0f, {1.5f, -0.5f, 0.2f, 1.0f}}};
    s.Texture(a, "spark");
    s.Texture(b, "smoke");
    s.system.Update(0.03f);
    s.g.SetColor(Vorn::Color(1, 2, 3, 4));
    s.g.SetDrawMode(Vorn::kDrawModeNormal);
    s.system.Draw(&s.g);
    // 0.5 x 255 + 0.5 = 128, 0.25 x 255 + 0.5 = 64.25, 0.2 x 255 + 0.5 = 51.5.
    EXPECT_EQ(s.screen.mCalls, (Lines{
        "BltByMatrix spark 100,200 [2 0 0; 0 2 0] clip=0,0,800,600 #40ff8000 m1 src=0,0,8,8 blend=0",
        "BltByMatrix smoke -30,40 [0.5 0 0; 0 0.5 0] clip=0,0,800,600 #ffff0033 m0 src=0,0,8,8 blend=0"}));
    EXPECT_EQ(s.g.GetColor(), Vorn::Color(1, 2, 3, 4));
    EXPECT_EQ(s.g.GetDrawMode(), Vorn::kDrawModeNormal);
    EXPECT_FALSE(s.g.GetColorize());
}

// 100 px/s along (0.6, 0.8) for a quarter second from (10, 20).
TEST(veParticleSystem, TheRotationTurnsTheImageAndTheOffsetMovesIt)
{
    Scene s;
    ParticleEmitter& e = s.Add(StillEmitter(10, 20));
    e.PartMass = {{0.0f, 1.0f}};
    e.Velocity = 100.0f;
    e.VelocityDir = {3.0f, 4.0f};
    e.SpinOverLife = {{0.0f, 0.5f}};
    s.Texture(e, "spark");
    s.system.Update(0.25f);
    s.system.Draw(&s.g);
    const Particle& p = s.system.mParticles[0];
    ASSERT_EQ(s.screen.mCalls.size(), 1u);
    // Spin sense drawn at random: the rotation is +-0.5.
    const float r = p.mRotation;
    EXPECT_FLOAT_EQ(std::abs(r), 0.5f);
    char expected[200];
    std::snprintf(expected, sizeof expected, "BltByMatrix spark 25,40 [%g %g 0; %g %g 0]",
        2.0f * std::cos(r), 2.0f * std::sin(r), -2.0f * std::sin(r), 2.0f * std::cos(r));
    EXPECT_EQ(s.screen.mCalls[0].rfind(expected, 0), 0u) << s.screen.mCalls[0];
}

TEST(veParticleSystem, ParticlesWithoutOwnerOrImageAreCountedButNotDrawn)
{
    Scene s;
    ParticleEmitter& gone = s.Add(StillEmitter(1, 1));
    ParticleEmitter& blank = s.Add(StillEmitter(2, 2));
    ParticleEmitter& shown = s.Add(StillEmitter(3, 3));
    s.Texture(gone, "gone");
    s.Texture(shown, "shown");
    s.system.Update(0.03f);
    s.system.RemoveEmitter(&gone);
    EXPECT_EQ(s.system.mParticles[0].mOwner, nullptr);
    EXPECT_EQ(s.system.mEmitters, (std::vector<ParticleEmitter*>{&blank, &shown}));
    s.system.Draw(&s.g);
    ASSERT_EQ(s.screen.mCalls.size(), 1u);
    EXPECT_EQ(s.screen.mCalls[0].rfind("BltByMatrix shown 3,3 ", 0), 0u);
    // The orphan lives on and is still counted.
    blank.mEnabled = false;
    shown.mEnabled = false;
    s.system.Update(0.03f);
    EXPECT_EQ(s.system.mBuckets[0].mCount, 3);
}

TEST(veParticleSystem, ASlotWhoseParticleDiedIsNeitherDrawnNorCounted)
{
    Scene s;
    ParticleEmitter& brief = s.Add(StillEmitter(1, 1, 0.05f));
    ParticleEmitter& lasting = s.Add(StillEmitter(2, 2, 10.0f));
    s.Texture(brief, "brief");
    s.Texture(lasting, "lasting");
    s.system.Update(0.03f);
    brief.mEnabled = false;
    lasting.mEnabled = false;
    s.system.Update(0.03f);
    EXPECT_FALSE(s.system.mParticles[0].IsLive());
    EXPECT_EQ(s.system.mParticles[0].mBucketIndex, 0);
    s.system.Draw(&s.g);
    ASSERT_EQ(s.screen.mCalls.size(), 1u);
    EXPECT_EQ(s.screen.mCalls[0].rfind("BltByMatrix lasting 2,2 ", 0), 0u);
}

TEST(veParticleSystem, BoundParticlesFollowTheirEnabledEmitter)
{
    Scene s;
    ParticleEmitter& e = s.Add(StillEmitter(50, 60));
    e.BindToEmitter = true;
    e.ShiftX = 5;
    s.Texture(e, "spark");
    s.system.Update(0.03f);
    e.mX = 300;
    e.mY = 100;
    s.system.Draw(&s.g);
    e.mEnabled = false;
    e.mX = 0;
    s.system.Draw(&s.g);
    EXPECT_EQ(s.screen.mCalls[0].rfind("BltByMatrix spark 305,100 ", 0), 0u);
    EXPECT_EQ(s.screen.mCalls[1].rfind("BltByMatrix spark 305,100 ", 0), 0u);
}

// Positions of a lively effect (spread, speed and size variation, turbulence,
// a circle, bursts) after two seconds of frames.
std::vector<float> Positions(uint32_t seed)
{
    Scene s(seed);
    auto lively = std::make_unique<ParticleEmitter>();
    lively->mX = 400;
    lively->mY = 300;
    lively->EmitterType = kEmitterCircle;
    lively->Radius = 20.0f;
    lively->VelocityVariation = 40;
    lively->MotionOverLife = {{0.0f, 3.0f}, {1.0f, 0.0f}};
    lively->MotionVariation = 50;
    lively->ParticlesPerEmit = 4;
    lively->BurstSize = 2;
    lively->PartLifeTime = 1.0f;
    lively->Force = {0.0f, 200.0f};
    s.Add(std::move(lively));
    s.system.SetFrameTime(0.01f);
    for (int frame = 0; frame < 200; ++frame)
        s.system.Draw(&s.g);
    std::vector<float> positions;
    for (const Particle& p : s.system.mParticles)
        if (p.IsLive()) {
            positions.push_back(p.mOrigin.mX + p.mOffset.mX);
            positions.push_back(p.mOrigin.mY + p.mOffset.mY);
        }
    return positions;
}

TEST(veParticleSystem, AFixedSeedGivesTheSamePositionsEveryRun)
{
    const std::vector<float> first = Positions(1234);
    ASSERT_GT(first.size(), 40u);
    EXPECT_EQ(Positions(1234), first);
    EXPECT_NE(Positions(1235), first);
}

TEST(veParticleSystem, DestroyedBeforeItsEmittersItLetsThemGo)
{
    ParticleEmitter e;
    {
        veParticleSystem system(1);
        system.AddEmitter(&e);
        EXPECT_EQ(e.mSystem, &system);
    }
    EXPECT_EQ(e.mSystem, nullptr);
    e.Unlink();
}

} // namespace
