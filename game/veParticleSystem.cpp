#include "game/veParticleSystem.h"

#include "framework/graphics/Graphics.h"
#include "game/ParticleEmitter.h"

#include <algorithm>

namespace {

// 255 from 1 up, 0 from 0 down (and for a value that is no number).
int ColorByte(float c)
{
    if (c >= 1.0f)
        return 255;
    if (!(c > 0.0f))
        return 0;
    return static_cast<int>(c * 255.0f + 0.5f);
}

} // namespace

veParticleSystem::veParticleSystem(uint32_t seed) : mParticles(kCapacity), mRandom(seed) {}

veParticleSystem::~veParticleSystem()
{
    // An effect outliving its renderer must not reach back into it.
    for (ParticleEmitter* emitter : mEmitters)
        emitter->mSystem = nullptr;
}

void veParticleSystem::AddEmitter(ParticleEmitter* emitter)
{
    emitter->mSystem = this;
    mEmitters.push_back(emitter);
}

void veParticleSystem::RemoveEmitter(ParticleEmitter* emitter)
{
    for (Particle& particle : mParticles)
        if (particle.mOwner == emitter)
            particle.mOwner = nullptr;
    std::erase(mEmitters, emitter);
    emitter->mSystem = nullptr;
}

int veParticleSystem::UpdateBucket(int layer, bool darkShading, bool add)
{
    const int count = static_cast<int>(mBuckets.size());
    for (int i = 0; i < count; ++i) {
        DrawBucket& bucket = mBuckets[i];
        if (bucket.mLayer == layer && bucket.mDarkShading == darkShading) {
            if (add)
                ++bucket.mCount;
            else if (bucket.mCount != 0)
                --bucket.mCount;
            return i;
        }
    }
    mBuckets.push_back({1, layer, darkShading});
    return count;
}

void veParticleSystem::Update(float seconds)
{
    mAccumulator += seconds;
    if (mAccumulator < kShortestStep)
        return;
    const float step = mAccumulator;

    mSearchStart = 0;
    for (ParticleEmitter* emitter : mEmitters)
        emitter->Step(*this);

    mBuckets.clear();
    for (Particle& particle : mParticles) {
        if (!particle.IsLive())
            continue;
        particle.Update(step, mRandom);
        particle.mBucketIndex = UpdateBucket(particle.mLayer, particle.mDarkShading, true);
        if (!particle.IsLive())
            UpdateBucket(particle.mLayer, particle.mDarkShading, false);
    }

    mSystemTime += step;
    mAccumulator = 0.0f;
}

void veParticleSystem::Draw(Vorn::Graphics* g)
{
    Update(mFrameTime);

    int total = 0;
    for (const DrawBucket& bucket : mBuckets)
        total += bucket.mCount;

    g->SetColorize(true);
    const Vorn::Color savedColor = g->GetColor();
    const int savedMode = g->GetDrawMode();

    int counted = 0;
    for (int i = 0; i < mCapacity && counted < total; ++i) {
        Particle& p = mParticles[i];
        if (!p.IsLive() || p.mBucketIndex < 0)
            continue;
        ++counted;
        const ParticleEmitter* owner = p.mOwner;
        if (owner == nullptr)
            continue;
        if (p.mBindToEmitter && owner->mEnabled)
            p.mOrigin = owner->Origin();
        // An emitter whose picture failed to load has nothing to draw.
        if (owner->mImage == nullptr)
            continue;

        g->SetDrawMode(mBuckets[p.mBucketIndex].mDarkShading ? Vorn::kDrawModeNormal : Vorn::kDrawModeAdditive);
        g->SetColor(Vorn::Color(ColorByte(p.mColor.red), ColorByte(p.mColor.green), ColorByte(p.mColor.blue),
            ColorByte(p.mColor.alpha)));
        Vorn::Transform transform;
        transform.RotateRad(p.mRotation);
        const float scale = p.mSize / 50.0f;
        transform.Scale(scale, scale);
        g->DrawImageTransform(owner->mImage.get(), transform, p.mOrigin.mX + p.mOffset.mX,
            p.mOrigin.mY + p.mOffset.mY);
    }

    g->SetColor(savedColor);
    g->SetColorize(false);
    g->SetDrawMode(savedMode);
}
