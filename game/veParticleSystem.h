#pragma once
// Animates and draws the particles of one renderer: a fixed pool of slots, the
// emitters that fill them, and the counts of live particles per draw layer and
// blending. Time is stepped in steps of at least 0.03 s, each as long as the
// time gathered since the last one.

#include "game/Particle.h"
#include "game/ParticleRandom.h"

#include <cstdint>
#include <vector>

class ParticleEmitter;

namespace Vorn {
class Graphics;
}

// Live particles of one layer and blending.
struct DrawBucket {
    int mCount = 0;
    int mLayer = 0;
    bool mDarkShading = false;
};

class veParticleSystem {
public:
    static constexpr int kCapacity = 3000;
    static constexpr float kShortestStep = 0.03f;

    // The particles draw from a stream of their own, started from the seed.
    explicit veParticleSystem(uint32_t seed);
    // Empties the emitter list; the emitters belong to their effects.
    ~veParticleSystem();
    veParticleSystem(const veParticleSystem&) = delete;
    veParticleSystem& operator=(const veParticleSystem&) = delete;

    // The time each Draw adds.
    void SetFrameTime(float seconds) { mFrameTime = seconds; }
    // Gathers the time; steps once 0.03 s or more have gathered.
    void Update(float seconds);
    // Update with the frame time, then every counted particle in slot order.
    void Draw(Vorn::Graphics* g);

    // Appended to the end of the emitter list.
    void AddEmitter(ParticleEmitter* emitter);
    // Its particles live on without an owner and are no longer drawn.
    void RemoveEmitter(ParticleEmitter* emitter);
    // Counts a particle in (add) or out of the bucket of its layer and
    // blending; returns the bucket's index.
    int UpdateBucket(int layer, bool darkShading, bool add);

    std::vector<Particle> mParticles;
    int mCapacity = kCapacity;
    float mSystemTime = 0.0f;
    float mAccumulator = 0.0f;
    float mFrameTime = 0.0f;
    // Within one step, the slot from which emitters look for free slots.
    int mSearchStart = 0;
    std::vector<DrawBucket> mBuckets;
    // Not owned, in the order they were added.
    std::vector<ParticleEmitter*> mEmitters;
    ParticleRandom mRandom;
};
