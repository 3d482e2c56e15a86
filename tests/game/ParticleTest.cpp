#include "game/Particle.h"

#include "game/ParticleRandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

// A moving particle of lifetime 2 s at (10, 20): speed 300 down the screen,
// mass 1, size, spin and colour curves of one key each.
Particle Moving()
{
    Particle p;
    p.mLifeTime = 2.0f;
    p.mOrigin = {10.0f, 20.0f};
    p.mDirection = {0.0f, 1.0f};
    p.mVelocityCurve = {{0.0f, 1.0f}};
    p.mVelocityCurve.mScale = 300.0f;
    p.mMassCurve = {{0.0f, 1.0f}};
    p.mSizeCurve = {{0.0f, 10.0f}, {1.0f, 30.0f}};
    p.mSpinCurve = {{0.0f, 0.0f}, {1.0f, 2.0f}};
    p.mColorCurve = {{0.0f, {1.0f, 1.0f, 1.0f, 1.0f}}, {1.0f, {1.0f, 0.0f, 0.0f, 0.0f}}};
    p.mMotionCurve = {{0.0f, 0.0f}};
    return p;
}

TEST(Particle, AStartDelayHoldsItBackAndTheRestOfTheStepMovesIt)
{
    ParticleRandom random(1);
    Particle p = Moving();
    p.mStartDelay = 0.05f;
    p.Update(0.03f, random);
    EXPECT_FLOAT_EQ(p.mStartDelay, 0.05f - 0.03f);
    EXPECT_EQ(p.mAge, 0.0f);
    EXPECT_EQ(p.mOffset.mY, 0.0f);
    EXPECT_EQ(p.mSize, 0.0f);

    // A delay equal to the step still waits the whole step.
    p.mStartDelay = 0.03f;
    p.Update(0.03f, random);
    EXPECT_EQ(p.mStartDelay, 0.0f);
    EXPECT_EQ(p.mAge, 0.0f);
    EXPECT_EQ(p.mSize, 0.0f);

    p.mStartDelay = 0.01f;
    p.Update(0.03f, random);
    EXPECT_EQ(p.mStartDelay, 0.0f);
    EXPECT_FLOAT_EQ(p.mAge, 0.02f);
    EXPECT_FLOAT_EQ(p.mOffset.mY, 300.0f * 0.02f);
}

TEST(Particle, CurvesAreReadAtTheLifeFractionHeldAtOne)
{
    ParticleRandom random(1);
    Particle p = Moving();
    p.mRotationOffset = 0.5f;
    p.Update(0.5f, random);
    EXPECT_FLOAT_EQ(p.mSize, 15.0f);
    EXPECT_FLOAT_EQ(p.mRotation, 0.5f + 0.5f);
    EXPECT_FLOAT_EQ(p.mColor.green, 0.75f);
    EXPECT_FLOAT_EQ(p.mColor.alpha, 0.75f);
    EXPECT_TRUE(p.IsLive());

    p.Update(2.0f, random);
    EXPECT_FALSE(p.IsLive());
    EXPECT_FLOAT_EQ(p.mSize, 30.0f);
    EXPECT_FLOAT_EQ(p.mRotation, 2.5f);
    EXPECT_EQ(p.mColor.alpha, 0.0f);
}

TEST(Particle, ALifetimeNotAboveZeroReadsTheEndOfItsCurvesWithoutDividing)
{
    ParticleRandom random(1);
    Particle p = Moving();
    // A key beyond the end of life tells fraction 1 from a fraction that is
    // no number.
    p.mSizeCurve = {{0.0f, 10.0f}, {2.0f, 30.0f}};
    p.mLifeTime = 0.0f;
    p.Update(0.0f, random);
    EXPECT_FALSE(p.IsLive());
    EXPECT_FLOAT_EQ(p.mSize, 20.0f);
    p.mLifeTime = -1.0f;
    p.Update(0.0f, random);
    EXPECT_FLOAT_EQ(p.mSize, 20.0f);
}

// velocity = speed x direction + force / mass x age; offset += velocity x dt.
TEST(Particle, TheForceActsOverTheWholeAgeAndHeavyParticlesStandStill)
{
    ParticleRandom random(1);
    Particle p = Moving();
    p.mForce = {4.0f, 10.0f};
    p.mMassCurve = {{0.0f, 2.0f}};
    p.Update(0.5f, random);
    EXPECT_FLOAT_EQ(p.mVelocity.mX, 4.0f / 2.0f * 0.5f);
    EXPECT_FLOAT_EQ(p.mVelocity.mY, 300.0f + 10.0f / 2.0f * 0.5f);
    EXPECT_FLOAT_EQ(p.mOffset.mX, 1.0f * 0.5f);
    EXPECT_FLOAT_EQ(p.mOffset.mY, 302.5f * 0.5f);
    p.Update(0.5f, random);
    EXPECT_FLOAT_EQ(p.mVelocity.mY, 300.0f + 5.0f * 1.0f);
    EXPECT_FLOAT_EQ(p.mOffset.mY, 151.25f + 305.0f * 0.5f);

    // Massless: no force at all.
    Particle light = Moving();
    light.mForce = {4.0f, 10.0f};
    light.mMassCurve = {{0.0f, 0.0f}};
    light.Update(0.5f, random);
    EXPECT_EQ(light.mVelocity.mX, 0.0f);
    EXPECT_FLOAT_EQ(light.mOffset.mY, 150.0f);

    for (const float mass : {1000000.0f, 5e6f}) {
        Particle heavy = Moving();
        heavy.mMassCurve = {{0.0f, mass}};
        heavy.Update(0.5f, random);
        EXPECT_EQ(heavy.mOffset.mY, 0.0f) << mass;
        EXPECT_FLOAT_EQ(heavy.mAge, 0.5f);
        EXPECT_FLOAT_EQ(heavy.mSpeed, 300.0f);
    }
    Particle almost = Moving();
    almost.mMassCurve = {{0.0f, 999999.0f}};
    almost.Update(0.5f, random);
    EXPECT_FLOAT_EQ(almost.mOffset.mY, 150.0f);
}

// Turbulence turns (x, y, 0) by roll about z, pitch about x and yaw about y,
// each m x dt x a random whole angle in -180..179 degrees.
TEST(Particle, TurbulenceTurnsTheDirectionByThreeDrawnAngles)
{
    ParticleRandom random(99);
    std::mt19937 reference(99);
    Particle p = Moving();
    p.mDirection = {0.6f, 0.8f};
    p.mMotionCurve = {{0.0f, 2.0f}};
    p.mMotionCurve.mScale = 1.5f;
    p.Update(0.1f, random);

    const double pi = std::numbers::pi;
    auto angle = [&] { return 3.0 * 0.1 * (static_cast<int>(reference() >> 17) % 360 - 180) * pi / 180.0; };
    const double yaw = angle();
    const double pitch = angle();
    const double roll = angle();
    const double x1 = 0.6 * std::cos(roll) - 0.8 * std::sin(roll);
    const double y1 = 0.6 * std::sin(roll) + 0.8 * std::cos(roll);
    EXPECT_NEAR(p.mDirection.mX, x1 * std::cos(yaw) + y1 * std::sin(pitch) * std::sin(yaw), 1e-5);
    EXPECT_NEAR(p.mDirection.mY, y1 * std::cos(pitch), 1e-5);
    EXPECT_NEAR(p.mOffset.mX, 300.0 * p.mDirection.mX * 0.1, 1e-4);
    EXPECT_NEAR(p.mOffset.mY, 300.0 * p.mDirection.mY * 0.1, 1e-4);
    // Exactly three draws.
    EXPECT_EQ(random.Rand(), static_cast<int>(reference() >> 17));

    // Without turbulence nothing is drawn.
    Particle calm = Moving();
    calm.Update(0.1f, random);
    EXPECT_EQ(random.Rand(), static_cast<int>(reference() >> 17));
    EXPECT_EQ(calm.mDirection.mX, 0.0f);
}

} // namespace
