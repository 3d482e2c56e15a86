#pragma once
// An emitter of particles: the description an effect file sets (its fields
// carry the names of the file's keys) and the state with which it emits into
// the particle system it is listed in.

#include "framework/graphics/Image.h"
#include "framework/graphics/Matrix3x3.h"
#include "game/LifeCurve.h"

#include <memory>
#include <string>

class Particle;
class ParticleRandom;
class veParticleSystem;

// Emitter shapes.
inline constexpr int kEmitterPoint = 0;
inline constexpr int kEmitterSegment = 1;
inline constexpr int kEmitterCircle = 2;

struct EmitterDesc {
    // Least time between two emissions, seconds.
    float EmitInterval = 0.01f;
    // Bursts per emission.
    int ParticlesPerEmit = 1;
    // Length of an emission cycle, seconds, and the percent by which its
    // pause varies.
    float CycleInterval = 1.0f;
    int CycleVariation = 0;
    int EmitsPerCycle = 1;
    bool UseCycle = false;
    // With UseCycle, the emitter switches itself off after its first cycle.
    bool SingleEmit = false;
    // Degrees: in-plane spread (x), then out-of-plane spread (y).
    Vorn::Vector2 ScatterAngle{60.0f, 0.0f};
    int EmitterType = kEmitterPoint;
    // Far end of the segment.
    Vorn::Vector2 Point;
    // Of the circle.
    float Radius = 100.0f;
    // Seconds, and the percent by which it varies.
    float PartLifeTime = 5.0f;
    int PartRandomness = 100;
    // Particles per burst, the later ones each BurstDelay seconds after the
    // one before.
    int BurstSize = 1;
    float BurstDelay = 0.01f;
    // Live particles follow the emitter.
    bool BindToEmitter = false;
    Vorn::Vector2 Force;
    // Of the emission origin from the emitter's position.
    int ShiftX = 0;
    int ShiftY = 0;
    // Normalised before use.
    Vorn::Vector2 VelocityDir{0.0f, 1.0f};
    // Pixels per second, and the percent by which it varies.
    float Velocity = 300.0f;
    int VelocityVariation = 0;
    // Over the particle's life fraction: a speed factor, turbulence, rotation
    // (radians), size (drawn at size / 50), colour and mass; each with the
    // percent by which a particle's copy is scaled.
    KeyCurve VelocityOverLife{{0.0f, 1.0f}};
    KeyCurve MotionOverLife{{0.0f, 0.0f}};
    int MotionVariation = 0;
    KeyCurve SpinOverLife{{0.0f, 0.0f}};
    int SpinVariation = 100;
    KeyCurve SizeOverLife{{0.0f, 0.2f}, {0.5f, 0.5f}, {1.0f, 0.3f}};
    int SizeVariation = 0;
    ColorCurve PartColor{
        {0.0f, {1.0f, 0.0f, 0.0f, 1.0f}}, {0.5f, {0.0f, 1.0f, 0.0f, 1.0f}}, {1.0f, {0.0f, 0.0f, 1.0f, 1.0f}}};
    KeyCurve PartMass{{0.0f, 1.0f}, {0.5f, 2.0f}, {1.0f, 4.0f}};
};

class ParticleEmitter : public EmitterDesc {
public:
    ParticleEmitter();
    ~ParticleEmitter();
    ParticleEmitter(const ParticleEmitter&) = delete;
    ParticleEmitter& operator=(const ParticleEmitter&) = delete;

    // One system step: emits when the interval has passed (or the clock is
    // 0) and the emitter is enabled; the clock and the cycle go on while it
    // is disabled.
    void Step(veParticleSystem& system);
    // Fills a free slot with a new particle.
    void Emit(Particle& particle, ParticleRandom& random);
    // The emission origin: the position moved by the shift.
    Vorn::Vector2 Origin() const;

    // Replaces the image with "FX\\" + the texture name through the
    // application's image loader; none when it cannot be read.
    void LoadTexture();
    // Out of its system; image, texture name and curves dropped.
    void Unlink();

    int mX = 0;
    int mY = 0;
    // Seconds of system time of the last emission; 0 emits at the next step.
    float mClock = 0.0f;
    int mCycleCount = 0;
    // Named after the effect file's keys: normal blending instead of
    // additive, and a flag kept but not used.
    bool IsUseDarkShading = false;
    bool ReColor = false;
    std::unique_ptr<Vorn::Image> mImage;
    std::string mTextureName;
    int mLayer = 0;
    // The system it is listed in, null until listed.
    veParticleSystem* mSystem = nullptr;
    bool mEnabled = true;

private:
    void EmitInto(veParticleSystem& system);
    void CycleStep(ParticleRandom& random);
    // The start offset from the origin, by the emitter's shape.
    Vorn::Vector2 RandomDirection(ParticleRandom& random) const;
    Vorn::Vector2 StartDirection(ParticleRandom& random) const;
};
