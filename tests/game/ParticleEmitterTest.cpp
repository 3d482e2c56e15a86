#include "game/ParticleEmitter.h"

#include "game/Particle.h"
#include "game/ParticleRandom.h"
#include "game/veParticleSystem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double kPi = std::numbers::pi;

// The draws of the particles' stream, from the standard twister.
struct Draws {
    explicit Draws(uint32_t seed) : twister(seed) {}
    int Next() { return static_cast<int>(twister() >> 17); }
    // RandomVariation (base, percent).
    double Variation(double base, int percent)
    {
        return static_cast<float>(Next() % 20000 - 10000) / 10000.0f * base * percent / 100.0;
    }
    std::mt19937 twister;
};

// With the defaults, the draws come in this order: lifetime, in-plane spread
// (60 degrees; the out-of-plane one of 0 draws nothing), speed, turbulence,
// size, spin sense, spin scale, rotation offset.
TEST(ParticleEmitter, EmitsWithTheDefaultsInTheOrderOfItsDraws)
{
    ParticleEmitter emitter;
    emitter.mX = 100;
    emitter.mY = 50;
    emitter.ShiftX = -7;
    emitter.ShiftY = 3;
    emitter.mLayer = 12;
    emitter.Force = {1.0f, 2.0f};
    Particle p;
    p.mStartDelay = 0.4f;
    ParticleRandom random(2024);
    emitter.Emit(p, random);

    Draws d(2024);
    const double lifetime = 5.0 + d.Variation(5.0, 100);
    const double spread = (d.Next() % 60) * kPi / 180.0;
    EXPECT_FLOAT_EQ(p.mLifeTime, lifetime);
    EXPECT_EQ(p.mAge, 0.0f);
    EXPECT_EQ(p.mStartDelay, 0.0f);
    EXPECT_EQ(p.mOffset.mX, 0.0f);
    EXPECT_EQ(p.mOffset.mY, 0.0f);
    EXPECT_EQ(p.mOrigin.mX, 93.0f);
    EXPECT_EQ(p.mOrigin.mY, 53.0f);
    EXPECT_NEAR(p.mDirection.mX, -std::sin(spread), 1e-6);
    EXPECT_NEAR(p.mDirection.mY, std::cos(spread), 1e-6);
    EXPECT_FLOAT_EQ(p.mVelocityCurve.mScale, 300.0 + d.Variation(300.0, 0));
    EXPECT_FLOAT_EQ(p.mMotionCurve.mScale, 1.0 + d.Variation(1.0, 0));
    EXPECT_FLOAT_EQ(p.mSizeCurve.mScale, 1.0 + d.Variation(1.0, 0));
    const double sense = d.Next() % 2 == 1 ? 1.0 : -1.0;
    EXPECT_FLOAT_EQ(p.mSpinCurve.mScale, sense * (1.0 + d.Variation(1.0, 100)));
    const double offset = d.Variation(1.0, 100);
    EXPECT_FLOAT_EQ(p.mRotationOffset, offset);
    EXPECT_EQ(random.Rand(), d.Next());

    // Started at life fraction 0: size 0.2, opaque red, mass 1, speed 300.
    EXPECT_FLOAT_EQ(p.mRotation, offset);
    EXPECT_FLOAT_EQ(p.mSize, 0.2f);
    EXPECT_EQ(p.mColor.red, 1.0f);
    EXPECT_EQ(p.mColor.green, 0.0f);
    EXPECT_EQ(p.mColor.alpha, 1.0f);
    EXPECT_EQ(p.mMass, 1.0f);
    EXPECT_EQ(p.mSpeed, 300.0f);
    EXPECT_EQ(p.mLayer, 12);
    EXPECT_EQ(p.mOwner, &emitter);
    EXPECT_EQ(p.mForce.mY, 2.0f);
    EXPECT_FALSE(p.mDarkShading);
    EXPECT_FALSE(p.mBindToEmitter);
    EXPECT_EQ(p.mVelocityCurve.mKeys.size(), 1u);
    EXPECT_EQ(p.mColorCurve.mKeys.size(), 3u);
    EXPECT_EQ(p.mMassCurve.mKeys.size(), 3u);
}

TEST(ParticleEmitter, VariationsScaleTheCurvesAndNeverMakeThemNegative)
{
    ParticleEmitter emitter;
    emitter.ScatterAngle = {0.0f, 0.0f};
    emitter.Velocity = 200.0f;
    emitter.VelocityVariation = 50;
    emitter.MotionVariation = 400;
    emitter.SizeVariation = 400;
    emitter.SpinVariation = 30;
    emitter.IsUseDarkShading = true;
    emitter.BindToEmitter = true;
    for (uint32_t seed = 1; seed < 40; ++seed) {
        Particle p;
        ParticleRandom random(seed);
        emitter.Emit(p, random);
        Draws d(seed);
        d.Next();
        EXPECT_FLOAT_EQ(p.mVelocityCurve.mScale, 200.0 + d.Variation(200.0, 50));
        EXPECT_FLOAT_EQ(p.mMotionCurve.mScale, std::max(0.0, 1.0 + d.Variation(1.0, 400)));
        EXPECT_FLOAT_EQ(p.mSizeCurve.mScale, std::max(0.0, 1.0 + d.Variation(1.0, 400)));
        const double sense = d.Next() % 2 == 1 ? 1.0 : -1.0;
        EXPECT_FLOAT_EQ(p.mSpinCurve.mScale, sense * (1.0 + d.Variation(1.0, 30)));
        EXPECT_TRUE(p.mDarkShading);
        EXPECT_TRUE(p.mBindToEmitter);
    }
}

// The in-plane spread turns the normalised direction by a whole number of
// degrees below it; the out-of-plane one shortens x by its cosine. Spreads
// without a whole degree above 0 draw nothing.
TEST(ParticleEmitter, TheStartDirectionTurnsWithinTheSpreads)
{
    struct Row {
        Vorn::Vector2 dir;
        Vorn::Vector2 spread;
        int inPlaneRange;
        int outOfPlaneRange;
    };
    for (const Row& row : {Row{{3.0f, 4.0f}, {90.0f, 0.0f}, 90, 0}, Row{{1.0f, 0.0f}, {0.0f, 45.5f}, 0, 45},
             Row{{0.0f, -2.0f}, {0.99f, -30.0f}, 0, 0}, Row{{0.0f, 1.0f}, {1.0f, 2.0f}, 1, 2}, Row{{-1.0f, 1.0f}, {1e30f, 1e9f}, 32768, 32768},
             Row{{0.0f, 0.0f}, {20.0f, 0.0f}, 20, 0}, Row{{3e38f, 3e38f}, {0.0f, 0.0f}, 0, 0}}) {
        ParticleEmitter emitter;
        emitter.VelocityDir = row.dir;
        emitter.ScatterAngle = row.spread;
        Particle p;
        ParticleRandom random(31);
        emitter.Emit(p, random);

        Draws d(31);
        d.Next();
        // Wide spreads give angles whose float rounding shows in the cosine:
        // the angle is taken as the float the degrees make.
        auto radians = [](int degrees) { return static_cast<float>(degrees) * std::numbers::pi_v<float> / 180.0f; };
        const double a = row.inPlaneRange > 0 ? radians(d.Next() % row.inPlaneRange) : 0.0;
        const double b = row.outOfPlaneRange > 0 ? radians(d.Next() % row.outOfPlaneRange) : 0.0;
        // A direction that cannot be normalised is taken as straight down.
        const double length = std::hypot(double{row.dir.mX}, double{row.dir.mY});
        const bool usable = length > 0.0;
        const double x = usable ? row.dir.mX / length : 0.0;
        const double y = usable ? row.dir.mY / length : 1.0;
        EXPECT_NEAR(p.mDirection.mX, (x * std::cos(a) - y * std::sin(a)) * std::cos(b), 1e-5) << row.spread.mX;
        EXPECT_NEAR(p.mDirection.mY, x * std::sin(a) + y * std::cos(a), 1e-5) << row.spread.mX;
        // Six more draws: speed, turbulence, size, spin sense and scale,
        // rotation offset.
        for (int i = 0; i < 6; ++i)
            d.Next();
        EXPECT_EQ(random.Rand(), d.Next()) << "draws used";
    }
}

TEST(ParticleEmitter, SegmentsAndCirclesPlaceTheStartAroundTheOrigin)
{
    ParticleEmitter segment;
    segment.EmitterType = kEmitterSegment;
    segment.Point = {100.0f, -50.0f};
    ParticleEmitter circle;
    circle.EmitterType = kEmitterCircle;
    circle.Radius = 40.0f;
    ParticleEmitter unknown;
    unknown.EmitterType = 7;
    unknown.Radius = 40.0f;
    for (uint32_t seed = 1; seed < 30; ++seed) {
        Particle p;
        ParticleRandom random(seed);
        segment.Emit(p, random);
        Draws d(seed);
        d.Next();
        const float u = static_cast<float>(d.Next() % 100) * 0.01f;
        EXPECT_FLOAT_EQ(p.mOffset.mX, 100.0f * u);
        EXPECT_FLOAT_EQ(p.mOffset.mY, -50.0f * u);

        ParticleRandom again(seed);
        circle.Emit(p, again);
        Draws c(seed);
        c.Next();
        const int a = c.Next() % 200 - 100;
        const int b = c.Next() % 200 - 100;
        const double length = std::hypot(a, b);
        EXPECT_NEAR(p.mOffset.mX, a / length * 40.0, 1e-4);
        EXPECT_NEAR(p.mOffset.mY, b / length * 40.0, 1e-4);

        ParticleRandom third(seed);
        unknown.Emit(p, third);
        EXPECT_EQ(p.mOffset.mX, 0.0f);
        EXPECT_EQ(p.mOffset.mY, 0.0f);
    }
}

// Both circle draws 0 has no direction: the point at angle 0 instead of a
// division by zero. Seeds that draw it, and one that draws 0 only for x, are
// searched for.
TEST(ParticleEmitter, ACircleDrawOfTwoZerosTakesThePointAtAngleZero)
{
    auto seedDrawing = [](bool bothZero) {
        for (uint32_t seed = 1;; ++seed) {
            Draws d(seed);
            d.Next();
            if (d.Next() % 200 == 100 && (d.Next() % 200 == 100) == bothZero)
                return seed;
        }
    };
    ParticleEmitter circle;
    circle.EmitterType = kEmitterCircle;
    circle.Radius = 25.0f;
    Particle p;
    ParticleRandom random(seedDrawing(true));
    circle.Emit(p, random);
    EXPECT_EQ(p.mOffset.mX, 25.0f);
    EXPECT_EQ(p.mOffset.mY, 0.0f);

    ParticleRandom upright(seedDrawing(false));
    circle.Emit(p, upright);
    EXPECT_EQ(p.mOffset.mX, 0.0f);
    EXPECT_EQ(std::abs(p.mOffset.mY), 25.0f);
}

TEST(ParticleEmitter, OriginsOfFarPositionsAndShiftsDoNotOverflow)
{
    ParticleEmitter emitter;
    emitter.mX = 2147483000;
    emitter.ShiftX = 2000;
    emitter.mY = -2147483000;
    emitter.ShiftY = -2000;
    EXPECT_FLOAT_EQ(emitter.Origin().mX, 2147485000.0f);
    EXPECT_FLOAT_EQ(emitter.Origin().mY, -2147485000.0f);
}

// An emitter listed in a system, stepped as the system would step it.
struct Listed {
    explicit Listed(uint32_t seed = 3) : system(seed) { system.AddEmitter(&emitter); }
    ~Listed() { system.RemoveEmitter(&emitter); }
    // One step of the emitters at the given system time.
    void StepAt(float time)
    {
        system.mSystemTime = time;
        system.mSearchStart = 0;
        emitter.Step(system);
    }
    int Live() const
    {
        int n = 0;
        for (const Particle& p : system.mParticles)
            n += p.IsLive();
        return n;
    }
    veParticleSystem system;
    ParticleEmitter emitter;
};

TEST(ParticleEmitter, EmitsWhenTheIntervalHasPassedOrTheClockIsZero)
{
    Listed l;
    l.emitter.EmitInterval = 0.125f;
    l.emitter.PartLifeTime = 100.0f;
    // Clock 0 at system time 0, and again at the next step, since the first
    // emission set the clock to 0.
    l.StepAt(0.0f);
    EXPECT_EQ(l.Live(), 1);
    l.StepAt(0.25f);
    EXPECT_EQ(l.Live(), 2);
    EXPECT_EQ(l.emitter.mClock, 0.25f);
    // Strictly after the interval.
    l.StepAt(0.375f);
    EXPECT_EQ(l.Live(), 2);
    EXPECT_EQ(l.emitter.mClock, 0.25f);
    l.StepAt(0.5f);
    EXPECT_EQ(l.Live(), 3);
    EXPECT_EQ(l.emitter.mClock, 0.5f);

    // Disabled: the clock goes on, nothing is emitted.
    l.emitter.mEnabled = false;
    l.StepAt(0.5f);
    EXPECT_EQ(l.Live(), 3);
    EXPECT_FLOAT_EQ(l.emitter.mClock, 0.5f);
}

TEST(ParticleEmitter, ABurstIsOneNewParticleAndDelayedCopies)
{
    Listed l;
    l.emitter.BurstSize = 3;
    l.emitter.BurstDelay = 0.1f;
    l.emitter.ParticlesPerEmit = 2;
    l.system.mParticles[1].mLifeTime = 9.0f;
    l.StepAt(0.0f);
    const auto& slots = l.system.mParticles;
    // Slot 1 was taken: the six fill 0 and 2..6.
    EXPECT_EQ(l.Live(), 7);
    EXPECT_EQ(l.system.mSearchStart, 6);
    const float delays[] = {0.0f, 0.0f, 0.1f, 0.1f + 0.1f, 0.0f, 0.1f, 0.1f + 0.1f};
    for (int i : {0, 2, 3, 4, 5, 6})
        EXPECT_EQ(slots[i].mStartDelay, delays[i]) << "slot " << i;
    for (int i : {2, 3}) {
        EXPECT_EQ(slots[i].mLifeTime, slots[0].mLifeTime);
        EXPECT_EQ(slots[i].mDirection.mX, slots[0].mDirection.mX);
        EXPECT_EQ(slots[i].mSpinCurve.mScale, slots[0].mSpinCurve.mScale);
    }
    EXPECT_NE(slots[4].mLifeTime, slots[0].mLifeTime);
    EXPECT_EQ(slots[6].mLifeTime, slots[4].mLifeTime);

    // Pairs: new, copy, new, copy.
    Listed pairs;
    pairs.emitter.BurstSize = 2;
    pairs.emitter.BurstDelay = 0.25f;
    pairs.emitter.ParticlesPerEmit = 2;
    pairs.StepAt(0.0f);
    const auto& paired = pairs.system.mParticles;
    EXPECT_EQ(paired[1].mLifeTime, paired[0].mLifeTime);
    EXPECT_EQ(paired[1].mStartDelay, 0.25f);
    EXPECT_NE(paired[2].mLifeTime, paired[1].mLifeTime);
    EXPECT_EQ(paired[2].mStartDelay, 0.0f);
    EXPECT_EQ(paired[3].mLifeTime, paired[2].mLifeTime);
    EXPECT_EQ(pairs.Live(), 4);
}

TEST(ParticleEmitter, AFullPoolDropsTheRestAndTheSearchGoesOnFromTheLastSlotUsed)
{
    Listed l;
    l.emitter.ParticlesPerEmit = veParticleSystem::kCapacity;
    l.emitter.BurstSize = 2;
    l.emitter.PartRandomness = 0;
    l.StepAt(0.0f);
    EXPECT_EQ(l.Live(), veParticleSystem::kCapacity);
    EXPECT_EQ(l.system.mSearchStart, veParticleSystem::kCapacity - 1);

    Listed late;
    for (int i = 0; i < 10; ++i)
        late.system.mParticles[i].mLifeTime = 1.0f;
    late.system.mSearchStart = 5;
    late.emitter.Step(late.system);
    EXPECT_EQ(late.system.mSearchStart, 10);
    EXPECT_EQ(late.Live(), 11);
}

TEST(ParticleEmitter, CountsOfZeroEmitNothing)
{
    for (const auto& [perEmit, burst] : {std::pair{0, 5}, {5, 0}, {-2, 3}}) {
        Listed l;
        l.emitter.ParticlesPerEmit = perEmit;
        l.emitter.BurstSize = burst;
        l.StepAt(0.0f);
        EXPECT_EQ(l.Live(), 0) << perEmit << " x " << burst;
        EXPECT_EQ(l.emitter.mClock, 0.0f);
    }
}

// pause = CycleInterval - EmitsPerCycle x EmitInterval + RandomVariation
// (CycleInterval, CycleVariation), at least 0.
TEST(ParticleEmitter, ACycleEndsWithAPauseAndASingleEmitterSwitchesOff)
{
    Listed l(8);
    l.emitter.UseCycle = true;
    l.emitter.EmitsPerCycle = 2;
    l.emitter.EmitInterval = 0.1f;
    l.emitter.CycleInterval = 1.0f;
    l.emitter.CycleVariation = 20;
    l.StepAt(0.0f);
    EXPECT_EQ(l.emitter.mCycleCount, 1);
    l.StepAt(0.03f);
    Draws d(8);
    for (int i = 0; i < 2 * 8; ++i)
        d.Next();
    EXPECT_NEAR(l.emitter.mClock, 0.03 + (1.0 - 2 * 0.1 + d.Variation(1.0, 20)), 1e-6);
    EXPECT_EQ(l.emitter.mCycleCount, 0);
    EXPECT_TRUE(l.emitter.mEnabled);

    l.emitter.SingleEmit = true;
    l.emitter.CycleInterval = 0.05f;
    l.emitter.CycleVariation = 0;
    l.emitter.mClock = 0.0f;
    l.StepAt(1.0f);
    EXPECT_TRUE(l.emitter.mEnabled);
    l.StepAt(1.2f);
    EXPECT_FALSE(l.emitter.mEnabled);
    // The negative pause is raised to 0.
    EXPECT_FLOAT_EQ(l.emitter.mClock, 1.2f);
    EXPECT_EQ(l.Live(), 4);
}

TEST(ParticleEmitter, SingleEmitNeedsCyclesAndACycleCountBelowOneEndsEveryCycle)
{
    Listed plain;
    plain.emitter.SingleEmit = true;
    for (int i = 0; i < 5; ++i)
        plain.StepAt(static_cast<float>(i));
    EXPECT_TRUE(plain.emitter.mEnabled);
    EXPECT_EQ(plain.Live(), 5);

    for (const int count : {0, -3}) {
        Listed l;
        l.emitter.UseCycle = true;
        l.emitter.SingleEmit = true;
        l.emitter.EmitsPerCycle = count;
        l.StepAt(0.0f);
        EXPECT_FALSE(l.emitter.mEnabled) << count;
        l.StepAt(5.0f);
        EXPECT_EQ(l.Live(), 1) << count;
    }
}

TEST(ParticleEmitter, UnlinkingLeavesTheSystemAndDropsTheDescription)
{
    Listed l;
    l.StepAt(0.0f);
    l.emitter.mTextureName = "spark.png";
    l.emitter.Unlink();
    EXPECT_TRUE(l.system.mEmitters.empty());
    EXPECT_EQ(l.emitter.mSystem, nullptr);
    EXPECT_EQ(l.system.mParticles[0].mOwner, nullptr);
    EXPECT_TRUE(l.system.mParticles[0].IsLive());
    EXPECT_TRUE(l.emitter.mTextureName.empty());
    EXPECT_TRUE(l.emitter.SizeOverLife.mKeys.empty());
    EXPECT_TRUE(l.emitter.PartColor.mKeys.empty());
    EXPECT_TRUE(l.emitter.VelocityOverLife.mKeys.empty());
    l.emitter.Unlink();
}

} // namespace
