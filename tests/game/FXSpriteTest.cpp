#include "game/FXSprite.h"

#include "fakes/CurrentPathGuard.h"
#include "fakes/DisplayApp.h"
#include "fakes/TempDir.h"
#include "framework/resources/ImageLib.h"
#include "game/Renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <limits>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Effects read from text.
struct Effect {
    Renderer renderer{1};
    FXSprite fx{&renderer};
    explicit Effect(const std::string& text = "")
    {
        std::istringstream in(text);
        fx.Read(in);
    }
    ParticleEmitter& operator[](size_t i) { return *fx.mEmitters.at(i); }
};

std::string CurveText(const KeyCurve& curve)
{
    std::ostringstream out;
    out.precision(std::numeric_limits<float>::max_digits10);
    out << curve.mKeys.size();
    for (const auto& key : curve.mKeys)
        out << ' ' << key.value << ' ' << key.time;
    return out.str();
}

// The keys of one emitter as an effect file writes them, every float to the
// last bit: two emitters alike in every field read from a file describe
// themselves alike.
std::string Describe(const ParticleEmitter& e)
{
    std::ostringstream out;
    out.precision(std::numeric_limits<float>::max_digits10);
    out << "Emitter\n"
        << "Velocity " << e.Velocity << "\nVelocityDir " << e.VelocityDir.mX << ' ' << e.VelocityDir.mY
        << "\nVelocityVariation " << e.VelocityVariation << "\nShiftX " << e.ShiftX << "\nShiftY " << e.ShiftY
        << "\nEmitInterval " << e.EmitInterval << "\nParticlesPerEmit " << e.ParticlesPerEmit << "\nCycleInterval "
        << e.CycleInterval << "\nCycleVariation " << e.CycleVariation << "\nEmitsPerCycle " << e.EmitsPerCycle
        << "\nUseCycle " << e.UseCycle << "\nSingleEmit " << e.SingleEmit << "\nScatterAngle " << e.ScatterAngle.mX
        << ' ' << e.ScatterAngle.mY << "\nEmitterType " << e.EmitterType << "\nPoint " << e.Point.mX << ' '
        << e.Point.mY << "\nRadius " << e.Radius << "\nPartLifeTime " << e.PartLifeTime << "\nPartRandomness "
        << e.PartRandomness << "\nBurstSize " << e.BurstSize << "\nBurstDelay " << e.BurstDelay
        << "\nBindToEmitter " << e.BindToEmitter << "\nMotionVariation " << e.MotionVariation << "\nSpinVariation "
        << e.SpinVariation << "\nSizeVariation " << e.SizeVariation << "\nForce " << e.Force.mX << ' ' << e.Force.mY
        << "\nReColor " << e.ReColor << "\nIsUseDarkShading " << e.IsUseDarkShading
        << "\nVelocityOverLife " << CurveText(e.VelocityOverLife) << "\nMotionOverLife "
        << CurveText(e.MotionOverLife) << "\nSpinOverLife " << CurveText(e.SpinOverLife) << "\nSizeOverLife "
        << CurveText(e.SizeOverLife) << "\nPartMass " << CurveText(e.PartMass) << "\nPartColor "
        << e.PartColor.mKeys.size();
    for (const auto& key : e.PartColor.mKeys)
        out << "  " << key.value.red << ' ' << key.value.green << ' ' << key.value.blue << ' ' << key.value.alpha
            << ' ' << key.time;
    out << '\n';
    return out.str();
}

// Every field away from its default.
void Unusual(ParticleEmitter& e)
{
    e.Velocity = 123.456f;
    e.VelocityDir = {-1.5f, 0.25f};
    e.VelocityVariation = 35;
    e.ShiftX = -12;
    e.ShiftY = 40;
    e.EmitInterval = 0.1f;
    e.ParticlesPerEmit = 7;
    e.CycleInterval = 2.5f;
    e.CycleVariation = 15;
    e.EmitsPerCycle = 3;
    e.UseCycle = true;
    e.SingleEmit = true;
    e.ScatterAngle = {360.0f, 45.5f};
    e.EmitterType = kEmitterCircle;
    e.Point = {-20.0f, 30.75f};
    e.Radius = 64.0f;
    e.PartLifeTime = 1.75f;
    e.PartRandomness = 20;
    e.BurstSize = 4;
    e.BurstDelay = 0.0625f;
    e.BindToEmitter = true;
    e.MotionVariation = 70;
    e.SpinVariation = 5;
    e.SizeVariation = 60;
    e.Force = {0.5f, -300.0f};
    e.ReColor = true;
    e.IsUseDarkShading = true;
    e.VelocityOverLife = {{0.0f, 1.0f}, {0.5f, 0.25f}, {1.0f, 0.0f}};
    e.MotionOverLife = {{0.0f, 2.0f}, {1.0f, -1.0f}};
    e.SpinOverLife = {};
    e.SizeOverLife = {{0.25f, 8.0f}};
    e.PartMass = {{0.0f, 0.5f}, {1.0f, 1e6f}};
    e.PartColor = {{0.0f, {1.0f, 0.75f, 0.5f, 1.0f}}, {0.75f, {0.25f, 0.0f, 0.125f, 0.5f}},
        {1.0f, {0.0f, 0.0f, 0.0f, 0.0f}}};
}

TEST(FXSprite, EffectFilesRoundTripEveryKey)
{
    ParticleEmitter defaults;
    ParticleEmitter unusual;
    Unusual(unusual);
    Effect e(Describe(unusual) + Describe(defaults));
    ASSERT_EQ(e.fx.mEmitters.size(), 2u);
    EXPECT_EQ(Describe(e[0]), Describe(unusual));
    // The second starts again from the defaults.
    EXPECT_EQ(Describe(e[1]), Describe(defaults));
    EXPECT_EQ(e[0].SizeOverLife.mCursor, 1);
    EXPECT_EQ(e.renderer.mParticleSystem->mEmitters,
        (std::vector<ParticleEmitter*>{e.fx.mEmitters[0].get(), e.fx.mEmitters[1].get()}));
    EXPECT_EQ(e[1].mSystem, e.renderer.mParticleSystem.get());

    // Any white space separates, and words nobody knows are passed over.
    std::string spaced = Describe(unusual);
    std::replace(spaced.begin(), spaced.end(), '\n', '\t');
    Effect again("Sparkle 12 \r\n" + spaced + "  velocity 5 Glow\n");
    ASSERT_EQ(again.fx.mEmitters.size(), 1u);
    EXPECT_EQ(Describe(again[0]), Describe(unusual));
}

TEST(FXSprite, KeysBeforeTheFirstEmitterAreSkipped)
{
    Effect e("Velocity 5 ScatterAngle 1 2 SizeOverLife 1 9 0 Texture none.png Emitter Radius 7");
    ASSERT_EQ(e.fx.mEmitters.size(), 1u);
    EXPECT_EQ(e[0].Velocity, 300.0f);
    EXPECT_EQ(e[0].ScatterAngle.mX, 60.0f);
    EXPECT_EQ(e[0].SizeOverLife.mKeys.size(), 3u);
    EXPECT_EQ(e[0].Radius, 7.0f);
    EXPECT_TRUE(e[0].mTextureName.empty());
    EXPECT_TRUE(Effect("").fx.mEmitters.empty());
    EXPECT_TRUE(Effect("Radius 3 Velocity 4").fx.mEmitters.empty());
}

// Reading stops at the first value that is not of its type; what was set
// until then stays, the field that failed keeps its value.
TEST(FXSprite, AMalformedValueEndsTheReadingAndKeepsWhatWasRead)
{
    const struct {
        std::string text;
        void (*check)(ParticleEmitter&);
    } rows[] = {
        {"Radius 5 Velocity abc Radius 9", [](ParticleEmitter& e) {
             EXPECT_EQ(e.Radius, 5.0f);
             EXPECT_EQ(e.Velocity, 300.0f);
         }},
        {"ScatterAngle 10 x Radius 9", [](ParticleEmitter& e) {
             EXPECT_EQ(e.ScatterAngle.mX, 10.0f);
             EXPECT_EQ(e.ScatterAngle.mY, 0.0f);
             EXPECT_EQ(e.Radius, 100.0f);
         }},
        {"Force 3", [](ParticleEmitter& e) { EXPECT_EQ(e.Force.mX, 3.0f); }},
        {"UseCycle 2 Radius 9", [](ParticleEmitter& e) {
             EXPECT_FALSE(e.UseCycle);
             EXPECT_EQ(e.Radius, 100.0f);
         }},
        {"ShiftX 99999999999", [](ParticleEmitter& e) { EXPECT_EQ(e.ShiftX, 0); }},
        {"Velocity 1e99", [](ParticleEmitter& e) { EXPECT_EQ(e.Velocity, 300.0f); }},
        {"Velocity nan", [](ParticleEmitter& e) { EXPECT_EQ(e.Velocity, 300.0f); }},
        // A curve cut short keeps the whole keys read.
        {"SizeOverLife 3 1 0 0.5", [](ParticleEmitter& e) {
             ASSERT_EQ(e.SizeOverLife.mKeys.size(), 1u);
             EXPECT_EQ(e.SizeOverLife.mKeys[0].value, 1.0f);
         }},
        {"SizeOverLife 3 1 0 0.5 0.5 x", [](ParticleEmitter& e) {
             ASSERT_EQ(e.SizeOverLife.mKeys.size(), 2u);
             EXPECT_EQ(e.SizeOverLife.mKeys[1].time, 0.5f);
         }},
        {"SizeOverLife", [](ParticleEmitter& e) { EXPECT_TRUE(e.SizeOverLife.mKeys.empty()); }},
        {"PartMass many", [](ParticleEmitter& e) { EXPECT_TRUE(e.PartMass.mKeys.empty()); }},
        {"PartColor 2 1 1 1 1 0 0 0 0", [](ParticleEmitter& e) {
             ASSERT_EQ(e.PartColor.mKeys.size(), 1u);
             EXPECT_EQ(e.PartColor.mKeys[0].value.alpha, 1.0f);
         }},
        // A count far beyond what follows reserves nothing and reads what is there.
        {"PartMass 2147483647 1 0 2 1", [](ParticleEmitter& e) { EXPECT_EQ(e.PartMass.mKeys.size(), 2u); }},
        {"PartColor 2147483647 1 0 0 1 0", [](ParticleEmitter& e) { EXPECT_EQ(e.PartColor.mKeys.size(), 1u); }},
    };
    for (const auto& row : rows) {
        Effect e("Emitter " + row.text + " Emitter");
        SCOPED_TRACE(row.text);
        ASSERT_EQ(e.fx.mEmitters.size(), 1u);
        row.check(e[0]);
    }
    EXPECT_TRUE(Effect("Emitter Texture")[0].mTextureName.empty());
    // An int ends where its digits do: "e99" is a word of its own.
    Effect exponent("Emitter ShiftX 1e99 Radius 9");
    EXPECT_EQ(exponent[0].ShiftX, 1);
    EXPECT_EQ(exponent[0].Radius, 9.0f);
}

TEST(FXSprite, ACountOfZeroOrLessLeavesACurveEmptyAndReadingGoesOn)
{
    Effect e("Emitter SizeOverLife 0 PartColor -4 SpinOverLife -1 Radius 9");
    EXPECT_TRUE(e[0].SizeOverLife.mKeys.empty());
    EXPECT_TRUE(e[0].PartColor.mKeys.empty());
    EXPECT_TRUE(e[0].SpinOverLife.mKeys.empty());
    EXPECT_EQ(e[0].Radius, 9.0f);
}

// Counts are held where an emission ends and no product of them overflows.
TEST(FXSprite, CountsAreHeldWithinTheirBounds)
{
    const struct {
        std::string text;
        int perEmit, burst, perCycle;
    } rows[] = {
        {"EmitsPerCycle 0", 1, 1, 1},
        {"EmitsPerCycle -7", 1, 1, 1},
        {"EmitsPerCycle 2147483647", 1, 1, INT_MAX},
        {"ParticlesPerEmit 2147483647 BurstSize 2147483647", 3000, 3000, 1},
        {"ParticlesPerEmit -5 BurstSize -2", 0, 0, 1},
        {"ParticlesPerEmit 3000 BurstSize 2999", 3000, 2999, 1},
    };
    for (const auto& row : rows) {
        Effect e("Emitter " + row.text);
        EXPECT_EQ(e[0].ParticlesPerEmit, row.perEmit) << row.text;
        EXPECT_EQ(e[0].BurstSize, row.burst) << row.text;
        EXPECT_EQ(e[0].EmitsPerCycle, row.perCycle) << row.text;
    }
}

TEST(FXSprite, TheEffectsLayerGoesToItsEmitters)
{
    Effect fresh("Emitter Emitter");
    EXPECT_EQ(fresh.fx.GetLayer(), FXSprite::kDefaultLayer);
    EXPECT_EQ(fresh[0].mLayer, 1000000);
    EXPECT_EQ(fresh[1].mLayer, 1000000);
    fresh.fx.SetLayer(-8);
    EXPECT_EQ(fresh[0].mLayer, -8);
    EXPECT_EQ(fresh[1].mLayer, -8);

    Renderer renderer(1);
    FXSprite layered(&renderer);
    layered.SetLayer(6);
    std::istringstream in("Emitter");
    layered.Read(in);
    EXPECT_EQ(layered.GetLayer(), 6);
    EXPECT_EQ(layered.mEmitters[0]->mLayer, 6);
    layered.SetVisible(false);
    EXPECT_FALSE(layered.IsVisible());
}

TEST(FXSprite, SwitchingOnRestartsTheClocksAndOffLeavesThem)
{
    Effect e("Emitter Emitter");
    e[0].mClock = 3.0f;
    e[1].mClock = 4.0f;
    e.fx.SetEmittersActive(false);
    EXPECT_FALSE(e[0].mEnabled);
    EXPECT_FALSE(e[1].mEnabled);
    EXPECT_EQ(e[1].mClock, 4.0f);
    e.fx.SetEmittersActive(true);
    EXPECT_TRUE(e[0].mEnabled);
    EXPECT_EQ(e[0].mClock, 0.0f);
    EXPECT_EQ(e[1].mClock, 0.0f);
}

TEST(FXSprite, DeletingTheEmittersTakesThemOutOfTheSystem)
{
    Effect e("Emitter Emitter");
    e.renderer.mParticleSystem->Update(0.03f);
    e.fx.DeleteEmitters();
    EXPECT_TRUE(e.fx.mEmitters.empty());
    EXPECT_TRUE(e.renderer.mParticleSystem->mEmitters.empty());
    EXPECT_EQ(e.renderer.mParticleSystem->mParticles[0].mOwner, nullptr);
    EXPECT_EQ(e.renderer.mParticleSystem->mParticles[1].mOwner, nullptr);

    // An effect that outlives its renderer lets go of it quietly.
    auto renderer = std::make_unique<Renderer>(1);
    FXSprite late(renderer.get());
    std::istringstream in("Emitter");
    late.Read(in);
    renderer.reset();
    late.DeleteEmitters();
}

// A size curve falling from 1 to 0 over a life of 2 seconds is sampled at
// the birth, halfway and the end; a colour curve of one white key holds
// white all life long.
TEST(FXSprite, CurvesFromTheFileShapeTheParticles)
{
    Effect e("Emitter SizeOverLife 2 1 0 0 1 PartColor 1 1 1 1 1 0 PartLifeTime 2 PartRandomness 0");
    ParticleEmitter& emitter = e[0];
    Particle p;
    ParticleRandom random(5);
    emitter.Emit(p, random);
    EXPECT_EQ(p.mSize, 1.0f);
    EXPECT_EQ(p.mColor.red + p.mColor.green + p.mColor.blue + p.mColor.alpha, 4.0f);
    p.Update(1.0f, random);
    EXPECT_FLOAT_EQ(p.mSize, 0.5f);
    p.Update(1.0f, random);
    EXPECT_EQ(p.mSize, 0.0f);
    EXPECT_EQ(p.mColor.alpha, 1.0f);
}

// Loading reads "FX\\" + name below the working folder, whatever the case of
// its letters, then places the emitters at the effect's truncated position.
TEST(FXSprite, LoadReadsTheFileBelowFXAndPlacesTheEmitters)
{
    Testing::CurrentPathGuard guard;
    Testing::TempDir dir;
    dir.WriteFile("fx/Boom.fx", "Emitter Radius 3 Emitter Radius 4");
    std::filesystem::current_path(dir.Path());

    for (const auto& [x, y, ex, ey] : {std::tuple{12.7f, -3.9f, 12, -3}, {0.0f, 0.0f, 0, 0},
             {3e9f, -3e9f, INT_MAX, INT_MIN}, {std::numeric_limits<float>::quiet_NaN(), 1.0f, 0, 1}}) {
        Renderer renderer(1);
        FXSprite fx(&renderer);
        fx.SetX(x);
        fx.SetY(y);
        fx.Load("BOOM.fx");
        ASSERT_EQ(fx.mEmitters.size(), 2u);
        EXPECT_EQ(fx.mEmitters[1]->Radius, 4.0f);
        for (const auto& emitter : fx.mEmitters) {
            EXPECT_EQ(emitter->mX, ex) << x;
            EXPECT_EQ(emitter->mY, ey) << y;
        }
        // Setting the position afterwards moves nothing; placing does.
        fx.SetX(100.0f);
        fx.SetY(200.0f);
        EXPECT_EQ(fx.GetX(), 100.0f);
        EXPECT_EQ(fx.GetY(), 200.0f);
        EXPECT_EQ(fx.mEmitters[0]->mX, ex);
        fx.SetEmittersPosition(-5, 9);
        EXPECT_EQ(fx.mEmitters[0]->mX, -5);
        EXPECT_EQ(fx.mEmitters[1]->mY, 9);
    }

    Renderer renderer(1);
    FXSprite missing(&renderer);
    missing.Load("nothing.fx");
    EXPECT_TRUE(missing.mEmitters.empty());
}

TEST(FXSprite, TexturesLoadThroughTheApplicationFromBelowFX)
{
    Testing::CurrentPathGuard guard;
    Testing::TempDir dir;
    std::filesystem::create_directories(dir / "FX");
    const auto picture = ImageLib::Image::Create(4, 2);
    std::fill_n(picture->GetBits(), 8, 0xFF00FF00u);
    ASSERT_TRUE(ImageLib::WritePNGImage(dir / "FX/spark.png", *picture));
    std::filesystem::current_path(dir.Path());
    Testing::DisplayApp display;

    Effect e("Emitter Texture spark.png Emitter Texture smoke.png Emitter Texture spark.png Texture gone.png");
    ASSERT_NE(e[0].mImage, nullptr);
    EXPECT_EQ(e[0].mImage->GetWidth(), 4);
    EXPECT_EQ(e[0].mImage->GetHeight(), 2);
    EXPECT_EQ(e[0].mTextureName, "spark.png");
    EXPECT_EQ(e[1].mImage, nullptr);
    EXPECT_EQ(e[1].mTextureName, "smoke.png");
    // A second texture replaces the first, also with none.
    EXPECT_EQ(e[2].mImage, nullptr);
    EXPECT_EQ(e[2].mTextureName, "gone.png");
}

} // namespace
