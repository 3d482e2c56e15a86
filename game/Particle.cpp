#include "game/Particle.h"

#include "game/ParticleRandom.h"
#include "platform/VectorMath.h"

#include <numbers>

namespace {

// A particle this heavy stands still.
constexpr float kImmovableMass = 1000000.0f;

float TurbulenceAngle(ParticleRandom& random)
{
    return static_cast<float>(random.Rand() % 360 - 180) * std::numbers::pi_v<float> / 180.0f;
}

} // namespace

void Particle::Update(float dt, ParticleRandom& random)
{
    if (mStartDelay > 0.0f) {
        if (mStartDelay >= dt) {
            mStartDelay -= dt;
            return;
        }
        dt -= mStartDelay;
        mStartDelay = 0.0f;
    }

    mAge += dt;
    // Held at 1 once the age has passed the lifetime; a lifetime that is not
    // above 0 never divides.
    const float t = mAge >= mLifeTime ? 1.0f : mAge / mLifeTime;

    mRotation = mSpinCurve.Evaluate(t) + mRotationOffset;
    mSize = mSizeCurve.Evaluate(t);
    mColor = mColorCurve.Evaluate(t);

    const float motion = mMotionCurve.Evaluate(t);
    if (motion != 0.0f) {
        const float yaw = motion * dt * TurbulenceAngle(random);
        const float pitch = motion * dt * TurbulenceAngle(random);
        const float roll = motion * dt * TurbulenceAngle(random);
        const Platform::Vector4f turned = Platform::Vec2Transform({mDirection.mX, mDirection.mY},
            Platform::MatrixRotationYawPitchRoll(yaw, pitch, roll));
        mDirection = {turned.x, turned.y};
    }

    mSpeed = mVelocityCurve.Evaluate(t);
    mMass = mMassCurve.Evaluate(t);
    if (mMass >= kImmovableMass)
        return;

    mVelocity = {mSpeed * mDirection.mX, mSpeed * mDirection.mY};
    // The force acts over the whole age, not over this step.
    if (mMass != 0.0f) {
        mVelocity.mX += mForce.mX / mMass * mAge;
        mVelocity.mY += mForce.mY / mMass * mAge;
    }
    mOffset.mX += mVelocity.mX * dt;
    mOffset.mY += mVelocity.mY * dt;
}
