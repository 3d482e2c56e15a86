#include "game/ParticleEmitter.h"

#include "framework/app/VornAppBase.h"
#include "framework/display/DDImage.h"
#include "game/Particle.h"
#include "game/ParticleRandom.h"
#include "game/veParticleSystem.h"
#include "platform/VectorMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

float Radians(int degrees)
{
    return static_cast<float>(degrees) * std::numbers::pi_v<float> / 180.0f;
}

// A random whole angle below the spread, in radians; 0 unless the spread's
// whole part is above 0. The generator draws below 32768, and the remainder
// of a draw by anything larger is the draw itself: wider spreads draw as
// 32768 does, so no spread overflows the truncation.
float ScatterRadians(float spread, ParticleRandom& random)
{
    if (!(spread >= 1.0f))
        return 0.0f;
    const int whole = static_cast<int>(std::min(spread, ParticleRandom::kRandMax + 1.0f));
    return Radians(random.Rand() % whole);
}

} // namespace

ParticleEmitter::ParticleEmitter() = default;

ParticleEmitter::~ParticleEmitter() = default;

void ParticleEmitter::Step(veParticleSystem& system)
{
    if (!(system.mSystemTime > mClock + EmitInterval || mClock == 0.0f))
        return;
    if (mEnabled)
        EmitInto(system);
    mClock = system.mSystemTime;
    if (UseCycle)
        CycleStep(system.mRandom);
}

void ParticleEmitter::EmitInto(veParticleSystem& system)
{
    // Each burst is one new particle and BurstSize - 1 copies of it, each
    // starting BurstDelay after the one before. What finds no free slot is
    // dropped.
    int64_t remaining = int64_t{ParticlesPerEmit} * BurstSize;
    int burstPosition = 0;
    const Particle* previous = nullptr;
    for (int slot = system.mSearchStart; slot < system.mCapacity && remaining > 0; ++slot) {
        Particle& particle = system.mParticles[slot];
        if (particle.IsLive())
            continue;
        if (burstPosition == 0) {
            Emit(particle, system.mRandom);
        } else {
            particle = *previous;
            particle.mStartDelay += BurstDelay;
        }
        burstPosition = (burstPosition + 1) % BurstSize;
        --remaining;
        previous = &particle;
        system.mSearchStart = slot;
    }
}

void ParticleEmitter::CycleStep(ParticleRandom& random)
{
    // Reached, not only met: a count below 1 ends every cycle at once
    // instead of never.
    if (++mCycleCount < EmitsPerCycle)
        return;
    const float pause = CycleInterval - static_cast<float>(EmitsPerCycle) * EmitInterval
        + random.Variation(CycleInterval, CycleVariation);
    mClock += std::max(pause, 0.0f);
    mCycleCount = 0;
    if (SingleEmit)
        mEnabled = false;
}

void ParticleEmitter::Emit(Particle& p, ParticleRandom& random)
{
    // A slot freed before its delay ran out must not hold the new particle back.
    p.mStartDelay = 0.0f;
    p.mAge = 0.0f;
    p.mLifeTime = PartLifeTime + random.Variation(PartLifeTime, PartRandomness);
    p.mOffset = RandomDirection(random);
    p.mOrigin = Origin();
    p.mDirection = StartDirection(random);

    p.mVelocityCurve = VelocityOverLife;
    p.mVelocityCurve.mScale = Velocity + random.Variation(Velocity, VelocityVariation);
    p.mMotionCurve = MotionOverLife;
    p.mMotionCurve.mScale = std::max(0.0f, 1.0f + random.Variation(1.0f, MotionVariation));
    p.mColorCurve = PartColor;
    p.mMassCurve = PartMass;
    p.mSizeCurve = SizeOverLife;
    p.mSizeCurve.mScale = std::max(0.0f, 1.0f + random.Variation(1.0f, SizeVariation));
    p.mSpinCurve = SpinOverLife;
    const float sense = random.Rand() % 2 == 1 ? 1.0f : -1.0f;
    p.mSpinCurve.mScale = sense * (1.0f + random.Variation(1.0f, SpinVariation));
    p.mRotationOffset = random.Variation(1.0f, SpinVariation);

    p.mLayer = mLayer;
    p.mDarkShading = IsUseDarkShading;
    p.mBindToEmitter = BindToEmitter;
    p.mForce = Force;
    p.mOwner = this;
    p.Update(0.0f, random);
}

Vorn::Vector2 ParticleEmitter::Origin() const
{
    return {static_cast<float>(int64_t{mX} + ShiftX), static_cast<float>(int64_t{mY} + ShiftY)};
}

Vorn::Vector2 ParticleEmitter::RandomDirection(ParticleRandom& random) const
{
    if (EmitterType == kEmitterSegment) {
        const float u = static_cast<float>(random.Rand() % 100) * 0.01f;
        return {Point.mX * u, Point.mY * u};
    }
    if (EmitterType == kEmitterCircle) {
        const int a = random.Rand() % 200 - 100;
        const int b = random.Rand() % 200 - 100;
        // Two draws of 0 have no direction: the circle's point at angle 0.
        if (a == 0 && b == 0)
            return {Radius, 0.0f};
        const float length = std::sqrt(static_cast<float>(a * a + b * b));
        return {static_cast<float>(a) / length * Radius, static_cast<float>(b) / length * Radius};
    }
    return {};
}

Vorn::Vector2 ParticleEmitter::StartDirection(ParticleRandom& random) const
{
    const float inPlane = ScatterRadians(ScatterAngle.mX, random);
    const float outOfPlane = ScatterRadians(ScatterAngle.mY, random);
    Platform::Vector2f base = Platform::Vec2Normalize({VelocityDir.mX, VelocityDir.mY});
    // A direction of length 0 cannot be normalised: straight down instead.
    if (base.x == 0.0f && base.y == 0.0f)
        base = {0.0f, 1.0f};
    // Turned by the in-plane spread, always the same way round, then
    // foreshortened by the out-of-plane one.
    const float x = base.x * std::cos(inPlane) - base.y * std::sin(inPlane);
    const float y = base.x * std::sin(inPlane) + base.y * std::cos(inPlane);
    return {x * std::cos(outOfPlane), y};
}

void ParticleEmitter::LoadTexture()
{
    mImage.reset();
    if (Vorn::gApplication != nullptr)
        mImage = Vorn::gApplication->GetImage("FX\\" + mTextureName);
}

void ParticleEmitter::Unlink()
{
    if (mSystem != nullptr)
        mSystem->RemoveEmitter(this);
    mImage.reset();
    mTextureName.clear();
    for (KeyCurve* curve : {&VelocityOverLife, &MotionOverLife, &SpinOverLife, &SizeOverLife, &PartMass})
        curve->Clear();
    PartColor.Clear();
}
