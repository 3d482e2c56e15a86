#pragma once
// One slot of the particle pool. A slot is free while its lifetime minus its
// age is not above 0, waiting while it has a start delay, and moving
// otherwise. Its curves are its own copies of the emitter's, so that a
// particle lives on when its emitter goes.

#include "framework/graphics/Matrix3x3.h"
#include "game/LifeCurve.h"

class ParticleEmitter;
class ParticleRandom;

class Particle {
public:
    bool IsLive() const { return mLifeTime - mAge > 0.0f; }

    // Ages the particle by dt seconds and moves it. A step of 0 only sets
    // size, colour, rotation, speed and mass for the particle's start.
    void Update(float dt, ParticleRandom& random);

    KeyCurve mSpinCurve;
    KeyCurve mMassCurve;
    KeyCurve mSizeCurve;
    ColorCurve mColorCurve;
    KeyCurve mVelocityCurve;
    KeyCurve mMotionCurve;

    // Unit length as emitted; turbulence turns it.
    Vorn::Vector2 mDirection;
    float mSpeed = 0.0f;
    Vorn::Vector2 mVelocity;
    // The position is the origin plus the offset.
    Vorn::Vector2 mOrigin;
    Vorn::Vector2 mOffset;
    Vorn::Vector2 mForce;
    CurveColor mColor;

    float mAge = 0.0f;
    float mLifeTime = 0.0f;
    float mStartDelay = 0.0f;
    float mSize = 0.0f;
    float mMass = 0.0f;
    float mRotation = 0.0f;
    float mRotationOffset = 0.0f;

    bool mDarkShading = false;
    // Not owned; cleared when the emitter leaves its system.
    ParticleEmitter* mOwner = nullptr;
    int mLayer = 0;
    // Into the system's buckets; -1 until the particle was first counted.
    int mBucketIndex = -1;
    bool mBindToEmitter = false;
};
